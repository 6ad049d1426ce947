#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Frames as the receiver sends them, built independently of the plug-in's own framing.
namespace device_test {

using Bytes = std::vector<std::uint8_t>;

// A TC frame: 02, status, type, length, data, 8-bit sum of status..data, 03.
inline Bytes TcFrame(std::uint8_t type, const Bytes& data, std::uint8_t status = 0) {
    Bytes frame = {0x02, status, type, static_cast<std::uint8_t>(data.size())};
    frame.insert(frame.end(), data.begin(), data.end());
    unsigned sum = 0;
    for (std::size_t i = 1; i < frame.size(); ++i) {
        sum += frame[i];
    }
    frame.push_back(static_cast<std::uint8_t>(sum));
    frame.push_back(0x03);
    return frame;
}

inline Bytes IdentFrame(const std::string& text) {
    return TcFrame(0x6E, Bytes(text.begin(), text.end()));
}

// An LS frame: 02, type, 16-bit length, data, 16-bit sum of type..data, 03.
inline Bytes LsFrame(std::uint8_t type, const Bytes& data) {
    const auto length = static_cast<std::uint16_t>(data.size());
    Bytes frame = {0x02, type, static_cast<std::uint8_t>(length >> 8),
                   static_cast<std::uint8_t>(length)};
    frame.insert(frame.end(), data.begin(), data.end());
    unsigned sum = 0;
    for (std::size_t i = 1; i < frame.size(); ++i) {
        sum += frame[i];
    }
    frame.push_back(static_cast<std::uint8_t>(sum >> 8));
    frame.push_back(static_cast<std::uint8_t>(sum));
    frame.push_back(0x03);
    return frame;
}

inline Bytes Concat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// A receiver's identification text with the given PORT fields.
inline std::string IdentText(const std::string& product, const std::string& portFields,
                             const std::string& serial = "5213K40078") {
    return "PRODUCT," + product + ";PORT," + portFields + ";PORTSTATUS,1,OK;VERSION,4.12,3.05" +
           ";COMM,TC;SERIAL," + serial + ";HARDWARE,2.1;";
}

}  // namespace device_test
