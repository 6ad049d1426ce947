#pragma once

#include <string>

namespace simfront {

// Tells when the host has closed the terminal: the last program that opened it since the watch
// began has closed it again. The kernel reports each open of the device and each last close of
// an open (inotify), whatever path it was opened by (the link included) and however many times
// the descriptor was duplicated; the server's own descriptor, opened before, does not count.
class ReleaseWatch {
  public:
    // Watches the terminal at path; throws std::runtime_error with the reason.
    explicit ReleaseWatch(const std::string& path);
    ~ReleaseWatch();
    ReleaseWatch(const ReleaseWatch&) = delete;
    ReleaseWatch& operator=(const ReleaseWatch&) = delete;

    // Readable when an open or a close came.
    int Descriptor() const { return fd_; }
    // Takes the events that came; true when among them the terminal became closed by all.
    bool TakeRelease();

  private:
    int fd_ = -1;
    int opens_ = 0;  // opens not closed yet
};

}  // namespace simfront
