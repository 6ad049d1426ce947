#include "data/option_texts.h"

#include <array>

#include "device/product_table.h"
#include "platform/strings.h"

namespace {

constexpr unsigned kNoneString = 4014;

constexpr std::array<const char*, 8> kDataRates = {
    "", "1 Hz", "2 Hz", "5 Hz", "10 Hz", "20 Hz", "50 Hz", "100 Hz",
};

// Code 0 is the maker's own brand; the others are partners that sell the receivers under their
// own names.
constexpr std::array<const char*, 11> kBrands = {
    "Corvane",      "Halmsted Survey", "Brackenfold", "Quillon Geo", "Ardwick Systems", "Tolmere",
    "Sennet Field", "Corrabin",        "Westhollow",  "Penmarrow",   "Drayvale Marine",
};

}  // namespace

std::string DataRateName(unsigned code) {
    return code < kDataRates.size() ? kDataRates[code] : "";
}

std::string BrandName(unsigned code) {
    return code < kBrands.size() ? kBrands[code] : platform::LoadString(kNoneString);
}

std::span<const char* const> BrandNames() {
    return kBrands;
}

std::string ReceiverModelName(std::uint32_t id) {
    return FindProductModel(id).name;
}
