#include "front/rack_profile.h"

#include <fstream>
#include <sstream>

#include <nlohmann/json.hpp>

namespace simfront {

std::string RackSerial(const std::string& serial, int index) {
    if (index <= 1) {
        return serial;
    }
    std::size_t digits = serial.size();
    while (digits > 0 && serial[digits - 1] >= '0' && serial[digits - 1] <= '9') {
        --digits;
    }
    if (digits == serial.size()) {
        return serial + "-" + std::to_string(index);
    }
    // Add by hand, digit by digit, so that a long number never overflows and the width stays.
    std::string number = serial.substr(digits);
    unsigned carry = static_cast<unsigned>(index - 1);
    for (std::size_t i = number.size(); i-- > 0 && carry != 0;) {
        const unsigned sum = static_cast<unsigned>(number[i] - '0') + carry;
        number[i] = static_cast<char>('0' + sum % 10);
        carry = sum / 10;
    }
    return serial.substr(0, digits) + (carry != 0 ? std::to_string(carry) : "") + number;
}

sim::Profile RackProfile(const std::string& path, int index) {
    if (index <= 1) {
        return path.empty() ? sim::DefaultProfile() : sim::LoadProfileFile(path);
    }
    nlohmann::json patch = nlohmann::json::object();
    if (!path.empty()) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        patch = nlohmann::json::parse(text.str(), nullptr, false);
        if (!in || !patch.is_object()) {
            // Not a profile: the loader says why in its own words.
            return sim::LoadProfileFile(path);
        }
    }
    const nlohmann::json builtIn = nlohmann::json::parse(sim::DefaultProfileText());
    const nlohmann::json& named = patch.contains("serial") ? patch["serial"] : builtIn["serial"];
    if (named.is_string()) {
        patch["serial"] = RackSerial(named.get<std::string>(), index);
    }
    nlohmann::json* block = patch.contains("infoBlock") ? &patch["infoBlock"] : nullptr;
    if (block != nullptr && block->is_object() && block->contains("serial") &&
        (*block)["serial"].is_string()) {
        (*block)["serial"] = RackSerial((*block)["serial"].get<std::string>(), index);
    }
    return sim::LoadProfileText(patch.dump(), path.empty() ? "the built-in profile" : path);
}

}  // namespace simfront
