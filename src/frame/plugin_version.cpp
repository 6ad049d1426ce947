#include "frame/plugin_version.h"

namespace {

std::string& Version() {
    static std::string version;
    return version;
}

}  // namespace

const std::string& PluginVersion() {
    return Version();
}

void SetPluginVersion(const std::string& version) {
    Version() = version;
}
