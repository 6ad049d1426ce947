// CSerialInterface on a Windows COM port: overlapped file I/O on "\\.\COM%d" that every call
// waits on, so each call blocks from the caller's point of view. The port's own time-outs shape
// reads and writes; a bound a little above them keeps a driver that ignores them (Wine's serial
// driver, some USB serial drivers) from hanging the host.
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "transport/serial_com_exception.h"
#include "transport/serial_interface.h"
#include "transport/serial_settings.h"

// One direction's overlapped record with its own manual-reset event, and the bytes the system
// reads from or writes into while an operation is pending. The transport owns them so that an
// operation whose cancellation never lands (a driver that has lost its device may not end it)
// leaves the system nothing freed or reused to touch.
struct IoSlot {
    OVERLAPPED overlap{};
    std::vector<std::uint8_t> bytes;
    bool pending = false;  // given up on while the system still held it
};

struct CSerialInterface::Native {
    HANDLE port = nullptr;  // never INVALID_HANDLE_VALUE: 0 means closed
    std::unique_ptr<IoSlot> read;
    std::unique_ptr<IoSlot> write;
    // Fixed at OpenPort from the rate of that moment, as the port's write time-outs are.
    std::uint32_t writeMultiplierMs = 0;
    // Bytes taken from the driver and not yet handed out. A reply is read a byte at a time, and
    // one system read per byte costs more than the wire does under Wine (a 2048-byte block took
    // longer than its reply time-out there); the driver's whole queue is taken at once instead.
    // Purged with the driver's input.
    std::vector<std::uint8_t> ahead;
    std::size_t aheadFirst = 0;
};

namespace {

// How much longer than the port's own time-out a pending read or write may take before it is
// cancelled. A driver that honours the time-outs never reaches it.
constexpr DWORD kPendingMarginMs = 500;

// A pending read ends by itself after the read time-out; past this it is cancelled.
constexpr DWORD kPendingReadBoundMs = serial::kReadTimeoutMs + kPendingMarginMs;

long LastError() {
    return static_cast<long>(GetLastError());
}

// How long a cancelled operation may take to end. Past it the system still holds the record and
// the bytes: the operation has failed, and its slot waits until the system lets go of it.
constexpr DWORD kCancelBoundMs = 1000;

// A slot with a fresh manual-reset event, not signalled; nullptr when no event can be made.
std::unique_ptr<IoSlot> MakeSlot() {
    const HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (event == nullptr) {
        return nullptr;
    }
    auto slot = std::make_unique<IoSlot>();
    slot->overlap.hEvent = event;
    return slot;
}

// Readies the slot for a new operation of count bytes: every field of the record cleared, the
// event kept and reset. False while an operation given up on is still held by the system.
bool Rearm(IoSlot& slot, DWORD count) {
    if (slot.pending) {
        if (WaitForSingleObject(slot.overlap.hEvent, 0) != WAIT_OBJECT_0) {
            return false;
        }
        slot.pending = false;
    }
    const HANDLE event = slot.overlap.hEvent;
    slot.overlap = OVERLAPPED{};
    slot.overlap.hEvent = event;
    ResetEvent(event);
    if (slot.bytes.size() < count) {
        slot.bytes.resize(count);
    }
    return true;
}

// Frees a slot once its port handle is closed, which ends whatever was pending on it. A slot that
// the system still holds even then is left to it: a few bytes kept rather than memory reused
// under a pending operation.
void ReleaseSlot(std::unique_ptr<IoSlot>& slot) {
    if (!slot) {
        return;
    }
    if (slot->pending &&
        WaitForSingleObject(slot->overlap.hEvent, kCancelBoundMs) != WAIT_OBJECT_0) {
        static_cast<void>(slot.release());
        return;
    }
    CloseHandle(slot->overlap.hEvent);
    slot.reset();
}

// How a pending operation ended that did not succeed.
struct PendingFailure {
    DWORD error = ERROR_SUCCESS;
    bool cancelledHere = false;  // the bound ran out and this transport cancelled it
    bool abandoned = false;      // and the cancellation did not land either
};

// The endings of a read that brought whatever bytes it counts, and no failure: the port's own
// time-out, or the cancellation after the bound. An abort that this transport did not ask for
// (a USB adapter pulled out aborts pending reads) is a failure.
bool IsNoByteEnding(const PendingFailure& failure) {
    return failure.error == ERROR_TIMEOUT ||
           (failure.error == ERROR_OPERATION_ABORTED && failure.cancelledHere);
}

// Waits for the slot's pending operation at most boundMs. When it is still pending then, cancels
// it and waits for the cancellation to land, again bounded: a driver that ignores its time-outs
// may ignore the cancellation too. An operation that outlives both waits is given up on
// (failure.abandoned) and its slot marked pending. Returns false with the system error when the
// operation failed; the transferred count is in transferred either way.
bool FinishPending(HANDLE port, IoSlot& slot, DWORD boundMs, DWORD& transferred,
                   PendingFailure& failure) {
    transferred = 0;
    failure = PendingFailure{};
    OVERLAPPED& overlap = slot.overlap;
    if (WaitForSingleObject(overlap.hEvent, boundMs) != WAIT_OBJECT_0) {
        // Fails with ERROR_NOT_FOUND when the operation completed in the meantime; the wait
        // below then returns at once.
        failure.cancelledHere = true;
        CancelIoEx(port, &overlap);
        if (WaitForSingleObject(overlap.hEvent, kCancelBoundMs) != WAIT_OBJECT_0) {
            slot.pending = true;
            failure.abandoned = true;
            failure.error = ERROR_TIMEOUT;
            return false;
        }
    }
    if (!GetOverlappedResult(port, &overlap, &transferred, FALSE)) {
        failure.error = GetLastError();
        if (failure.error == ERROR_IO_INCOMPLETE) {
            // Signalled yet not complete: still the system's.
            slot.pending = true;
            failure.abandoned = true;
            failure.error = ERROR_TIMEOUT;
        }
        return false;
    }
    return true;
}

DWORD ClampCount(std::size_t count) {
    return count > MAXDWORD ? MAXDWORD : static_cast<DWORD>(count);
}

}  // namespace

