#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "platform/registry.h"

namespace {

using platform::ReadRegistryDword;
using platform::ReadRegistryString;
using platform::RegistryKey;
using platform::RegistryTree;
using platform::RegistryValue;

class RegistryReadTest : public ::testing::Test {
  protected:
    RegistryReadTest() {
        tree.SetString("SOFTWARE\\Test", "Name", "Orrick");
        tree.SetDword("SOFTWARE\\Test", "Number", 0x12345678);
        RegistryValue zeroInside;
        zeroInside.type = RegistryValue::kString;
        zeroInside.data = {'a', 'b', 0, 'c', 0};
        tree.SetRaw("SOFTWARE\\Test", "Cut", zeroInside);
        tree.SetRaw("SOFTWARE\\Test", "Short", {RegistryValue::kDword, {1, 2}});
        tree.SetRaw("SOFTWARE\\Test", "FourBinary", {RegistryValue::kBinary, {1, 0, 0, 0}});
        tree.SetRaw("SOFTWARE\\Test", "Unterminated", {RegistryValue::kString, {'x', 'y'}});
        platform::InstallRegistryTree(&tree);
    }
    ~RegistryReadTest() override { platform::InstallRegistryTree(nullptr); }

    RegistryTree tree;
};

TEST_F(RegistryReadTest, Strings) {
    const RegistryKey key = RegistryKey::OpenLocalMachine("SOFTWARE\\Test");
    ASSERT_TRUE(key.IsOpen());
    struct Case {
        const char* legend;
        const char* name;
        bool result;
        std::string text;
    };
    const Case cases[] = {
        {"text", "Name", true, "Orrick"},
        {"trimmed at the first zero", "Cut", true, "ab"},
        {"stored without a terminator", "Unterminated", true, "xy"},
        {"missing value", "Nope", false, ""},
        {"a number is not a text", "Number", false, ""},
        {"null name", nullptr, false, ""},
    };
    for (const Case& c : cases) {
        std::string text = "left over";
        EXPECT_EQ(ReadRegistryString(key, c.name, text), c.result) << c.legend;
        EXPECT_EQ(text, c.text) << c.legend;
    }
    std::string text = "left over";
    EXPECT_FALSE(ReadRegistryString(RegistryKey(), "Name", text)) << "null key";
    EXPECT_EQ(text, "");
}

TEST_F(RegistryReadTest, Dwords) {
    const RegistryKey key = RegistryKey::OpenLocalMachine("software\\test");
    struct Case {
        const char* legend;
        const char* name;
        std::uint32_t expected;
    };
    const Case cases[] = {
        {"number, least significant byte first", "Number", 0x12345678},
        {"missing value", "Nope", 77},
        {"a text is not a number", "Name", 77},
        {"two bytes are not a DWORD", "Short", 77},
        {"four bytes of another type", "FourBinary", 77},
        {"null name", nullptr, 77},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ReadRegistryDword(key, c.name, 77), c.expected) << c.legend;
    }
    EXPECT_EQ(ReadRegistryDword(RegistryKey(), "Number", 5), 5U) << "null key";
}

TEST_F(RegistryReadTest, MissingKeyDoesNotOpen) {
    EXPECT_FALSE(RegistryKey::OpenLocalMachine("SOFTWARE\\Absent").IsOpen());
    EXPECT_TRUE(RegistryKey::OpenLocalMachine("SOFTWARE").IsOpen()) << "parents exist";
}

TEST_F(RegistryReadTest, KeysMoveAndKeepTheirValues) {
    RegistryKey first = RegistryKey::OpenLocalMachine("SOFTWARE\\Test");
    RegistryKey second = std::move(first);
    EXPECT_FALSE(first.IsOpen());  // NOLINT(bugprone-use-after-move): moved-from is null
    EXPECT_EQ(ReadRegistryDword(second, "Number", 0), 0x12345678U);
    second = RegistryKey::OpenLocalMachine("SOFTWARE\\Absent");
    EXPECT_FALSE(second.IsOpen());
}

