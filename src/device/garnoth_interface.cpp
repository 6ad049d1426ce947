#include "device/garnoth_interface.h"

#include <array>
#include <ctime>
#include <optional>

#include "device/break_info.h"
#include "device/device_exceptions.h"
#include "device/product_table.h"
#include "frame/branding.h"
#include "frame/host_reporting.h"
#include "frame/settings.h"
#include "platform/clock.h"
#include "platform/device_tree.h"
#include "platform/exception.h"
#include "platform/strings.h"
#include "platform/ui.h"
#include "protocol/ls_requests.h"
#include "transport/serial_com_exception.h"
#include "transport/serial_interface.h"
#include "transport/serial_settings.h"

namespace {

constexpr int kUsbPort = CBreakInfo::kUsbPort;
constexpr unsigned kUnknownProductPrompt = 733;
constexpr unsigned kNoDevicePrompt = 735;

constexpr int kNoResponse = 801;
constexpr int kStayedInApplication = 819;
constexpr int kNoReturn = 812;
constexpr int kIdentificationFailed = 701;

// Fixed waits of the receiver's handling, in milliseconds.
constexpr std::uint32_t kUsbCloseWaitMs = 500;
constexpr std::uint32_t kBootWaitMs = 14000;
constexpr std::uint32_t kLongBootWaitMs = 24000;
constexpr std::uint32_t kSlowModelExtraMs = 18000;
constexpr std::uint32_t kModel153ExtraMs = 6000;
constexpr std::uint32_t kUsbSettleMs = 5000;
constexpr std::uint32_t kDeviceStateWaitMs = 1000;
constexpr std::uint32_t kPortBusyWaitMs = 5000;
constexpr std::uint32_t kMonitorRetryWaitMs = 7000;
constexpr std::uint32_t kAfterBaudSwitchMs = 5000;
constexpr std::uint32_t kBeforeProductInfoMs = 500;
constexpr std::uint32_t kHardwareRetryWaitMs = 2000;
constexpr std::uint32_t kRebootCloseWaitMs = 2000;
constexpr std::uint32_t kRebootReopenWaitMs = 6000;
constexpr std::uint32_t kBeforeReturnCheckMs = 2000;
constexpr std::uint32_t kReturnPollMs = 500;

constexpr int kMonitorTries = 8;
constexpr int kReopenTries = 10;
constexpr double kReturnLimitSeconds = 18.0;

constexpr std::uint8_t kGetOptsBootSelector = 1;
constexpr std::uint8_t kLongBootFlags = 0x03;
constexpr std::array<std::uint8_t, 6> kMonitorRequest = {0x02, 0x00, 0x87, 0x00, 0x87, 0x03};

// Models that need longer than the others to bring up their monitor.
constexpr std::array<int, 6> kSlowModels = {100, 101, 242, 243, 239, 137};
constexpr int kModel153 = 153;

// Line speeds of the baud negotiation, lowest first.
constexpr std::array<std::uint32_t, 5> kCandidateRates = {9600, 14400, 38400, 57600, 115200};

constexpr double kFlashInfoSeconds = 3.0;
constexpr double kHardwareInfoSeconds = 15.0;
constexpr double kHardwareRetrySeconds = 5.0;
constexpr std::size_t kFlashInfoSize = 68;
constexpr std::size_t kHardwareInfoSize = 72;
constexpr std::size_t kChipNameOffset = 10;
constexpr std::size_t kChipNameLength = 15;  // byte 25 is forced to 0
constexpr const char* kSpecialChip = "Velmora 5";

void OpenAt9600(CSerialInterface& transport, int portNumber) {
    transport.OpenPort(portNumber, serial::kByteSize8, serial::kOneStopBit, serial::kNoParity,
                       serial::kBaud9600);
}

}  // namespace

CGarnothInterface::CGarnothInterface(CSerialInterface& transport, const OperationContext& context)
    : CLSDeviceInterface(transport, context) {
    SetInfo(&info_);
}

CGarnothInterface::~CGarnothInterface() = default;

void CGarnothInterface::Connect(bool allowBaudSwitch) {
    CheckForCancel(GetContext());
    if (!EnterMonitor()) {
        Fail(kNoResponse);
    }
    ReportProgress(GetContext(), 40);
    CheckForCancel(GetContext());
    // The USB port runs at its own speed; the receiver is not asked to change it.
    if (receiverPort_ != kUsbPort) {
        SwitchToMaxBaud(allowBaudSwitch);
        platform::Sleep(kAfterBaudSwitchMs);
    }
    ReportProgress(GetContext(), 80);
    CheckForCancel(GetContext());
    ReadProductInfo();
    if (!ReadHardwareInfo()) {
        ReadFlashInfo();
    }
    ReportProgress(GetContext(), 100);
}

