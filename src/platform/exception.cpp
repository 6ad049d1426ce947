#include "platform/exception.h"

#include <algorithm>
#include <cstring>

#include "platform/ui.h"

bool CException::GetErrorMessage(char* buffer, std::size_t maxChars, unsigned* helpContext) const {
    if (helpContext != nullptr) {
        *helpContext = 0;
    }
    const std::string text = GetMessageText();
    CopyTerminated(text, buffer, maxChars);
    return !text.empty();
}

void CException::ReportError(platform::WindowHandle owner) const {
    platform::ShowMessageBox(owner, GetMessageText(), platform::ApplicationName(),
                             platform::mb::kOk | platform::mb::kIconExclamation);
}

std::string CMemoryException::GetMessageText() const {
    return "Out of memory.";
}

void CopyTerminated(const std::string& text, char* buffer, std::size_t maxChars) {
    if (buffer == nullptr || maxChars == 0) {
        return;
    }
    const std::size_t n = std::min(text.size(), maxChars - 1);
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
}
