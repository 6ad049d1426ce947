#include "operations/config_retrieve_operation.h"

#include "device/device_exceptions.h"
#include "device/garnoth_interface.h"
#include "frame/host_reporting.h"
#include "operations/modify_options_dlg.h"
#include "platform/strings.h"

namespace {

constexpr unsigned kName = 1641;
constexpr unsigned kDescription = 1642;
constexpr unsigned kSummary = 1643;
constexpr unsigned kAction = 1644;
constexpr unsigned kTitle = 1645;
constexpr unsigned kSuccess = 1646;
constexpr unsigned kReceiverName = 217;
constexpr unsigned kRebooting = 618;

// The receiver did not report back from its reboot: the configuration was read all the same.
constexpr int kNoReturnFromReboot = 812;

}  // namespace

CConfigRetrieveOperation::CConfigRetrieveOperation()
    : COperation(0),
      name_(platform::LoadString(kName)),
      description_(platform::FormatString(kDescription, platform::LoadString(kReceiverName))) {}

bool CConfigRetrieveOperation::GetTextItem(int item, char* buffer, std::size_t size) const {
    return AnswerTextItem({kSummary, kAction, kSuccess}, item, buffer, size);
}

std::uint8_t CConfigRetrieveOperation::Run(const OperationContext& context) {
    ShowTitle(context, kTitle);
    ReportEstablishing(context);
    try {
        const RunPort port(context);
        CGarnothInterface device(port.Transport(), context);
        device.Connect(false);
        {
            CLSModifyOptionsDlg dialog(device.GetInfo(), context.hostWindow);
            dialog.DoModal();
        }
        // Only a run that got this far reboots the receiver; a failure leaves it where it is.
        ReportStatus(context, kRebooting);
        device.ExitMonitor();
    } catch (const CLSDeviceException& failure) {
        if (failure.GetCode() != kNoReturnFromReboot) {
            throw;
        }
    }
    return 1;
}
