// Checks DevVorin.dll as built, without running it: exactly the eleven undecorated exports,
// only system DLLs imported, the version resource, bitmap 129 and every numbered string read
// back exactly as the source table has it.
// Usage: dll_check <DevVorin.dll>; exit 0 all good, 1 a check failed, 77 no DLL to check.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "pe_image.h"

namespace {

struct SourceString {
    std::uint32_t id;
    const char* text;
};

const SourceString kSourceStrings[] = {
#define DV_STRING(id, text) {id, text},
#include "resources/strings.inc"
#undef DV_STRING
};

int g_failures = 0;

void Check(bool ok, const std::string& what) {
    std::printf("%s %s\n", ok ? "ok    " : "FAILED", what.c_str());
    g_failures += ok ? 0 : 1;
}

std::string Upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

std::string Escaped(const std::string& text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                out.push_back(c);
        }
    }
    return out;
}

std::uint32_t Le32(const std::vector<std::uint8_t>& d, std::size_t o) {
    return std::uint32_t{d[o]} | (std::uint32_t{d[o + 1]} << 8) | (std::uint32_t{d[o + 2]} << 16) |
           (std::uint32_t{d[o + 3]} << 24);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: dll_check <DevVorin.dll>\n");
        return 2;
    }
    if (!std::ifstream(argv[1])) {
        std::printf("SKIPPED: %s does not exist; build the win32 preset first\n", argv[1]);
        return 77;
    }
    PeImage image;
    std::string error;
    if (!image.Load(argv[1], error)) {
        std::printf("FAILED %s\n", error.c_str());
        return 1;
    }

    const std::set<std::string> expected = {
        "GetNumberOperations", "GetOperation",      "GetDescription",
        "GetNumberOfPages",    "GetPage",           "GetText",
        "DoOperation",         "PreInitialize",     "GetVersionInfo",
        "GetBitmapID",         "SetControlAltState"};
    const std::vector<std::string> exports = image.ExportNames();
    const std::set<std::string> exported(exports.begin(), exports.end());
    Check(
        exports.size() == 11 && exported == expected,
        "exports exactly the eleven host functions (" + std::to_string(exports.size()) + " names)");
    for (const std::string& name : exports) {
        if (expected.count(name) == 0) {
            Check(false, "unexpected export " + name);
        }
    }

    const std::set<std::string> system = {"KERNEL32.DLL", "USER32.DLL",   "GDI32.DLL",
                                          "ADVAPI32.DLL", "VERSION.DLL",  "OLE32.DLL",
                                          "MSVCRT.DLL",   "SETUPAPI.DLL", "CFGMGR32.DLL",
                                          "COMCTL32.DLL", "OLEAUT32.DLL", "SHELL32.DLL"};
    for (const std::string& dll : image.ImportedDlls()) {
        Check(system.count(Upper(dll)) == 1, "imports " + dll + " (a system DLL)");
    }

    const auto version = image.VersionString("040904B0", "FileVersion");
    Check(version == std::optional<std::string>("4.86b0"),
          "\\StringFileInfo\\040904B0\\FileVersion is \"" + version.value_or("(none)") + "\"");

    const auto bitmap = image.Resource(2, 129);
    const bool headerOk = bitmap && bitmap->size() >= 40 && Le32(*bitmap, 0) == 40;
    const std::uint32_t width = headerOk ? Le32(*bitmap, 4) : 0;
    const std::uint32_t height = headerOk ? Le32(*bitmap, 8) : 0;
    const unsigned bits =
        headerOk ? static_cast<unsigned>((*bitmap)[14] | ((*bitmap)[15] << 8)) : 0;
    const std::uint32_t compression = headerOk ? Le32(*bitmap, 16) : 1;
    const std::size_t rowBytes = (150 * 3 + 3) / 4 * 4;
    Check(headerOk && width == 150 && height == 250 && bits == 24 && compression == 0 &&
              bitmap->size() >= 40 + rowBytes * 250,
          "bitmap 129 is " + std::to_string(width) + " x " + std::to_string(height) + " x " +
              std::to_string(bits) + ", uncompressed (150 x 250 x 24)");

    int wrong = 0;
    for (const SourceString& source : kSourceStrings) {
        const auto loaded = image.String(source.id);
        if (loaded != std::optional<std::string>(source.text)) {
            ++wrong;
            Check(false, "string " + std::to_string(source.id) + " reads \"" +
                             Escaped(loaded.value_or("(missing)")) + "\", expected \"" +
                             Escaped(source.text) + "\"");
        }
    }
    const std::size_t total = sizeof kSourceStrings / sizeof kSourceStrings[0];
    Check(wrong == 0, std::to_string(total - static_cast<std::size_t>(wrong)) + " of " +
                          std::to_string(total) + " strings read back exactly");

    std::printf("%s\n",
                g_failures == 0 ? "dll_check: all checks passed" : "dll_check: some checks FAILED");
    return g_failures == 0 ? 0 : 1;
}
