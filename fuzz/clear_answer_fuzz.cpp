// The answer to clearing the error log: after a valid identification, any bytes on the line as
// the receiver's answer. Promises: the clear succeeds only when a lone ACK came, otherwise it
// fails with 707 or 708; nothing is written after the clear request; the wait ends.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "device/device_exceptions.h"
#include "device/garnoth_interface.h"
#include "fuzz_transport.h"
#include "transport/serial_interface.h"

namespace {

// The receiver's identification frame (0x6E) for a receiver running its application.
std::vector<std::uint8_t> IdentificationFrame() {
    const std::string text =
        "PRODUCT,Orrick Receiver;PORT,1,9600,9600,8,1,N,NONE;PORTSTATUS,1,OK;VERSION,4.12,3.05;"
        "COMM,TC;SERIAL,5213K40078;HARDWARE,2.1;";
    std::vector<std::uint8_t> frame = {0x02, 0x00, 0x6E, static_cast<std::uint8_t>(text.size())};
    frame.insert(frame.end(), text.begin(), text.end());
    std::uint8_t sum = 0;
    for (std::size_t i = 1; i < frame.size(); ++i) {
        sum = static_cast<std::uint8_t>(sum + frame[i]);
    }
    frame.push_back(sum);
    frame.push_back(0x03);
    return frame;
}

// A serial line that delivers the identification, then the fuzzer's bytes. A read that finds
// nothing takes the port's read time-out of virtual time, as on a real port.
class ClearLine final : public CSerialInterface {
  public:
    ClearLine(const std::uint8_t* data, std::size_t size, platform::VirtualClock& clock)
        : input_(IdentificationFrame()), clock_(clock) {
        input_.insert(input_.end(), data, data + size);
    }

    void OpenPort(int, int, int, int, int) override {}
    void ClosePort() override {}
    void SetBaudRate(int) override {}
    void SetParity(int) override {}
    void SetByteSize(int) override {}
    void SetStopBits(int) override {}
    void SetFlowControl(std::uint8_t) override {}
    void SendBreak(std::uint32_t) override {}
    int GetPortNumber() const override { return 5; }
    void Write(const std::uint8_t* buffer, std::size_t count) override {
        if (clearSent_) {
            ++writesAfterClear_;
        }
        // The clear request's header: STX, status, type 0x91, one payload byte.
        if (count == 4 && buffer[0] == 0x02 && buffer[2] == 0x91 && buffer[3] == 1) {
            clearPieces_ = 3;
        }
        if (clearPieces_ > 0 && --clearPieces_ == 0) {
            clearSent_ = true;
        }
    }
    std::size_t Read(std::uint8_t* buffer, std::size_t count) override {
        const std::size_t n = std::min(count, input_.size() - position_);
        if (n == 0) {
            clock_.Advance(2000);
            return 0;
        }
        std::copy_n(input_.begin() + static_cast<long>(position_), n, buffer);
        position_ += n;
        return n;
    }
    void Purge(bool, bool) override {}

    bool ClearSent() const { return clearSent_; }
    int WritesAfterClear() const { return writesAfterClear_; }

  private:
    std::vector<std::uint8_t> input_;
    std::size_t position_ = 0;
    platform::VirtualClock& clock_;
    int clearPieces_ = 0;
    bool clearSent_ = false;
    int writesAfterClear_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzing::FrozenTime time;
    ClearLine line(data, size, time.clock);
    const OperationContext context{5, 0, nullptr, nullptr};
    CGarnothInterface device(line, context);
    const bool hasAck = std::find(data, data + size, 0x06) != data + size;
    try {
        device.ClearErrorLog();
        fuzzing::Require(hasAck);
    } catch (const CGarnothException& failure) {
        // A receiver that identifies as its application gets the clear request.
        fuzzing::Require(failure.GetCode() == 707 || failure.GetCode() == 708);
        fuzzing::Require(line.ClearSent());
    }
    fuzzing::Require(line.WritesAfterClear() == 0);
    return 0;
}