// The POSIX registry: a .reg file named by DEVVORIN_REGISTRY_FILE, read at each open.
class RegistryFileTest : public ::testing::Test {
  protected:
    RegistryFileTest()
        : path_(testing::TempDir() + "devvorin_registry_" +
                testing::UnitTest::GetInstance()->current_test_info()->name() + ".reg") {
        const char* old = std::getenv("DEVVORIN_REGISTRY_FILE");
        if (old != nullptr) {
            saved_ = old;
        }
        setenv("DEVVORIN_REGISTRY_FILE", path_.c_str(), 1);
    }
    ~RegistryFileTest() override {
        std::remove(path_.c_str());
        if (saved_) {
            setenv("DEVVORIN_REGISTRY_FILE", saved_->c_str(), 1);
        } else {
            unsetenv("DEVVORIN_REGISTRY_FILE");
        }
    }
    void Write(const std::string& text) { std::ofstream(path_, std::ios::binary) << text; }

    std::string path_;
    std::optional<std::string> saved_;
};

TEST_F(RegistryFileTest, ReadsTheFileAfreshAtEachOpen) {
    Write("REGEDIT4\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvane\\Vantor]\n\"AppVariant\"=dword:2\n");
    EXPECT_EQ(ReadRegistryDword(RegistryKey::OpenLocalMachine("SOFTWARE\\Corvane\\Vantor"),
                                "AppVariant", 0),
              2U);
    Write("REGEDIT4\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvane\\Vantor]\n\"AppVariant\"=dword:1\n");
    EXPECT_EQ(ReadRegistryDword(RegistryKey::OpenLocalMachine("SOFTWARE\\Corvane\\Vantor"),
                                "AppVariant", 0),
              1U);
}

// Whatever the variable names, a file that cannot be read is no key: nothing thrown (the first
// read comes while the library loads) and nothing waited for.
TEST_F(RegistryFileTest, NoReadableFileOrNoVariableMeansNoKeys) {
    EXPECT_FALSE(RegistryKey::OpenLocalMachine("SOFTWARE").IsOpen()) << "file not written";
    Write("REGEDIT4\n[HKEY_LOCAL_MACHINE\\SOFTWARE]\n");
    EXPECT_TRUE(RegistryKey::OpenLocalMachine("SOFTWARE").IsOpen());
    unsetenv("DEVVORIN_REGISTRY_FILE");
    EXPECT_FALSE(RegistryKey::OpenLocalMachine("SOFTWARE").IsOpen());
    setenv("DEVVORIN_REGISTRY_FILE", "", 1);
    EXPECT_FALSE(RegistryKey::OpenLocalMachine("SOFTWARE").IsOpen());

    const std::string directory = path_ + ".d";
    const std::string fifo = path_ + ".fifo";  // nobody ever writes to it
    rmdir(directory.c_str());                  // left over from a run that broke off
    std::remove(fifo.c_str());
    ASSERT_EQ(mkdir(directory.c_str(), 0700), 0);
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& file : {directory, fifo}) {
        setenv("DEVVORIN_REGISTRY_FILE", file.c_str(), 1);
        EXPECT_FALSE(RegistryKey::OpenLocalMachine("SOFTWARE").IsOpen()) << file;
    }
    rmdir(directory.c_str());
    std::remove(fifo.c_str());
}

TEST_F(RegistryFileTest, AnInstalledTreeTakesPrecedenceOverTheFile) {
    Write("REGEDIT4\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\K]\n\"V\"=dword:1\n");
    RegistryTree tree;
    tree.SetDword("SOFTWARE\\K", "V", 9);
    platform::InstallRegistryTree(&tree);
    EXPECT_EQ(ReadRegistryDword(RegistryKey::OpenLocalMachine("SOFTWARE\\K"), "V", 0), 9U);
    platform::InstallRegistryTree(nullptr);
    EXPECT_EQ(ReadRegistryDword(RegistryKey::OpenLocalMachine("SOFTWARE\\K"), "V", 0), 1U);
}

}  // namespace