void CGarnothInterface::DetectReceiver(bool reportNoDevice) {
    const int port = GetContext().portNumber;
    for (;;) {
        CBreakInfo receiver;
        receiver.RetrieveBreakInfo(GetTransport(), true, false);
        productName_ = receiver.GetProductName();
        receiverPort_ = receiver.GetPortNumber();

        std::string prompt;
        if (receiver.IsValid()) {
            if (IsApplicationProduct(productName_) || IsMonitorProduct(productName_)) {
                return;
            }
            prompt = platform::FormatString(kUnknownProductPrompt, port, port);
            ApplyBrandingVariant(prompt);
        } else if (reportNoDevice) {
            prompt = platform::FormatString(kNoDevicePrompt, port);
        } else {
            return;
        }
        const int answer =
            platform::ShowMessageBox(GetContext().hostWindow, prompt, platform::ApplicationName(),
                                     platform::mb::kSetForeground | platform::mb::kRetryCancel);
        // Only an explicit Retry repeats: a box that could not be shown must not loop forever.
        if (answer != platform::answer::kRetry) {
            throw CUserException();
        }
    }
}

bool CGarnothInterface::EnterMonitor() {
    DetectReceiver(false);
    if (!IsApplicationProduct(productName_)) {
        // Already in its monitor (or nothing known answered).
        return IsMonitorProduct(productName_);
    }

    CSerialInterface& transport = GetTransport();
    getOptsRequest_.SetSelector(kGetOptsBootSelector);
    getOptsRequest_.SendPacket(transport);
    const bool longBoot = getOptsReply_.ReceiveReply(transport) &&
                          (getOptsReply_.GetSecondFlags() & kLongBootFlags) != 0;

    const int portNumber = transport.GetPortNumber();
    transport.Write(kMonitorRequest.data(), kMonitorRequest.size());
    const bool usb = receiverPort_ == kUsbPort;
    if (usb) {
        platform::Sleep(kUsbCloseWaitMs);
        transport.ClosePort();
    }
    platform::Sleep(longBoot ? kLongBootWaitMs : kBootWaitMs);
    const int code = GetProductCode(productName_);
    for (const int slow : kSlowModels) {
        if (code == slow) {
            platform::Sleep(kSlowModelExtraMs);
        }
    }
    if (code == kModel153) {
        platform::Sleep(kModel153ExtraMs);
    }
    if (usb) {
        RestartUsbPort(portNumber);
    }
    return AwaitMonitor(usb ? portNumber : 0);
}

void CGarnothInterface::RestartUsbPort(int portNumber) {
    platform::Sleep(kUsbSettleMs);
    const std::string device = platform::UsbDeviceName(portNumber);
    platform::DeviceTree& tree = platform::CurrentDeviceTree();
    tree.SetDevicesEnabled(device, false);
    platform::Sleep(kDeviceStateWaitMs);
    tree.SetDevicesEnabled(device, true);
    platform::Sleep(kDeviceStateWaitMs);
    try {
        OpenAt9600(GetTransport(), portNumber);
    } catch (const CSerialComException& failure) {
        // The device may still be coming up; the identification tries that follow tell.
        if (failure.GetCode() == CSerialComException::kOpenFailed) {
            platform::Sleep(kPortBusyWaitMs);
        }
    }
}

bool CGarnothInterface::AwaitMonitor(int reopenPort) {
    CSerialInterface& transport = GetTransport();
    for (int attempt = 1; attempt <= kMonitorTries; ++attempt) {
        // A USB port that was not back when it was reopened is opened again before each try:
        // a closed port can answer no identification, and its device may appear late. When it
        // never does, its open failure is what the user learns, not a read of a closed port.
        if (reopenPort != 0 && !transport.IsOpen()) {
            try {
                OpenAt9600(transport, reopenPort);
            } catch (const CSerialComException&) {
                if (attempt == kMonitorTries) {
                    throw;
                }
                platform::Sleep(kMonitorRetryWaitMs);
                continue;
            }
        }
        CBreakInfo receiver;
        receiver.RetrieveBreakInfo(GetTransport(), true, false);
        productName_ = receiver.GetProductName();
        if (productName_.find("-MONITOR") != std::string::npos) {
            break;
        }
        if (attempt < kMonitorTries) {
            platform::Sleep(kMonitorRetryWaitMs);
        }
    }
    if (IsMonitorProduct(productName_)) {
        return true;
    }
    if (IsApplicationProduct(productName_)) {
        Fail(kStayedInApplication);
    }
    return false;
}

