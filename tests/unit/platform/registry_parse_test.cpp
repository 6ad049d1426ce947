#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/registry.h"

namespace {

using platform::RegistryTree;
using platform::RegistryValue;

// The value's type and bytes, or nullopt when the key or value is missing.
std::optional<RegistryValue> Find(const RegistryTree& tree, const std::string& key,
                                  const std::string& name) {
    const RegistryTree::Values* values = tree.FindKey(key);
    if (values == nullptr) {
        return std::nullopt;
    }
    std::string lower = name;
    for (char& c : lower) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    const auto it = values->find(lower);
    if (it == values->end()) {
        return std::nullopt;
    }
    return it->second;
}

RegistryValue Text(const std::string& text) {
    RegistryValue value;
    value.type = RegistryValue::kString;
    value.data.assign(text.begin(), text.end());
    value.data.push_back(0);
    return value;
}

RegistryValue Dword(std::uint32_t v) {
    return {RegistryValue::kDword,
            {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
             static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)}};
}

TEST(RegistryParseTest, ValueForms) {
    const RegistryTree tree = RegistryTree::Parse(
        "Windows Registry Editor Version 5.00\r\n"
        "\r\n"
        "; installed by the host\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvane\\Vantor]\r\n"
        "\"UseCatBitmap\"=dword:00000001\r\n"
        "\"AppVariant\" = dword:0000abCD\r\n"
        "\"Path\"=\"C:\\\\Program Files\\\\Vantor\"\r\n"
        "\"Quote\"=\"say \\\"hi\\\"\"\r\n"
        "@=\"default\"\r\n"
        "\"Blob\"=hex:01,02,ff\r\n"
        "\"Expand\"=hex(2):41,00\r\n"
        "\"Long\"=hex:01,02,\\\r\n"
        "  03,04\r\n");
    struct Case {
        const char* name;
        RegistryValue expected;
    };
    const Case cases[] = {
        {"UseCatBitmap", Dword(1)},
        {"AppVariant", Dword(0xABCD)},
        {"Path", Text("C:\\Program Files\\Vantor")},
        {"Quote", Text("say \"hi\"")},
        {"", Text("default")},
        {"Blob", {RegistryValue::kBinary, {0x01, 0x02, 0xFF}}},
        {"Expand", {2, {0x41, 0x00}}},
        {"Long", {RegistryValue::kBinary, {1, 2, 3, 4}}},
    };
    for (const Case& c : cases) {
        const auto value = Find(tree, "SOFTWARE\\Corvane\\Vantor", c.name);
        ASSERT_TRUE(value.has_value()) << c.name;
        EXPECT_TRUE(*value == c.expected) << c.name;
    }
}

TEST(RegistryParseTest, KeysAndHives) {
    const RegistryTree tree = RegistryTree::Parse(
        "REGEDIT4\n"
        "\"Orphan\"=dword:00000001\n"
        "[HKLM\\SOFTWARE\\Short]\n"
        "\"A\"=dword:00000002\n"
        "[HKEY_CURRENT_USER\\SOFTWARE\\Corvane\\Vantor]\n"
        "\"UseCatBitmap\"=dword:00000001\n"
        "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Gone]\n"
        "\"B\"=dword:00000003\n"
        "[hkey_local_machine\\Software\\Corvane\\Vantor\\Devices\\Orrick Receiver]\n"
        "\"MaxBaud\"=dword:00009600\n");
    EXPECT_TRUE(Find(tree, "SOFTWARE\\Short", "A").has_value()) << "HKLM abbreviation";
    EXPECT_EQ(tree.FindKey("SOFTWARE\\Corvane\\Vantor")->size(), 0U)
        << "the key exists as a parent, but the values of another hive are not ours";
    EXPECT_EQ(tree.FindKey("SOFTWARE\\Gone"), nullptr) << "a deletion adds nothing";
    EXPECT_TRUE(Find(tree, "SOFTWARE\\CORVANE\\vantor\\devices\\ORRICK RECEIVER", "maxbaud") ==
                Dword(0x9600))
        << "paths and names are case-insensitive";
    EXPECT_NE(tree.FindKey("\\SOFTWARE\\Corvane\\"), nullptr) << "stray separators tolerated";
    EXPECT_EQ(tree.FindKey("SOFTWARE\\Corvane\\Vant"), nullptr) << "no prefix matches";
}

