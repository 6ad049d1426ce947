#include "engine/line_settings.h"

namespace sim {

std::string ToString(const LineSettings& line) {
    std::string text = std::to_string(line.baud) + " " + std::to_string(line.dataBits);
    text += line.parity;
    text +=
        line.stopBits == kOneAndHalfStopBits ? std::string("1.5") : std::to_string(line.stopBits);
    return text;
}

}  // namespace sim
