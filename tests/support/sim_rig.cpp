#include "support/sim_rig.h"

#include "frame/host_interface.h"
#include "operations/operation_catalog.h"
#include "platform/strings.h"

namespace testing_support {

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
      factory([this] { return std::make_unique<SwitchableLine>(receiver, clock, line, log); }) {
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

}  // namespace testing_support
