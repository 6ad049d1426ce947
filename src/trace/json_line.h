#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// One event of the wire trace as a line of JSON, written by hand: the plug-in takes no JSON
// library. Texts from the receiver are bytes, not UTF-8: every byte outside printable ASCII is
// written as a \u00XX escape, so that the line is valid JSON whatever came over the wire.
namespace trace {

class JsonLine {
  public:
    JsonLine(std::uint64_t ms, std::string_view event);

    JsonLine& Number(std::string_view key, long long value);
    JsonLine& Flag(std::string_view key, bool value);
    JsonLine& Text(std::string_view key, std::string_view value);
    JsonLine& Hex(std::string_view key, const std::uint8_t* data, std::size_t size);

    // The line with its closing brace and newline.
    const std::string& Finish();

  private:
    void Key(std::string_view key);

    std::string line_;
    bool finished_ = false;
};

}  // namespace trace
