#pragma once

#include <string>

#include "engine/profile.h"

namespace simfront {

// The profile of receiver number index (1-based) of a simulated rack: the file at path (the
// built-in receiver when empty) with a serial number of its own, the profile's serial with
// index - 1 added to its trailing number, its width kept ("5213K40078" gives "5213K40079" for the
// second receiver); a serial without a trailing number gets "-<index>" from the second on. An
// information block that names its own serial is renumbered the same way. Throws
// sim::ProfileError as the profile loader does.
sim::Profile RackProfile(const std::string& path, int index);

// The serial of receiver index, as above.
std::string RackSerial(const std::string& serial, int index);

}  // namespace simfront
