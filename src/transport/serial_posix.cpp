// CSerialInterface on termios. COM n is the device named by DEVVORIN_COM<n>, else /dev/ttyS<n-1>.
// The contract is the one of the Windows port: exclusive open, raw 8-bit line, a read that returns
// what is buffered at once or waits up to 2000 ms for the first byte, a write bounded by the
// port's write time-out.
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <string>

#include "platform/clock.h"
#include "transport/serial_com_exception.h"
#include "transport/serial_interface.h"
#include "transport/serial_settings.h"

struct CSerialInterface::Native {
    int fd = -1;
    // False on a pseudo-terminal: it has no framing on a wire, and its driver forces 8 data bits
    // without parity whatever is asked.
    bool framed = true;
    // Fixed at OpenPort from the rate of that moment, as the Windows port's time-outs are.
    std::uint32_t writeMultiplierMs = 0;
};

namespace {

// How long a read waits for its first byte when nothing is buffered.
constexpr int kReadWaitMs = static_cast<int>(serial::kReadTimeoutMs);

// termios speed of a rate, or B0 when this platform has no such speed (56000, 128000, 256000
// and 14400 do not exist here).
speed_t SpeedOf(std::uint32_t rate) {
    switch (rate) {
        case 110:
            return B110;
        case 300:
            return B300;
        case 600:
            return B600;
        case 1200:
            return B1200;
        case 2400:
            return B2400;
        case 4800:
            return B4800;
        case 9600:
            return B9600;
        case 19200:
            return B19200;
        case 38400:
            return B38400;
        case 57600:
            return B57600;
        case 115200:
            return B115200;
        case 230400:
            return B230400;
#ifdef B460800
        case 460800:
            return B460800;
#endif
        default:
            return B0;
    }
}

// A pseudo-terminal (and some adapters) has no modem-control lines: such a line simply has no
// DTR/RTS, which is not a failure of the port.
bool IsNoModemLines(int error) {
    return error == ENOTTY || error == EINVAL;
}

std::string DevicePath(int portNumber) {
    const std::string variable = "DEVVORIN_COM" + std::to_string(portNumber);
    if (const char* path = std::getenv(variable.c_str()); path != nullptr && *path != '\0') {
        return path;
    }
    return "/dev/ttyS" + std::to_string(portNumber - 1);
}

// Sets the rate of a settings block; false (errno EINVAL) when the platform lacks it.
bool SetSpeed(termios& tio, std::uint32_t rate) {
    const speed_t speed = SpeedOf(rate);
    if (speed == B0 || cfsetispeed(&tio, speed) != 0 || cfsetospeed(&tio, speed) != 0) {
        errno = EINVAL;
        return false;
    }
    return true;
}

void SetDataBits(termios& tio, std::uint8_t bits) {
    tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE);
    tio.c_cflag |= bits == 7 ? CS7 : CS8;
}

// Parity codes of the device-control block: 0 none, 1 odd, 2 even, 3 mark, 4 space.
bool SetParityBits(termios& tio, std::uint8_t parity) {
    tcflag_t bits = 0;
    switch (parity) {
        case 0:
            break;
        case 1:
            bits = PARENB | PARODD;
            break;
        case 2:
            bits = PARENB;
            break;
#ifdef CMSPAR
        case 3:
            bits = PARENB | PARODD | CMSPAR;
            break;
        case 4:
            bits = PARENB | CMSPAR;
            break;
#endif
        default:
            errno = EINVAL;
            return false;
    }
    tcflag_t mask = PARENB | PARODD;
#ifdef CMSPAR
    mask |= CMSPAR;
#endif
    tio.c_cflag = (tio.c_cflag & ~mask) | bits;
    return true;
}

// Stop-bit codes: 0 one, 2 two. One and a half (1) exists only with 5 data bits on a UART, which
// this line never uses; it is refused rather than silently turned into two.
bool SetStopBitsCode(termios& tio, std::uint8_t code) {
    switch (code) {
        case 0:
            tio.c_cflag &= ~static_cast<tcflag_t>(CSTOPB);
            return true;
        case 2:
            tio.c_cflag |= CSTOPB;
            return true;
        default:
            errno = EINVAL;
            return false;
    }
}

// True when fd is the slave side of a pseudo-terminal.
bool IsPseudoTerminal(int fd) {
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode)) {
        return false;
    }
    // Character majors of pseudo-terminal slaves: 136-143, and 3 for the old style.
    const unsigned kind = major(st.st_rdev);
    return (kind >= 136 && kind <= 143) || kind == 3;
}

