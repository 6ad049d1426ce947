// vorin-sim: an emulated receiver on a pseudo-terminal, driven by a profile.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>

#include <CLI/CLI.hpp>

#include "engine/profile.h"
#include "engine/receiver.h"
#include "engine/replay.h"
#include "front/pty_server.h"
#include "front/rack_profile.h"
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
int Replay(const std::string& path, const std::string& linkPath, bool paced) {
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
        simfront::PtyServer server(endpoint, paced);
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
    for (const char* option : {"--profile", "--trace", "--radio-out", "--hang-up",
                               "--fresh-on-close", "--count", "--profile-of"}) {
        if (app.count(option) > 0) {
            std::cerr << "vorin-sim: " << option
                      << " has no effect with --replay, which answers with the trace's receiver "
                         "instead of a profile's; see --help\n";
            return true;
        }
    }
    return false;
}

// One receiver of the rack: its engine and its terminal.
struct Bay {
    explicit Bay(sim::Profile profile, bool paced)
        : receiver(std::move(profile)), endpoint(receiver), server(endpoint, paced) {}
    sim::Receiver receiver;
    simfront::ReceiverEndpoint endpoint;
    simfront::PtyServer server;
};

// --profile-of K=PATH, as a map from K; false with a message on standard error.
bool ReadProfilesOf(const std::vector<std::string>& texts, int count,
                    std::map<int, std::string>& paths) {
    for (const std::string& text : texts) {
        const std::size_t equals = text.find('=');
        int index = 0;
        try {
            std::size_t used = 0;
            index = equals == std::string::npos ? 0 : std::stoi(text.substr(0, equals), &used);
            index = used == equals ? index : 0;
        } catch (const std::exception&) {
            index = 0;
        }
        if (index < 1 || index > count || equals + 1 >= text.size()) {
            std::cerr << "vorin-sim: --profile-of " << text
                      << ": expected K=PATH with K a receiver from 1 to " << count
                      << " (--count)\n";
            return false;
        }
        if (!paths.emplace(index, text.substr(equals + 1)).second) {
            std::cerr << "vorin-sim: --profile-of names receiver " << index << " twice\n";
            return false;
        }
    }
    return true;
}

// The link of receiver index: the path itself for a single receiver, PATH<index> in a rack
// (--count given, even a rack of one).
std::string LinkOf(const std::string& linkPath, bool rack, int index) {
    return linkPath.empty() || !rack ? linkPath : linkPath + std::to_string(index);
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
    int count = 1;
    bool paced = false;
    std::vector<std::string> profilesOf;
    app.add_option("--profile", profilePath,
                   "JSON profile, applied on top of the built-in receiver (default: built-in)");
    app.add_option("--link", linkPath,
                   "also make a symbolic link to the terminal at this path (with --count, one "
                   "link per receiver: PATH1, PATH2, ...)");
    app.add_option("--count", count,
                   "serve a rack of N receivers from this process, each on its own terminal with "
                   "its own serial number (default 1)")
        ->check(CLI::Range(1, 256));
    app.add_option("--profile-of", profilesOf,
                   "K=PATH: receiver K of the rack (1 to --count) takes this profile instead of "
                   "--profile; may be repeated");
    app.add_flag("--pace", paced,
                 "spend the line's time on every byte heard and sent: 10 bits a byte at the line "
                 "speed the host set, as on a cable");
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
        "A rack (--count N) prints one slave path per receiver, in order; receiver K's serial\n"
        "number is its profile's with K-1 added to its trailing number. --hang-up and --trace\n"
        "apply to each receiver (trace lines begin with [K]).\n"
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
        return Replay(replayPath, linkPath, paced);
    }
    if (count > 1 && !radioOut.empty()) {
        std::cerr << "vorin-sim: --radio-out writes one receiver's block; serve that receiver "
                     "alone (without --count)\n";
        return kUsage;
    }
    std::map<int, std::string> profileOf;
    if (!ReadProfilesOf(profilesOf, count, profileOf)) {
        return kUsage;
    }
    const double scale = simfront::TimeScaleFromEnvironment();
    std::vector<std::unique_ptr<Bay>> rack;
    try {
        for (int index = 1; index <= count; ++index) {
            const auto own = profileOf.find(index);
            sim::Profile profile =
                simfront::RackProfile(own != profileOf.end() ? own->second : profilePath, index);
            profile.delays.bootToMonitorMs = Scaled(profile.delays.bootToMonitorMs, scale);
            profile.delays.bootToApplicationMs = Scaled(profile.delays.bootToApplicationMs, scale);
            profile.delays.usbReturnMs = Scaled(profile.delays.usbReturnMs, scale);
            if (freshOnClose && profile.portNumber == 15) {
                std::cerr << "vorin-sim: --fresh-on-close is for a receiver on a serial port; one "
                             "on its USB port (15) is closed by the host at each reboot, in the "
                             "middle of a run; see --help\n";
                return kUsage;
            }
            rack.push_back(std::make_unique<Bay>(std::move(profile), paced));
        }
    } catch (const sim::ProfileError& e) {
        std::cerr << "vorin-sim: " << e.what() << "\n";
        return kUsage;
    }
    std::vector<simfront::PtyServer*> servers;
    try {
        for (int index = 1; index <= count; ++index) {
            Bay& bay = *rack[static_cast<std::size_t>(index - 1)];
            if (trace) {
                const std::string tag = count == 1 ? "" : "[" + std::to_string(index) + "] ";
                bay.receiver.SetTraceSink(
                    [tag](const std::string& line) { std::cout << tag << line << std::endl; });
            }
            const std::string link = LinkOf(linkPath, app.count("--count") > 0, index);
            if (freshOnClose) {
                sim::Receiver& receiver = bay.receiver;
                bay.server.OnRelease([&receiver](std::uint64_t nowMs) { receiver.Restore(nowMs); });
            }
            bay.server.Open(link);
            if (hangUp) {
                sim::Receiver& receiver = bay.receiver;
                bay.server.HangUpWhen(*hangUp, [&receiver] { return receiver.GetCounters(); });
            }
            std::cout << bay.server.SlavePath() << std::endl;
            std::cerr << "vorin-sim: profile '" << bay.receiver.GetProfile().name << "', serial "
                      << bay.receiver.GetProfile().serial << ", on " << bay.server.SlavePath()
                      << (link.empty() ? "" : " (linked at " + link + ")")
                      << (paced ? ", paced" : "") << "\n";
            servers.push_back(&bay.server);
        }
        simfront::ServeAll(servers, g_stop);
    } catch (const std::exception& e) {
        std::cerr << "vorin-sim: " << e.what() << "\n";
        return kCannotServe;
    }
    const sim::Receiver& receiver = rack.front()->receiver;
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
    sim::Counters counters;
    for (const std::unique_ptr<Bay>& bay : rack) {
        const sim::Counters own = bay->receiver.GetCounters();
        counters.identifications += own.identifications;
        counters.tcFrames += own.tcFrames;
        counters.lsFrames += own.lsFrames;
        counters.restores += own.restores;
    }
    std::cerr << "vorin-sim: stopped after " << counters.identifications << " identifications, "
              << counters.tcFrames << " TC and " << counters.lsFrames << " LS requests"
              << (freshOnClose ? ", " + std::to_string(counters.restores) + " fresh receivers"
                               : std::string())
              << "\n";
    return 0;
}
