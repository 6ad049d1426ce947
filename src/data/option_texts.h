#pragma once

#include <cstdint>
#include <span>
#include <string>

// The name tables behind the list-valued options.

// Rate name of a "Max Data Rate" code: 1 "1 Hz" to 7 "100 Hz"; any other code gives "".
std::string DataRateName(unsigned code);

// Brand name of a "Brand" code: 0 "Corvane", 1 to 10 the partner brands; any other code gives
// "None".
std::string BrandName(unsigned code);
std::span<const char* const> BrandNames();

// Model name of a receiver ID from the product table; an ID that is not listed gives the table's
// first entry, "UNKOWN".
std::string ReceiverModelName(std::uint32_t id);
