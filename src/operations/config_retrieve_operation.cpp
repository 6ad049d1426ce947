#include "operations/config_retrieve_operation.h"

#include <memory>

#include "device/device_exceptions.h"
#include "device/garnoth_interface.h"
#include "frame/bounded_copy.h"
#include "frame/host_reporting.h"
#include "operations/modify_options_dlg.h"
#include "operations/port_closer.h"
#include "platform/strings.h"
#include "platform/ui.h"
#include "transport/serial_interface.h"
#include "transport/transport_factory.h"

namespace {

constexpr unsigned kName = 1641;
constexpr unsigned kDescription = 1642;
constexpr unsigned kSummary = 1643;
constexpr unsigned kAction = 1644;
constexpr unsigned kTitle = 1645;
constexpr unsigned kSuccess = 1646;
constexpr unsigned kReceiverName = 217;
constexpr unsigned kEstablishing = 610;
constexpr unsigned kRebooting = 618;

// The receiver did not report back from its reboot: the configuration was read all the same.
constexpr int kNoReturnFromReboot = 812;

}  // namespace

CConfigRetrieveOperation::CConfigRetrieveOperation()
    : COperation(0),
      name_(platform::LoadString(kName)),
      description_(platform::FormatString(kDescription, platform::LoadString(kReceiverName))) {}

bool CConfigRetrieveOperation::GetTextItem(int item, char* buffer, std::size_t size) const {
    switch (item) {
        case 0:
            CopyBounded(platform::FormatString(kSummary, name_), buffer, size);
            return true;
        case 2:
            CopyBounded(platform::LoadString(kAction), buffer, size);
            return true;
        case 3:
            CopyBounded(platform::LoadString(kSuccess), buffer, size);
            return true;
        default:
            return COperation::GetTextItem(item, buffer, size);
    }
}

std::uint8_t CConfigRetrieveOperation::Run(const OperationContext& context) {
    if (context.hostWindow != nullptr) {
        platform::SetWindowTitle(context.hostWindow, platform::LoadString(kTitle));
    }
    ReportStatus(context, kEstablishing);
    ReportProgress(context, 0);

    try {
        const std::unique_ptr<CSerialInterface> transport = CreateSerialTransport();
        transport->OpenPort(context.portNumber, 1, 0, 0,
                            6);  // 8 data bits, 1 stop bit, no parity, 9600
        const PortCloser closer(*transport);
        CGarnothInterface device(*transport, context);
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
