#include "frame/host_reporting.h"

#include <vector>

#include "platform/exception.h"
#include "platform/strings.h"

void ReportStatus(const OperationContext& context, unsigned stringId) {
    if (context.hostWindow == nullptr) {
        return;
    }
    ReportStatusText(context, platform::LoadString(stringId));
}

void ReportStatusText(const OperationContext& context, const std::string& text) {
    if (context.hostWindow == nullptr) {
        return;
    }
    // The host may hold on to the pointer only for the duration of the send.
    std::vector<char> buffer(text.begin(), text.end());
    buffer.push_back('\0');
    platform::SendWindowMessage(context.hostWindow, WM_OPERATION_STATUS, 0,
                                reinterpret_cast<std::intptr_t>(buffer.data()));
}

void ReportProgress(const OperationContext& context, int percent) {
    if (context.hostWindow == nullptr) {
        return;
    }
    platform::SendWindowMessage(context.hostWindow, WM_OPERATION_PROGRESS, 0, percent);
}

void CheckForCancel(const OperationContext& context) {
    if (platform::IsEventSignalled(context.cancelEvent)) {
        throw CUserException();
    }
}
