#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "protocol/ls_packet.h"
#include "protocol/ls_requests.h"
#include "protocol/tc_packet.h"
#include "protocol/tc_requests.h"
#include "support/fake_transport.h"
#include "transport/io_interface.h"

// Cost of building and parsing LS and TC frames, apart from the line itself. The receive side
// reads one byte per transport call, as on the real port.
namespace {

using Bytes = std::vector<std::uint8_t>;

// Swallows what is written.
class SinkTransport final : public CioInterface {
  public:
    SinkTransport() : CioInterface(false) {}
    void WriteByte(std::uint8_t) override { ++bytes_; }
    void Write(const std::uint8_t* buffer, std::size_t count) override {
        benchmark::DoNotOptimize(buffer);
        bytes_ += count;
    }
    bool ReadByte(std::uint8_t&) override { return false; }
    std::size_t Read(std::uint8_t*, std::size_t) override { return 0; }
    void Purge(bool, bool) override {}
    std::size_t bytes_ = 0;
};

// Serves the same frame over and over.
class ReplayTransport final : public CioInterface {
  public:
    explicit ReplayTransport(Bytes frame) : CioInterface(false), frame_(std::move(frame)) {}
    void WriteByte(std::uint8_t) override {}
    void Write(const std::uint8_t*, std::size_t) override {}
    bool ReadByte(std::uint8_t& byte) override { return Read(&byte, 1) == 1; }
    std::size_t Read(std::uint8_t* buffer, std::size_t count) override {
        if (count == 0) {
            return 0;
        }
        buffer[0] = frame_[position_];
        position_ = (position_ + 1) % frame_.size();
        return 1;
    }
    void Purge(bool, bool) override {}

  private:
    Bytes frame_;
    std::size_t position_ = 0;
};

Bytes Data(std::size_t n) {
    Bytes data(n);
    for (std::size_t i = 0; i < n; ++i) {
        data[i] = static_cast<std::uint8_t>(i * 31 + 7);
    }
    return data;
}

Bytes LsFrame(std::uint8_t type, const Bytes& data) {
    // Built byte by byte: gcc 12 at -O3 misreads an insert after an initialiser list.
    const std::size_t n = data.size();
    Bytes frame;
    frame.reserve(n + 7);
    frame.push_back(0x02);
    frame.push_back(type);
    frame.push_back(static_cast<std::uint8_t>(n >> 8));
    frame.push_back(static_cast<std::uint8_t>(n));
    unsigned sum = type + static_cast<unsigned>((n >> 8) & 0xFF) + static_cast<unsigned>(n & 0xFF);
    for (const std::uint8_t byte : data) {
        frame.push_back(byte);
        sum += byte;
    }
    frame.push_back(static_cast<std::uint8_t>(sum >> 8));
    frame.push_back(static_cast<std::uint8_t>(sum));
    frame.push_back(0x03);
    return frame;
}

Bytes TcFrame(std::uint8_t type, const Bytes& data, bool longFrame) {
    const std::size_t n = data.size();
    Bytes frame;
    frame.reserve(n + 7);
    frame.push_back(0x02);
    frame.push_back(0x00);
    frame.push_back(type);
    if (longFrame) {
        frame.push_back(static_cast<std::uint8_t>(n >> 8));
    }
    frame.push_back(static_cast<std::uint8_t>(n));
    unsigned sum = 0;
    for (std::size_t i = 1; i < frame.size(); ++i) {
        sum += frame[i];
    }
    for (const std::uint8_t byte : data) {
        frame.push_back(byte);
        sum += byte;
    }
    frame.push_back(static_cast<std::uint8_t>(sum));
    frame.push_back(0x03);
    return frame;
}

void BM_LSBuildAndSend(benchmark::State& state) {
    const Bytes data = Data(static_cast<std::size_t>(state.range(0)));
    SinkTransport sink;
    for (auto _ : state) {
        CLSPacket packet(ls_type::kSendRadioCfg);
        packet.AppendBytes(data.data(), data.size());
        benchmark::DoNotOptimize(packet.SendPacket(sink));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(sink.bytes_));
}
BENCHMARK(BM_LSBuildAndSend)->Arg(0)->Arg(220)->Arg(2048);

void BM_LSReceive(benchmark::State& state) {
    const Bytes frame =
        LsFrame(ls_type::kReadMemory, Data(static_cast<std::size_t>(state.range(0))));
    ReplayTransport line(frame);
    CLSPacket packet(ls_type::kReadMemory);
    for (auto _ : state) {
        benchmark::DoNotOptimize(packet.ReceivePacket(line, 3.0));
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(frame.size()));
}
BENCHMARK(BM_LSReceive)->Arg(0)->Arg(220)->Arg(2055);

// A frame hidden behind noise and a frame of another type: the resynchronisation path.
void BM_LSReceiveAfterNoise(benchmark::State& state) {
    Bytes stream(1000, 0x55);
    for (const Bytes& part :
         {LsFrame(ls_type::kProductInfo, Data(64)), LsFrame(ls_type::kReadMemory, Data(220))}) {
        for (const std::uint8_t byte : part) {
            stream.push_back(byte);
        }
    }
    ReplayTransport line(stream);
    CLSPacket packet(ls_type::kReadMemory);
    for (auto _ : state) {
        benchmark::DoNotOptimize(packet.ReceivePacket(line, 3.0));
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(stream.size()));
}
BENCHMARK(BM_LSReceiveAfterNoise);

void BM_TCBuildAndSend(benchmark::State& state) {
    const Bytes data = Data(static_cast<std::size_t>(state.range(0)));
    SinkTransport sink;
    for (auto _ : state) {
        CTCPacket packet(tc_type::kEraseRequest);
        packet.AppendBytes(data.data(), data.size());
        benchmark::DoNotOptimize(packet.SendPacket(sink));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(sink.bytes_));
}
BENCHMARK(BM_TCBuildAndSend)->Arg(0)->Arg(38)->Arg(255);

void BM_TCReceive(benchmark::State& state) {
    const bool longFrame = state.range(1) != 0;
    const Bytes frame =
        TcFrame(tc_type::kErrorLogReply, Data(static_cast<std::size_t>(state.range(0))), longFrame);
    ReplayTransport line(frame);
    CTCPacket packet(tc_type::kErrorLogReply);
    packet.SetIgnoreAckNak(true);
    for (auto _ : state) {
        benchmark::DoNotOptimize(longFrame ? packet.ReceiveLongPacket(line, 3.0)
                                           : packet.ReceivePacket(line, 3.0));
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(frame.size()));
}
BENCHMARK(BM_TCReceive)->Args({4, 0})->Args({129, 0})->Args({255, 0})->Args({4096, 1});

// One whole error-log record exchange through the scripted fake port: request, reply, decode
// of the count.
void BM_TCErrorLogExchangeThroughFakePort(benchmark::State& state) {
    const Bytes reply = TcFrame(tc_type::kErrorLogReply, {0xFF, 0x07, 0x01, 0x2C}, false);
    testing_support::FakeTransport port;
    for (auto _ : state) {
        port.QueueReply(reply);
        CTCErrorLog log;
        log.SetCountRequest();
        log.SendRequest(port);
        log.ReceiveReply(port);
        std::uint16_t count = 0;
        benchmark::DoNotOptimize(log.GetCount(count));
        port.ClearWritten();
    }
}
BENCHMARK(BM_TCErrorLogExchangeThroughFakePort);

}  // namespace

BENCHMARK_MAIN();
