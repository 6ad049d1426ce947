#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>

#include "rack_children.h"

namespace {

std::atomic<int> g_interrupts{0};

std::int64_t CpuMs(const rusage& usage) {
    return (static_cast<std::int64_t>(usage.ru_utime.tv_sec) + usage.ru_stime.tv_sec) * 1000 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000;
}

void OnInterrupt(int) {
    g_interrupts.fetch_add(1);
}

}  // namespace

struct RackChildren::Child {
    pid_t pid = -1;
    int pipes[2] = {-1, -1};  // standard output (events), standard error

    void ClosePipe(int which) {
        if (pipes[which] >= 0) {
            close(pipes[which]);
            pipes[which] = -1;
        }
    }
};

RackChildren::RackChildren(std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        children_.push_back(std::make_unique<Child>());
    }
}

RackChildren::~RackChildren() {
    for (const std::unique_ptr<Child>& child : children_) {
        child->ClosePipe(0);
        child->ClosePipe(1);
        if (child->pid > 0) {
            kill(child->pid, SIGTERM);
            waitpid(child->pid, nullptr, 0);
        }
    }
}

bool RackChildren::Start(std::size_t index, const std::vector<std::string>& argv,
                         std::string& error) {
    Child& child = *children_[index];
    int out[2] = {-1, -1};
    int err[2] = {-1, -1};
    if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) {
        error = std::string("cannot make a pipe: ") + std::strerror(errno);
        for (const int fd : {out[0], out[1], err[0], err[1]}) {
            if (fd >= 0) {
                close(fd);
            }
        }
        return false;
    }
    // Everything the child needs is made before the fork: after it, only async-signal-safe
    // calls.
    std::vector<std::string> args = argv;
    std::vector<char*> pointers;
    for (std::string& arg : args) {
        pointers.push_back(arg.data());
    }
    pointers.push_back(nullptr);
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid == 0) {
        // A group of its own: the terminal's Ctrl+C reaches the rack, which passes one on per
        // Ctrl+C (the run's second one quits it). Should the rack die, its runs are cancelled.
        setpgid(0, 0);
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent) {
            _exit(127);
        }
        const int null = open("/dev/null", O_RDONLY);
        if (null < 0 || dup2(null, STDIN_FILENO) < 0 || dup2(out[1], STDOUT_FILENO) < 0 ||
            dup2(err[1], STDERR_FILENO) < 0) {
            _exit(127);
        }
        execv(pointers[0], pointers.data());
        static const char kFailed[] = "vantor-host: cannot start the run's process\n";
        const ssize_t written = write(STDERR_FILENO, kFailed, sizeof kFailed - 1);
        (void)written;
        _exit(127);
    }
    close(out[1]);
    close(err[1]);
    if (pid < 0) {
        error = std::string("cannot start a process: ") + std::strerror(errno);
        close(out[0]);
        close(err[0]);
        return false;
    }
    child.pid = pid;
    child.pipes[0] = out[0];
    child.pipes[1] = err[0];
    return true;
}

void RackChildren::Wait(int milliseconds, std::vector<Output>& output, std::vector<Ended>& ended) {
    std::vector<pollfd> fds;
    std::vector<std::pair<std::size_t, int>> owners;
    for (std::size_t i = 0; i < children_.size(); ++i) {
        for (int which = 0; which < 2; ++which) {
            if (children_[i]->pipes[which] >= 0) {
                fds.push_back({children_[i]->pipes[which], POLLIN, 0});
                owners.emplace_back(i, which);
            }
        }
    }
    if (poll(fds.data(), fds.size(), milliseconds) <= 0) {
        return;  // a time-out, or a signal (Ctrl+C) to look at
    }
    char buffer[65536];
    for (std::size_t f = 0; f < fds.size(); ++f) {
        if (fds[f].revents == 0) {
            continue;
        }
        const auto [index, which] = owners[f];
        Child& child = *children_[index];
        const ssize_t n = read(fds[f].fd, buffer, sizeof buffer);
        if (n > 0) {
            output.push_back({index, which == 0, std::string(buffer, static_cast<std::size_t>(n))});
        } else if (n == 0 || errno != EINTR) {
            child.ClosePipe(which);
        }
        // Both streams closed: the child is ending; its status follows at once.
        if (child.pipes[0] < 0 && child.pipes[1] < 0 && child.pid > 0) {
            int status = 0;
            rusage usage{};
            while (wait4(child.pid, &status, 0, &usage) < 0 && errno == EINTR) {
            }
            child.pid = -1;
            ended.push_back({index, WIFEXITED(status) ? WEXITSTATUS(status) : -1,
                             WIFSIGNALED(status) ? WTERMSIG(status) : 0, CpuMs(usage),
                             usage.ru_maxrss});
        }
    }
}

void RackChildren::Cancel(std::size_t index) {
    if (children_[index]->pid > 0) {
        kill(children_[index]->pid, SIGINT);
    }
}

std::size_t RackChildren::Running() const {
    std::size_t running = 0;
    for (const std::unique_ptr<Child>& child : children_) {
        running += child->pid > 0 ? 1U : 0U;
    }
    return running;
}

void RackChildren::CatchInterrupts(bool on) {
    struct sigaction action {};
    action.sa_handler = on ? OnInterrupt : SIG_DFL;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

int RackChildren::TakeInterrupts() {
    return g_interrupts.exchange(0);
}

std::string RackChildren::SelfPath() {
    char path[4096];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    return n > 0 ? std::string(path, static_cast<std::size_t>(n)) : std::string();
}

int RackChildren::TerminalColumns(std::size_t rows) {
    winsize size{};
    if (isatty(STDERR_FILENO) == 0 || ioctl(STDERR_FILENO, TIOCGWINSZ, &size) != 0) {
        return 0;
    }
    // A table taller than the screen cannot be redrawn in place: the lines that scrolled away
    // are out of reach.
    if (size.ws_row != 0 && rows + 2 > size.ws_row) {
        return 0;
    }
    return size.ws_col > 0 ? size.ws_col : 80;
}

std::string RackChildren::ScratchFolder() {
    return std::string();
}

void RackChildren::OwnUsage(std::int64_t& cpuMs, std::int64_t& peakMemoryKb) {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    cpuMs = CpuMs(usage);
    peakMemoryKb = usage.ru_maxrss;
}
