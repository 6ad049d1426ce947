#include "support/sim_rig.h"

#include "frame/host_interface.h"
#include "operations/operation_catalog.h"
#include "platform/strings.h"

namespace testing_support {
namespace {
constexpr std::uint8_t kStx = 0x02;
}  // namespace

sim::Profile ProfileText(const std::string& json) {
    return sim::LoadProfileText(json.empty() ? "{}" : json, "system test");
}

ReceiverBench::ReceiverBench(sim::Profile profile) : receiver(std::move(profile)) {
    SetBrandingVariant(0);
    tree.SetTimeSource([this] { return clock.ElapsedMs(); });
    line.cancel = &cancel;
}

ReceiverBench::~ReceiverBench() {
    SetBrandingVariant(0);
}

PluginRig::PluginRig(const std::string& profileJson, bool control, bool alt)
    : PluginRig(ProfileText(profileJson), control, alt) {}

PluginRig::PluginRig(sim::Profile profile, bool control, bool alt)
    : ReceiverBench(std::move(profile)),
      factory([this] { return std::make_unique<SimTransport>(receiver, clock, &line, &log); }) {
    ui.HoldKeys(control, alt);
    app = std::make_unique<CGarnothApp>(ShippedOperationCatalog());
    app->InitInstance();
    ui.HoldKeys(false, false);
}

int PluginRig::IndexOf(const std::string& name) const {
    for (std::int32_t i = 0; i < host_api::GetNumberOperations(*app); ++i) {
        char buffer[256] = {};
        if (host_api::GetOperation(*app, i, buffer, sizeof buffer - 1) && name == buffer) {
            return i;
        }
    }
    return -1;
}

int PluginRig::Run(const std::string& operation, platform::WindowHandle window) {
    context = {kPort, IndexOf(operation), window, &cancel};
    return host_api::DoOperation(*app, &context);
}

std::string PluginRig::ErrorBox(const std::string& message) const {
    return platform::FormatString(157, app->GetVersion(), message);
}

const platform::DialogControl* PluginRig::Control(int id) const {
    if (ui.dialogs.empty()) {
        return nullptr;
    }
    for (const platform::DialogControl& control : ui.dialogs.back().controls) {
        if (control.id == id) {
            return &control;
        }
    }
    return nullptr;
}

std::string PluginRig::Field(int id) const {
    return ui.dialogs.empty() ? std::string("<no dialog>") : ui.dialogs.back().Text(id);
}

std::vector<TcRequest> TcRequests(const std::vector<Bytes>& writes) {
    std::vector<TcRequest> requests;
    for (std::size_t i = 0; i < writes.size(); ++i) {
        const Bytes& piece = writes[i];
        if (piece.size() == 4 && piece[0] == kStx && piece[1] == 0x00) {
            TcRequest request{piece[2], {}};
            if (piece[3] > 0 && i + 1 < writes.size()) {
                request.payload = writes[i + 1];
            }
            requests.push_back(request);
        }
    }
    return requests;
}

Bytes Joined(const std::vector<Bytes>& writes) {
    Bytes bytes;
    for (const Bytes& piece : writes) {
        bytes.insert(bytes.end(), piece.begin(), piece.end());
    }
    return bytes;
}

std::vector<Bytes> LsFrames(const Bytes& bytes, std::uint8_t type) {
    std::vector<Bytes> frames;
    std::size_t i = 0;
    while (i + 7 <= bytes.size()) {
        const std::size_t length = (std::size_t{bytes[i + 2]} << 8) | bytes[i + 3];
        const std::size_t end = i + 4 + length + 3;
        if (bytes[i] != kStx || end > bytes.size() || bytes[end - 1] != 0x03) {
            ++i;
            continue;
        }
        unsigned sum = 0;
        for (std::size_t k = i + 1; k < i + 4 + length; ++k) {
            sum += bytes[k];
        }
        const unsigned stated = (unsigned{bytes[end - 3]} << 8) | bytes[end - 2];
        if ((sum & 0xFFFF) != stated) {
            ++i;
            continue;
        }
        if (bytes[i + 1] == type) {
            frames.emplace_back(bytes.begin() + static_cast<long>(i),
                                bytes.begin() + static_cast<long>(end));
        }
        i = end;
    }
    return frames;
}

std::uint32_t BigEndian32(const Bytes& bytes, std::size_t offset) {
    return (std::uint32_t{bytes[offset]} << 24) | (std::uint32_t{bytes[offset + 1]} << 16) |
           (std::uint32_t{bytes[offset + 2]} << 8) | bytes[offset + 3];
}

}  // namespace testing_support