CSerialInterface::CSerialInterface() : CioInterface(true), native_(std::make_unique<Native>()) {}

CSerialInterface::~CSerialInterface() {
    CSerialInterface::ClosePort();
}

void CSerialInterface::OpenPort(int portNumber, int byteSizeIndex, int stopBitsIndex,
                                int parityIndex, int baudRateIndex) {
    // A port opened again starts afresh rather than leaking the handles it held.
    CSerialInterface::ClosePort();
    askedPortNumber_ = portNumber;

    // Every failure releases what was acquired and reports the port number asked for. The
    // system error is taken before the release calls can change it.
    const auto fail = [this, portNumber](int code, long error) {
        CSerialInterface::ClosePort();
        return CSerialComException(portNumber, code, error);
    };

    if (!serial::IsIndexOf(serial::kByteSizes, byteSizeIndex) ||
        !serial::IsIndexOf(serial::kStopBits, stopBitsIndex) ||
        !serial::IsIndexOf(serial::kParities, parityIndex) ||
        !serial::IsIndexOf(serial::kBaudRates, baudRateIndex)) {
        throw fail(CSerialComException::kSettingsFailed, ERROR_INVALID_PARAMETER);
    }
    const auto uz = [](int index) { return static_cast<std::size_t>(index); };
    const std::uint32_t rate = serial::kBaudRates[uz(baudRateIndex)];
    const std::uint8_t bits = serial::kByteSizes[uz(byteSizeIndex)];
    const std::uint8_t parity = serial::kParities[uz(parityIndex)];
    const std::uint8_t stop = serial::kStopBits[uz(stopBitsIndex)];

    // "\\.\COM%d" reaches ports above 9 as well.
    const std::string path = "\\\\.\\COM" + std::to_string(portNumber);

    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    BuildCommDCBA("", &dcb);  // the system's defaults; the four settings follow
    dcb.BaudRate = rate;
    dcb.ByteSize = bits;
    dcb.Parity = parity;
    dcb.StopBits = stop;

    const HANDLE port = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (port == INVALID_HANDLE_VALUE) {
        throw fail(CSerialComException::kOpenFailed, LastError());
    }
    native_->port = port;

    // Nothing depends on the capabilities; asked for the driver's sake only, failure ignored.
    COMMPROP properties{};
    GetCommProperties(port, &properties);

    if (!SetCommState(port, &dcb)) {
        throw fail(CSerialComException::kOpenFailed, LastError());
    }

    native_->read = MakeSlot();
    if (!native_->read) {
        throw fail(CSerialComException::kOpenFailed, LastError());
    }
    native_->write = MakeSlot();
    if (!native_->write) {
        throw fail(CSerialComException::kOpenFailed, LastError());
    }

    open_ = true;
    portNumber_ = portNumber;
    baudRate_ = rate;
    byteSize_ = bits;
    parity_ = parity;
    stopBits_ = stop;
    portName_ = path;

    // Closes the port itself when it fails; its 302 carries the port number just recorded.
    SetFlowControl(0);
    Purge(true, true);

    // A read returns what is buffered at once, else the first byte as soon as it comes, else
    // nothing after 2000 ms. A write may take 2000 ms plus a time per byte at the opening rate.
    native_->writeMultiplierMs = serial::WriteMultiplierMs(rate);
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = MAXDWORD;
    timeouts.ReadTotalTimeoutMultiplier = MAXDWORD;
    timeouts.ReadTotalTimeoutConstant = serial::kReadTimeoutMs;
    timeouts.WriteTotalTimeoutMultiplier = native_->writeMultiplierMs;
    timeouts.WriteTotalTimeoutConstant = serial::kWriteConstantMs;
    if (!SetCommTimeouts(port, &timeouts)) {
        throw fail(CSerialComException::kOpenFailed, LastError());
    }
    Purge(true, true);
}

