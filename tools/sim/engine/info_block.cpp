#include "engine/info_block.h"

#include "engine/gps_date.h"

namespace sim {
namespace {

// A GPS day number given as "YYYY-MM-DD" or as a number; 0xFFFF is reserved for "no date".
std::uint16_t ReadDay(FieldReader& reader, const std::string& key) {
    const nlohmann::json* value = reader.Raw(key);
    if (value->is_string()) {
        const auto day = ParseGpsDate(value->get<std::string>());
        if (day) {
            if (*day > 0xFFFE) {
                reader.Fail(key, "lies beyond the last GPS day number 65534");
            }
            return static_cast<std::uint16_t>(*day);
        }
        if (value->get<std::string>().find('-') != std::string::npos) {
            reader.Fail(key, "must be a date \"YYYY-MM-DD\" from 1980-01-06 on");
        }
    }
    return static_cast<std::uint16_t>(reader.ToUnsigned(*value, reader.PathOf(key), 0, 0xFFFE));
}

void PutDay(FieldReader& reader, const std::string& key, std::uint8_t* at) {
    if (reader.Has(key)) {
        PutBe16(at, ReadDay(reader, key));
    } else {
        reader.Raw(key);
    }
}

void PutIdentityText(FieldReader& reader, const std::string& key, std::size_t size,
                     const std::string& fallback, std::uint8_t* at) {
    const auto text = reader.OptionalText(key, size);
    if (text) {
        PutText(at, size, *text);
    } else if (!fallback.empty()) {
        PutText(at, size, fallback.substr(0, size));
    }
}

void ReadToggles(FieldReader& section, std::array<std::uint8_t, kInfoBlockSize>& block) {
    for (FieldReader& toggle : section.ObjectArray("toggles", info::kToggleCount)) {
        const auto bit =
            static_cast<std::size_t>(toggle.Unsigned("bit", 0, info::kToggleCount - 1, 0));
        if (!toggle.Has("bit")) {
            toggle.Fail("bit", "is required");
        }
        toggle.Text("note", 80, "");
        std::uint8_t& byte = block[info::kOptionBits + bit / 8];
        const auto mask = static_cast<std::uint8_t>(0x80 >> (bit % 8));
        if (toggle.Bool("enabled", true)) {
            byte = static_cast<std::uint8_t>(byte & ~mask);
        } else {
            byte = static_cast<std::uint8_t>(byte | mask);
        }
        const bool hasFrom = toggle.Has("from");
        const bool hasTo = toggle.Has("to");
        if (hasFrom != hasTo) {
            toggle.Fail(hasFrom ? "to" : "from", "is required with its partner date");
        }
        if (hasFrom) {
            if (bit >= info::kDatedToggles) {
                toggle.Fail("from", "is only kept for option bits 0 to 31");
            }
            PutBe16(&block[info::kToggleDates + 4 * bit], ReadDay(toggle, "from"));
            PutBe16(&block[info::kToggleDates + 4 * bit + 2], ReadDay(toggle, "to"));
        } else {
            toggle.Raw("from");
            toggle.Raw("to");
        }
        toggle.Finish();
    }
}

void ReadValues(FieldReader& values, std::array<std::uint8_t, kInfoBlockSize>& block) {
    struct Word {
        const char* key;
        std::size_t offset;
    };
    static const Word kWords[] = {{"rtkRangeLimit", 332},
                                  {"downgradeLimit", 334},
                                  {"qsvHoursPurchased", 373},
                                  {"extendedReceiverId", 375}};
    for (const Word& word : kWords) {
        if (const auto value = values.OptionalUnsigned(word.key, 0, 0xFFFF)) {
            PutBe16(&block[word.offset], static_cast<std::uint16_t>(*value));
        }
    }
    static const Word kBytes[] = {{"receiverId", 336},     {"dataRate", 337},
                                  {"rtkTestOptions", 338}, {"logMemoryLimit", 339},
                                  {"kestrix", 350},        {"brand", 352}};
    for (const Word& byte : kBytes) {
        if (const auto value = values.OptionalUnsigned(byte.key, 0, 0xFF)) {
            block[byte.offset] = static_cast<std::uint8_t>(*value);
        }
    }
    static const Word kFences[] = {{"geoFence", 344}, {"ppGeoFence", 347}};
    for (const Word& fence : kFences) {
        if (const auto value = values.OptionalUnsigned(fence.key, 0, 0xFFFFFF)) {
            block[fence.offset] = static_cast<std::uint8_t>(*value);
            block[fence.offset + 1] = static_cast<std::uint8_t>(*value >> 8);
            block[fence.offset + 2] = static_cast<std::uint8_t>(*value >> 16);
        }
    }
    static const Word kDays[] = {
        {"qsvEnd", 354},        {"pendleEnd", 363},   {"qsvFastEnd", 365},  {"qsvStart", 367},
        {"qsvFastStart", 369},  {"pendleStart", 371}, {"tolvarStart", 381}, {"tolvarEnd", 383},
        {"glenmarkStart", 385}, {"glenmarkEnd", 387}};
    for (const Word& day : kDays) {
        PutDay(values, day.key, &block[day.offset]);
    }
    if (const auto cage = values.OptionalText("cardCage", 32)) {
        PutText(&block[info::kCardCage], 32, *cage);
    }
    values.Finish();
}

}  // namespace

void BuildInfoBlock(FieldReader& section, const std::string& serial, const std::string& deviceName,
                    std::array<std::uint8_t, kInfoBlockSize>& block) {
    block.fill(0xFF);
    if (const auto base = section.Hex("hex", kInfoBlockSize, kInfoBlockSize)) {
        std::copy(base->begin(), base->end(), block.begin());
    }
    if (const auto b = section.OptionalUnsigned("byte0", 0, 0xFF)) {
        block[0] = static_cast<std::uint8_t>(*b);
    }
    if (const auto b = section.OptionalUnsigned("byte1", 0, 0xFF)) {
        block[1] = static_cast<std::uint8_t>(*b);
    }
    PutIdentityText(section, "serial", 32, serial, &block[info::kSerial]);
    PutIdentityText(section, "deviceName", 40, deviceName, &block[info::kDeviceName]);
    PutIdentityText(section, "aux1", 36, "", &block[info::kAux1]);
    PutIdentityText(section, "aux2", 36, "", &block[info::kAux2]);

    FieldReader hardware = section.Object("hardware");
    if (const auto v = hardware.OptionalUnsigned("major", 0, 0xFF)) {
        block[info::kHardwareMajor] = static_cast<std::uint8_t>(*v);
    }
    if (const auto v = hardware.OptionalUnsigned("minor", 0, 0xFF)) {
        block[info::kHardwareMinor] = static_cast<std::uint8_t>(*v);
    }
    hardware.Finish();

    FieldReader firmware = section.Object("firmware");
    if (const auto v = firmware.OptionalUnsigned("month", 0, 0xFF)) {
        block[info::kFirmwareMonth] = static_cast<std::uint8_t>(*v);
    }
    if (const auto v = firmware.OptionalUnsigned("year", 0, 0xFFFF)) {
        PutBe16(&block[info::kFirmwareYear], static_cast<std::uint16_t>(*v));
    }
    firmware.Finish();

    if (const auto v = section.OptionalUnsigned("word155", 0, 0xFFFF)) {
        PutBe16(&block[info::kWord155], static_cast<std::uint16_t>(*v));
    }
    ReadToggles(section, block);
    FieldReader values = section.Object("values");
    ReadValues(values, block);

    for (FieldReader& patch : section.ObjectArray("patches", 64)) {
        if (!patch.Has("offset") || !patch.Has("hex")) {
            patch.Fail(patch.Has("offset") ? "hex" : "offset", "is required");
        }
        const auto offset =
            static_cast<std::size_t>(patch.Unsigned("offset", 0, kInfoBlockSize - 1, 0));
        const Bytes bytes = *patch.Hex("hex", 0, kInfoBlockSize);
        if (offset + bytes.size() > kInfoBlockSize) {
            patch.Fail("hex", "runs past the end of the 425-byte block");
        }
        std::copy(bytes.begin(), bytes.end(), block.begin() + static_cast<std::ptrdiff_t>(offset));
        patch.Finish();
    }
    section.Finish();
}

}  // namespace sim
