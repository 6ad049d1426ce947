#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "frame/operation_context.h"
#include "host_ui_posix.h"
#include "platform/posix/ui_driver.h"
#include "progress_line_posix.h"
#include "run_platform.h"
#include "run_report.h"

namespace {

platform::PosixEvent g_cancel;
// When the first Ctrl+C came, in steady-clock nanoseconds (0: not yet).
std::atomic<std::int64_t> g_cancelAtNs{0};

void Say(const char* text, std::size_t size) {
    const ssize_t written = write(STDERR_FILENO, text, size);
    (void)written;
}

// Ctrl+C and SIGTERM alike. The first asks the operation to stop, which it does only at its own
// check points; the second ends the host at once, wherever the receiver is.
void OnInterrupt(int signal) {
    if (!g_cancel.signalled.exchange(true)) {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        g_cancelAtNs.store(static_cast<std::int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec);
        static const char kNote[] =
            "\nvantor-host: cancel requested; the operation stops at its next check (Ctrl+C "
            "again to quit now)\n";
        Say(kNote, sizeof kNote - 1);
        return;
    }
    static const char kQuit[] =
        "\nvantor-host: quitting now. The receiver may be left in its monitor; to bring it "
        "back, run an operation that reboots it, such as \"Verify receiver options\".\n";
    Say(kQuit, sizeof kQuit - 1);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

// Installs the handler for the run; a read waiting for the user's answer is interrupted.
void CatchInterrupts(void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

}  // namespace

void SetPluginEnvironment(const std::string& name, const std::string& value) {
    setenv(name.c_str(), value.c_str(), 1);
}

bool CheckRunOnPlatform(const RunArgs& run, std::string& error) {
    if (!run.shotDir.empty()) {
        error = "--test-mode is for Windows; here every dialog is printed and answered already";
        return false;
    }
    return true;
}

int RunOnPlatform(Plugin& plugin, int index, RunArgs& run) {
    if (!run.device.empty()) {
        SetPluginEnvironment("DEVVORIN_COM" + std::to_string(run.port), run.device);
    }
    HostUiDriver& ui = HostUi();
    // Each run starts with the cancel event clear, whatever the run before asked for.
    g_cancel.signalled = false;
    g_cancelAtNs = 0;
    int result = 0;
    {
        ProgressLine out(isatty(STDERR_FILENO) != 0);
        ui.BeginRun(&run.answers, &out, run.port);
        if (run.cancelAfterMs >= 0) {
            ui.CancelAt(std::chrono::steady_clock::now() +
                        std::chrono::milliseconds(run.cancelAfterMs));
        }
        CatchInterrupts(OnInterrupt);

        OperationContext context{run.port, index, ui.Window(), &g_cancel};
        result = plugin.doOperation(&context);

        CatchInterrupts(SIG_DFL);
        ui.BeginRun(nullptr, nullptr, 0);
        ui.CancelAt(std::nullopt);
    }
    if (const std::int64_t at = g_cancelAtNs.load(); at != 0) {
        HostRunReport().CancelRequested(std::chrono::steady_clock::time_point(
            std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                std::chrono::nanoseconds(at))));
    }
    if (!ui.TakeDonePosted(ui.Window())) {
        std::fprintf(stderr, "vantor-host: the plug-in posted no done message (0x5F7)\n");
    } else {
        std::fprintf(stderr, "done message (0x5F7) received\n");
    }
    return result;
}
