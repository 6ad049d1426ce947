#include <array>
#include <cstdio>
#include <string>

#include "commands.h"

namespace {

constexpr std::int32_t kTextSize = 1024;

// A host buffer read back as text: the plug-in may fill it without a terminator.
std::string Text(const std::array<char, kTextSize + 1>& buffer) {
    return std::string(buffer.data());
}

// Multi-line texts are shown with every line indented under their label.
void PrintBlock(const char* label, const std::string& text) {
    std::printf("    %s:", label);
    std::string line;
    bool first = true;
    auto flush = [&] {
        std::printf("%s%s\n", first ? " " : "        ", line.c_str());
        first = false;
        line.clear();
    };
    for (const char c : text) {
        if (c == '\r') {
            continue;
        }
        if (c == '\n') {
            flush();
        } else if (c == '\t') {
            line += "    ";
        } else {
            line.push_back(c);
        }
    }
    flush();
}

}  // namespace

int RunList(Plugin& plugin, HostArgs&) {
    std::array<char, kTextSize + 1> buffer{};
    std::string version = "(unknown)";
    if (plugin.getVersionInfo(buffer.data(), kTextSize) != 0) {
        version = Text(buffer);
    }
    const std::int32_t count = plugin.getNumberOperations();
    std::printf("DevVorin %s: %d operation%s\n", version.c_str(), count, count == 1 ? "" : "s");
    if (count == 0) {
        std::printf("(the plug-in offers no operations yet)\n");
    }
    static const char* const kLabels[] = {"text 0, summary", "text 1, connection", "text 2, action",
                                          "text 3, success"};
    for (std::int32_t i = 0; i < count; ++i) {
        buffer.fill('\0');
        const bool named = plugin.getOperation(i, buffer.data(), kTextSize) != 0;
        std::printf("[%d] %s\n", i, named ? Text(buffer).c_str() : "(no name)");
        buffer.fill('\0');
        if (plugin.getDescription(i, buffer.data(), kTextSize) != 0) {
            PrintBlock("description", Text(buffer));
        }
        for (std::int32_t item = 0; item < 4; ++item) {
            buffer.fill('\0');
            if (plugin.getText(i, item, buffer.data(), kTextSize) != 0) {
                PrintBlock(kLabels[item], Text(buffer));
            }
        }
        std::printf("    pages: %d\n", plugin.getNumberOfPages(i));
    }
    return 0;
}
