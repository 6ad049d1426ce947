// vorin-sim: an emulated receiver on a pseudo-terminal, driven by a profile.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>

#include <CLI/CLI.hpp>

#include "engine/profile.h"
#include "engine/receiver.h"
#include "engine/replay.h"
#include "front/pty_server.h"
#include "front/time_scale.h"

namespace {

// Exit statuses: 0 served until stopped, 1 could not serve, 64 a usage error (as sysexits has
// it): an option, a value, a profile or a trace that cannot be used.
constexpr int kCannotServe = 1;
constexpr int kUsage = 64;

volatile std::sig_atomic_t g_stop = 0;

void OnSignal(int) {
    g_stop = 1;
}

std::uint32_t Scaled(std::uint32_t ms, double scale) {
    return static_cast<std::uint32_t>(static_cast<double>(ms) * scale);
}

// Serves the receiver side of a trace until stopped.
int Replay(const std::string& path, const std::string& linkPath) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::cerr << "vorin-sim: cannot read the trace " << path << "\n";
        return kUsage;
    }
    std::ostringstream text;
    text << in.rdbuf();
    std::optional<sim::Replay> replay;
    try {
        replay.emplace(sim::Replay::FromTrace(text.str()));
    } catch (const sim::ReplayError& e) {
        std::cerr << "vorin-sim: " << path << ": " << e.what() << "\n";
        return kUsage;
    }
    try {
        simfront::ReplayEndpoint endpoint(*replay);
        simfront::PtyServer server(endpoint);
        server.Open(linkPath);
        std::cout << server.SlavePath() << std::endl;
        std::cerr << "vorin-sim: replaying " << replay->Turns().size() << " host frames of " << path
                  << " on " << server.SlavePath()
                  << (linkPath.empty() ? "" : " (linked at " + linkPath + ")") << "\n";
        server.Serve(g_stop);
    } catch (const std::exception& e) {
        std::cerr << "vorin-sim: " << e.what() << "\n";
        return kCannotServe;
    }
    std::cerr << "vorin-sim: answered " << replay->Answered() << " of " << replay->Turns().size()
              << " host frames of the trace (" << replay->Skipped() << " skipped)\n";
    return 0;
}

