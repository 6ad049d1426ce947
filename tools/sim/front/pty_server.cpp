#include "front/pty_server.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace simfront {
namespace {

std::runtime_error SystemError(const std::string& what) {
    return std::runtime_error(what + ": " + std::strerror(errno));
}

std::uint32_t SpeedToBaud(speed_t speed) {
    struct Pair {
        speed_t speed;
        std::uint32_t baud;
    };
    static const Pair kSpeeds[] = {
        {B110, 110},       {B300, 300},       {B600, 600},      {B1200, 1200},   {B2400, 2400},
        {B4800, 4800},     {B9600, 9600},     {B19200, 19200},  {B38400, 38400}, {B57600, 57600},
        {B115200, 115200}, {B230400, 230400}, {B460800, 460800}};
    for (const Pair& pair : kSpeeds) {
        if (pair.speed == speed) {
            return pair.baud;
        }
    }
    return 0;  // a rate the receiver never uses: nothing passes
}

}  // namespace

PtyServer::PtyServer(WireEndpoint& endpoint, bool paced)
    : endpoint_(endpoint), fromHost_(paced), toHost_(paced) {
    startNs_ = std::chrono::duration_cast<std::chrono::nanoseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
                   .count();
}

PtyServer::~PtyServer() {
    RemoveLink();
    CloseTerminal();
}

void PtyServer::RemoveLink() {
    if (!linked_) {
        return;
    }
    linked_ = false;
    // Remove the link only while it still names this server's terminal.
    char target[4096];
    const ssize_t n = readlink(linkPath_.c_str(), target, sizeof target - 1);
    if (n > 0) {
        target[n] = '\0';
        if (slavePath_ == target) {
            unlink(linkPath_.c_str());
        }
    }
}

void PtyServer::CloseTerminal() {
    if (slave_ >= 0) {
        close(slave_);
    }
    if (master_ >= 0) {
        close(master_);
    }
    slave_ = -1;
    master_ = -1;
}

void PtyServer::Open(const std::string& linkPath) {
    linkPath_ = linkPath;
    CreateTerminal();
}

void PtyServer::RefuseLiveLink() const {
    // A link that leads to a terminal still in use belongs to another server: taking it over
    // would leave that one's host talking to nobody. A link whose terminal is gone (its server
    // ended without removing it) is stale, and replaced below.
    struct stat target {};
    if (!linkPath_.empty() && stat(linkPath_.c_str(), &target) == 0 && S_ISCHR(target.st_mode)) {
        char name[4096] = {};
        const ssize_t n = readlink(linkPath_.c_str(), name, sizeof name - 1);
        throw std::runtime_error(
            linkPath_ + " already leads to " +
            (n > 0 ? std::string(name, static_cast<std::size_t>(n)) : std::string("a terminal")) +
            ", a terminal in use (another vorin-sim?); stop that one, or "
            "remove the link if nothing serves it");
    }
}

void PtyServer::CreateTerminal() {
    // Also when the receiver comes back on the bus: another server may have taken the link
    // meanwhile.
    RefuseLiveLink();
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0) {
        throw SystemError("cannot create a pseudo-terminal");
    }
    if (grantpt(master_) != 0 || unlockpt(master_) != 0) {
        throw SystemError("cannot unlock the pseudo-terminal");
    }
    const char* name = ptsname(master_);
    if (name == nullptr) {
        throw SystemError("cannot name the pseudo-terminal");
    }
    slavePath_ = name;
    slave_ = open(slavePath_.c_str(), O_RDWR | O_NOCTTY);
    if (slave_ < 0) {
        throw SystemError("cannot open " + slavePath_);
    }
    // Raw until the host configures the line: no echo of the host's bytes, no line editing.
    termios tio{};
    if (tcgetattr(slave_, &tio) == 0) {
        cfmakeraw(&tio);
        cfsetispeed(&tio, B9600);
        cfsetospeed(&tio, B9600);
        tcsetattr(slave_, TCSANOW, &tio);
    }
    const int flags = fcntl(master_, F_GETFL);
    fcntl(master_, F_SETFL, flags | O_NONBLOCK);
    if (released_) {
        releaseWatch_ = std::make_unique<ReleaseWatch>(slavePath_);
    }

    if (!linkPath_.empty()) {
        struct stat info {};
        if (lstat(linkPath_.c_str(), &info) == 0) {
            if (!S_ISLNK(info.st_mode)) {
                errno = EEXIST;
                throw SystemError("will not replace " + linkPath_ + ", which is not a link");
            }
            unlink(linkPath_.c_str());
        }
        if (symlink(slavePath_.c_str(), linkPath_.c_str()) != 0) {
            throw SystemError("cannot link " + linkPath_);
        }
        linked_ = true;
    }
}