void CSerialInterface::ClosePort() {
    if (native_->port != nullptr) {
        Purge(true, true);
        CloseHandle(native_->port);
    }
    ReleaseSlot(native_->read);
    ReleaseSlot(native_->write);
    native_->ahead.clear();
    native_->aheadFirst = 0;
    native_->port = nullptr;
    open_ = false;
    portNumber_ = 0;
}

namespace {

// Runs one change of the line settings on the port's current settings block; any failure closes
// the port before code 302 is thrown.
template <typename Change>
void ChangeSettings(CSerialInterface& port, HANDLE handle, Change change) {
    const int portNumber = port.NamedPortNumber();
    if (handle == nullptr) {
        throw CSerialComException(portNumber, CSerialComException::kSettingsFailed,
                                  ERROR_INVALID_HANDLE);
    }
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(handle, &dcb) || !change(dcb) || !SetCommState(handle, &dcb)) {
        const long error = LastError();
        port.ClosePort();
        throw CSerialComException(portNumber, CSerialComException::kSettingsFailed, error);
    }
}

// The entry of table at index, or false with ERROR_INVALID_PARAMETER as the system error.
template <typename Table, typename Value>
bool Lookup(const Table& table, int index, Value& value) {
    if (!serial::IsIndexOf(table, index)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    value = table[static_cast<std::size_t>(index)];
    return true;
}

}  // namespace

void CSerialInterface::SetBaudRate(int baudRateIndex) {
    if (native_->port != nullptr) {
        Purge(true, true);
    }
    std::uint32_t rate = 0;
    ChangeSettings(*this, native_->port, [baudRateIndex, &rate](DCB& dcb) {
        if (!Lookup(serial::kBaudRates, baudRateIndex, rate)) {
            return false;
        }
        dcb.BaudRate = rate;
        return true;
    });
    baudRate_ = rate;
}

void CSerialInterface::SetParity(int parityIndex) {
    std::uint8_t parity = 0;
    ChangeSettings(*this, native_->port, [parityIndex, &parity](DCB& dcb) {
        if (!Lookup(serial::kParities, parityIndex, parity)) {
            return false;
        }
        dcb.Parity = parity;
        return true;
    });
    parity_ = parity;
}

void CSerialInterface::SetByteSize(int byteSizeIndex) {
    std::uint8_t bits = 0;
    ChangeSettings(*this, native_->port, [byteSizeIndex, &bits](DCB& dcb) {
        if (!Lookup(serial::kByteSizes, byteSizeIndex, bits)) {
            return false;
        }
        dcb.ByteSize = bits;
        return true;
    });
    byteSize_ = bits;
}

void CSerialInterface::SetStopBits(int stopBitsIndex) {
    std::uint8_t stop = 0;
    ChangeSettings(*this, native_->port, [stopBitsIndex, &stop](DCB& dcb) {
        if (!Lookup(serial::kStopBits, stopBitsIndex, stop)) {
            return false;
        }
        dcb.StopBits = stop;
        return true;
    });
    stopBits_ = stop;
}

