#pragma once

// "Verify GPS software version" in process: the shipped plug-in application over the receiver
// simulator on virtual time, the host's calls through the export layer, the scripted UI.
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "engine/profile.h"
#include "engine/receiver.h"
#include "frame/app.h"
#include "frame/branding.h"
#include "frame/host_interface.h"
#include "operations/operation_catalog.h"
#include "operations/version_display_dlg.h"
#include "platform/strings.h"
#include "platform/virtual_clock.h"
#include "support/scripted_ui.h"
#include "support/sim_transport.h"
#include "support/test_operations.h"
#include "transport/serial_com_exception.h"
#include "transport/transport_factory.h"

namespace version_system {

using Bytes = std::vector<std::uint8_t>;

// The simulator's port with line faults on chosen TC requests: frames of a type in `dropped`
// never reach the receiver, and writing a frame of type `failing` fails like a port whose
// device went away.
class FaultyLine : public testing_support::SimTransport {
  public:
    FaultyLine(sim::Receiver& receiver, platform::VirtualClock& clock, std::set<int> dropped,
               int failing, std::vector<Bytes>& writes, int& closes)
        : SimTransport(receiver, clock),
          closes_(closes),
          dropped_(std::move(dropped)),
          failing_(failing),
          writes_(writes) {}

    void ClosePort() override {
        if (IsOpen()) {
            ++closes_;
        }
        SimTransport::ClosePort();
    }

    void Write(const std::uint8_t* buffer, std::size_t count) override {
        writes_.emplace_back(buffer, buffer + count);
        if (skipping_ > 0) {
            skipping_ = count >= skipping_ ? 0 : skipping_ - count;
            return;
        }
        if (count == 4 && buffer[0] == 0x02 && buffer[1] == 0x00) {
            if (buffer[2] == failing_) {
                throw CSerialComException(GetPortNumber(), 304, 5);
            }
            if (dropped_.count(buffer[2]) != 0) {
                skipping_ = std::size_t{buffer[3]} + 2;
                return;
            }
        }
        SimTransport::Write(buffer, count);
    }

  private:
    int& closes_;
    std::set<int> dropped_;
    int failing_;
    std::vector<Bytes>& writes_;
    std::size_t skipping_ = 0;
};

class Rig {
  public:
    static constexpr int kPort = 5;

    explicit Rig(const std::string& profileJson = "{}", std::set<int> dropped = {},
                 int failing = -1)
        : receiver(sim::LoadProfileText(profileJson, "version system test")),
          factory([this, dropped, failing] {
              auto line =
                  std::make_unique<FaultyLine>(receiver, clock, dropped, failing, writes, closes);
              line->FailNextOpens(failOpens);
              ++transports;
              return line;
          }) {
        SetBrandingVariant(0);
        app = std::make_unique<CGarnothApp>(ShippedOperationCatalog());
        app->InitInstance();
    }
    ~Rig() { SetBrandingVariant(0); }

    // DoOperation on operation 0 with the given host window.
    int Run(platform::WindowHandle window = testing_support::TestWindow()) {
        context = {kPort, 0, window, nullptr};
        return host_api::DoOperation(*app, &context);
    }

    // The version dialog's field, as it was shown.
    std::string Field(int id) const {
        return ui.dialogs.empty() ? std::string("<no dialog>") : ui.dialogs.back().Text(id);
    }
    // The error box of a failed run.
    std::string ErrorBox(const std::string& message) const {
        return platform::FormatString(157, app->GetVersion(), message);
    }
    // The TC requests the host wrote (header piece, then payload), as type and payload.
    struct Request {
        int type;
        Bytes payload;
        bool operator==(const Request&) const = default;
    };
    std::vector<Request> Requests() const {
        std::vector<Request> requests;
        for (std::size_t i = 0; i < writes.size(); ++i) {
            const Bytes& piece = writes[i];
            if (piece.size() == 4 && piece[0] == 0x02 && piece[1] == 0x00) {
                Request request{piece[2], {}};
                if (piece[3] > 0 && i + 1 < writes.size()) {
                    request.payload = writes[i + 1];
                }
                requests.push_back(request);
            }
        }
        return requests;
    }

    platform::VirtualClock clock;
    platform::ScopedClock scopedClock{clock};
    testing_support::ScriptedUi ui;
    testing_support::ScopedRegistry registry;
    sim::Receiver receiver;
    std::vector<Bytes> writes;  // every Write of every run's transport
    int transports = 0;         // transports made
    int closes = 0;             // open ports closed
    int failOpens = 0;          // each new transport fails this many opens
    ScopedSerialTransportFactory factory;
    std::unique_ptr<CGarnothApp> app;
    OperationContext context{};
};

}  // namespace version_system
