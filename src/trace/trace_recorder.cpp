#include "trace/trace_recorder.h"

#include <cerrno>
#include <cstring>

#include "platform/clock.h"
#include "platform/output_file.h"

namespace trace {
namespace {

// Lines are handed to the file in blocks, and before every fixed wait.
constexpr std::size_t kBlock = 64 * 1024;

const char* ProtocolName(WireItem::Protocol protocol) {
    switch (protocol) {
        case WireItem::Protocol::kTc:
            return "TC";
        case WireItem::Protocol::kTcLong:
            return "TC-long";
        case WireItem::Protocol::kLs:
            return "LS";
    }
    return "";
}

// The identification exchange: its request and the reply whose payload is the receiver's text.
constexpr std::uint8_t kIdentificationRequest = 0x6F;
constexpr std::uint8_t kIdentificationReply = 0x6E;

}  // namespace

std::unique_ptr<TraceRecorder> TraceRecorder::Open(const std::string& path) {
    std::string reason;
    std::FILE* file = platform::CreateOutputFile(path, reason);
    if (file == nullptr) {
        std::fprintf(stderr, "DevVorin: cannot write the wire trace %s (%s); running without it\n",
                     path.c_str(), reason.c_str());
        return nullptr;
    }
    try {
        return std::unique_ptr<TraceRecorder>(new TraceRecorder(file, path));
    } catch (...) {
        std::fclose(file);
        return nullptr;
    }
}

TraceRecorder::TraceRecorder(std::FILE* file, std::string path)
    : file_(file), path_(std::move(path)), originMs_(platform::CurrentClock().MonotonicMs()) {}

TraceRecorder::~TraceRecorder() {
    Finish();
}

std::uint64_t TraceRecorder::Ms() const {
    const std::uint64_t now = platform::CurrentClock().MonotonicMs();
    return now > originMs_ ? now - originMs_ : 0;
}

void TraceRecorder::Put(JsonLine& line) {
    pending_ += line.Finish();
    if (pending_.size() >= kBlock) {
        WriteOut();
    }
}

void TraceRecorder::FlushRead() {
    if (!read_.empty()) {
        JsonLine line(readMs_, "read");
        line.Hex("hex", read_.data(), read_.size());
        read_.clear();
        Put(line);
    }
}

void TraceRecorder::Emit(const std::vector<WireItem>& items, const char* direction) {
    for (const WireItem& item : items) {
        FlushRead();
        JsonLine line(Ms(), item.kind == WireItem::Kind::kFrame ? "frame"
                            : item.kind == WireItem::Kind::kAck ? "ack"
                            : item.kind == WireItem::Kind::kNak ? "nak"
                                                                : "noise");
        line.Text("from", direction);
        if (item.kind == WireItem::Kind::kFrame) {
            line.Text("protocol", ProtocolName(item.protocol)).Number("type", item.type);
            if (item.protocol != WireItem::Protocol::kLs) {
                line.Number("status", item.status);
            }
            line.Number("length", static_cast<long long>(item.payload.size()))
                .Hex("payload", item.payload.data(), item.payload.size())
                .Text("checksum", item.checksumOk ? "ok" : "bad");
            if (item.protocol == WireItem::Protocol::kTc && item.type == kIdentificationReply) {
                line.Text("identification", std::string(item.payload.begin(), item.payload.end()));
            } else if (item.protocol == WireItem::Protocol::kTc &&
                       item.type == kIdentificationRequest) {
                line.Flag("identificationRequest", true);
            }
        }
        line.Hex("hex", item.raw.data(), item.raw.size());
        Put(line);
    }
}

void TraceRecorder::HostWrote(const std::uint8_t* data, std::size_t size) {
    if (file_ == nullptr) {
        return;
    }
    try {
        // The receiver's turn is over when the host speaks.
        items_.clear();
        fromReceiver_.Settle(items_);
        Emit(items_, "receiver");
        FlushRead();
        JsonLine line(Ms(), "write");
        line.Hex("hex", data, size);
        Put(line);
        items_.clear();
        fromHost_.Feed(data, size, items_);
        Emit(items_, "host");
    } catch (...) {
        Drop("out of memory");
    }
}

void TraceRecorder::ReceiverSent(const std::uint8_t* data, std::size_t size) {
    if (file_ == nullptr) {
        return;
    }
    try {
        items_.clear();
        fromHost_.Settle(items_);
        Emit(items_, "host");
        if (read_.empty()) {
            readMs_ = Ms();
        }
        read_.insert(read_.end(), data, data + size);
        items_.clear();
        fromReceiver_.Feed(data, size, items_);
        Emit(items_, "receiver");
    } catch (...) {
        Drop("out of memory");
    }
}

void TraceRecorder::Wait(std::uint32_t milliseconds) noexcept {
    Event("wait", [&](JsonLine& line) { line.Number("lengthMs", milliseconds); });
    if (file_ != nullptr) {
        WriteOut();
    }
}

void TraceRecorder::Finish() noexcept {
    if (file_ == nullptr) {
        return;
    }
    try {
        items_.clear();
        fromHost_.Settle(items_);
        Emit(items_, "host");
        items_.clear();
        fromReceiver_.Settle(items_);
        Emit(items_, "receiver");
        FlushRead();
    } catch (...) {
        Drop("out of memory");
        return;
    }
    WriteOut();
    if (file_ != nullptr && std::fclose(file_) != 0) {
        std::fprintf(stderr, "DevVorin: the wire trace %s could not be written (%s)\n",
                     path_.c_str(), std::strerror(errno));
    }
    file_ = nullptr;
}

void TraceRecorder::WriteOut() {
    if (file_ == nullptr || pending_.empty()) {
        return;
    }
    if (std::fwrite(pending_.data(), 1, pending_.size(), file_) != pending_.size() ||
        std::fflush(file_) != 0) {
        Drop(std::strerror(errno));
        return;
    }
    pending_.clear();
}

void TraceRecorder::Drop(const char* reason) noexcept {
    if (file_ == nullptr) {
        return;
    }
    std::fprintf(stderr,
                 "DevVorin: the wire trace %s could not be written (%s); the run goes on "
                 "without it\n",
                 path_.c_str(), reason);
    std::fclose(file_);
    file_ = nullptr;
    pending_.clear();
    pending_.shrink_to_fit();
}

}  // namespace trace
