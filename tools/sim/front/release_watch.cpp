#include "front/release_watch.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace simfront {

ReleaseWatch::ReleaseWatch(const std::string& path) {
    fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd_ < 0 || inotify_add_watch(fd_, path.c_str(), IN_OPEN | IN_CLOSE) < 0) {
        const std::string reason = std::strerror(errno);
        if (fd_ >= 0) {
            close(fd_);
        }
        throw std::runtime_error("cannot watch " + path + " for the host's closing: " + reason);
    }
}

ReleaseWatch::~ReleaseWatch() {
    close(fd_);
}

ReleaseWatch::Release ReleaseWatch::TakeRelease() {
    Release release = Release::kNone;
    alignas(inotify_event) char buffer[4096];
    ssize_t got = 0;
    while ((got = read(fd_, buffer, sizeof buffer)) > 0) {
        for (ssize_t at = 0; at < got;) {
            inotify_event event{};
            std::memcpy(&event, buffer + at, sizeof event);
            if ((event.mask & IN_OPEN) != 0 && opens_++ == 0 && release != Release::kNone) {
                release = Release::kReopened;
            }
            if ((event.mask & IN_CLOSE) != 0 && opens_ > 0 && --opens_ == 0) {
                release = Release::kReleased;
            }
            at += static_cast<ssize_t>(sizeof event + event.len);
        }
    }
    if (release == Release::kReleased && opens_ > 0) {
        release = Release::kReopened;
    }
    return release;
}

}  // namespace simfront
