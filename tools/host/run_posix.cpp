#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "frame/operation_context.h"
#include "host_ui_posix.h"
#include "platform/posix/ui_driver.h"
#include "run_platform.h"

namespace {

platform::PosixEvent g_cancel;

void OnInterrupt(int) {
    // The first Ctrl+C asks the operation to stop; the second ends the host.
    g_cancel.signalled.store(true);
    std::signal(SIGINT, SIG_DFL);
    static const char kNote[] = "\nvantor-host: cancel requested (Ctrl+C again to quit)\n";
    const ssize_t written = write(STDERR_FILENO, kNote, sizeof kNote - 1);
    (void)written;
}

}  // namespace

void SetPluginEnvironment(const std::string& name, const std::string& value) {
    setenv(name.c_str(), value.c_str(), 1);
}

int RunOnPlatform(Plugin& plugin, int index, RunArgs& run) {
    if (!run.device.empty()) {
        SetPluginEnvironment("DEVVORIN_COM" + std::to_string(run.port), run.device);
    }
    HostUiDriver& ui = HostUi();
    ui.SetAnswers(&run.answers);
    ui.SetProgressBar(isatty(STDERR_FILENO) != 0);
    std::signal(SIGINT, OnInterrupt);

    OperationContext context{run.port, index, ui.Window(), &g_cancel};
    const int result = plugin.doOperation(&context);

    std::signal(SIGINT, SIG_DFL);
    ui.SetAnswers(nullptr);
    if (!ui.TakeDonePosted(ui.Window())) {
        std::fprintf(stderr, "vantor-host: the plug-in posted no done message (0x5F7)\n");
    } else {
        std::fprintf(stderr, "done message (0x5F7) received\n");
    }
    return result;
}
