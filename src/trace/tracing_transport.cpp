#include "trace/tracing_transport.h"

#include <utility>

#include "trace/trace_recorder.h"
#include "transport/serial_com_exception.h"
#include "transport/serial_settings.h"

namespace trace {
namespace {

const char* ParityName(std::uint8_t parity) {
    static const char* const kNames[] = {"none", "odd", "even", "mark", "space"};
    return parity < 5 ? kNames[parity] : "?";
}

const char* StopBitsName(std::uint8_t code) {
    static const char* const kNames[] = {"1", "1.5", "2"};
    return code < 3 ? kNames[code] : "?";
}

}  // namespace

TracingSerialInterface::TracingSerialInterface(std::unique_ptr<CSerialInterface> inner,
                                               std::shared_ptr<TraceRecorder> recorder)
    : inner_(std::move(inner)), recorder_(std::move(recorder)) {}

TracingSerialInterface::~TracingSerialInterface() {
    // The inner transport closes its own port; this object's base never opened one.
    const bool wasOpen = inner_->IsOpen();
    const int port = inner_->GetPortNumber();
    inner_.reset();
    if (wasOpen) {
        recorder_->Event("close", [&](JsonLine& line) { line.Number("port", port); });
    }
}

template <typename Call>
auto TracingSerialInterface::Forward(const char* what, Call call) {
    try {
        return call();
    } catch (const CSerialComException& failure) {
        recorder_->Event("port-failure", [&](JsonLine& line) {
            line.Text("call", what)
                .Number("port", failure.GetPortNumber())
                .Number("code", failure.GetCode())
                .Number("systemError", failure.GetSystemError());
        });
        throw;
    }
}

void TracingSerialInterface::OpenPort(int portNumber, int byteSizeIndex, int stopBitsIndex,
                                      int parityIndex, int baudRateIndex) {
    Forward("open", [&] {
        inner_->OpenPort(portNumber, byteSizeIndex, stopBitsIndex, parityIndex, baudRateIndex);
    });
    recorder_->Event("open", [&](JsonLine& line) {
        line.Number("port", portNumber)
            .Text("name", GetPortName())
            .Number("baud", GetBaudRate())
            .Number("dataBits", GetByteSize())
            .Text("stopBits", StopBitsName(GetStopBits()))
            .Text("parity", ParityName(GetParity()))
            .Number("flowControl", GetFlowControl());
    });
}

void TracingSerialInterface::ClosePort() {
    const bool wasOpen = inner_->IsOpen();
    const int port = inner_->GetPortNumber();
    Forward("close", [&] { inner_->ClosePort(); });
    if (wasOpen) {
        recorder_->Event("close", [&](JsonLine& line) { line.Number("port", port); });
    }
}

void TracingSerialInterface::RecordLine(const char* setting, long long value) {
    recorder_->Event("line",
                     [&](JsonLine& line) { line.Text("setting", setting).Number("value", value); });
}

void TracingSerialInterface::RecordLine(const char* setting, const char* value) {
    recorder_->Event("line",
                     [&](JsonLine& line) { line.Text("setting", setting).Text("value", value); });
}

void TracingSerialInterface::SetBaudRate(int baudRateIndex) {
    Forward("baud", [&] { inner_->SetBaudRate(baudRateIndex); });
    RecordLine("baud", GetBaudRate());
}

void TracingSerialInterface::SetParity(int parityIndex) {
    Forward("parity", [&] { inner_->SetParity(parityIndex); });
    RecordLine("parity", ParityName(GetParity()));
}

void TracingSerialInterface::SetByteSize(int byteSizeIndex) {
    Forward("dataBits", [&] { inner_->SetByteSize(byteSizeIndex); });
    RecordLine("dataBits", GetByteSize());
}

void TracingSerialInterface::SetStopBits(int stopBitsIndex) {
    Forward("stopBits", [&] { inner_->SetStopBits(stopBitsIndex); });
    RecordLine("stopBits", StopBitsName(GetStopBits()));
}

void TracingSerialInterface::SetFlowControl(std::uint8_t flags) {
    Forward("flowControl", [&] { inner_->SetFlowControl(flags); });
    RecordLine("flowControl", GetFlowControl());
}

void TracingSerialInterface::SendBreak(std::uint32_t milliseconds) {
    recorder_->Event("break", [&](JsonLine& line) { line.Number("lengthMs", milliseconds); });
    Forward("break", [&] { inner_->SendBreak(milliseconds); });
}

void TracingSerialInterface::WriteByte(std::uint8_t byte) {
    Forward("write", [&] { inner_->WriteByte(byte); });
    recorder_->HostWrote(&byte, 1);
}

void TracingSerialInterface::Write(const std::uint8_t* buffer, std::size_t count) {
    Forward("write", [&] { inner_->Write(buffer, count); });
    recorder_->HostWrote(buffer, count);
}

void TracingSerialInterface::RecordTimeout() {
    recorder_->Event("timeout", [&](JsonLine& line) {
        line.Text("what", "read").Number("lengthMs", serial::kReadTimeoutMs);
    });
}

bool TracingSerialInterface::ReadByte(std::uint8_t& byte) {
    const bool got = Forward("read", [&] { return inner_->ReadByte(byte); });
    if (got) {
        recorder_->ReceiverSent(&byte, 1);
    } else {
        RecordTimeout();
    }
    return got;
}

std::size_t TracingSerialInterface::Read(std::uint8_t* buffer, std::size_t count) {
    const std::size_t got = Forward("read", [&] { return inner_->Read(buffer, count); });
    if (got > 0) {
        recorder_->ReceiverSent(buffer, got);
    } else if (count > 0) {
        RecordTimeout();
    }
    return got;
}

void TracingSerialInterface::Purge(bool transmit, bool receive) {
    Forward("purge", [&] { inner_->Purge(transmit, receive); });
    recorder_->Event(
        "purge", [&](JsonLine& line) { line.Flag("transmit", transmit).Flag("receive", receive); });
}

}  // namespace trace
