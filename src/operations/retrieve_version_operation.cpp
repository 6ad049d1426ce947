#include "operations/retrieve_version_operation.h"

#include "device/break_info.h"
#include "device/device_exceptions.h"
#include "device/product_table.h"
#include "frame/branding.h"
#include "frame/host_reporting.h"
#include "operations/version_display_dlg.h"
#include "platform/exception.h"
#include "platform/strings.h"
#include "platform/ui.h"
#include "protocol/tc_requests.h"
#include "transport/serial_interface.h"

namespace {

constexpr unsigned kName = 1621;
constexpr unsigned kDescription = 1622;
constexpr unsigned kSummary = 1623;
constexpr unsigned kAction = 1624;
constexpr unsigned kTitle = 1625;
constexpr unsigned kSuccess = 1626;
constexpr unsigned kReceiverName = 217;
constexpr unsigned kRetrieving = 627;
constexpr unsigned kNotRunningApplication = 731;
constexpr unsigned kInvalidDevice = 733;
constexpr unsigned kNoRadio = 4014;  // "None"

constexpr int kVersionNumbersFailed = 704;
constexpr int kUnexpectedResponse = 707;

constexpr std::uint8_t kRadioFlag = 0x02;
constexpr std::uint8_t kPassThroughMode = 4;
constexpr std::uint8_t kRadioVersionQuery = '0';
constexpr std::size_t kShortestRadioReply = 7;

void ShowNotice(const OperationContext& context, const std::string& text) {
    platform::ShowMessageBox(context.hostWindow, text, platform::ApplicationName(),
                             platform::mb::kOk | platform::mb::kSetForeground);
}

}  // namespace

CRetrieveVersionOperation::CRetrieveVersionOperation()
    : COperation(0),
      name_(platform::LoadString(kName)),
      description_(platform::FormatString(kDescription, platform::LoadString(kReceiverName))) {}

bool CRetrieveVersionOperation::GetTextItem(int item, char* buffer, std::size_t size) const {
    return AnswerTextItem({kSummary, kAction, kSuccess}, item, buffer, size);
}

std::string CRetrieveVersionOperation::ParseRadioVersion(const std::string& text) {
    static const std::string kKey = "VERSION,";
    const std::size_t at = text.find(kKey);
    if (at == std::string::npos || at + kKey.size() >= text.size()) {
        return {};
    }
    const std::size_t start = at + kKey.size();
    const std::size_t comma = text.find(',', start);
    return comma == std::string::npos ? std::string() : text.substr(start, comma - start);
}

bool CRetrieveVersionOperation::HasInternalRadio(CSerialInterface& transport) {
    CTCGetOpts request(0);
    request.SendPacket(transport);
    CTCGetOpts reply(0);
    return reply.ReceiveReply(transport) && (reply.GetFlags() & kRadioFlag) != 0;
}

std::string CRetrieveVersionOperation::QueryRadioVersion(CSerialInterface& transport,
                                                         CBreakInfo& info,
                                                         const OperationContext& context) {
    // Hand the receiver's port over to its radio.
    CTCPacket passThrough(tc_type::kRadioPassThrough);
    passThrough.AppendByte(static_cast<std::uint8_t>(info.GetPortNumber() + 1));
    passThrough.AppendByte(kPassThroughMode);
    if (!passThrough.SendPacket(transport)) {
        return platform::LoadString(kNoRadio);
    }
    if (!passThrough.ReceivePacket(transport, kTCReplyTimeoutSeconds)) {
        // Sent but never answered: the ACK may have been lost with the port already handed to
        // the radio, which would not hear the version request.
        info = Identify(transport, context);
        return platform::LoadString(kNoRadio);
    }
    if (!passThrough.IsAckReceived()) {
        return platform::LoadString(kNoRadio);
    }

    CTCPacket query(tc_type::kRadioQuery);
    query.AppendByte(kRadioVersionQuery);
    if (!query.SendPacket(transport)) {
        throw CGarnothException(kUnexpectedResponse, transport.GetPortNumber());
    }
    std::string version;
    if (query.ReceivePacket(transport, kTCReplyTimeoutSeconds) &&
        query.GetSize() >= kShortestRadioReply) {
        const std::string text(query.GetPayload().begin(), query.GetPayload().end());
        version = ParseRadioVersion(text);
    }

    // A new identification brings the receiver's port back from the radio.
    info = Identify(transport, context);
    return version;
}

void CRetrieveVersionOperation::RejectProduct(const CBreakInfo& info,
                                              const OperationContext& context) {
    if (!IsMonitorProduct(info.GetProductName())) {
        std::string text =
            platform::FormatString(kInvalidDevice, context.portNumber, context.portNumber);
        ApplyBrandingVariant(text);
        ShowNotice(context, text);
    } else {
        ShowNotice(context, platform::FormatString(kNotRunningApplication, context.portNumber,
                                                   platform::LoadString(kReceiverName)));
    }
    throw CUserException();
}

std::uint8_t CRetrieveVersionOperation::Run(const OperationContext& context) {
    ShowTitle(context, kTitle);
    ReportEstablishing(context);
    const RunPort port(context);
    CSerialInterface& transport = port.Transport();

    CBreakInfo info = Identify(transport, context);
    CVersionDisplayDlg::Values values;
    values.serialNumber = info.GetSerialNumber();
    if (!IsApplicationProduct(info.GetProductName())) {
        RejectProduct(info, context);
    }

    ReportStatus(context, kRetrieving);
    if (HasInternalRadio(transport)) {
        values.radioVersion = QueryRadioVersion(transport, info, context);
    }

    // The reply is awaited even when the request could not be written: the receive's
    // retransmissions give a line that failed once two more chances.
    CTCRetrieveVersionNumbers versions;
    versions.SendPacket(transport);
    if (!versions.ReceiveReply(transport)) {
        throw CGarnothException(kVersionNumbersFailed, context.portNumber);
    }
    values.model = info.GetProductName();
    values.softwareVersion = versions.GetSoftwareVersion();
    values.bootVersion = versions.GetBootVersion();
    ReportProgress(context, 100);

    CVersionDisplayDlg dialog(values, context.hostWindow);
    dialog.DoModal();
    return 1;
}