// Bit 0: DSR output flow control with DTR as handshake, else DTR off. Bit 1: CTS output flow
// control with RTS as handshake, else RTS held on. Software flow control is always off.
void CSerialInterface::SetFlowControl(std::uint8_t flags) {
    ChangeSettings(*this, native_->port, [flags](DCB& dcb) {
        const bool dsrDtr = (flags & serial::kFlowDsrDtr) != 0;
        const bool ctsRts = (flags & serial::kFlowCtsRts) != 0;
        dcb.fOutxDsrFlow = dsrDtr ? TRUE : FALSE;
        dcb.fDtrControl = dsrDtr ? DTR_CONTROL_HANDSHAKE : DTR_CONTROL_DISABLE;
        dcb.fOutxCtsFlow = ctsRts ? TRUE : FALSE;
        dcb.fRtsControl = ctsRts ? RTS_CONTROL_HANDSHAKE : RTS_CONTROL_ENABLE;
        dcb.fOutX = FALSE;
        dcb.fInX = FALSE;
        dcb.XonChar = 0x11;
        dcb.XoffChar = 0x13;
        dcb.XonLim = 0;
        dcb.XoffLim = 0;
        return true;
    });
    flowControl_ = flags;
}

void CSerialInterface::SendBreak(std::uint32_t milliseconds) {
    // A port that cannot break (or is closed) is no failure here: the caller falls back to the
    // identification request when the break brings no answer.
    platform::Sleep(milliseconds);
    if (native_->port != nullptr) {
        SetCommBreak(native_->port);
    }
    platform::Sleep(milliseconds);
    if (native_->port != nullptr) {
        ClearCommBreak(native_->port);
    }
}

namespace {

void ClearErrors(HANDLE port) {
    DWORD errors = 0;
    COMSTAT status{};
    ClearCommError(port, &errors, &status);
}

// Bytes waiting in the driver's input buffer (0 when the driver cannot tell).
DWORD InputQueued(HANDLE port) {
    DWORD errors = 0;
    COMSTAT status{};
    return ClearCommError(port, &errors, &status) ? status.cbInQue : 0;
}

// One system read of up to wanted bytes, shaped by the port's read time-outs: what is buffered
// at once, else the first byte as it comes, else nothing after the time-out. The system reads
// into the slot's bytes; they are copied to buffer once it has let go of them.
DWORD ReadOnce(HANDLE port, IoSlot& slot, std::uint8_t* buffer, DWORD wanted, int portNumber) {
    if (!Rearm(slot, wanted)) {
        throw CSerialComException(portNumber, CSerialComException::kReadFailed, ERROR_IO_PENDING);
    }
    DWORD got = 0;
    if (ReadFile(port, slot.bytes.data(), wanted, &got, &slot.overlap)) {
        // Completed at once with what was buffered. Bytes that arrive right after a short read
        // belong to the same reply: clear the error state but discard nothing.
        if (got < wanted) {
            ClearErrors(port);
        }
    } else {
        const DWORD error = GetLastError();
        if (error != ERROR_IO_PENDING) {
            ClearErrors(port);
            throw CSerialComException(portNumber, CSerialComException::kReadFailed,
                                      static_cast<long>(error));
        }
        // Wine does not honour the read time-out on an empty line: bound the wait, then cancel.
        // A cancelled read may already hold bytes; its count says how many. A read whose
        // cancellation never lands is a failure: the port no longer answers.
        PendingFailure failure;
        if (!FinishPending(port, slot, kPendingReadBoundMs, got, failure)) {
            if (!failure.abandoned) {
                ClearErrors(port);
            }
            if (failure.abandoned || !IsNoByteEnding(failure)) {
                throw CSerialComException(portNumber, CSerialComException::kReadFailed,
                                          static_cast<long>(failure.error));
            }
        } else if (got < wanted) {
            ClearErrors(port);
        }
    }
    if (got > wanted) {
        got = wanted;
    }
    std::memcpy(buffer, slot.bytes.data(), got);
    return got;
}

}  // namespace

namespace {

// How much one refill of the read-ahead takes from the driver at most.
constexpr DWORD kReadAheadBytes = 4096;

// Reads what the driver holds, up to wanted bytes: what is buffered, or the first byte and then
// what followed it. Wine's driver holds a larger read until its count is full or the bound
// cancels it, where Windows returns on the first byte, so no read asks for more than is queued.
DWORD ReadAvailable(HANDLE port, IoSlot& slot, std::uint8_t* buffer, DWORD wanted, int portNumber) {
    DWORD queued = InputQueued(port);
    if (queued > 0) {
        return ReadOnce(port, slot, buffer, queued < wanted ? queued : wanted, portNumber);
    }
    DWORD got = ReadOnce(port, slot, buffer, 1, portNumber);
    if (got == 1 && wanted > 1) {
        queued = InputQueued(port);
        if (queued > 0) {
            got += ReadOnce(port, slot, buffer + 1, queued < wanted - 1 ? queued : wanted - 1,
                            portNumber);
        }
    }
    return got;
}

}  // namespace

