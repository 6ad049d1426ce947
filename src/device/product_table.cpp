#include "device/product_table.h"

#include <algorithm>

#include "platform/strings.h"

namespace {

constexpr unsigned kApplicationProductString = 213;
constexpr unsigned kMonitorProductString = 215;

bool InList(std::span<const char* const> names, std::string_view name) {
    return std::any_of(names.begin(), names.end(),
                       [name](const char* listed) { return name == listed; });
}

}  // namespace

int GetProductCode(std::string_view name) {
    for (const ProductModel& model : ProductTable()) {
        if (name == model.name) {
            return model.code;
        }
    }
    return 0;
}

const ProductModel& FindProductModel(std::uint32_t code) {
    const auto table = ProductTable();
    const auto found = std::find_if(table.begin(), table.end(), [code](const ProductModel& model) {
        return model.code == code;
    });
    return found != table.end() ? *found : table.front();
}

bool IsApplicationProduct(std::string_view name) {
    return name == platform::LoadString(kApplicationProductString) ||
           InList(ApplicationModelNames(), name);
}

bool IsMonitorProduct(std::string_view name) {
    return name == platform::LoadString(kMonitorProductString) || InList(MonitorModelNames(), name);
}
