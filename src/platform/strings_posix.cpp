#include <unordered_map>

#include "platform/strings.h"

namespace platform {
namespace {

const std::unordered_map<unsigned, const char*>& Table() {
    static const std::unordered_map<unsigned, const char*> table = {
#define DV_STRING(id, text) {id, text},
#include "resources/strings.inc"
#undef DV_STRING
    };
    return table;
}

}  // namespace

std::string LoadString(unsigned id) {
    const auto& table = Table();
    const auto it = table.find(id);
    return it == table.end() ? std::string() : std::string(it->second);
}

}  // namespace platform
