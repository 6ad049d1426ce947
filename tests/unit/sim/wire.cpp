#include "wire.h"

namespace simtest {

std::vector<Reply> TcFrames(const Bytes& s) {
    std::vector<Reply> frames;
    for (std::size_t i = 0; i + 3 < s.size(); ++i) {
        if (s[i] != 0x02) {
            continue;
        }
        const std::size_t length = s[i + 3];
        if (i + 5 + length >= s.size()) {
            continue;
        }
        unsigned sum = 0u + s[i + 1] + s[i + 2] + s[i + 3];
        for (std::size_t k = 0; k < length; ++k) {
            sum += s[i + 4 + k];
        }
        if (s[i + 4 + length] == (sum & 0xFF) && s[i + 5 + length] == 0x03) {
            frames.push_back(Reply{s[i + 2], Bytes(s.begin() + static_cast<long>(i) + 4,
                                                   s.begin() + static_cast<long>(i + 4 + length))});
            i += 5 + length;  // continue after this frame's ETX
        }
    }
    return frames;
}

std::vector<Reply> LsFrames(const Bytes& s) {
    std::vector<Reply> frames;
    for (std::size_t i = 0; i + 3 < s.size(); ++i) {
        if (s[i] != 0x02) {
            continue;
        }
        const std::size_t length = static_cast<std::size_t>(s[i + 2] << 8 | s[i + 3]);
        if (i + 6 + length >= s.size()) {
            continue;
        }
        unsigned sum = 0u + s[i + 1] + s[i + 2] + s[i + 3];
        for (std::size_t k = 0; k < length; ++k) {
            sum += s[i + 4 + k];
        }
        const unsigned got = static_cast<unsigned>(s[i + 4 + length] << 8 | s[i + 5 + length]);
        if (got == (sum & 0xFFFF) && s[i + 6 + length] == 0x03) {
            frames.push_back(Reply{s[i + 1], Bytes(s.begin() + static_cast<long>(i) + 4,
                                                   s.begin() + static_cast<long>(i + 4 + length))});
            i += 6 + length;
        }
    }
    return frames;
}

Bytes Tc(std::uint8_t type, const Bytes& payload) {
    Bytes frame{0x02, 0x00, type, static_cast<std::uint8_t>(payload.size())};
    unsigned sum = type + static_cast<unsigned>(payload.size());
    for (const std::uint8_t b : payload) {
        frame.push_back(b);
        sum += b;
    }
    frame.push_back(static_cast<std::uint8_t>(sum));
    frame.push_back(0x03);
    return frame;
}

Bytes Ls(std::uint8_t type, const Bytes& payload) {
    const auto n = payload.size();
    Bytes frame{0x02, type, static_cast<std::uint8_t>(n >> 8), static_cast<std::uint8_t>(n)};
    unsigned sum = type + static_cast<unsigned>((n >> 8) + (n & 0xFF));
    for (const std::uint8_t b : payload) {
        frame.push_back(b);
        sum += b;
    }
    frame.push_back(static_cast<std::uint8_t>(sum >> 8));
    frame.push_back(static_cast<std::uint8_t>(sum));
    frame.push_back(0x03);
    return frame;
}

}  // namespace simtest
