#include "frame/operation.h"

#include "device/break_info.h"
#include "device/device_exceptions.h"
#include "frame/bounded_copy.h"
#include "frame/host_reporting.h"
#include "platform/strings.h"
#include "transport/serial_settings.h"
#include "transport/transport_factory.h"

namespace {
constexpr unsigned kConnectHintString = 103;
constexpr unsigned kEstablishing = 610;
constexpr int kIdentificationFailed = 701;
}  // namespace

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

bool COperation::AnswerTextItem(const TextItems& texts, int item, char* buffer,
                                std::size_t size) const {
    switch (item) {
        case 0:
            CopyBounded(platform::FormatString(texts.summary, GetName()), buffer, size);
            return true;
        case 2:
            CopyBounded(platform::LoadString(texts.action), buffer, size);
            return true;
        case 3:
            CopyBounded(platform::LoadString(texts.success), buffer, size);
            return true;
        default:
            return COperation::GetTextItem(item, buffer, size);
    }
}

void COperation::ShowTitle(const OperationContext& context, unsigned titleId) {
    if (context.hostWindow != nullptr) {
        platform::SetWindowTitle(context.hostWindow, platform::LoadString(titleId));
    }
}

void COperation::ReportEstablishing(const OperationContext& context) {
    ReportStatus(context, kEstablishing);
    ReportProgress(context, 0);
}

COperation::RunPort::RunPort(const OperationContext& context)
    : transport_(CreateSerialTransport()) {
    transport_->OpenPort(context.portNumber, serial::kByteSize8, serial::kOneStopBit,
                         serial::kNoParity, serial::kBaud9600);
}

COperation::RunPort::~RunPort() {
    transport_->ClosePort();
}

CBreakInfo COperation::Identify(CSerialInterface& transport, const OperationContext& context) {
    CBreakInfo info;
    if (!info.RetrieveBreakInfo(transport, true, false)) {
        throw CGarnothException(kIdentificationFailed, context.portNumber);
    }
    return info;
}
