#include "operations/retrieve_error_log_operation.h"

#include <algorithm>

#include "data/error_log_mgr.h"
#include "device/break_info.h"
#include "device/device_exceptions.h"
#include "device/garnoth_interface.h"
#include "device/product_table.h"
#include "frame/host_reporting.h"
#include "frame/operation_list.h"
#include "operations/error_log_dlg.h"
#include "platform/strings.h"
#include "platform/ui.h"

namespace {

constexpr unsigned kName = 21;
constexpr unsigned kDescription = 22;
constexpr unsigned kSummary = 23;
constexpr unsigned kAction = 24;
constexpr unsigned kTitle = 25;
constexpr unsigned kSuccess = 26;
constexpr unsigned kNoErrors = 261;

constexpr int kNoAnswer = 708;
constexpr int kWrongState = 709;

constexpr std::uint32_t kStandardLogOffset = 0x2000;
constexpr std::uint32_t kStandardLogEnd = 0x3FFF;
constexpr std::uint32_t kExtendedLogOffset = 0x80000;
constexpr std::uint32_t kExtendedLogEnd = 0x9FFFF;

// The progress bar below its end while there is still something to read.
constexpr int kLastProgressStep = 99;

int Percent(std::uint64_t done, std::uint64_t total) {
    return total == 0
               ? 0
               : static_cast<int>(std::min<std::uint64_t>(done * 100 / total, kLastProgressStep));
}

}  // namespace

CRetrieveErrorLogOperation::CRetrieveErrorLogOperation()
    : COperation(0),
      name_(platform::LoadString(kName)),
      description_(platform::LoadString(kDescription)) {}

bool CRetrieveErrorLogOperation::GetTextItem(int item, char* buffer, std::size_t size) const {
    return AnswerTextItem({kSummary, kAction, kSuccess}, item, buffer, size);
}

CRetrieveErrorLogOperation::LogWindow CRetrieveErrorLogOperation::LogWindowFor(
    std::uint32_t flashBase, bool extendedMemory) {
    if (extendedMemory) {
        return {flashBase + kExtendedLogOffset, kExtendedLogEnd - kExtendedLogOffset};
    }
    return {flashBase + kStandardLogOffset, kStandardLogEnd - kStandardLogOffset};
}

void CRetrieveErrorLogOperation::ShowNoErrors(const OperationContext& context) {
    platform::ShowMessageBox(
        context.hostWindow, platform::LoadString(kNoErrors), platform::LoadString(kTitle),
        platform::mb::kOk | platform::mb::kIconWarning | platform::mb::kSetForeground);
}

void CRetrieveErrorLogOperation::ShowApplicationLog(CGarnothInterface& device,
                                                    const OperationContext& context) {
    CErrorLogMgr log;
    // Progress follows the records; the host's cancel is honoured between them.
    const auto progress = [&context](int done, int count) {
        CheckForCancel(context);
        ReportProgress(
            context, Percent(static_cast<std::uint64_t>(done), static_cast<std::uint64_t>(count)));
    };
    if (!log.RetrieveOverTC(device.GetTransport(), progress)) {
        throw CGarnothException(kNoAnswer, context.portNumber);
    }
    if (log.GetCount() > 0) {
        CErrorLogDlg viewer(&device, log, true, false, context.hostWindow);
        viewer.DoModal();
    } else {
        ShowNoErrors(context);
    }
    ReportProgress(context, 100);
}

std::vector<std::uint8_t> CRetrieveErrorLogOperation::ReadLogImage(
    CGarnothInterface& device, const OperationContext& context) {
    const LogWindow window =
        LogWindowFor(device.GetFlashBase(), device.GetInfo().HasExtendedMemory());
    std::vector<std::uint8_t> image(window.size);
    int shown = -1;
    for (std::uint32_t done = 0; done < window.size;) {
        CheckForCancel(context);
        const auto count = static_cast<std::int32_t>(
            std::min<std::uint32_t>(kMemoryBlockSize, window.size - done));
        device.ReadMemory(window.first + done, image.data() + done, count);
        done += static_cast<std::uint32_t>(count);
        if (const int percent = Percent(done, window.size); percent != shown) {
            ReportProgress(context, percent);
            shown = percent;
        }
    }
    return image;
}

void CRetrieveErrorLogOperation::ShowMemoryLog(CGarnothInterface& device, bool serviceView,
                                               const OperationContext& context) {
    // The service view connected before identifying only to bring the receiver into its
    // monitor; the memory path connects for itself either way.
    device.Connect(false);
    const std::vector<std::uint8_t> image = ReadLogImage(device, context);
    CErrorLogMgr log;
    log.DecodeMemoryBlock(image, device.GetByteOrderFlag());

    bool anyValid = false;
    for (int i = 0; i < log.GetCount(); ++i) {
        anyValid = anyValid || log.GetAt(i)->GetStatus() == error_log_status::kValid;
    }
    if (anyValid || serviceView) {
        CErrorLogDlg viewer(&device, log, false, serviceView, context.hostWindow);
        viewer.DoModal();
    } else {
        ShowNoErrors(context);
    }
}

std::uint8_t CRetrieveErrorLogOperation::Run(const OperationContext& context) {
    ShowTitle(context, kTitle);
    ReportEstablishing(context);
    const bool serviceView = IsServiceKeyChordDown();

    const RunPort port(context);
    CGarnothInterface device(port.Transport(), context);
    if (serviceView) {
        device.Connect(false);  // the monitor: the log is then read from memory
    }

    const CBreakInfo info = Identify(port.Transport(), context);
    if (IsApplicationProduct(info.GetProductName())) {
        ShowApplicationLog(device, context);
    } else if (IsMonitorProduct(info.GetProductName())) {
        ShowMemoryLog(device, serviceView, context);
    } else {
        throw CGarnothException(kWrongState, context.portNumber);
    }
    return 1;
}
