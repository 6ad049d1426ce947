#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <cstring>

#include "platform/output_file.h"

namespace platform {
namespace {

std::string SystemText(DWORD error) {
    char text[256] = {};
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, error, 0, text, sizeof text, nullptr);
    std::string reason(text, length);
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' ||
                               reason.back() == ' ' || reason.back() == '.')) {
        reason.pop_back();
    }
    return reason.empty() ? "error " + std::to_string(error) : reason;
}

}  // namespace

std::FILE* CreateOutputFile(const std::string& path, std::string& reason) {
    // Opened without truncating: a named pipe or a device ("\\.\pipe\...", "CON", "COM1") is
    // closed again unchanged once its type shows it is no disk file, before anything is written
    // to it that a slow reader could hold up.
    HANDLE handle = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        reason = SystemText(GetLastError());
        return nullptr;
    }
    if (GetFileType(handle) != FILE_TYPE_DISK) {
        CloseHandle(handle);
        reason = "not a regular file";
        return nullptr;
    }
    if (!SetEndOfFile(handle)) {
        reason = SystemText(GetLastError());
        CloseHandle(handle);
        return nullptr;
    }
    // Text mode, as a stream opened with "w".
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_TEXT);
    if (fd < 0) {
        reason = std::strerror(errno);
        CloseHandle(handle);
        return nullptr;
    }
    std::FILE* file = _fdopen(fd, "w");
    if (file == nullptr) {
        reason = std::strerror(errno);
        _close(fd);  // also closes the handle
    }
    return file;
}

}  // namespace platform
