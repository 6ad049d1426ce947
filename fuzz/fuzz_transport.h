#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "platform/virtual_clock.h"
#include "transport/io_interface.h"
#include "transport/serial_com_exception.h"
#include "transport/serial_settings.h"

namespace fuzzing {

// The receiver's side of the line for a fuzz target: the fuzzer's bytes are what arrives, writes
// are discarded. When the input is used up every read finds nothing after the port's read
// time-out, which passes on the current (virtual) clock: a wait bounded by time ends, as on a
// silent port. Optionally the nth read throws the port's read failure.
class FuzzTransport final : public CioInterface {
  public:
    FuzzTransport(const std::uint8_t* data, std::size_t size)
        : CioInterface(false), data_(data), size_(size) {}

    void FailReadAt(std::size_t nth) { failAt_ = nth; }

    void WriteByte(std::uint8_t) override { ++writes_; }
    void Write(const std::uint8_t*, std::size_t) override { ++writes_; }
    bool ReadByte(std::uint8_t& byte) override { return Read(&byte, 1) == 1; }
    std::size_t Read(std::uint8_t* buffer, std::size_t count) override {
        if (++reads_ == failAt_) {
            throw CSerialComException(1, CSerialComException::kReadFailed, 5);
        }
        const std::size_t n = std::min(count, size_ - position_);
        if (n == 0) {
            platform::CurrentClock().Sleep(serial::kReadTimeoutMs);
            return 0;
        }
        std::copy_n(data_ + position_, n, buffer);
        position_ += n;
        return n;
    }
    void Purge(bool, bool) override {}

    std::size_t Writes() const { return writes_; }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t position_ = 0;
    std::size_t reads_ = 0;
    std::size_t failAt_ = 0;
    std::size_t writes_ = 0;
};

// Virtual time, moved only by the line's read time-outs and the code's own waits: attempts end by
// the exhausted input, never by the wall clock.
struct FrozenTime {
    platform::VirtualClock clock;
    platform::ScopedClock scoped{clock};
};

// Aborts the run (a finding for the fuzzer) when an invariant does not hold.
inline void Require(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}

}  // namespace fuzzing
