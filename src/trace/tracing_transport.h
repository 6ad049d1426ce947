#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "transport/serial_interface.h"

namespace trace {

class TraceRecorder;

// Stands in front of the run's real transport and records every call that reaches the wire:
// open and close with the line settings, line-setting changes, breaks, purges, every write,
// every read and every read that timed out, and the port failures. Each call is passed on
// unchanged and its outcome (result or exception) returned unchanged.
// The port number, open flag and line settings are the inner transport's.
class TracingSerialInterface final : public CSerialInterface {
  public:
    TracingSerialInterface(std::unique_ptr<CSerialInterface> inner,
                           std::shared_ptr<TraceRecorder> recorder);
    ~TracingSerialInterface() override;

    void OpenPort(int portNumber, int byteSizeIndex, int stopBitsIndex, int parityIndex,
                  int baudRateIndex) override;
    void ClosePort() override;
    void SetBaudRate(int baudRateIndex) override;
    void SetParity(int parityIndex) override;
    void SetByteSize(int byteSizeIndex) override;
    void SetStopBits(int stopBitsIndex) override;
    void SetFlowControl(std::uint8_t flags) override;
    void SendBreak(std::uint32_t milliseconds) override;
    int GetPortNumber() const override { return inner_->GetPortNumber(); }
    bool IsOpen() const override { return inner_->IsOpen(); }
    std::uint32_t GetBaudRate() const override { return inner_->GetBaudRate(); }
    std::uint8_t GetByteSize() const override { return inner_->GetByteSize(); }
    std::uint8_t GetParity() const override { return inner_->GetParity(); }
    std::uint8_t GetStopBits() const override { return inner_->GetStopBits(); }
    std::uint8_t GetFlowControl() const override { return inner_->GetFlowControl(); }
    const std::string& GetPortName() const override { return inner_->GetPortName(); }

    void WriteByte(std::uint8_t byte) override;
    void Write(const std::uint8_t* buffer, std::size_t count) override;
    bool ReadByte(std::uint8_t& byte) override;
    std::size_t Read(std::uint8_t* buffer, std::size_t count) override;
    void Purge(bool transmit, bool receive) override;

  private:
    // Runs call on the inner transport and records its failure, if any.
    template <typename Call>
    auto Forward(const char* what, Call call);
    void RecordLine(const char* setting, long long value);
    void RecordLine(const char* setting, const char* value);
    void RecordTimeout();

    std::unique_ptr<CSerialInterface> inner_;
    std::shared_ptr<TraceRecorder> recorder_;
};

}  // namespace trace
