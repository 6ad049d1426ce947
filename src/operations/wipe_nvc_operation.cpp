#include "operations/wipe_nvc_operation.h"

#include <array>
#include <vector>

#include "data/ero_dictionary.h"
#include "device/break_info.h"
#include "device/device_exceptions.h"
#include "device/garnoth_interface.h"
#include "device/product_table.h"
#include "frame/host_reporting.h"
#include "platform/clock.h"
#include "platform/exception.h"
#include "platform/strings.h"
#include "platform/ui.h"
#include "protocol/tc_requests.h"
#include "transport/serial_interface.h"

namespace {

constexpr unsigned kTitle = 1687;
constexpr unsigned kAction = 1688;
constexpr unsigned kSuccess = 1689;
constexpr unsigned kName = 1690;
constexpr unsigned kDescription = 1691;
constexpr unsigned kSummary = 1692;
constexpr unsigned kErasing = 1693;
constexpr unsigned kQuestion = 1695;
constexpr unsigned kEraseFailed = 1696;
constexpr unsigned kCanceled = 105;
constexpr unsigned kRebootingReceiver = 618;
constexpr unsigned kInitializingMonitor = 619;
constexpr unsigned kRebooting = 625;

constexpr int kInvalidDictionary = 710;

// The erase request's payload after the product code byte.
constexpr std::uint8_t kEraseCommand = 1;
constexpr std::array<std::uint8_t, 8> kEraseWord = {'E', 'R', 'A', 'S', 'E', 'N', 'V', 'C'};

// A complete TC frame of type 'X' with the data FF 00 "RESET", written as it stands.
constexpr std::array<std::uint8_t, 13> kResetFrame = {0x02, 0x00, 0x58, 0x07, 0xFF, 0x00, 0x52,
                                                      0x45, 0x53, 0x45, 0x54, 0xE1, 0x03};

// The receiver needs these to take the reset and to come back up before the run ends.
constexpr std::uint32_t kBeforeResetMs = 2000;
constexpr std::uint32_t kAfterResetMs = 2000;
constexpr std::uint32_t kRebootMs = 18000;

// Sends the erase request and waits for its reply; true when the receiver answered.
bool SendEraseRequest(CSerialInterface& transport, const std::string& productName) {
    CTCPacket request(tc_type::kEraseRequest);
    request.AppendByte(static_cast<std::uint8_t>(GetProductCode(productName)));
    request.AppendByte(kEraseCommand);
    request.AppendBytes(kEraseWord.data(), kEraseWord.size());
    request.SetIgnoreAckNak(true);
    if (!request.SendPacket(transport)) {
        return false;
    }
    request.SetIgnoreAckNak(true);
    request.SetPacketType(tc_type::kEraseReply);
    return request.ReceivePacket(transport, kTCReplyTimeoutSeconds);
}

}  // namespace

CWipeNVCOperation::CWipeNVCOperation()
    : COperation(0),
      name_(platform::LoadString(kName)),
      description_(platform::LoadString(kDescription)) {}

bool CWipeNVCOperation::GetTextItem(int item, char* buffer, std::size_t size) const {
    return AnswerTextItem({kSummary, kAction, kSuccess}, item, buffer, size);
}

bool CWipeNVCOperation::UsesEraseRequest(const std::string& productName) {
    return productName == "Tarrow" || productName == "Benlow";
}

std::uint8_t CWipeNVCOperation::Run(const OperationContext& context) {
    ShowTitle(context, kTitle);
    const int answer = platform::ShowMessageBox(context.hostWindow, platform::LoadString(kQuestion),
                                                platform::ApplicationName(),
                                                platform::mb::kYesNo | platform::mb::kIconQuestion);
    // Only an explicit Yes erases: a box that could not be shown counts as No.
    if (answer != platform::answer::kYes) {
        ReportStatus(context, kCanceled);
        ReportProgress(context, 100);
        return 0;
    }
    ReportEstablishing(context);
    const RunPort port(context);
    if (UsesEraseRequest(Identify(port.Transport(), context).GetProductName())) {
        return WipeWithEraseRequest(port.Transport(), context);
    }
    WipeThroughMonitor(port.Transport(), context);
    return 1;
}

std::uint8_t CWipeNVCOperation::WipeWithEraseRequest(CSerialInterface& transport,
                                                     const OperationContext& context) {
    // Identified again: the first identification only chose the path, and a receiver that has
    // dropped into its monitor since then must not get the erase request.
    const CBreakInfo info = Identify(transport, context);
    std::uint8_t result = 1;
    // A receiver in its monitor does not know the request; the reset alone restarts it.
    if (IsApplicationProduct(info.GetProductName())) {
        ReportStatus(context, kErasing);
        ReportProgress(context, 50);
        if (!SendEraseRequest(transport, info.GetProductName())) {
            result = 0;
        }
    }
    platform::Sleep(kBeforeResetMs);
    ReportStatus(context, kRebootingReceiver);
    transport.Write(kResetFrame.data(), kResetFrame.size());
    platform::Sleep(kAfterResetMs);
    transport.ClosePort();
    platform::Sleep(kRebootMs);
    ReportProgress(context, 100);
    if (result == 0) {
        ReportStatus(context, kEraseFailed);
        ReportProgress(context, 100);
    }
    return result;
}

void CWipeNVCOperation::WipeThroughMonitor(CSerialInterface& transport,
                                           const OperationContext& context) {
    CGarnothInterface device(transport, context);
    ReportStatus(context, kInitializingMonitor);
    device.Connect(true);
    std::vector<std::uint8_t> block = device.RetrieveRadioConfig();
    ReportProgress(context, 30);
    CheckForCancel(context);

    // The erased dictionary goes over the start of the block; the rest is written back as read.
    // A block that cannot take it whole is as unusable as one that holds no dictionary.
    if (!CERODictionary::EraseBlock(block.data(), block.size())) {
        throw CGarnothException(kInvalidDictionary, 0);
    }
    ReportProgress(context, 75);

    device.SendRadioConfig(block.data(), static_cast<std::int32_t>(block.size()));
    // The write is done (100); the reboot still to come takes the bar back to 95.
    ReportProgress(context, 100);
    ReportProgress(context, 95);
    ReportStatus(context, kRebooting);
    device.ExitMonitor();
    ReportProgress(context, 100);
    transport.ClosePort();
}
