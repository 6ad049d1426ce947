#pragma once

#include <optional>
#include <string_view>

namespace simfront {

// DEVVORIN_TIME_SCALE: the simulation-only factor (above 0, at most 1, default 1) by which the
// plug-in's system clock shortens its fixed waits; the receiver's boot delays shrink by the same
// factor so that a fast demo still finds the receiver ready. The simulator refuses exactly what
// the plug-in refuses, so the two never run on different clocks.

// The factor the whole text gives; nullopt for anything else (0, negative, "nan", "0.5abc").
std::optional<double> ParseTimeScale(std::string_view text);
// The factor in the environment, 1 when unset or empty; a refused value is said once on
// standard error and counts as 1.
double TimeScaleFromEnvironment();

}  // namespace simfront
