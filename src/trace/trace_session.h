#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/exception.h"
#include "trace/tracing_clock.h"
#include "transport/transport_factory.h"

namespace trace {

class TraceRecorder;

// The wire trace of one run, from its start to its end. When DEVVORIN_TRACE names a file at the
// start, the session puts the tracing clock in front of the clock in force and the tracing
// transport in front of every transport the run makes; at the end it restores both and closes
// the file. Without the variable, or when the file cannot be written or is no regular file, it
// does nothing.
class TraceSession {
  public:
    static constexpr const char* kVariable = "DEVVORIN_TRACE";
    // The version of the trace's layout, on its start line as "schemaVersion".
    static constexpr int kSchemaVersion = 1;

    TraceSession();
    ~TraceSession();
    TraceSession(const TraceSession&) = delete;
    TraceSession& operator=(const TraceSession&) = delete;

    // The exception that ended the run: its kind ("cancel", "failure", "other") and, for ours,
    // its text.
    void EndedBy(const char* kind, const CException* exception) noexcept;
    // The result code handed back to the host.
    void Result(int code) noexcept;

  private:
    std::shared_ptr<TraceRecorder> recorder_;
    platform::Clock* previousClock_ = nullptr;
    std::optional<TracingClock> clock_;
    std::optional<ScopedSerialTransportDecorator> decorator_;
};

}  // namespace trace
