#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "trace/json_line.h"
#include "trace/wire_reader.h"

// The wire trace of one run: JSON lines in a file, each with the milliseconds since the run
// started on the clock seam. Fed by the tracing transport and clock and by the run driver.
//
// Writing the trace never changes the run: no call throws, and a file that cannot be written is
// reported once on standard error and dropped, after which every call does nothing.
namespace trace {

class TraceRecorder {
  public:
    // Opens path for writing; nullptr (reported on standard error) when it cannot be opened or
    // is no regular file (a FIFO or a device would hold the run up whenever its reader lags).
    static std::unique_ptr<TraceRecorder> Open(const std::string& path);
    ~TraceRecorder();
    TraceRecorder(const TraceRecorder&) = delete;
    TraceRecorder& operator=(const TraceRecorder&) = delete;

    // Bytes that went over the wire: recorded, then read for frames.
    void HostWrote(const std::uint8_t* data, std::size_t size);
    void ReceiverSent(const std::uint8_t* data, std::size_t size);
    // Any other event; the builder gets the line with its time and name, adds its fields.
    template <typename Fields>
    void Event(const char* name, Fields fields) noexcept {
        if (file_ == nullptr) {
            return;
        }
        try {
            FlushRead();
            JsonLine line(Ms(), name);
            fields(line);
            Put(line);
        } catch (...) {
            Drop("out of memory");
        }
    }
    // A fixed wait is about to start: the buffered lines are written while nothing else happens.
    void Wait(std::uint32_t milliseconds) noexcept;
    // The run is over: what the frame readers still hold is settled and the file is closed.
    void Finish() noexcept;

  private:
    TraceRecorder(std::FILE* file, std::string path);
    std::uint64_t Ms() const;
    void Put(JsonLine& line);
    void FlushRead();
    void Emit(const std::vector<WireItem>& items, const char* direction);
    void WriteOut();
    void Drop(const char* reason) noexcept;

    std::FILE* file_;
    std::string path_;
    std::uint64_t originMs_;
    std::string pending_;  // lines not yet handed to the file
    // Consecutive reads are one line: the bytes and the time of the first of them.
    std::vector<std::uint8_t> read_;
    std::uint64_t readMs_ = 0;
    WireReader fromHost_;
    WireReader fromReceiver_;
    std::vector<WireItem> items_;
};

}  // namespace trace
