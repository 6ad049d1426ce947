// The identification exchange: any bytes on the line as the 0x6E reply, and any text through the
// field parser, then the whole identification on a line that carries the bytes.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "device/break_info.h"
#include "fuzz_transport.h"
#include "transport/serial_interface.h"

namespace {

// A serial line whose received bytes are the fuzzer's; settings changes and breaks are accepted.
class FuzzSerialLine final : public CSerialInterface {
  public:
    FuzzSerialLine(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    void OpenPort(int, int, int, int, int) override {}
    void ClosePort() override {}
    void SetBaudRate(int) override {}
    void SetParity(int) override {}
    void SetByteSize(int) override {}
    void SetStopBits(int) override {}
    void SetFlowControl(std::uint8_t) override {}
    void SendBreak(std::uint32_t) override {}
    int GetPortNumber() const override { return 5; }
    void Write(const std::uint8_t*, std::size_t) override {}
    std::size_t Read(std::uint8_t* buffer, std::size_t count) override {
        const std::size_t n = std::min(count, size_ - position_);
        std::copy_n(data_ + position_, n, buffer);
        position_ += n;
        return n;
    }
    void Purge(bool, bool) override {}

  private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t position_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzing::FrozenTime time;

    CBreakInfo parsed;
    const std::string text(reinterpret_cast<const char*>(data), size);
    const bool valid = parsed.ParsePacketData(text);
    fuzzing::Require(!valid || text.rfind("PRODUCT", 0) == 0);
    fuzzing::Require(parsed.GetBaudRate() > 0);
    fuzzing::Require(parsed.GetByteSizeIndex() == 0 || parsed.GetByteSizeIndex() == 1);
    fuzzing::Require(parsed.GetParityIndex() >= 0 && parsed.GetParityIndex() <= 4);

    FuzzSerialLine line(data, size);
    const auto reply = CBreakInfo::GetRawBreakData(line);
    fuzzing::Require(!reply || reply->size() <= 255);

    FuzzSerialLine again(data, size);
    CBreakInfo identified;
    identified.RetrieveBreakInfo(again, true, true);
    return 0;
}
