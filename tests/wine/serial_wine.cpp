// The Win32 serial transport under Wine, against a pseudo-terminal mapped to COM5 whose far end
// (serial_wine.py) answers every byte with byte ^ 0x5A and the question 0x3F with "S<speed>\n";
// 0x3E makes it stop reading for a while.
// Run through serial_wine.sh. Prints "N passed, M failed"; exit 0 only when nothing failed.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "platform/module.h"
#include "transport/serial_com_exception.h"
#include "transport/serial_interface.h"
#include "transport/serial_settings.h"

namespace {

constexpr int kPort = 5;
constexpr int kMissingPort = 7;
constexpr std::uint8_t kStall = 0x3E;
constexpr std::uint8_t kAskSpeed = 0x3F;
constexpr std::uint8_t kFlip = 0x5A;

int g_passed = 0;
int g_failed = 0;

void Check(bool ok, const std::string& what) {
    std::printf("%s %s\n", ok ? "ok    " : "FAILED", what.c_str());
    (ok ? g_passed : g_failed) += 1;
    std::fflush(stdout);
}

ULONGLONG NowMs() {
    return GetTickCount64();
}

void Open9600(CSerialInterface& port, int number = kPort) {
    port.OpenPort(number, serial::kByteSize8, serial::kOneStopBit, serial::kNoParity,
                  serial::kBaud9600);
}

// Runs call; returns the CSerialComException it threw, or code 0 when it threw none.
CSerialComException Thrown(const std::function<void()>& call) {
    try {
        call();
    } catch (const CSerialComException& e) {
        return e;
    }
    return CSerialComException(0, 0, 0);
}

// Reads until count bytes came or a read returned nothing.
std::vector<std::uint8_t> ReadAll(CSerialInterface& port, std::size_t count) {
    std::vector<std::uint8_t> bytes(count);
    std::size_t got = 0;
    while (got < count) {
        const std::size_t n = port.Read(bytes.data() + got, count - got);
        if (n == 0) {
            break;
        }
        got += n;
    }
    bytes.resize(got);
    return bytes;
}

// The line speed the far side sees, or "" when it did not answer.
std::string FarSpeed(CSerialInterface& port) {
    port.WriteByte(kAskSpeed);
    std::string answer;
    std::uint8_t byte = 0;
    while (answer.size() < 16 && port.ReadByte(byte)) {
        if (byte == '\n') {
            return answer;
        }
        answer.push_back(static_cast<char>(byte));
    }
    return {};
}

void CheckOpenAndSettings() {
    CSerialInterface port;
    try {
        Open9600(port);
    } catch (const CException& e) {
        Check(false, "COM5 opens: " + e.GetMessageText());
        return;
    }
    Check(port.IsOpen() && port.GetPortNumber() == kPort, "COM5 opens and reports port 5");
    Check(port.GetPortName() == "\\\\.\\COM5", "device path is \\\\.\\COM5");
    Check(FarSpeed(port) == "S9600", "far side sees 9600 baud after the open");
    port.SetBaudRate(serial::kBaud115200);
    Check(port.GetBaudRate() == 115200U, "SetBaudRate(12) records 115200");
    Check(FarSpeed(port) == "S115200", "far side sees 115200 baud after SetBaudRate(12)");
    port.SetParity(2);
    port.SetParity(0);
    port.SetFlowControl(serial::kFlowCtsRts);
    port.SetFlowControl(0);
    Check(port.IsOpen(), "parity and flow-control changes leave the port open");
    port.ClosePort();
    Check(!port.IsOpen() && port.GetPortNumber() == 0, "ClosePort leaves it closed, port 0");
    port.ClosePort();
    Open9600(port);
    Check(port.IsOpen(), "the same object opens again after closing");
}

void CheckBytesBothWays() {
    CSerialInterface port;
    Open9600(port);
    std::vector<std::uint8_t> out;
    for (int value = 0; value < 256; ++value) {
        if (value != kAskSpeed && value != kStall) {
            out.push_back(static_cast<std::uint8_t>(value));
        }
    }
    port.Write(out.data(), out.size());
    const std::vector<std::uint8_t> back = ReadAll(port, out.size());
    bool same = back.size() == out.size();
    for (std::size_t i = 0; same && i < out.size(); ++i) {
        same = back[i] == (out[i] ^ kFlip);
    }
    Check(same, "254 bytes out, the far side's 254 answers back unchanged (" +
                    std::to_string(back.size()) + " came)");

    // Three bytes waiting, ten asked for: the three at once, and nothing lost after them.
    const std::uint8_t three[3] = {0x01, 0x02, 0x03};
    port.Write(three, sizeof three);
    Sleep(300);  // the answers reach the line
    std::uint8_t buffer[10] = {};
    const ULONGLONG start = NowMs();
    const std::size_t n = port.Read(buffer, sizeof buffer);
    const ULONGLONG took = NowMs() - start;
    Check(n == 3 && buffer[0] == (0x01 ^ kFlip) && buffer[2] == (0x03 ^ kFlip),
          "3 buffered bytes, count 10: Read returns 3 (" + std::to_string(n) + ")");
    Check(took < 500, "... at once (" + std::to_string(took) + " ms)");
    port.WriteByte(0x04);
    std::uint8_t byte = 0;
    Check(port.ReadByte(byte) && byte == (0x04 ^ kFlip), "the next byte after a short read");

    // Nothing buffered, ten asked for, one answer on its way: back with it, not after the bound.
    port.WriteByte(0x05);
    const ULONGLONG asked = NowMs();
    const std::size_t one = port.Read(buffer, sizeof buffer);
    const ULONGLONG waited = NowMs() - asked;
    Check(one == 1 && buffer[0] == (0x05 ^ kFlip), "count 10 on an empty line gets the answer");
    Check(waited < 1000, "... as it comes (" + std::to_string(waited) + " ms)");
}

void CheckSilentLine() {
    CSerialInterface port;
    Open9600(port);
    std::uint8_t byte = 0;
    const ULONGLONG start = NowMs();
    const bool got = port.ReadByte(byte);
    const ULONGLONG took = NowMs() - start;
    Check(!got, "a silent line gives no byte");
    // The port's time-out is 2000 ms; Wine ignores it, and the bound cancels the read at 2500.
    Check(took >= 1900 && took < 4000,
          "... and returns within the bound (" + std::to_string(took) + " ms)");
    Check(port.IsOpen(), "... and leaves the port open");
    // A cancelled read loses nothing that comes later.
    port.WriteByte(0x21);
    Check(port.ReadByte(byte) && byte == (0x21 ^ kFlip), "a read after the cancelled one works");
}

void CheckHeldPort() {
    CSerialInterface holder;
    Open9600(holder);
    CSerialInterface second;
    const CSerialComException e = Thrown([&] { Open9600(second); });
    if (e.GetCode() == 0 && second.IsOpen()) {
        // Windows refuses a second open of a COM port (access denied); Wine shares it.
        std::printf("skip   a held port: this Wine opens COM5 a second time\n");
        return;
    }
    Check(e.GetCode() == CSerialComException::kOpenFailed && e.GetPortNumber() == kPort,
          "a held port gives 301 for port 5 (system error " + std::to_string(e.GetSystemError()) +
              ")");
    Check(!second.IsOpen() && second.GetPortNumber() == 0, "... and leaves the transport closed");
    holder.ClosePort();
    const CSerialComException again = Thrown([&] { Open9600(second); });
    Check(again.GetCode() == 0 && second.IsOpen(), "... which opens once the holder closed");
}

void CheckMissingPort() {
    CSerialInterface port;
    const CSerialComException e = Thrown([&] { Open9600(port, kMissingPort); });
    Check(e.GetCode() == CSerialComException::kOpenFailed, "port 7 without a device gives 301");
    Check(e.GetSystemError() == ERROR_FILE_NOT_FOUND,
          "... with the file-not-found error 2 (" + std::to_string(e.GetSystemError()) + ")");
    Check(e.GetPortNumber() == kMissingPort &&
              e.GetMessageText().find("[2] attempting to open COM7.") != std::string::npos,
          "... and a message naming COM7: " +
              e.GetMessageText().substr(0, e.GetMessageText().find('\n')));
    Check(!port.IsOpen() && port.GetPortNumber() == 0, "... and the transport stays closed");
}

void CheckClosedPort() {
    CSerialInterface port;
    std::uint8_t byte = 0;
    Check(Thrown([&] { port.ReadByte(byte); }).GetCode() == CSerialComException::kReadFailed,
          "reading a closed port gives 303");
    Check(Thrown([&] { port.WriteByte(1); }).GetCode() == CSerialComException::kWriteFailed,
          "writing a closed port gives 304");
    Check(Thrown([&] { port.SetParity(0); }).GetCode() == CSerialComException::kSettingsFailed,
          "changing a setting of a closed port gives 302");
    const ULONGLONG start = NowMs();
    port.SendBreak(100);
    Check(NowMs() - start >= 190, "SendBreak(100) on a closed port waits twice and returns");
    Open9600(port);
    port.SendBreak(100);
    Check(port.IsOpen(), "SendBreak on an open port returns and keeps it open");
}

void CheckStalledWrite() {
    CSerialInterface port;
    // 115200 baud: no time per byte, so the write may take 2000 ms and is cut off at 2500.
    port.OpenPort(kPort, serial::kByteSize8, serial::kOneStopBit, serial::kNoParity,
                  serial::kBaud115200);
    port.WriteByte(kStall);
    Sleep(200);  // the far side has stopped reading
    const std::vector<std::uint8_t> lots(1 << 20, 0x55);
    const ULONGLONG start = NowMs();
    const CSerialComException e = Thrown([&] { port.Write(lots.data(), lots.size()); });
    const ULONGLONG took = NowMs() - start;
    Check(e.GetCode() == CSerialComException::kWriteFailed,
          "a write the far side does not take gives 304 (system error " +
              std::to_string(e.GetSystemError()) + ")");
    Check(took < 5000, "... within the write bound (" + std::to_string(took) + " ms)");
    Check(port.IsOpen(), "... and leaves the port open");
}

// The process's open COM port: the handle that answers a line-settings query. The tests hold
// one port at a time.
HANDLE FindComHandle() {
    for (ULONG_PTR value = 4; value < 0x10000; value += 4) {
        const auto handle = reinterpret_cast<HANDLE>(value);
        DCB dcb{};
        dcb.DCBlength = sizeof dcb;
        if (GetFileType(handle) == FILE_TYPE_CHAR && GetCommState(handle, &dcb)) {
            return handle;
        }
    }
    return nullptr;
}

// Stands in for a driver whose device went away (a USB adapter pulled out): it aborts every
// pending operation on the port a moment after the read started.
DWORD WINAPI AbortPending(LPVOID handle) {
    Sleep(300);
    CancelIoEx(static_cast<HANDLE>(handle), nullptr);
    return 0;
}

void CheckAbortedRead() {
    CSerialInterface port;
    Open9600(port);
    const HANDLE handle = FindComHandle();
    Check(handle != nullptr, "the open port's handle is found");
    if (handle == nullptr) {
        return;
    }
    const HANDLE aborter = CreateThread(nullptr, 0, AbortPending, handle, 0, nullptr);
    std::uint8_t byte = 0;
    const ULONGLONG start = NowMs();
    const CSerialComException e = Thrown([&] { port.ReadByte(byte); });
    const ULONGLONG took = NowMs() - start;
    WaitForSingleObject(aborter, INFINITE);
    CloseHandle(aborter);
    Check(e.GetCode() == CSerialComException::kReadFailed &&
              e.GetSystemError() == ERROR_OPERATION_ABORTED,
          "a read that the plug-in did not cancel but the driver aborted gives 303 with error 995 "
          "(code " +
              std::to_string(e.GetCode()) + ", error " + std::to_string(e.GetSystemError()) + ")");
    Check(took < 2000,
          "... when it is aborted, not at the bound (" + std::to_string(took) + " ms)");
    Check(port.IsOpen(), "... and leaves the port open");
}

}  // namespace

