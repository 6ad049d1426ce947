#include "frame/operation.h"

#include "frame/bounded_copy.h"
#include "platform/strings.h"

namespace {
constexpr unsigned kConnectHintString = 103;
}

COperation::COperation(std::int32_t pageCount)
    : pageCount_(pageCount < 0 ? 0 : pageCount),
      pages_(static_cast<std::size_t>(pageCount_), nullptr) {}

COperation::~COperation() {
    pages_.clear();
}

bool COperation::GetTextItem(int item, char* buffer, std::size_t size) const {
    if (item == 1) {
        CopyBounded(platform::LoadString(kConnectHintString), buffer, size);
        return true;
    }
    if (buffer != nullptr && size > 0) {
        buffer[0] = '\0';
    }
    return false;
}

CPropertyPage* COperation::GetPage(std::int32_t index) const {
    if (index < 0 || index >= pageCount_) {
        return nullptr;
    }
    return pages_[static_cast<std::size_t>(index)];
}
