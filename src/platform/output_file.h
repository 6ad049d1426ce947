#pragma once

#include <cstdio>
#include <string>

namespace platform {

// Creates (or empties) the regular file at path for writing and hands it out as a stream the
// caller closes. Files that a user names for the plug-in to write must never hold a run up: a
// FIFO, a pipe, a terminal or another device is refused rather than opened, and the open never
// waits for a reader. On failure: nullptr, and reason says why ("not a regular file" or the
// system's text).
std::FILE* CreateOutputFile(const std::string& path, std::string& reason);

}  // namespace platform
