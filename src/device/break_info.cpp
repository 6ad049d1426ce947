#include "device/break_info.h"

#include <array>
#include <ctime>
#include <vector>

#include "platform/clock.h"
#include "platform/decimal.h"
#include "transport/serial_com_exception.h"
#include "transport/serial_interface.h"
#include "transport/serial_settings.h"

namespace {

constexpr std::uint8_t kStx = 0x02;
constexpr std::uint8_t kEtx = 0x03;
constexpr std::uint8_t kIdentifyReplyType = 0x6E;
constexpr std::array<std::uint8_t, 6> kIdentificationRequest = {0x02, 0x00, 0x6F, 0x00, 0x6F, 0x03};
// The receiver's text is read in segments of at most this many characters.
constexpr std::size_t kSegmentLimit = 255;

struct BaudText {
    std::string_view text;
    int code;
};
constexpr std::array<BaudText, 11> kBaudTexts = {{{"460800", 16},
                                                  {"230400", 15},
                                                  {"115200", 12},
                                                  {"57600", 11},
                                                  {"38400", 9},
                                                  {"19200", 8},
                                                  {"14400", 7},
                                                  {"9600", 6},
                                                  {"4800", 5},
                                                  {"2400", 4},
                                                  {"1200", 3}}};
constexpr std::string_view kParityLetters[] = {"N", "O", "E", "M", "S"};

// Splits a segment at commas as the receiver's own firmware expects: runs of commas are one
// separator and empty fields do not count. Field 0 is the segment's keyword.
std::vector<std::string_view> SplitFields(std::string_view segment) {
    segment = segment.substr(0, kSegmentLimit);
    std::vector<std::string_view> fields;
    std::size_t position = 0;
    while (position < segment.size()) {
        const std::size_t start = segment.find_first_not_of(',', position);
        if (start == std::string_view::npos) {
            break;
        }
        std::size_t end = segment.find(',', start);
        if (end == std::string_view::npos) {
            end = segment.size();
        }
        fields.push_back(segment.substr(start, end - start));
        position = end;
    }
    return fields;
}

}  // namespace

void CBreakInfo::WriteIdentificationRequest(CSerialInterface& transport) {
    transport.Write(kIdentificationRequest.data(), kIdentificationRequest.size());
}

std::optional<std::string> CBreakInfo::GetRawBreakData(CSerialInterface& transport) {
    enum class State { kStx, kStatus, kType, kLength, kData, kChecksum, kEtx };
    State state = State::kStx;
    std::uint8_t checksum = 0;
    std::string text;
    std::size_t length = 0;
    const std::time_t start = platform::Now();
    for (;;) {
        if (std::difftime(platform::Now(), start) >= kReadSeconds) {
            return std::nullopt;
        }
        std::uint8_t byte = 0;
        if (!transport.ReadByte(byte)) {
            return std::nullopt;
        }
        switch (state) {
            case State::kStx:
                if (byte == kStx) {
                    checksum = 0;
                    text.clear();
                    state = State::kStatus;
                }
                break;
            case State::kStatus:
                checksum = static_cast<std::uint8_t>(checksum + byte);
                state = State::kType;
                break;
            case State::kType:
                if (byte == kIdentifyReplyType) {
                    checksum = static_cast<std::uint8_t>(checksum + byte);
                    state = State::kLength;
                } else {
                    state = State::kStx;
                }
                break;
            case State::kLength:
                checksum = static_cast<std::uint8_t>(checksum + byte);
                length = byte;
                state = length != 0 ? State::kData : State::kChecksum;
                break;
            case State::kData:
                text.push_back(static_cast<char>(byte));
                checksum = static_cast<std::uint8_t>(checksum + byte);
                if (text.size() == length) {
                    state = State::kChecksum;
                }
                break;
            case State::kChecksum:
                state = byte == checksum ? State::kEtx : State::kStx;
                break;
            case State::kEtx:
                if (byte == kEtx) {
                    // The text ends at its first NUL, as the receiver's C string does; a frame
                    // without data bytes carries no text at all.
                    if (length == 0) {
                        return std::nullopt;
                    }
                    const std::size_t nul = text.find('\0');
                    return nul == std::string::npos ? text : text.substr(0, nul);
                }
                state = State::kStx;
                break;
        }
    }
}

