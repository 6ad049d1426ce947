#include <windows.h>

#include <atomic>
#include <string>
#include <vector>

#include "rack_children.h"

namespace {

std::atomic<int> g_interrupts{0};

std::int64_t CpuMs(HANDLE process) {
    FILETIME created{}, exited{}, kernel{}, user{};
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) {
        return -1;
    }
    const auto ticks = [](const FILETIME& time) {
        return (static_cast<std::int64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    };
    return (ticks(kernel) + ticks(user)) / 10000;  // 100 ns ticks
}

BOOL WINAPI OnConsoleControl(DWORD type) {
    if (type != CTRL_C_EVENT && type != CTRL_BREAK_EVENT) {
        return FALSE;
    }
    g_interrupts.fetch_add(1);
    return TRUE;
}

// One argument as the child's C runtime splits its command line back: quoted when it holds a
// space, a tab or a quote; backslashes before a quote (and before the closing one) doubled.
std::string Quoted(const std::string& arg) {
    if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) {
        return arg;
    }
    std::string quoted = "\"";
    std::size_t backslashes = 0;
    for (const char c : arg) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, '\\');
    return quoted + "\"";
}

}  // namespace

// The pipes are read by a thread each (a pipe on Windows has no poll); what they read waits in
// a list for Wait, guarded by a critical section (the compiler's thread model has no mutex).
struct RackChildren::Child {
    struct Reader {
        Child* child = nullptr;
        bool events = false;
        HANDLE pipe = nullptr;
        HANDLE thread = nullptr;
        bool closed = true;
    };
    std::size_t index = 0;
    PROCESS_INFORMATION process{};
    bool running = false;
    Reader readers[2];
};

namespace {

struct Shared {
    CRITICAL_SECTION lock;
    HANDLE wake;
    std::vector<RackChildren::Output> queue;
};

Shared& Common() {
    static Shared* shared = [] {
        auto* made = new Shared;
        InitializeCriticalSection(&made->lock);
        made->wake = CreateEventA(nullptr, FALSE, FALSE, nullptr);
        return made;
    }();
    return *shared;
}

DWORD WINAPI ReadPipe(LPVOID parameter) {
    auto& reader = *static_cast<RackChildren::Child::Reader*>(parameter);
    Shared& shared = Common();
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(reader.pipe, buffer, sizeof buffer, &got, nullptr) && got > 0) {
        EnterCriticalSection(&shared.lock);
        shared.queue.push_back({reader.child->index, reader.events, std::string(buffer, got)});
        LeaveCriticalSection(&shared.lock);
        SetEvent(shared.wake);
    }
    EnterCriticalSection(&shared.lock);
    reader.closed = true;
    LeaveCriticalSection(&shared.lock);
    SetEvent(shared.wake);
    return 0;
}

}  // namespace

RackChildren::RackChildren(std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        children_.push_back(std::make_unique<Child>());
        children_.back()->index = i;
    }
}

RackChildren::~RackChildren() {
    for (const std::unique_ptr<Child>& child : children_) {
        if (child->running) {
            TerminateProcess(child->process.hProcess, 1);
        }
        for (Child::Reader& reader : child->readers) {
            if (reader.thread != nullptr) {
                WaitForSingleObject(reader.thread, INFINITE);
                CloseHandle(reader.thread);
                CloseHandle(reader.pipe);
            }
        }
        if (child->process.hProcess != nullptr) {
            WaitForSingleObject(child->process.hProcess, INFINITE);
            CloseHandle(child->process.hProcess);
            CloseHandle(child->process.hThread);
        }
    }
}