std::size_t CSerialInterface::Read(std::uint8_t* buffer, std::size_t count) {
    const HANDLE port = native_->port;
    if (port == nullptr) {
        throw CSerialComException(NamedPortNumber(), CSerialComException::kReadFailed,
                                  ERROR_INVALID_HANDLE);
    }
    if (count == 0) {
        return 0;
    }
    std::vector<std::uint8_t>& ahead = native_->ahead;
    if (native_->aheadFirst == ahead.size()) {
        ahead.resize(kReadAheadBytes);
        native_->aheadFirst = 0;
        try {
            ahead.resize(
                ReadAvailable(port, *native_->read, ahead.data(), kReadAheadBytes, portNumber_));
        } catch (...) {
            ahead.clear();
            throw;
        }
    }
    const std::size_t held = ahead.size() - native_->aheadFirst;
    const std::size_t given = count < held ? count : held;
    std::memcpy(buffer, ahead.data() + native_->aheadFirst, given);
    native_->aheadFirst += given;
    return given;
}

void CSerialInterface::Write(const std::uint8_t* buffer, std::size_t count) {
    const HANDLE port = native_->port;
    if (port == nullptr) {
        throw CSerialComException(NamedPortNumber(), CSerialComException::kWriteFailed,
                                  ERROR_INVALID_HANDLE);
    }
    if (count == 0) {
        return;
    }
    const DWORD wanted = ClampCount(count);
    if (wanted < count) {
        throw CSerialComException(portNumber_, CSerialComException::kWriteFailed,
                                  ERROR_INVALID_PARAMETER);
    }
    // A write that ends short ran into the port's write time-out.
    const auto shortWrite = [this] {
        return CSerialComException(portNumber_, CSerialComException::kWriteFailed, ERROR_TIMEOUT);
    };
    // The system writes from the slot's own copy, which outlives a write it never lets go of.
    IoSlot& slot = *native_->write;
    if (!Rearm(slot, wanted)) {
        throw CSerialComException(portNumber_, CSerialComException::kWriteFailed, ERROR_IO_PENDING);
    }
    std::memcpy(slot.bytes.data(), buffer, wanted);

    DWORD written = 0;
    if (WriteFile(port, slot.bytes.data(), wanted, &written, &slot.overlap)) {
        if (written < wanted) {
            throw shortWrite();
        }
        return;
    }
    DWORD error = GetLastError();
    if (error != ERROR_IO_PENDING) {
        throw CSerialComException(portNumber_, CSerialComException::kWriteFailed,
                                  static_cast<long>(error));
    }
    // Bounded a little above the port's write time-out; a write still pending then is
    // cancelled and reported, not taken for done.
    const std::uint64_t limit = static_cast<std::uint64_t>(serial::kWriteConstantMs) +
                                static_cast<std::uint64_t>(native_->writeMultiplierMs) * wanted +
                                kPendingMarginMs;
    const DWORD boundMs = limit >= INFINITE ? INFINITE - 1 : static_cast<DWORD>(limit);
    PendingFailure failure;
    if (!FinishPending(port, slot, boundMs, written, failure)) {
        if (failure.error == ERROR_OPERATION_ABORTED && failure.cancelledHere) {
            throw shortWrite();
        }
        throw CSerialComException(portNumber_, CSerialComException::kWriteFailed,
                                  static_cast<long>(failure.error));
    }
    if (written < wanted) {
        throw shortWrite();
    }
}

void CSerialInterface::Purge(bool transmit, bool receive) {
    DWORD flags = 0;
    if (transmit) {
        flags |= PURGE_TXABORT | PURGE_TXCLEAR;
    }
    if (receive) {
        flags |= PURGE_RXABORT | PURGE_RXCLEAR;
        native_->ahead.clear();
        native_->aheadFirst = 0;
    }
    if (native_->port != nullptr && flags != 0) {
        PurgeComm(native_->port, flags);
    }
}