bool CBreakInfo::RetrieveBreakInfo(CSerialInterface& transport, bool retry, bool skipSettleWait) {
    valid_ = false;
    const bool serialLine = transport.IsSerialLine();
    if (serialLine) {
        transport.SetBaudRate(serial::kBaud9600);
        transport.SetByteSize(serial::kByteSize8);
        transport.SetParity(serial::kNoParity);
        transport.SetStopBits(serial::kOneStopBit);
    }

    const int attempts = retry ? 3 : 1;
    std::optional<std::string> text;
    for (int attempt = 1; attempt <= attempts && !text; ++attempt) {
        try {
            if (serialLine) {
                transport.SendBreak(kBreakMilliseconds);
            } else {
                WriteIdentificationRequest(transport);
            }
            text = GetRawBreakData(transport);
            if (!text) {
                // Some links do not carry a break; the request reaches the receiver anyway.
                WriteIdentificationRequest(transport);
                text = GetRawBreakData(transport);
            }
        } catch (const CSerialComException&) {
            if (attempt == attempts) {
                throw;
            }
        }
    }

    if (text) {
        valid_ = ParsePacketData(*text);
        if (valid_ && !keepLineSettings_ && serialLine) {
            ApplyPortSettings(transport);
            if (!skipSettleWait) {
                platform::Sleep(kSettleMilliseconds);
            }
        }
    }
    return valid_;
}

bool CBreakInfo::ParsePacketData(std::string_view text) {
    if (text.substr(0, 7) != "PRODUCT") {
        return false;
    }
    const std::size_t port = text.find(";PORT");
    if (port == std::string_view::npos) {
        return false;
    }

    const std::vector<std::string_view> product = SplitFields(text.substr(0, port));
    if (product.size() > 1) {
        productName_ = std::string(product[1]);
    }

    bool result = false;
    const std::size_t portStart = port + 1;
    std::size_t portEnd = text.find(";PORTSTATUS", portStart);
    if (portEnd == std::string_view::npos) {
        portEnd = text.find(";VERSION", portStart);
    }
    if (portEnd != std::string_view::npos) {
        ParsePortFields(text.substr(portStart, portEnd - portStart));
        result = text.find(";COMM") != std::string_view::npos;
    }

    const std::size_t serial = text.find(";SERIAL");
    if (serial != std::string_view::npos) {
        const std::size_t serialEnd = text.find(';', serial + 1);
        if (serialEnd != std::string_view::npos) {
            const std::vector<std::string_view> fields =
                SplitFields(text.substr(serial + 1, serialEnd - serial - 1));
            if (fields.size() > 1) {
                serialNumber_ = std::string(fields[1]);
            }
        }
    }
    return result;
}

void CBreakInfo::ParsePortFields(std::string_view segment) {
    const std::vector<std::string_view> fields = SplitFields(segment);
    const auto field = [&fields](std::size_t index) {
        return index < fields.size() ? fields[index] : std::string_view();
    };
    if (fields.size() > 1) {
        portNumber_ = platform::DecimalValue(field(1));
    }
    for (const BaudText& baud : kBaudTexts) {
        if (field(2) == baud.text) {
            baudCode_ = baud.code;
        }
    }
    if (field(4) == "7") {
        byteSizeIndex_ = 0;
    } else if (field(4) == "8") {
        byteSizeIndex_ = 1;
    }
    if (field(5) == "1") {
        stopBitsIndex_ = 0;
    } else if (field(5) == "2") {
        stopBitsIndex_ = 2;
    }
    for (int index = 0; index < 5; ++index) {
        if (field(6) == kParityLetters[index]) {
            parityIndex_ = index;
        }
    }
    if (fields.size() > 7) {
        keepLineSettings_ = field(7).front() == 'T' || field(7).front() == 'W';
    }
}

void CBreakInfo::ApplyPortSettings(CSerialInterface& transport) const {
    if (valid_) {
        transport.SetBaudRate(baudCode_);
        transport.SetByteSize(byteSizeIndex_);
        transport.SetParity(parityIndex_);
        transport.SetStopBits(stopBitsIndex_);
    } else {
        transport.SetBaudRate(serial::kBaud9600);
        transport.SetByteSize(serial::kByteSize8);
        transport.SetParity(serial::kNoParity);
        transport.SetStopBits(serial::kOneStopBit);
    }
}

std::uint32_t CBreakInfo::GetBaudRate() const {
    return serial::IsIndexOf(serial::kBaudRates, baudCode_)
               ? serial::kBaudRates[static_cast<std::size_t>(baudCode_)]
               : 9600U;
}
