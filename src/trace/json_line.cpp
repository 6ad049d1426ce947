#include "trace/json_line.h"

namespace trace {
namespace {

constexpr char kDigits[] = "0123456789ABCDEF";

}  // namespace

JsonLine::JsonLine(std::uint64_t ms, std::string_view event) {
    line_.reserve(96);
    line_ += "{\"ms\":";
    line_ += std::to_string(ms);
    Text("event", event);
}

void JsonLine::Key(std::string_view key) {
    line_ += ',';
    line_ += '"';
    line_ += key;
    line_ += "\":";
}

JsonLine& JsonLine::Number(std::string_view key, long long value) {
    Key(key);
    line_ += std::to_string(value);
    return *this;
}

JsonLine& JsonLine::Flag(std::string_view key, bool value) {
    Key(key);
    line_ += value ? "true" : "false";
    return *this;
}

JsonLine& JsonLine::Text(std::string_view key, std::string_view value) {
    Key(key);
    line_ += '"';
    for (const char c : value) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            line_ += '\\';
            line_ += c;
        } else if (byte < 0x20 || byte >= 0x7F) {
            line_ += "\\u00";
            line_ += kDigits[byte >> 4];
            line_ += kDigits[byte & 0xF];
        } else {
            line_ += c;
        }
    }
    line_ += '"';
    return *this;
}

JsonLine& JsonLine::Hex(std::string_view key, const std::uint8_t* data, std::size_t size) {
    Key(key);
    line_ += '"';
    for (std::size_t i = 0; i < size; ++i) {
        line_ += kDigits[data[i] >> 4];
        line_ += kDigits[data[i] & 0xF];
    }
    line_ += '"';
    return *this;
}

const std::string& JsonLine::Finish() {
    if (!finished_) {
        line_ += "}\n";
        finished_ = true;
    }
    return line_;
}

}  // namespace trace
