#pragma once

#include <sys/types.h>
#include <string>
#include <vector>

namespace e2e {

// A vorin-sim process serving a pseudo-terminal, for end-to-end cases. The simulator is the
// program named by VORIN_SIM; profile names without a '/' are looked up in VORIN_SIM_PROFILES.
class SimProcess {
  public:
    SimProcess() = default;
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    // Starts the simulator with its terminal linked at a fresh path and waits (up to 5 s) for
    // the link. An empty profile means the built-in receiver; extra arguments go to vorin-sim as
    // they stand. With count above 1 it serves a rack (--count), whose links Port(1..count)
    // name. Returns false with a reason.
    bool Start(const std::string& profile, std::string& error,
               const std::vector<std::string>& extra = {}, int count = 1);
    // The link to the simulator's terminal, to be opened like a serial device.
    const std::string& Port() const { return link_; }
    // What the simulator wrote to its standard error so far.
    std::string Log() const;
    // The link of receiver index of a rack.
    std::string Port(int index) const { return link_ + std::to_string(index); }
    // Sends SIGTERM and waits (up to 5 s); the exit status, or -1 when it had to be killed.
    int Stop();

  private:
    pid_t pid_ = -1;
    std::string dir_;
    std::string link_;
    std::string log_;
};

}  // namespace e2e
