#pragma once

#include <string>

// The plug-in version read at library initialisation ("4.86b0" for this release); empty until
// then, or when the version resource could not be read. Shown in every error box.
const std::string& PluginVersion();
void SetPluginVersion(const std::string& version);
