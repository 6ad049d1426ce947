#include <windows.h>
// After windows.h, which they build on.
#include <psapi.h>
#include <winternl.h>

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "process_figures.h"

// Wine answers none of these questions for a process: GetProcessHandleCount gives 0,
// GetGuiResources is not implemented and PrivateUsage is 0. There the host counts for itself:
// the handle values that have flags, the live entries of Wine's GDI handle table, its own
// windows, and its committed private memory.
namespace {

bool UnderWine() {
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

long long CountHandles() {
    DWORD count = 0;
    if (GetProcessHandleCount(GetCurrentProcess(), &count) != 0 && count > 0) {
        return count;
    }
    // Handle values are multiples of 4 from 4, and a new handle takes the lowest free slot: the
    // table ends where a long run of values has none.
    long long found = 0;
    int gap = 0;
    for (std::uintptr_t value = 4; gap < 1024; value += 4) {
        DWORD flags = 0;
        if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags) != 0) {
            ++found;
            gap = 0;
        } else {
            ++gap;
        }
    }
    return found;
}

// One entry of Wine's GDI handle table, which its PEB's GdiSharedHandleTable points at (the
// same 24-byte layout for 32- and 64-bit processes).
#pragma pack(push, 1)
struct WineGdiEntry {
    std::uint64_t object;
    std::uint16_t processId;
    std::uint16_t count;
    std::uint16_t unique;  // the upper half of the handle
    std::uint8_t type;
    std::uint8_t flags;
    std::uint64_t userPointer;
};
#pragma pack(pop)
static_assert(sizeof(WineGdiEntry) == 24);

// The process's PEB, as ntdll tells it.
const unsigned char* ProcessBlock() {
    using QueryFn = LONG(WINAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
    const FARPROC symbol =
        GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess");
    if (symbol == nullptr) {
        return nullptr;
    }
    QueryFn query = nullptr;
    static_assert(sizeof query == sizeof symbol);
    std::memcpy(&query, &symbol, sizeof query);
    PROCESS_BASIC_INFORMATION basic{};
    if (query(GetCurrentProcess(), ProcessBasicInformation, &basic, sizeof basic, nullptr) != 0) {
        return nullptr;
    }
    return reinterpret_cast<const unsigned char*>(basic.PebBaseAddress);
}

long long CountWineGdiObjects() {
    const unsigned char* peb = ProcessBlock();
    if (peb == nullptr) {
        return -1;
    }
    const std::size_t tableOffset = sizeof(void*) == 4 ? 0x94 : 0xF8;
    const auto* table = *reinterpret_cast<const WineGdiEntry* const*>(peb + tableOffset);
    if (table == nullptr) {
        return -1;
    }
    long long live = 0;
    for (std::uint32_t index = 0; index < 0x10000; ++index) {
        const std::uintptr_t value =
            index | (static_cast<std::uint32_t>(table[index].unique) << 16);
        if (table[index].type != 0 && GetObjectType(reinterpret_cast<HGDIOBJ>(value)) != 0) {
            ++live;
        }
    }
    return live;
}

BOOL CALLBACK CountOwnWindow(HWND window, LPARAM parameter) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == GetCurrentProcessId()) {
        auto* count = reinterpret_cast<long long*>(parameter);
        ++*count;
        EnumChildWindows(window, CountOwnWindow, parameter);
    }
    return TRUE;
}

long long CountOwnWindows() {
    long long count = 0;
    EnumWindows(CountOwnWindow, reinterpret_cast<LPARAM>(&count));
    // Message-only windows are not among the top-level ones.
    for (HWND window = nullptr;
         (window = FindWindowExA(HWND_MESSAGE, window, nullptr, nullptr)) != nullptr;) {
        CountOwnWindow(window, reinterpret_cast<LPARAM>(&count));
    }
    return count;
}

long long CommittedPrivateBytes() {
    long long total = 0;
    MEMORY_BASIC_INFORMATION region{};
    for (const char* at = nullptr;
         VirtualQuery(at, &region, sizeof region) == sizeof region && region.RegionSize > 0;
         at = static_cast<const char*>(region.BaseAddress) + region.RegionSize) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) {
            total += static_cast<long long>(region.RegionSize);
        }
    }
    return total;
}

long long PrivateBytes() {
    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof memory;
    if (GetProcessMemoryInfo(GetCurrentProcess(),
                             reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                             sizeof memory) != 0 &&
        memory.PrivateUsage > 0) {
        return static_cast<long long>(memory.PrivateUsage);
    }
    return CommittedPrivateBytes();
}

}  // namespace

std::vector<ProcessFigure> ProcessFigures() {
    const HANDLE self = GetCurrentProcess();
    const bool wine = UnderWine();
    static bool told = false;
    if (wine && !told) {
        told = true;
        std::fprintf(stderr,
                     "vantor-host: Wine counts no handles, GDI or USER objects or private bytes "
                     "of a process; the figures are the host's own count\n");
    }
    return {{"handles", CountHandles()},
            {"gdiObjects", wine ? CountWineGdiObjects()
                                : static_cast<long long>(GetGuiResources(self, GR_GDIOBJECTS))},
            {"userObjects", wine ? CountOwnWindows()
                                 : static_cast<long long>(GetGuiResources(self, GR_USEROBJECTS))},
            {"privateBytes", PrivateBytes()}};
}