int main() {
    // COM5 must lead to the far end that serial_wine.sh starts; without it every check would
    // fail for a reason that is not the transport's.
    if (GetEnvironmentVariableA("DEVVORIN_SERIAL_PEER", nullptr, 0) == 0) {
        std::printf(
            "serial_wine skipped: run it through tests/wine/serial_wine.sh, which maps "
            "COM5 to a pseudo-terminal with a far end\n");
        return 77;
    }
    // The message texts live in the plug-in's string table.
    HMODULE plugin = LoadLibraryExA("DevVorin.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE);
    Check(plugin != nullptr, "DevVorin.dll loads (its string table gives the messages)");
    platform::SetOwnModule(plugin);
    platform::SetResourceModule(plugin);
    const std::vector<std::pair<const char*, void (*)()>> groups = {
        {"open and settings", CheckOpenAndSettings},
        {"bytes both ways", CheckBytesBothWays},
        {"silent line", CheckSilentLine},
        {"aborted read", CheckAbortedRead},
        {"held port", CheckHeldPort},
        {"missing port", CheckMissingPort},
        {"closed port", CheckClosedPort},
        {"stalled write (last: the far side is slow after it)", CheckStalledWrite},
    };
    for (const auto& [name, group] : groups) {
        try {
            group();
        } catch (const CException& e) {
            Check(false, std::string(name) + ": unexpected failure: " + e.GetMessageText());
        }
    }
    platform::SetResourceModule(nullptr);
    platform::SetOwnModule(nullptr);
    if (plugin != nullptr) {
        FreeLibrary(plugin);
    }
    std::printf("serial_wine: %d passed, %d failed\n", g_passed, g_failed);
    return g_failed == 0 ? 0 : 1;
}
