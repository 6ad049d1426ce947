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
//
// The state that the base class keeps (port number, open flag, line settings) is copied from
// the inner transport after each call, so that the plain getters answer as the inner one would.
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

    void WriteByte(std::uint8_t byte) override;
    void Write(const std::uint8_t* buffer, std::size_t count) override;
    bool ReadByte(std::uint8_t& byte) override;
    std::size_t Read(std::uint8_t* buffer, std::size_t count) override;
    void Purge(bool transmit, bool receive) override;

  private:
    // Runs call on the inner transport; records its failure, if any, and copies its state.
    template <typename Call>
    auto Forward(const char* what, Call call);
    void Mirror();
    void RecordLine(const char* setting, long long value);
    void RecordTimeout();

    std::unique_ptr<CSerialInterface> inner_;
    std::shared_ptr<TraceRecorder> recorder_;
};

}  // namespace trace
