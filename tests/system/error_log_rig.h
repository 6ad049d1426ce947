#pragma once

// "View error log" in process: the shipped plug-in application over the receiver simulator on
// virtual time, the host's calls through the export layer, the scripted UI.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/profile.h"
#include "engine/receiver.h"
#include "frame/app.h"
#include "frame/branding.h"
#include "frame/host_interface.h"
#include "operations/operation_catalog.h"
#include "platform/posix/ui_driver.h"
#include "platform/strings.h"
#include "platform/virtual_clock.h"
#include "support/scripted_ui.h"
#include "support/sim_transport.h"
#include "support/test_operations.h"
#include "transport/transport_factory.h"

namespace error_log_system {

// The index of the operation with that name in the host's list; -1 when it is not listed.
inline int OperationIndex(const CGarnothApp& app, const std::string& name) {
    for (std::int32_t i = 0; i < host_api::GetNumberOperations(app); ++i) {
        char buffer[256] = {};
        if (host_api::GetOperation(app, i, buffer, sizeof buffer) && name == buffer) {
            return i;
        }
    }
    return -1;
}

// One LS memory read as the host asked for it.
struct MemoryRead {
    std::uint32_t address;
    std::uint32_t count;
};

// The simulator's port, recording the memory reads, the TC record requests and the closes; it
// sets the host's cancel event once a given number of log reads (memory reads or record
// requests) went out.
class RecordingLine : public testing_support::SimTransport {
  public:
    RecordingLine(sim::Receiver& receiver, platform::VirtualClock& clock,
                  std::vector<MemoryRead>& reads, int& records, int& closes,
                  int cancelAfterLogReads, platform::PosixEvent& cancel)
        : SimTransport(receiver, clock),
          reads_(reads),
          records_(records),
          closes_(closes),
          cancelAfterLogReads_(cancelAfterLogReads),
          cancel_(cancel) {}

    void ClosePort() override {
        if (IsOpen()) {
            ++closes_;
        }
        SimTransport::ClosePort();
    }

    void Write(const std::uint8_t* buffer, std::size_t count) override {
        if (readPayloadNext_ && count == 6) {
            reads_.push_back({(std::uint32_t{buffer[0]} << 24) | (std::uint32_t{buffer[1]} << 16) |
                                  (std::uint32_t{buffer[2]} << 8) | buffer[3],
                              (std::uint32_t{buffer[4]} << 8) | buffer[5]});
        }
        // A short (0x08) or long (0x0A) record request of the TC error-log command.
        if (recordPayloadNext_ && count == 3 && (buffer[0] == 0x08 || buffer[0] == 0x0A)) {
            ++records_;
        }
        if (static_cast<int>(reads_.size()) + records_ == cancelAfterLogReads_) {
            cancel_.signalled = true;
        }
        readPayloadNext_ = count == 4 && buffer[0] == 0x02 && buffer[1] == 0x05 &&
                           buffer[2] == 0x00 && buffer[3] == 0x06;
        recordPayloadNext_ = count == 4 && buffer[0] == 0x02 && buffer[1] == 0x00 &&
                             buffer[2] == 0x91 && buffer[3] == 0x03;
        SimTransport::Write(buffer, count);
    }

  private:
    std::vector<MemoryRead>& reads_;
    int& records_;
    int& closes_;
    int cancelAfterLogReads_;
    platform::PosixEvent& cancel_;
    bool readPayloadNext_ = false;
    bool recordPayloadNext_ = false;
};

class Rig {
  public:
    static constexpr int kPort = 5;

    explicit Rig(const std::string& profileJson = "{}")
        : receiver(sim::LoadProfileText(profileJson, "error log system test")), factory([this] {
              return std::make_unique<RecordingLine>(receiver, clock, reads, records, closes,
                                                     cancelAfterLogReads, cancel);
          }) {
        SetBrandingVariant(0);
        app = std::make_unique<CGarnothApp>(ShippedOperationCatalog());
        app->InitInstance();
    }
    ~Rig() { SetBrandingVariant(0); }

    // DoOperation on "View error log".
    int Run() {
        context = {kPort, OperationIndex(*app, "View error log"), testing_support::TestWindow(),
                   &cancel};
        return host_api::DoOperation(*app, &context);
    }
    std::string ErrorBox(const std::string& message) const {
        return platform::FormatString(157, app->GetVersion(), message);
    }

    platform::VirtualClock clock;
    platform::ScopedClock scopedClock{clock};
    testing_support::ScriptedUi ui;
    testing_support::ScopedRegistry registry;
    sim::Receiver receiver;
    std::vector<MemoryRead> reads;
    int records = 0;  // TC record requests
    int closes = 0;
    int cancelAfterLogReads = -1;
    platform::PosixEvent cancel;
    ScopedSerialTransportFactory factory;
    std::unique_ptr<CGarnothApp> app;
    OperationContext context{};
};

}  // namespace error_log_system
