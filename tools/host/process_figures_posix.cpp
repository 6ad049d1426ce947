#include <dirent.h>
#include <malloc.h>
#include <unistd.h>

#include <fstream>

#include "process_figures.h"

namespace {

// The entries of a folder of /proc/self, "." and ".." left out.
long long Entries(const char* path) {
    DIR* dir = opendir(path);
    if (dir == nullptr) {
        return -1;
    }
    long long count = 0;
    while (const dirent* entry = readdir(dir)) {
        count += entry->d_name[0] != '.' ? 1 : 0;
    }
    closedir(dir);
    return count;
}

long long ResidentKb() {
    std::ifstream statm("/proc/self/statm");
    long long size = 0;
    long long resident = 0;
    if (!(statm >> size >> resident)) {
        return -1;
    }
    return resident * sysconf(_SC_PAGESIZE) / 1024;
}

}  // namespace

// Built with AddressSanitizer, its allocator tells the bytes in use; freed blocks it holds back
// (its quarantine) are not among them.
extern "C" std::size_t __sanitizer_get_current_allocated_bytes() __attribute__((weak));

namespace {

// The bytes the program holds from the heap: a leak shows here before it shows as resident
// memory, and also when the leaked memory is still reachable (which the leak checker forgives).
long long HeapBytes() {
    if (__sanitizer_get_current_allocated_bytes != nullptr) {
        return static_cast<long long>(__sanitizer_get_current_allocated_bytes());
    }
    const struct mallinfo2 info = mallinfo2();
    return static_cast<long long>(info.uordblks + info.hblkhd);
}

}  // namespace

std::vector<ProcessFigure> ProcessFigures() {
    // The listing's own descriptor is among the entries of /proc/self/fd.
    return {{"fds", Entries("/proc/self/fd") - 1},
            {"threads", Entries("/proc/self/task")},
            {"rssKb", ResidentKb()},
            {"heapBytes", HeapBytes()}};
}
