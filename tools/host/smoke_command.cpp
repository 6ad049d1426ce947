#include <array>
#include <cstdio>
#include <string>

#include "commands.h"
#include "smoke_platform.h"

namespace {

class Checks {
  public:
    void Check(bool ok, const std::string& what) {
        std::printf("%s %s\n", ok ? "ok    " : "FAILED", what.c_str());
        failures_ += ok ? 0 : 1;
    }
    int Failures() const { return failures_; }

  private:
    int failures_ = 0;
};

constexpr std::int32_t kSize = 256;

}  // namespace

int RunSmoke(Plugin& plugin, HostArgs&) {
    Checks checks;
    std::array<char, kSize + 1> buffer{};

    const std::int32_t count = plugin.getNumberOperations();
    checks.Check(count >= 0 && count <= 4,
                 "GetNumberOperations answers " + std::to_string(count) + " (0 to 4)");
    for (std::int32_t i = 0; i < count; ++i) {
        buffer.fill('\0');
        const bool named = plugin.getOperation(i, buffer.data(), kSize) != 0;
        checks.Check(named && buffer[0] != '\0',
                     "operation " + std::to_string(i) + " is named \"" + buffer.data() + "\"");
    }
    buffer.fill('#');
    checks.Check(plugin.getOperation(count, buffer.data(), kSize) == 0 && buffer[0] == '#',
                 "GetOperation with an index equal to the count fails and leaves the buffer");

    buffer.fill('\0');
    const bool versionAnswered = plugin.getVersionInfo(buffer.data(), kSize) != 0;
    const std::string version = buffer.data();
    checks.Check(versionAnswered && version == "4.86b0",
                 "GetVersionInfo gives \"" + version + "\" (4.86b0)");
    const std::int32_t bitmapId = plugin.getBitmapId();
    checks.Check(bitmapId == 129, "GetBitmapID gives " + std::to_string(bitmapId) + " (129)");
    checks.Check(plugin.preInitialize(0) == 1, "PreInitialize answers true");
    plugin.setControlAltState(1);
    checks.Check(plugin.getNumberOperations() == count,
                 "SetControlAltState leaves the operation list as it was");

    std::string detail;
    const bool bitmapOk = smoke::CheckBitmap(plugin, bitmapId, detail);
    checks.Check(bitmapOk, "bitmap " + std::to_string(bitmapId) + ": " + detail);
    const bool stringsOk = smoke::CheckStrings(plugin, detail);
    checks.Check(stringsOk, "string table: " + detail);

    void* window = smoke::HostWindow();
    smoke::TakeDonePosted(window);
    OperationContext context{0, 0, window, nullptr};
    const std::int32_t result = plugin.doOperation(&context);
    checks.Check(result == 0, "DoOperation on port 0 returns " + std::to_string(result) + " (0)");
    checks.Check(smoke::TakeDonePosted(window), "DoOperation on port 0 posts 0x5F7 to the window");
    checks.Check(plugin.doOperation(nullptr) == 0, "DoOperation without a context returns 0");

    std::printf("%s\n",
                checks.Failures() == 0 ? "smoke: all checks passed" : "smoke: some checks FAILED");
    return checks.Failures() == 0 ? 0 : 1;
}