TEST(RegistryParseTest, MalformedLinesAreSkippedAndTheRestIsRead) {
    const RegistryTree tree = RegistryTree::Parse(
        "REGEDIT4\n"
        "[HKEY_LOCAL_MACHINE\\K]\n"
        "\"TooLong\"=dword:123456789\n"
        "\"NotHex\"=dword:0000zz00\n"
        "\"Empty\"=dword:\n"
        "\"BadBytes\"=hex:1,02\n"
        "\"Open\"=\"no end\n"
        "\"NoEquals\" dword:00000001\n"
        "\"Unknown\"=qword:1\n"
        "Unquoted=dword:00000001\n"
        "[HKEY_LOCAL_MACHINE\\Broken\n"
        "\"Good\"=dword:00000007\n");
    const RegistryTree::Values* values = tree.FindKey("K");
    ASSERT_NE(values, nullptr);
    EXPECT_TRUE(values->empty());
    EXPECT_EQ(tree.FindKey("Broken"), nullptr);
    EXPECT_FALSE(Find(tree, "K", "Good").has_value())
        << "values after a broken key line belong to no key";
}

TEST(RegistryParseTest, ValueDeletionAndLaterValuesWin) {
    const RegistryTree tree = RegistryTree::Parse(
        "REGEDIT4\n[HKEY_LOCAL_MACHINE\\K]\n\"A\"=dword:00000001\n\"B\"=dword:00000002\n"
        "\"A\"=-\n\"B\"=dword:00000005\n");
    EXPECT_FALSE(Find(tree, "K", "A").has_value());
    EXPECT_TRUE(Find(tree, "K", "B") == Dword(5));
}

TEST(RegistryParseTest, Utf16FileWithByteOrderMark) {
    const std::string text =
        "Windows Registry Editor Version 5.00\r\n[HKEY_LOCAL_MACHINE\\K]\r\n\"V\"=\"ok\"\r\n";
    std::string wide = "\xFF\xFE";
    for (const char c : text) {
        wide.push_back(c);
        wide.push_back('\0');
    }
    EXPECT_TRUE(Find(RegistryTree::Parse(wide), "K", "V") == Text("ok"));
    EXPECT_TRUE(Find(RegistryTree::Parse("\xEF\xBB\xBF" + text), "K", "V") == Text("ok"))
        << "UTF-8 byte-order mark";
}

// Each key name is held once, so a file of deep paths costs memory in proportion to its size.
// A deep path is also walked once at its key line, not again for every value under it.
TEST(RegistryParseTest, DeepKeyPathsAreHeldOnce) {
    std::string path;
    for (int depth = 0; depth < 3000; ++depth) {
        path += "\\K" + std::to_string(depth % 10);
    }
    std::string text = "REGEDIT4\n[HKEY_LOCAL_MACHINE" + path + "]\n";
    for (int value = 0; value < 50; ++value) {
        text += "\"V" + std::to_string(value) + "\"=dword:00000007\n";
    }
    text += "[HKEY_LOCAL_MACHINE" + path + "\\Leaf]\n";
    const RegistryTree tree = RegistryTree::Parse(text);
    EXPECT_EQ(tree.KeyNameBytes(), 3000U * 2 + 4) << "every name once: K0..K9 and Leaf";
    EXPECT_TRUE(Find(tree, path, "V49") == Dword(7));
    EXPECT_NE(tree.FindKey(path.substr(0, path.size() / 2)), nullptr) << "a parent";
    EXPECT_NE(tree.FindKey(path + "\\Leaf"), nullptr);
    EXPECT_EQ(tree.FindKey(path + "\\Other"), nullptr);
}

// UTF-16 with its byte-order mark, as the registry editor writes version 5 files.
std::string Utf16(const std::string& text) {
    std::string wide = "\xFF\xFE";
    for (const char c : text) {
        wide.push_back(c);
        wide.push_back('\0');
    }
    return wide;
}

// A file cut anywhere keeps every key and value that was complete before the cut, and makes
// nothing of the broken rest.
TEST(RegistryParseTest, TruncatedAndEmptyInputsDoNotFail) {
    const std::string head = "[HKEY_LOCAL_MACHINE\\K]\r\n\"A\"=dword:00000005\r\n";
    const std::string cutWide = Utf16(head + "\"V\"=\"ok\"\r\n");
    struct Case {
        const char* legend;
        std::string text;
        bool hasKey;      // key K exists, with A = 5
        bool vIsMissing;  // the cut value V was not made up
    };
    const std::vector<Case> cases = {
        {"empty", "", false, true},
        {"a lone bracket", "[", false, true},
        {"half a UTF-16 unit after the mark", "\xFF\xFE\x5B", false, true},
        {"cut after the opening quote of a name", head + "\"", true, true},
        {"cut inside a text value", head + "\"V\"=\"o", true, true},
        {"UTF-16 cut in the middle of a unit of the text value",
         cutWide.substr(0, cutWide.size() - 9), true, true},
        {"cut after a continued hex line", head + "\"V\"=hex:01,\\", true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.legend);
        const RegistryTree tree = RegistryTree::Parse(c.text);
        EXPECT_EQ(tree.FindKey("K") != nullptr, c.hasKey);
        EXPECT_EQ(Find(tree, "K", "A") == Dword(5), c.hasKey);
        if (c.vIsMissing) {
            EXPECT_FALSE(Find(tree, "K", "V").has_value());
        }
    }
}

}  // namespace