sim::LineSettings PtyServer::HostLine() const {
    sim::LineSettings line;
    termios tio{};
    if (tcgetattr(slave_, &tio) != 0) {
        return line;
    }
    line.baud = SpeedToBaud(cfgetospeed(&tio));
    line.dataBits = (tio.c_cflag & CSIZE) == CS7 ? 7 : (tio.c_cflag & CSIZE) == CS8 ? 8 : 0;
    line.stopBits = (tio.c_cflag & CSTOPB) != 0 ? 2 : 1;
    if ((tio.c_cflag & PARENB) == 0) {
        line.parity = 'N';
    } else if ((tio.c_cflag & CMSPAR) != 0) {
        line.parity = (tio.c_cflag & PARODD) != 0 ? 'M' : 'S';
    } else {
        line.parity = (tio.c_cflag & PARODD) != 0 ? 'O' : 'E';
    }
    return line;
}

std::int64_t PtyServer::NowNs() const {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
               .count() -
           startNs_;
}

std::uint64_t PtyServer::NowMs() const {
    return static_cast<std::uint64_t>(NowNs() / 1000000);
}

void PtyServer::Deliver() {
    const sim::Bytes there = fromHost_.Take(NowNs());
    if (!there.empty()) {
        endpoint_.Receive(there.data(), there.size(), HostLine(), NowMs());
    }
}

void PtyServer::Flush() {
    const sim::LineSettings line = HostLine();
    toHost_.Push(endpoint_.TransmitAll(line, NowMs()), line.baud, NowNs());
    const sim::Bytes due = toHost_.Take(NowNs());
    unsent_.insert(unsent_.end(), due.begin(), due.end());
    while (!unsent_.empty()) {
        const ssize_t n = write(master_, unsent_.data(), unsent_.size());
        if (n <= 0) {
            return;  // the terminal's buffer is full: poll for room
        }
        unsent_.erase(unsent_.begin(), unsent_.begin() + n);
    }
}

bool PtyServer::CheckHangUp() {
    if (hungUp_) {
        return true;
    }
    if (!hangUp_) {
        return false;
    }
    if (!hangUpAtMs_ && hangUp_->Reached(counters_())) {
        hangUpAtMs_ = NowMs() + hangUp_->delayMs;
    }
    if (!hangUpAtMs_ || NowMs() < *hangUpAtMs_) {
        return false;
    }
    // The link goes first, so that a host reopening the port finds nothing rather than another
    // program's terminal under a reused name.
    RemoveLink();
    CloseTerminal();
    hungUp_ = true;
    std::fprintf(stderr, "vorin-sim: hung up on %s\n", slavePath_.c_str());
    return true;
}

bool PtyServer::FollowBus() {
    const std::uint64_t now = NowMs();
    const bool onBus = endpoint_.OnBus(now);
    if (!onBus && master_ >= 0) {
        // Whatever the receiver had not sent yet, and what was on the line, leaves with the
        // device.
        endpoint_.TransmitAll(HostLine(), now);
        unsent_.clear();
        fromHost_.Clear();
        toHost_.Clear();
        RemoveLink();
        CloseTerminal();
        std::fprintf(stderr, "vorin-sim: off the bus: %s%s removed\n", slavePath_.c_str(),
                     linkPath_.empty() ? "" : (" and " + linkPath_).c_str());
    } else if (onBus && master_ < 0) {
        CreateTerminal();
        std::fprintf(stderr, "vorin-sim: back on the bus on %s%s\n", slavePath_.c_str(),
                     linkPath_.empty() ? "" : (" (linked at " + linkPath_ + ")").c_str());
    }
    return !onBus;
}

void PtyServer::OnRelease(std::function<void(std::uint64_t nowMs)> released) {
    released_ = std::move(released);
}

