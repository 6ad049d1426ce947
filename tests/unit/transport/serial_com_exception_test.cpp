#include "transport/serial_com_exception.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

const char kOpenText[] =
    "COM Failure! [301] There was a failure [5] attempting to open COM12.\n\n"
    "Restart your computer and try again.";

TEST(SerialComExceptionTest, EachCodeHasItsOwnText) {
    struct Case {
        const char* legend;
        int code;
        long error;
        std::string text;
    };
    const std::vector<Case> cases = {
        {"open, access denied, port above 9", 301, 5, kOpenText},
        {"settings", 302, 31,
         "COM Failure! [302] There was a fatal error [31] with COM12.\n\n"
         "Restart your computer and try again."},
        {"read", 303, 995,
         "COM Failure! [303] There was a fatal error [995] with COM12.\n\n"
         "Restart your computer and try again."},
        {"write, large system error", 304, 2147483647L,
         "COM Failure! [304] There was a fatal error [2147483647] with COM12.\n\n"
         "Restart your computer and try again."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.legend);
        const CSerialComException e(12, c.code, c.error);
        EXPECT_EQ(e.GetMessageText(), c.text);
        char buffer[512] = {};
        unsigned help = 99;
        EXPECT_TRUE(e.GetErrorMessage(buffer, sizeof buffer, &help));
        EXPECT_EQ(std::string(buffer), c.text);
        EXPECT_EQ(help, 0U);
    }
}

TEST(SerialComExceptionTest, MessageIsTruncatedToTheCallersBuffer) {
    const CSerialComException e(12, 301, 5);
    struct Case {
        const char* legend;
        std::size_t size;
        std::string expected;
    };
    const std::size_t full = std::strlen(kOpenText);
    const std::vector<Case> cases = {
        {"one character and the terminator", 2, "C"},
        {"only room for the terminator", 1, ""},
        {"cut inside the port number", 67, std::string(kOpenText, 66)},
        {"exactly fits", full + 1, kOpenText},
        {"larger than needed", full + 50, kOpenText},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.legend);
        std::vector<char> buffer(c.size + 4, '#');
        EXPECT_TRUE(e.GetErrorMessage(buffer.data(), c.size));
        EXPECT_EQ(std::string(buffer.data()), c.expected);
        EXPECT_EQ(buffer[c.size], '#') << "wrote past the buffer";
    }
}

TEST(SerialComExceptionTest, IsACExceptionCaughtByReference) {
    try {
        throw CSerialComException(7, 301, 2);
    } catch (const CException& e) {
        EXPECT_NE(e.GetMessageText().find("[2] attempting to open COM7."), std::string::npos);
    }
}

}  // namespace
