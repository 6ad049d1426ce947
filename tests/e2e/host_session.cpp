#include "host_session.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>

extern char** environ;

namespace e2e {
namespace {

void CloseFd(int& fd) {
    if (fd >= 0) {
        close(fd);
        fd = -1;
    }
}

}  // namespace

HostSession::~HostSession() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    CloseFd(errFd_);
    CloseFd(outFd_);
}

bool HostSession::Start(const std::vector<std::string>& arguments,
                        const std::vector<std::string>& environment, bool terminal,
                        std::string& error) {
    const char* host = std::getenv("VANTOR_HOST");
    if (host == nullptr) {
        error = "VANTOR_HOST is not set";
        return false;
    }
    int errPipe[2] = {-1, -1};
    int outPipe[2] = {-1, -1};
    int slave = -1;
    if (pipe(outPipe) != 0) {
        error = std::string("no pipe: ") + std::strerror(errno);
        return false;
    }
    if (terminal) {
        errFd_ = posix_openpt(O_RDWR | O_NOCTTY);
        if (errFd_ < 0 || grantpt(errFd_) != 0 || unlockpt(errFd_) != 0 ||
            (slave = open(ptsname(errFd_), O_RDWR | O_NOCTTY)) < 0) {
            error = std::string("no pseudo-terminal: ") + std::strerror(errno);
            return false;
        }
    } else if (pipe(errPipe) != 0) {
        error = std::string("no pipe: ") + std::strerror(errno);
        return false;
    } else {
        errFd_ = errPipe[0];
    }
    // Everything the child needs is made before the fork: it only redirects and calls execve.
    std::vector<std::string> args = {host};
    args.insert(args.end(), arguments.begin(), arguments.end());
    std::vector<std::string> env(environment);
    for (char** entry = environ; *entry != nullptr; ++entry) {
        env.emplace_back(*entry);
    }
    std::vector<char*> argv;
    std::vector<char*> envp;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    for (std::string& entry : env) {
        envp.push_back(entry.data());
    }
    argv.push_back(nullptr);
    envp.push_back(nullptr);
    const int devNull = open("/dev/null", O_RDONLY);
    pid_ = fork();
    if (pid_ == 0) {
        dup2(terminal ? slave : devNull, STDIN_FILENO);
        dup2(terminal ? slave : errPipe[1], STDERR_FILENO);
        dup2(outPipe[1], STDOUT_FILENO);
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    close(devNull);
    close(outPipe[1]);
    outFd_ = outPipe[0];
    if (terminal) {
        close(slave);
    } else {
        close(errPipe[1]);
    }
    if (pid_ < 0) {
        error = std::string("cannot fork: ") + std::strerror(errno);
        return false;
    }
    return true;
}

bool HostSession::Pump(int timeoutMs) {
    pollfd fds[2] = {{errFd_, POLLIN, 0}, {outFd_, POLLIN, 0}};
    if (errFd_ < 0 && outFd_ < 0) {
        return false;
    }
    if (poll(fds, 2, timeoutMs) <= 0) {
        return true;
    }
    int* streams[2] = {&errFd_, &outFd_};
    std::string* texts[2] = {&err_, &out_};
    for (int i = 0; i < 2; ++i) {
        if ((fds[i].revents & (POLLIN | POLLHUP | POLLERR)) == 0) {
            continue;
        }
        char buffer[4096];
        const ssize_t got = read(*streams[i], buffer, sizeof buffer);
        if (got > 0) {
            texts[i]->append(buffer, static_cast<std::size_t>(got));
        } else {
            // The end of a pipe, or EIO once nobody holds the terminal any more.
            CloseFd(*streams[i]);
        }
    }
    return true;
}

bool HostSession::WaitFor(const std::string& text, int timeoutMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const std::string seen = Errors();
        if (const std::size_t at = seen.find(text, found_); at != std::string::npos) {
            found_ = at + text.size();
            return true;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            end - std::chrono::steady_clock::now());
        if (left.count() <= 0 || !Pump(static_cast<int>(left.count()))) {
            return false;
        }
    }
}

void HostSession::Type(const std::string& text) {
    const ssize_t written = write(errFd_, text.data(), text.size());
    (void)written;
}

void HostSession::Signal(int signal) {
    if (pid_ > 0) {
        kill(pid_, signal);
    }
}

int HostSession::Wait(int timeoutMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    int status = 0;
    while (waitpid(pid_, &status, WNOHANG) != pid_) {
        if (std::chrono::steady_clock::now() >= end) {
            return -1;
        }
        if (!Pump(20)) {
            usleep(20000);
        }
    }
    pid_ = -1;
    for (int i = 0; i < 50 && Pump(100); ++i) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

std::string HostSession::Errors() const {
    std::string text;
    for (const char c : err_) {
        if (c != '\r') {
            text += c;
        }
    }
    return text;
}

}  // namespace e2e