bool PtyServer::ReadHost() {
    std::uint8_t buffer[4096];
    const ssize_t n = read(master_, buffer, sizeof buffer);
    if (n <= 0) {
        return false;
    }
    fromHost_.Push(buffer, static_cast<std::size_t>(n), HostLine().baud, NowNs());
    Deliver();
    return true;
}

void PtyServer::TakeRelease() {
    if (!releaseWatch_ || master_ < 0) {
        return;
    }
    const ReleaseWatch::Release release = releaseWatch_->TakeRelease();
    if (release == ReleaseWatch::Release::kNone) {
        return;
    }
    // Bytes the closed host wrote last are its own; once the next host has the port, what
    // waits unread may be that host's first request, which the fresh receiver must hear.
    if (release == ReleaseWatch::Release::kReleased) {
        while (ReadHost()) {
        }
    }
    released_(NowMs());
    unsent_.clear();
    fromHost_.Clear();
    toHost_.Clear();
    tcflush(slave_, TCIFLUSH);
}

PtyServer::Wait PtyServer::Prepare() {
    constexpr std::int64_t kMs = 1'000'000;
    if (CheckHangUp()) {
        return {-1, 0, -1, 50 * kMs};
    }
    if (FollowBus()) {
        return {-1, 0, -1, 10 * kMs};
    }
    // A watch that is not there has descriptor -1, which poll passes over.
    const int watch = releaseWatch_ ? releaseWatch_->Descriptor() : -1;
    const std::int64_t now = NowNs();
    if (now < idleUntilNs_) {
        return {-1, 0, watch, idleUntilNs_ - now};
    }
    Deliver();
    Flush();
    std::int64_t wakeNs = now + (hangUpAtMs_ ? 10 : 200) * kMs;
    if (const auto next = endpoint_.NextEventMs()) {
        wakeNs = std::min(wakeNs, static_cast<std::int64_t>(*next) * kMs);
    }
    for (const std::optional<std::int64_t> next : {fromHost_.NextNs(), toHost_.NextNs()}) {
        if (next) {
            wakeNs = std::min(wakeNs, *next);
        }
    }
    return {master_, static_cast<short>(POLLIN | (unsent_.empty() ? 0 : POLLOUT)), watch,
            std::max<std::int64_t>(0, wakeNs - now)};
}

void PtyServer::Handle(short revents, short watchRevents) {
    // A release first: the bytes that are waiting may be the next host's.
    if ((watchRevents & POLLIN) != 0) {
        TakeRelease();
    }
    if ((revents & POLLIN) != 0) {
        ReadHost();
    } else if ((revents & (POLLHUP | POLLERR)) != 0) {
        idleUntilNs_ = NowNs() + 20'000'000;  // no reader on the other side yet
    }
}

void PtyServer::Serve(const volatile std::sig_atomic_t& stop) {
    ServeAll({this}, stop);
}

void ServeAll(const std::vector<PtyServer*>& servers, const volatile std::sig_atomic_t& stop) {
    // Two descriptors a server: its terminal and its release watch.
    std::vector<pollfd> fds(2 * servers.size());
    while (stop == 0) {
        std::int64_t timeoutNs = 200'000'000;
        for (std::size_t i = 0; i < servers.size(); ++i) {
            const PtyServer::Wait wait = servers[i]->Prepare();
            fds[2 * i] = {wait.fd, wait.events, 0};
            fds[2 * i + 1] = {wait.watchFd, POLLIN, 0};
            timeoutNs = std::min(timeoutNs, wait.timeoutNs);
        }
        const timespec timeout{static_cast<time_t>(timeoutNs / 1'000'000'000),
                               static_cast<long>(timeoutNs % 1'000'000'000)};
        if (ppoll(fds.data(), fds.size(), &timeout, nullptr) < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw SystemError("cannot wait on the pseudo-terminals");
        }
        for (std::size_t i = 0; i < servers.size(); ++i) {
            const short revents = fds[2 * i].fd >= 0 ? fds[2 * i].revents : 0;
            const short watchRevents = fds[2 * i + 1].fd >= 0 ? fds[2 * i + 1].revents : 0;
            if (revents != 0 || watchRevents != 0) {
                servers[i]->Handle(revents, watchRevents);
            }
        }
    }
}

}  // namespace simfront
