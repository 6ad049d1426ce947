#include "frame/run_driver.h"

#include <array>
#include <new>

#include "frame/error_box.h"
#include "frame/host_reporting.h"
#include "platform/exception.h"
#include "trace/trace_session.h"

namespace {

constexpr unsigned kCancelledString = 105;
constexpr unsigned kFailedString = 106;
constexpr int kSuccessTextItem = 3;

// Texts are fetched into 256 characters with 255 offered, so the last one is always a zero.
constexpr std::size_t kTextBuffer = 256;
constexpr std::size_t kTextOffered = 255;

// The operation's Run, with an allocation failure anywhere in it turned into the framework's
// out-of-memory exception, so that it ends like every other failure.
std::uint8_t RunCatchingAllocationFailure(COperation& operation, const OperationContext& context) {
    try {
        return operation.Run(context);
    } catch (const std::bad_alloc&) {
        throw CMemoryException();
    }
}

}  // namespace

int RunOperation(COperation& operation, const OperationContext& context) {
    int result = run_result::kFailed;
    unsigned statusId = 0;
    std::array<char, kTextBuffer> successText{};
    // DEVVORIN_TRACE is read here, at the start of each run.
    trace::TraceSession trace;
    try {
        if (RunCatchingAllocationFailure(operation, context) == 1) {
            result = run_result::kCompleted;
            operation.GetTextItem(kSuccessTextItem, successText.data(), kTextOffered);
        }
    } catch (const CUserException& cancel) {
        // Cancellation derives from CException: it must be caught first.
        trace.EndedBy("cancel", &cancel);
        statusId = kCancelledString;
        result = run_result::kCancelled;
    } catch (const CException& failure) {
        std::array<char, kTextBuffer> message{};
        failure.GetErrorMessage(message.data(), kTextOffered, nullptr);
        trace.EndedBy("failure", &failure);
        // The host sees the failure status only after the user has closed the box.
        ShowErrorBox(message.data(), context.hostWindow);
        statusId = kFailedString;
        result = run_result::kFailed;
    } catch (...) {
        trace.EndedBy("other", nullptr);
        throw;
    }
    trace.Result(result);
    if (result == run_result::kCompleted) {
        ReportStatusText(context, successText.data());
    } else if (statusId != 0) {
        ReportStatus(context, statusId);
    }
    return result;
}