// Writes the settings and reads them back: a driver may accept the call but not a setting (an
// adapter without mark and space parity drops CMSPAR). A line without framing (framed false)
// is checked for the settings it keeps.
bool Apply(int fd, const termios& wanted, bool framed) {
    // A pseudo-terminal refuses a request whose only change is framing it drops (parity alone)
    // with EINVAL; what it keeps is checked below like any other line.
    if (tcsetattr(fd, TCSANOW, &wanted) != 0 && (framed || errno != EINVAL)) {
        return false;
    }
    termios actual{};
    if (tcgetattr(fd, &actual) != 0) {
        return false;
    }
    tcflag_t mask = CSTOPB | CRTSCTS;
    if (framed) {
        mask |= CSIZE | PARENB | PARODD;
#ifdef CMSPAR
        mask |= CMSPAR;
#endif
    }
    if ((actual.c_cflag & mask) != (wanted.c_cflag & mask) ||
        cfgetospeed(&actual) != cfgetospeed(&wanted)) {
        errno = EINVAL;
        return false;
    }
    return true;
}

// Raises or drops modem-control lines; a line without them is fine.
bool ModemLines(int fd, bool raise, int lines) {
    if (ioctl(fd, raise ? TIOCMBIS : TIOCMBIC, &lines) == 0) {
        return true;
    }
    return IsNoModemLines(errno);
}

}  // namespace

CSerialInterface::CSerialInterface() : CioInterface(true), native_(std::make_unique<Native>()) {}

CSerialInterface::~CSerialInterface() {
    CSerialInterface::ClosePort();
}

void CSerialInterface::OpenPort(int portNumber, int byteSizeIndex, int stopBitsIndex,
                                int parityIndex, int baudRateIndex) {
    // A port opened again starts afresh rather than leaking the descriptor it held.
    CSerialInterface::ClosePort();
    askedPortNumber_ = portNumber;

    const auto fail = [this, portNumber](int code, int error) {
        CSerialInterface::ClosePort();
        return CSerialComException(portNumber, code, error);
    };

    if (!serial::IsIndexOf(serial::kByteSizes, byteSizeIndex) ||
        !serial::IsIndexOf(serial::kStopBits, stopBitsIndex) ||
        !serial::IsIndexOf(serial::kParities, parityIndex) ||
        !serial::IsIndexOf(serial::kBaudRates, baudRateIndex)) {
        throw fail(CSerialComException::kSettingsFailed, EINVAL);
    }
    const auto uz = [](int index) { return static_cast<std::size_t>(index); };
    const std::uint32_t rate = serial::kBaudRates[uz(baudRateIndex)];
    const std::uint8_t bits = serial::kByteSizes[uz(byteSizeIndex)];
    const std::uint8_t parity = serial::kParities[uz(parityIndex)];
    const std::uint8_t stop = serial::kStopBits[uz(stopBitsIndex)];
    if (SpeedOf(rate) == B0) {
        throw fail(CSerialComException::kSettingsFailed, EINVAL);
    }

    const std::string path = DevicePath(portNumber);
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        throw fail(CSerialComException::kOpenFailed, errno);
    }

    // Held exclusively like a Windows port: TIOCEXCL stops other programs, the lock also stops
    // privileged ones and a second transport of this process. Until the lock is ours the line
    // may belong to another transport: a failure then closes this descriptor and nothing else,
    // so the holder keeps its unread bytes and its exclusive mode.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno == EWOULDBLOCK ? EBUSY : errno;
        close(fd);
        throw fail(CSerialComException::kOpenFailed, error);
    }
    native_->fd = fd;
    native_->framed = !IsPseudoTerminal(fd);
    if (ioctl(fd, TIOCEXCL) != 0 && !IsNoModemLines(errno)) {
        throw fail(CSerialComException::kOpenFailed, errno);
    }

    termios tio{};
    if (tcgetattr(fd, &tio) != 0) {
        throw fail(CSerialComException::kOpenFailed, errno);
    }
    cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    // One byte minimum: with O_NONBLOCK an empty line then reads as EAGAIN, and only a hang-up
    // reads as end of file.
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    SetDataBits(tio, bits);
    if (!SetSpeed(tio, rate) || !SetParityBits(tio, parity) || !SetStopBitsCode(tio, stop)) {
        throw fail(CSerialComException::kSettingsFailed, errno);
    }
    if (!Apply(fd, tio, native_->framed)) {
        throw fail(CSerialComException::kOpenFailed, errno);
    }

    open_ = true;
    portNumber_ = portNumber;
    baudRate_ = rate;
    byteSize_ = bits;
    parity_ = parity;
    stopBits_ = stop;
    portName_ = path;
    native_->writeMultiplierMs = serial::WriteMultiplierMs(rate);

    SetFlowControl(0);
    Purge(true, true);
}

