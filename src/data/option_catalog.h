#pragma once

#include <cstddef>
#include <memory>
#include <string_view>
#include <vector>

#include "data/ls_option.h"

// The fixed catalogue of the receiver's options, in report order: the 80 toggles (bit i at
// position i), then the 27 options of other kinds.
inline constexpr std::size_t kToggleOptionCount = 80;
inline constexpr std::size_t kOptionCatalogSize = 107;

std::vector<std::unique_ptr<CLSOption>> CreateOptionCatalog();

// The hide rule: on receivers without extended memory (block byte 147 is 0) these options do not
// exist, whatever their bits say. Names compare ignoring case.
bool IsHiddenWithoutExtendedMemory(std::string_view optionName);
