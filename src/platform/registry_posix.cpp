#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <exception>
#include <optional>
#include <string>

#include "platform/registry_backend.h"

// POSIX stands in for HKEY_LOCAL_MACHINE with a ".reg" file named by DEVVORIN_REGISTRY_FILE. It
// is read afresh at every open, as the real registry would show later changes. The first read
// happens while the library loads: whatever the variable names, a key that cannot be had is
// only a key that does not open, and the defaults hold.
namespace platform::registry_backend {
namespace {

// The whole text of a regular file; nothing for anything else. A FIFO or a terminal would hold
// the load up waiting for a writer, so nothing here ever waits.
std::optional<std::string> ReadRegularFile(const char* path) {
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    std::optional<std::string> text;
    struct stat status {};
    if (fstat(fd, &status) == 0 && S_ISREG(status.st_mode)) {
        text.emplace();
        char buffer[16 * 1024];
        for (;;) {
            const ssize_t n = read(fd, buffer, sizeof buffer);
            if (n > 0) {
                text->append(buffer, static_cast<std::size_t>(n));
            } else if (n == 0) {
                break;
            } else if (errno != EINTR) {
                text.reset();
                break;
            }
        }
    }
    close(fd);
    return text;
}

}  // namespace

bool OpenSystemKey(const std::string& path, RegistryKey::Handle& handle) {
    const char* file = std::getenv("DEVVORIN_REGISTRY_FILE");
    if (file == nullptr || *file == '\0') {
        return false;
    }
    try {
        const std::optional<std::string> text = ReadRegularFile(file);
        if (!text) {
            return false;
        }
        const RegistryTree tree = RegistryTree::Parse(*text);
        const RegistryTree::Values* values = tree.FindKey(path);
        if (values == nullptr) {
            return false;
        }
        handle.snapshot = *values;
        return true;
    } catch (const std::exception&) {
        return false;  // out of memory on a huge file: as silent as any other registry failure
    }
}

std::optional<RegistryValue> QuerySystemValue(const RegistryKey::Handle&, const char*) {
    return std::nullopt;  // every POSIX key is a snapshot
}

void CloseSystemKey(RegistryKey::Handle& handle) {
    handle.native = nullptr;
}

}  // namespace platform::registry_backend