void CSerialInterface::ClosePort() {
    if (native_->fd >= 0) {
        Purge(true, true);
        // The exclusive mode belongs to the terminal, not to this descriptor: a far side that
        // keeps the line open (a simulator on a pseudo-terminal) would otherwise lock out the
        // next open.
        ioctl(native_->fd, TIOCNXCL);
        close(native_->fd);  // also releases the lock
    }
    native_->fd = -1;
    open_ = false;
    portNumber_ = 0;
}

namespace {

// Runs one change of the line settings; any failure closes the port before code 302 is thrown.
template <typename Change>
void ChangeSettings(CSerialInterface& port, int fd, bool framed, Change change) {
    const int portNumber = port.NamedPortNumber();
    termios tio{};
    if (fd < 0) {
        throw CSerialComException(portNumber, CSerialComException::kSettingsFailed, EBADF);
    }
    if (tcgetattr(fd, &tio) != 0 || !change(tio) || !Apply(fd, tio, framed)) {
        const int error = errno;
        port.ClosePort();
        throw CSerialComException(portNumber, CSerialComException::kSettingsFailed, error);
    }
}

}  // namespace

void CSerialInterface::SetBaudRate(int baudRateIndex) {
    std::uint32_t rate = 0;
    if (serial::IsIndexOf(serial::kBaudRates, baudRateIndex)) {
        rate = serial::kBaudRates[static_cast<std::size_t>(baudRateIndex)];
    }
    if (native_->fd >= 0) {
        Purge(true, true);
    }
    ChangeSettings(*this, native_->fd, native_->framed,
                   [rate](termios& tio) { return SetSpeed(tio, rate); });
    baudRate_ = rate;
}

void CSerialInterface::SetParity(int parityIndex) {
    std::uint8_t parity = 0xFF;
    if (serial::IsIndexOf(serial::kParities, parityIndex)) {
        parity = serial::kParities[static_cast<std::size_t>(parityIndex)];
    }
    ChangeSettings(*this, native_->fd, native_->framed,
                   [parity](termios& tio) { return SetParityBits(tio, parity); });
    parity_ = parity;
}

void CSerialInterface::SetByteSize(int byteSizeIndex) {
    const bool valid = serial::IsIndexOf(serial::kByteSizes, byteSizeIndex);
    const std::uint8_t bits =
        valid ? serial::kByteSizes[static_cast<std::size_t>(byteSizeIndex)] : std::uint8_t{0};
    ChangeSettings(*this, native_->fd, native_->framed, [valid, bits](termios& tio) {
        if (!valid) {
            errno = EINVAL;
            return false;
        }
        SetDataBits(tio, bits);
        return true;
    });
    byteSize_ = bits;
}

void CSerialInterface::SetStopBits(int stopBitsIndex) {
    std::uint8_t stop = 0xFF;
    if (serial::IsIndexOf(serial::kStopBits, stopBitsIndex)) {
        stop = serial::kStopBits[static_cast<std::size_t>(stopBitsIndex)];
    }
    ChangeSettings(*this, native_->fd, native_->framed,
                   [stop](termios& tio) { return SetStopBitsCode(tio, stop); });
    stopBits_ = stop;
}

// Bit 0: DTR raised as the handshake line (termios has no DSR output flow control: the line is
// only raised). Bit 1: RTS/CTS hardware flow control; clear: no CTS flow control, RTS held on.
// Software flow control is always off.
void CSerialInterface::SetFlowControl(std::uint8_t flags) {
    const int fd = native_->fd;
    ChangeSettings(*this, fd, native_->framed, [fd, flags](termios& tio) {
        tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
        tio.c_cc[VSTART] = 0x11;
        tio.c_cc[VSTOP] = 0x13;
        if ((flags & serial::kFlowCtsRts) != 0) {
            tio.c_cflag |= CRTSCTS;
        } else {
            tio.c_cflag &= ~static_cast<tcflag_t>(CRTSCTS);
        }
        const bool dtr = (flags & serial::kFlowDsrDtr) != 0;
        return ModemLines(fd, dtr, TIOCM_DTR) &&
               ((flags & serial::kFlowCtsRts) != 0 || ModemLines(fd, true, TIOCM_RTS));
    });
    flowControl_ = flags;
}

