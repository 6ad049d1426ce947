#include "device/device_exceptions.h"

#include "platform/strings.h"

namespace {
constexpr unsigned kReceiverName = 217;
}

std::string CGarnothException::GetMessageText() const {
    if (code_ == 700) {
        return platform::LoadString(800);
    }
    return platform::FormatString(static_cast<unsigned>(code_ + 100), code_, value_);
}

std::string CLSDeviceException::GetMessageText() const {
    if (code_ == 800) {
        return platform::LoadString(1100);
    }
    const std::string receiver = platform::LoadString(kReceiverName);
    return platform::FormatString(static_cast<unsigned>(code_ + 300), code_, receiver, value_,
                                  receiver);
}

void CLSDeviceException::ReportError(platform::WindowHandle owner) const {
    if (!silent_) {
        CException::ReportError(owner);
    }
}
