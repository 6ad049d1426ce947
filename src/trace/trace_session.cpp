#include "trace/trace_session.h"

#include <cstdlib>

#include "trace/trace_recorder.h"
#include "trace/tracing_transport.h"

namespace trace {

TraceSession::TraceSession() {
    const char* path = std::getenv(kVariable);
    if (path == nullptr || *path == '\0') {
        return;
    }
    recorder_ = TraceRecorder::Open(path);
    if (!recorder_) {
        return;
    }
    recorder_->Event("start", [](JsonLine& line) { line.Number("schemaVersion", kSchemaVersion); });
    previousClock_ = &platform::CurrentClock();
    clock_.emplace(*previousClock_, *recorder_);
    platform::SetClock(&*clock_);
    decorator_.emplace([recorder = recorder_](std::unique_ptr<CSerialInterface> transport)
                           -> std::unique_ptr<CSerialInterface> {
        return std::make_unique<TracingSerialInterface>(std::move(transport), recorder);
    });
}

TraceSession::~TraceSession() {
    if (!recorder_) {
        return;
    }
    decorator_.reset();
    platform::SetClock(previousClock_);
    recorder_->Finish();
}

void TraceSession::EndedBy(const char* kind, const CException* exception) noexcept {
    if (recorder_) {
        recorder_->Event("exception", [&](JsonLine& line) {
            line.Text("kind", kind);
            if (exception != nullptr) {
                line.Text("message", exception->GetMessageText());
            }
        });
    }
}

void TraceSession::Result(int code) noexcept {
    if (recorder_) {
        recorder_->Event("end", [&](JsonLine& line) { line.Number("result", code); });
    }
}

}  // namespace trace