// Options that do nothing beside --replay, which serves a trace instead of a receiver.
bool RefuseBesideReplay(const CLI::App& app) {
    for (const char* option :
         {"--profile", "--trace", "--radio-out", "--hang-up", "--fresh-on-close"}) {
        if (app.count(option) > 0) {
            std::cerr << "vorin-sim: " << option
                      << " has no effect with --replay, which answers with the trace's receiver "
                         "instead of a profile's; see --help\n";
            return true;
        }
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"vorin-sim: an emulated Orrick Vorin receiver on a pseudo-terminal"};
    std::string profilePath;
    std::string linkPath;
    bool trace = false;
    bool printDefault = false;
    std::string radioOut;
    std::string replayPath;
    std::string hangUpText;
    bool freshOnClose = false;
    app.add_option("--profile", profilePath,
                   "JSON profile, applied on top of the built-in receiver (default: built-in)");
    app.add_option("--link", linkPath, "also make a symbolic link to the terminal at this path");
    app.add_flag("--trace", trace, "print one line per exchange");
    app.add_option(
        "--radio-out", radioOut,
        "on exit, write the receiver's 2048-byte radio configuration block to this file");
    app.add_option("--hang-up", hangUpText,
                   "pull the cable: close the terminal and remove its link after an event, "
                   "identification[:N][+MS], tc-TYPE[:N][+MS] or ls-TYPE[:N][+MS] (the Nth such "
                   "event, default 1, then MS milliseconds)");
    app.add_flag("--fresh-on-close", freshOnClose,
                 "whenever the host closes the port, the receiver returns to the profile's "
                 "power-on state (radio block, error log, mode, line), a fresh receiver for "
                 "the next run");
    app.set_version_flag("--version", "vorin-sim (DevVorin) " DEVVORIN_VERSION,
                         "print the version and exit");
    app.add_flag("--print-default-profile", printDefault, "print the built-in profile and exit");
    app.add_option("--replay", replayPath,
                   "answer the host with the receiver's side of a wire trace (DEVVORIN_TRACE "
                   "file) instead of a profile");
    app.footer(
        "The slave path is printed on the first line of standard output. SIGINT or SIGTERM ends\n"
        "the simulator cleanly. DEVVORIN_TIME_SCALE (simulation only, 0 < f <= 1, default 1)\n"
        "shortens the receiver's boot delays as it shortens the plug-in's fixed waits.\n"
        "A receiver on its USB port (port 15) leaves the bus whenever it reboots: the terminal\n"
        "closes and its link goes, and a new terminal appears behind the same link when it is\n"
        "back. Shipped profiles for it: usb-port (back after 4 s), usb-late (back after 25 s,\n"
        "later than the plug-in first reopens the port), usb-gone (never back).\n"
        "Options take their value after = as well (--profile=FILE). Exit status: 0 served until\n"
        "stopped, 1 could not serve (a link another vorin-sim serves, no pseudo-terminal), 64\n"
        "usage error (an option, a profile or a trace that cannot be used).");
    try {
        app.parse(argc, argv);
    } catch (const CLI::Success& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        std::cerr << "vorin-sim: " << e.what() << "; see --help\n";
        return kUsage;
    }

    if (printDefault) {
        std::cout << sim::DefaultProfileText() << "\n";
        return 0;
    }
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);

    std::optional<simfront::HangUpTrigger> hangUp;
    if (!hangUpText.empty()) {
        std::string reason;
        hangUp = simfront::HangUpTrigger::Parse(hangUpText, reason);
        if (!hangUp) {
            std::cerr << "vorin-sim: --hang-up " << hangUpText << ": " << reason << "\n";
            return kUsage;
        }
    }
    if (!replayPath.empty()) {
        if (RefuseBesideReplay(app)) {
            return kUsage;
        }
        return Replay(replayPath, linkPath);
    }
    sim::Profile profile;
    try {
        profile = profilePath.empty() ? sim::DefaultProfile() : sim::LoadProfileFile(profilePath);
    } catch (const sim::ProfileError& e) {
        std::cerr << "vorin-sim: " << e.what() << "\n";
        return kUsage;
    }
    if (freshOnClose && profile.portNumber == 15) {
        std::cerr << "vorin-sim: --fresh-on-close is for a receiver on a serial port; one on "
                     "its USB port (15) is closed by the host at each reboot, in the middle of a "
                     "run; see --help\n";
        return kUsage;
    }
    const double scale = simfront::TimeScaleFromEnvironment();
    profile.delays.bootToMonitorMs = Scaled(profile.delays.bootToMonitorMs, scale);
    profile.delays.bootToApplicationMs = Scaled(profile.delays.bootToApplicationMs, scale);
    profile.delays.usbReturnMs = Scaled(profile.delays.usbReturnMs, scale);

    sim::Receiver receiver(profile);
    if (trace) {
        receiver.SetTraceSink([](const std::string& line) { std::cout << line << std::endl; });
    }
    try {
        simfront::ReceiverEndpoint endpoint(receiver);
        simfront::PtyServer server(endpoint);
        if (freshOnClose) {
            server.OnRelease([&receiver](std::uint64_t nowMs) { receiver.Restore(nowMs); });
        }
        server.Open(linkPath);
        if (hangUp) {
            server.HangUpWhen(*hangUp, [&receiver] { return receiver.GetCounters(); });
        }
        std::cout << server.SlavePath() << std::endl;
        std::cerr << "vorin-sim: profile '" << profile.name << "' on " << server.SlavePath()
                  << (linkPath.empty() ? "" : " (linked at " + linkPath + ")") << "\n";
        server.Serve(g_stop);
    } catch (const std::exception& e) {
        std::cerr << "vorin-sim: " << e.what() << "\n";
        return kCannotServe;
    }
    if (!radioOut.empty()) {
        const sim::Bytes& block = receiver.RadioConfig();
        std::ofstream out(radioOut, std::ios::binary);
        out.write(reinterpret_cast<const char*>(block.data()),
                  static_cast<std::streamsize>(block.size()));
        if (!out) {
            std::cerr << "vorin-sim: cannot write the radio block to " << radioOut << "\n";
            return kCannotServe;
        }
    }
    const sim::Counters counters = receiver.GetCounters();
    std::cerr << "vorin-sim: stopped after " << counters.identifications << " identifications, "
              << counters.tcFrames << " TC and " << counters.lsFrames << " LS requests"
              << (freshOnClose ? ", " + std::to_string(counters.restores) + " fresh receivers"
                               : std::string())
              << "\n";
    return 0;
}
