#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace e2e {

// vantor-host (VANTOR_HOST) started as a user starts it, for cases that answer its questions or
// press Ctrl+C: at a terminal (standard input and standard error on a fresh pseudo-terminal), or
// without one (standard input /dev/null, standard error a pipe). Standard output is a pipe.
class HostSession {
  public:
    HostSession() = default;
    ~HostSession();
    HostSession(const HostSession&) = delete;
    HostSession& operator=(const HostSession&) = delete;

    // Starts it with the arguments; environment holds extra NAME=VALUE entries.
    bool Start(const std::vector<std::string>& arguments,
               const std::vector<std::string>& environment, bool terminal, std::string& error);
    // Reads standard error until text appears after what earlier calls found (true), or until
    // timeoutMs passed or the host ended (false).
    bool WaitFor(const std::string& text, int timeoutMs);
    // Types text at the terminal.
    void Type(const std::string& text);
    void Signal(int signal);
    // Waits up to timeoutMs for the end and reads the rest: the exit status, 128 + the signal
    // when a signal ended it, -1 when it did not end in time (it is then killed).
    int Wait(int timeoutMs);

    // Standard error so far, carriage returns removed (a terminal sends them with each line).
    std::string Errors() const;
    const std::string& Output() const { return out_; }

  private:
    // Reads what is there within timeoutMs; false once both streams have ended.
    bool Pump(int timeoutMs);

    pid_t pid_ = -1;
    int errFd_ = -1;  // the terminal's master, or the pipe of standard error
    int outFd_ = -1;
    std::string err_, out_;
    std::size_t found_ = 0;
};

}  // namespace e2e
