#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/output_file.h"

namespace platform {
namespace {

constexpr const char* kNotRegular = "not a regular file";

bool IsRegular(int fd) {
    struct stat status {};
    return fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
}

}  // namespace

std::FILE* CreateOutputFile(const std::string& path, std::string& reason) {
    // Without O_NONBLOCK a FIFO that nobody reads would hold the open for ever; opened that way
    // it fails at once (ENXIO). Nothing is truncated before the file is known to be regular.
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
    if (fd < 0) {
        const int error = errno;
        struct stat status {};
        reason = stat(path.c_str(), &status) == 0 && !S_ISREG(status.st_mode)
                     ? kNotRegular
                     : std::strerror(error);
        return nullptr;
    }
    if (!IsRegular(fd)) {
        close(fd);
        reason = kNotRegular;
        return nullptr;
    }
    const int flags = fcntl(fd, F_GETFL);
    if (ftruncate(fd, 0) != 0 || flags < 0 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        reason = std::strerror(errno);
        close(fd);
        return nullptr;
    }
    std::FILE* file = fdopen(fd, "w");
    if (file == nullptr) {
        reason = std::strerror(errno);
        close(fd);
    }
    return file;
}

}  // namespace platform