void CSerialInterface::SendBreak(std::uint32_t milliseconds) {
    platform::Sleep(milliseconds);
    if (native_->fd >= 0) {
        ioctl(native_->fd, TIOCSBRK);  // a line that cannot break is no failure here
    }
    platform::Sleep(milliseconds);
    if (native_->fd >= 0) {
        ioctl(native_->fd, TIOCCBRK);
    }
}

std::size_t CSerialInterface::Read(std::uint8_t* buffer, std::size_t count) {
    const int fd = native_->fd;
    if (fd < 0) {
        throw CSerialComException(NamedPortNumber(), CSerialComException::kReadFailed, EBADF);
    }
    if (count == 0) {
        return 0;
    }
    // The wait for the first byte is the port's own read time-out: a real wait on the line, so
    // it is measured on the monotonic clock, not on the plug-in's clock seam.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kReadWaitMs);
    for (;;) {
        const ssize_t n = read(fd, buffer, count);
        if (n > 0) {
            return static_cast<std::size_t>(n);
        }
        if (n == 0) {
            // End of file on a terminal: the far side hung up.
            throw CSerialComException(portNumber_, CSerialComException::kReadFailed, EIO);
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno != EAGAIN && errno != EWOULDBLOCK) {
            throw CSerialComException(portNumber_, CSerialComException::kReadFailed, errno);
        }
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return 0;  // a silent line is no failure
        }
        pollfd p{fd, POLLIN, 0};
        const int ready = poll(&p, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno != EINTR) {
            throw CSerialComException(portNumber_, CSerialComException::kReadFailed, errno);
        }
        if (ready > 0 && (p.revents & POLLIN) == 0) {
            const int error = (p.revents & POLLNVAL) != 0 ? EBADF : EIO;
            throw CSerialComException(portNumber_, CSerialComException::kReadFailed, error);
        }
    }
}

void CSerialInterface::Write(const std::uint8_t* buffer, std::size_t count) {
    const int fd = native_->fd;
    if (fd < 0) {
        throw CSerialComException(NamedPortNumber(), CSerialComException::kWriteFailed, EBADF);
    }
    // The whole call is bounded like the Windows port's write, from its start: constant plus a
    // time per byte. A far side that takes a little now and then must not stretch it. Like the
    // read's wait, a real wait on the line, measured on the monotonic clock.
    const auto budget = std::chrono::milliseconds(
        static_cast<std::int64_t>(serial::kWriteConstantMs) +
        static_cast<std::int64_t>(native_->writeMultiplierMs) * static_cast<std::int64_t>(count));
    const auto deadline = std::chrono::steady_clock::now() + budget;
    // Milliseconds left of the bound; throws 304 (ETIMEDOUT) once it is spent.
    const auto left = [&] {
        const auto rest = std::chrono::ceil<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (rest.count() <= 0) {
            throw CSerialComException(portNumber_, CSerialComException::kWriteFailed, ETIMEDOUT);
        }
        return rest.count();
    };
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = write(fd, buffer + done, count - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            throw CSerialComException(portNumber_, CSerialComException::kWriteFailed, errno);
        }
        // Output held back (flow control, a far side that does not read).
        constexpr std::int64_t kSliceMs = 100;
        const std::int64_t rest = left();
        pollfd p{fd, POLLOUT, 0};
        const int ready = poll(&p, 1, static_cast<int>(rest < kSliceMs ? rest : kSliceMs));
        if (ready < 0 && errno != EINTR) {
            throw CSerialComException(portNumber_, CSerialComException::kWriteFailed, errno);
        }
        if (ready > 0 && (p.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0 &&
            (p.revents & POLLOUT) == 0) {
            throw CSerialComException(portNumber_, CSerialComException::kWriteFailed, EIO);
        }
    }
    // As on the Windows port, a write is complete once its bytes have left the driver, so that a
    // purge or close right after it does not discard them.
    for (;;) {
        int queued = 0;
        if (ioctl(fd, TIOCOUTQ, &queued) != 0 || queued <= 0) {
            return;  // empty, or a line that cannot tell
        }
        constexpr std::int64_t kDrainSliceMs = 5;
        const std::int64_t rest = left();
        poll(nullptr, 0, static_cast<int>(rest < kDrainSliceMs ? rest : kDrainSliceMs));
    }
}

void CSerialInterface::Purge(bool transmit, bool receive) {
    if (native_->fd < 0 || (!transmit && !receive)) {
        return;
    }
    const int which = transmit && receive ? TCIOFLUSH : (transmit ? TCOFLUSH : TCIFLUSH);
    tcflush(native_->fd, which);
}
