#include "trace/tracing_clock.h"

#include "trace/trace_recorder.h"

namespace trace {

void TracingClock::Sleep(std::uint32_t milliseconds) {
    recorder_.Wait(milliseconds);
    inner_.Sleep(milliseconds);
}

}  // namespace trace