void CGarnothInterface::SwitchToMaxBaud(bool allowBaudSwitch) {
    std::size_t start = kCandidateRates.size() - 1;
    const std::uint32_t maxBaud = ReadMaxBaud();
    for (std::size_t i = 0; i < kCandidateRates.size(); ++i) {
        if (kCandidateRates[i] == maxBaud) {
            start = i;
        }
    }
    for (std::size_t index = start + 1; index-- > 0;) {
        try {
            SwitchBaud(allowBaudSwitch ? kCandidateRates[index] : 0);
            platform::Sleep(kBeforeProductInfoMs);
            ReadProductInfo();
            return;
        } catch (const CUserException&) {
            throw;
        } catch (const CException&) {
            // The next lower rate may work; at the lowest the failure is the operation's.
            if (index == 0) {
                throw;
            }
        }
    }
}

void CGarnothInterface::ReadProductInfo() {
    const std::int32_t size = info_.GetInfoSize();
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(size));
    RequestProductInfo(size, buffer.data());
    info_.LoadInfoAndOptions(buffer.data(), buffer.size());
}

bool CGarnothInterface::ReadHardwareInfo() {
    CSerialInterface& transport = GetTransport();
    CLSRequestFlashInfo request(true);
    request.SendPacket(transport);
    CLSPacket reply(ls_type::kFlashInfo);
    bool received = reply.ReceivePacket(transport, kHardwareInfoSeconds) &&
                    reply.GetSize() == kHardwareInfoSize;
    if (!received) {
        platform::Sleep(kHardwareRetryWaitMs);
        transport.Purge(true, true);
        platform::Sleep(kHardwareRetryWaitMs);
        request.SendPacket(transport);
        reply.ClearPayload();  // a reply without data must not count as the earlier one
        received = reply.ReceivePacket(transport, kHardwareRetrySeconds) &&
                   reply.GetSize() == kHardwareInfoSize;
        if (!received) {
            return false;
        }
    }
    DecodeFlashInfo(reply.GetData());
    hardwareFlag_ = reply.GetAt(kFlashInfoSize);
    return true;
}

void CGarnothInterface::ReadFlashInfo() {
    CSerialInterface& transport = GetTransport();
    CLSRequestFlashInfo request;
    request.SendPacket(transport);
    CLSPacket reply(ls_type::kFlashInfo);
    if (reply.ReceivePacket(transport, kFlashInfoSeconds) && reply.GetSize() == kFlashInfoSize) {
        DecodeFlashInfo(reply.GetData());
    } else {
        flashBase_ = kDefaultFlashBase;
    }
}

void CGarnothInterface::DecodeFlashInfo(const std::uint8_t* flashInfo) {
    flashBase_ = (static_cast<std::uint32_t>(flashInfo[0]) << 24) |
                 (static_cast<std::uint32_t>(flashInfo[1]) << 16) |
                 (static_cast<std::uint32_t>(flashInfo[2]) << 8) |
                 static_cast<std::uint32_t>(flashInfo[3]);
    std::string chip;
    for (std::size_t i = 0; i < kChipNameLength && flashInfo[kChipNameOffset + i] != 0; ++i) {
        chip.push_back(static_cast<char>(flashInfo[kChipNameOffset + i]));
    }
    specialChip_ = chip == kSpecialChip;
}

void CGarnothInterface::ExitMonitor() {
    CSerialInterface& transport = GetTransport();
    if (receiverPort_ == -1) {
        CBreakInfo receiver;
        if (!receiver.RetrieveBreakInfo(transport, true, false)) {
            throw CGarnothException(kIdentificationFailed, transport.GetPortNumber());
        }
        receiverPort_ = receiver.GetPortNumber();
    }

    CLSRebootPacket reboot;
    reboot.SendPacket(transport);

    if (receiverPort_ == kUsbPort) {
        platform::Sleep(kRebootCloseWaitMs);
        const int portNumber = transport.GetPortNumber();
        transport.ClosePort();
        platform::Sleep(kRebootReopenWaitMs);
        std::optional<CSerialComException> reopenFailure;
        for (int attempt = 0; attempt < kReopenTries; ++attempt) {
            try {
                OpenAt9600(transport, portNumber);
                reopenFailure.reset();
                break;
            } catch (const CSerialComException& failure) {
                reopenFailure = failure;
                if (failure.GetCode() != CSerialComException::kOpenFailed) {
                    break;
                }
                platform::Sleep(kPortBusyWaitMs);
            }
        }
        // A port that did not come back answers no identification; its open failure is what
        // the user learns, not a read of a closed port.
        if (reopenFailure) {
            throw *reopenFailure;
        }
    }

    platform::Sleep(kBeforeReturnCheckMs);
    const std::time_t start = platform::Now();
    for (;;) {
        CBreakInfo receiver;
        receiver.RetrieveBreakInfo(transport, true, false);
        const std::string& name = receiver.GetProductName();
        if (IsApplicationProduct(name) || IsMonitorProduct(name)) {
            return;
        }
        if (std::difftime(platform::Now(), start) > kReturnLimitSeconds) {
            Fail(kNoReturn);
        }
        platform::Sleep(kReturnPollMs);
    }
}
