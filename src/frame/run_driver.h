#pragma once

#include "frame/operation.h"
#include "frame/operation_context.h"

// Result codes of a run, as DoOperation returns them to the host.
namespace run_result {
constexpr int kFailed = 0;
constexpr int kCompleted = 1;
constexpr int kCancelled = 2;
}  // namespace run_result

// Runs operation on the calling thread and turns its outcome into a result code and a final
// status line: success sends the operation's text item 3; a CUserException sends "The operation
// was canceled." (2); any other CException first shows the error box, then sends "There was a
// failure with the operation!" (0); a std::bad_alloc counts as the framework's CMemoryException.
// A run that returns something other than 1 without throwing sends no final status. Other
// exceptions that are not CException pass through.
int RunOperation(COperation& operation, const OperationContext& context);
