#pragma once

#include <string>

namespace simfront {

// Tells when the host has closed the terminal: the last program that opened it since the watch
// began has closed it again. The kernel reports each open of the device and each last close of
// an open (inotify), whatever path it was opened by (the link included) and however many times
// the descriptor was duplicated; the server's own descriptor, opened before, does not count.
// The kernel folds a report into an identical one before it that is still unread, so two
// programs that open the terminal at once count as one, and the first of them to close it
// releases it. A host opens its port once at a time (the plug-in even opens it exclusively).
class ReleaseWatch {
  public:
    // Watches the terminal at path; throws std::runtime_error with the reason.
    explicit ReleaseWatch(const std::string& path);
    ~ReleaseWatch();
    ReleaseWatch(const ReleaseWatch&) = delete;
    ReleaseWatch& operator=(const ReleaseWatch&) = delete;

    // Readable when an open or a close came.
    int Descriptor() const { return fd_; }
    enum class Release {
        kNone,      // no program closed the terminal for good
        kReleased,  // the last one closed it, and nobody has opened it since
        kReopened,  // the last one closed it, and another opened it again since
    };
    // Takes the events that came.
    Release TakeRelease();

  private:
    int fd_ = -1;
    int opens_ = 0;  // opens not closed yet
};

}  // namespace simfront
