#pragma once

#include <csignal>
#include <cstdint>
#include <string>

#include "engine/bytes.h"
#include "engine/line_settings.h"
#include "engine/receiver.h"

namespace simfront {

// Serves a receiver engine on a pseudo-terminal in real time. The server keeps its own
// descriptor of the slave side open: that keeps the terminal alive between the host's opens and
// lets the server read the line settings that the host set (tcgetattr on the slave).
class PtyServer {
  public:
    explicit PtyServer(sim::Receiver& receiver);
    ~PtyServer();
    PtyServer(const PtyServer&) = delete;
    PtyServer& operator=(const PtyServer&) = delete;

    // Creates the pseudo-terminal; with a link path, also a symbolic link to its slave (an
    // existing symbolic link there is replaced; any other file is left alone and is an error).
    // Throws std::runtime_error with the system's reason.
    void Open(const std::string& linkPath);
    const std::string& SlavePath() const { return slavePath_; }

    // Serves until stop becomes non-zero (set it from a signal handler).
    void Serve(const volatile std::sig_atomic_t& stop);

    // The host's current line settings, as the slave's terminal attributes hold them.
    sim::LineSettings HostLine() const;

  private:
    std::uint64_t NowMs() const;
    void Flush();

    sim::Receiver& receiver_;
    int master_ = -1;
    int slave_ = -1;
    std::string slavePath_;
    std::string linkPath_;
    sim::Bytes unsent_;
    std::int64_t startNs_ = 0;
};

}  // namespace simfront