bool RackChildren::Start(std::size_t index, const std::vector<std::string>& argv,
                         std::string& error) {
    Child& child = *children_[index];
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE writeEnds[2] = {nullptr, nullptr};
    for (int which = 0; which < 2; ++which) {
        Child::Reader& reader = child.readers[which];
        reader.child = &child;
        reader.events = which == 0;
        if (!CreatePipe(&reader.pipe, &writeEnds[which], &inherit, 0)) {
            error = "cannot make a pipe (error " + std::to_string(GetLastError()) + ")";
            return false;
        }
        // Only the child's ends are inherited, and only by this child: the rack closes its
        // copies as soon as the child has them, so no later child holds them open.
        SetHandleInformation(reader.pipe, HANDLE_FLAG_INHERIT, 0);
    }
    HANDLE null = CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                              OPEN_EXISTING, 0, nullptr);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = null;
    startup.hStdOutput = writeEnds[0];
    startup.hStdError = writeEnds[1];
    std::string line;
    for (const std::string& arg : argv) {
        line.append(line.empty() ? "" : " ").append(Quoted(arg));
    }
    // A group of its own, so that the rack passes on each Ctrl+C as a Ctrl+Break to it alone.
    const BOOL started =
        CreateProcessA(argv[0].c_str(), line.data(), nullptr, nullptr, TRUE,
                       CREATE_NEW_PROCESS_GROUP, nullptr, nullptr, &startup, &child.process);
    const DWORD startError = GetLastError();
    CloseHandle(writeEnds[0]);
    CloseHandle(writeEnds[1]);
    if (null != INVALID_HANDLE_VALUE) {
        CloseHandle(null);
    }
    if (!started) {
        error = "cannot start " + argv[0] + " (error " + std::to_string(startError) + ")";
        for (Child::Reader& reader : child.readers) {
            CloseHandle(reader.pipe);
            reader.pipe = nullptr;
        }
        child.process = {};
        return false;
    }
    child.running = true;
    for (Child::Reader& reader : child.readers) {
        reader.closed = false;
        reader.thread = CreateThread(nullptr, 0, ReadPipe, &reader, 0, nullptr);
    }
    return true;
}

void RackChildren::Wait(int milliseconds, std::vector<Output>& output, std::vector<Ended>& ended) {
    Shared& shared = Common();
    WaitForSingleObject(shared.wake, static_cast<DWORD>(milliseconds));
    EnterCriticalSection(&shared.lock);
    output.insert(output.end(), shared.queue.begin(), shared.queue.end());
    shared.queue.clear();
    std::vector<Child*> done;
    for (const std::unique_ptr<Child>& child : children_) {
        if (child->running && child->readers[0].closed && child->readers[1].closed) {
            done.push_back(child.get());
        }
    }
    LeaveCriticalSection(&shared.lock);
    for (Child* child : done) {
        for (Child::Reader& reader : child->readers) {
            WaitForSingleObject(reader.thread, INFINITE);
            CloseHandle(reader.thread);
            CloseHandle(reader.pipe);
            reader.thread = nullptr;
            reader.pipe = nullptr;
        }
        WaitForSingleObject(child->process.hProcess, INFINITE);
        DWORD status = 1;
        GetExitCodeProcess(child->process.hProcess, &status);
        const std::int64_t cpuMs = CpuMs(child->process.hProcess);
        CloseHandle(child->process.hProcess);
        CloseHandle(child->process.hThread);
        child->process = {};
        child->running = false;
        ended.push_back({child->index, static_cast<int>(status), 0, cpuMs, -1});
    }
}

void RackChildren::Cancel(std::size_t index) {
    if (children_[index]->running) {
        GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, children_[index]->process.dwProcessId);
    }
}

std::size_t RackChildren::Running() const {
    std::size_t running = 0;
    for (const std::unique_ptr<Child>& child : children_) {
        running += child->running ? 1U : 0U;
    }
    return running;
}

void RackChildren::CatchInterrupts(bool on) {
    SetConsoleCtrlHandler(OnConsoleControl, on ? TRUE : FALSE);
}

int RackChildren::TakeInterrupts() {
    return g_interrupts.exchange(0);
}

std::string RackChildren::SelfPath() {
    char path[MAX_PATH * 4] = {};
    const DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    return n > 0 && n < sizeof path ? std::string(path, n) : std::string();
}

int RackChildren::TerminalColumns(std::size_t) {
    return 0;
}

std::string RackChildren::ScratchFolder() {
    char temp[MAX_PATH + 1] = {};
    const DWORD n = GetTempPathA(sizeof temp, temp);
    return std::string(temp, n) + "vantor-rack-" + std::to_string(GetCurrentProcessId());
}

void RackChildren::OwnUsage(std::int64_t& cpuMs, std::int64_t& peakMemoryKb) {
    cpuMs = CpuMs(GetCurrentProcess());
    peakMemoryKb = -1;
}
