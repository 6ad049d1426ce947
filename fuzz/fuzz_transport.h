#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "platform/virtual_clock.h"
#include "transport/io_interface.h"
#include "transport/serial_com_exception.h"

namespace fuzzing {

// The receiver's side of the line for a fuzz target: the fuzzer's bytes are what arrives, writes
// are discarded. When the input is used up every read finds nothing, as after the port's read
// time-out. Optionally the nth read throws the port's read failure.
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

// Frozen virtual time: attempts end by the exhausted input, never by the wall clock.
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
