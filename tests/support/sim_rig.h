#pragma once

// The in-process system tests' rigs: the receiver simulator on virtual time under the device
// interface or under the shipped plug-in, with the scripted UI, an in-memory registry, a fake
// device tree and switchable lines.
#include <memory>
#include <string>

#include "engine/profile.h"
#include "engine/receiver.h"
#include "frame/app.h"
#include "frame/branding.h"
#include "platform/posix/ui_driver.h"
#include "platform/virtual_clock.h"
#include "support/fake_device_tree.h"
#include "support/scripted_ui.h"
#include "support/sim_transport.h"
#include "support/test_operations.h"
#include "transport/transport_factory.h"

namespace testing_support {

// The host's TC requests (header piece, then payload) in a rig's writes, as type and payload.
struct TcRequest {
    int type;
    Bytes payload;
    bool operator==(const TcRequest&) const = default;
};
std::vector<TcRequest> TcRequests(const std::vector<Bytes>& writes);
// Every byte written, in order.
Bytes Joined(const std::vector<Bytes>& writes);
// The LS frames of one type found in bytes: a frame counts when its length, checksum and ETX
// agree.
std::vector<Bytes> LsFrames(const Bytes& bytes, std::uint8_t type);
// A big-endian 32-bit number at offset.
std::uint32_t BigEndian32(const Bytes& bytes, std::size_t offset);

// A simulator profile from JSON text; an empty text is the default receiver.
sim::Profile ProfileText(const std::string& json);

// What every system test stands on. The lines it gets obey `line` and report to `log`; their
// cancel event is `cancel`.
class ReceiverBench {
  public:
    static constexpr int kPort = 5;

    explicit ReceiverBench(sim::Profile profile);
    ~ReceiverBench();
    ReceiverBench(const ReceiverBench&) = delete;
    ReceiverBench& operator=(const ReceiverBench&) = delete;

    platform::VirtualClock clock;
    platform::ScopedClock scopedClock{clock};
    ScriptedUi ui;
    ScopedRegistry registry;
    FakeDeviceTree tree;
    sim::Receiver receiver;
    platform::PosixEvent cancel;
    LineSwitches line;
    LineLog log;
};

// The shipped plug-in application loaded over the bench, the host's calls through the export
// layer; every transport a run makes is a SimTransport with the bench's switches and log.
class PluginRig : public ReceiverBench {
  public:
    // control and alt: the keys held while the plug-in loads (both list the service operation).
    explicit PluginRig(const std::string& profileJson = "{}", bool control = false,
                       bool alt = false);
    explicit PluginRig(sim::Profile profile, bool control = false, bool alt = false);

    // The index of the operation with that name in the host's list; -1 when it is not listed.
    int IndexOf(const std::string& name) const;
    // DoOperation on the named operation with the given host window and the bench's cancel
    // event.
    int Run(const std::string& operation, platform::WindowHandle window = TestWindow());
    // The error box of a failed run around message.
    std::string ErrorBox(const std::string& message) const;
    // The last dialog's control with that id, or nullptr.
    const platform::DialogControl* Control(int id) const;
    // The last dialog's text of that control, as it was shown.
    std::string Field(int id) const;

    ScopedSerialTransportFactory factory;
    std::unique_ptr<CGarnothApp> app;
    OperationContext context{};
};

}  // namespace testing_support
