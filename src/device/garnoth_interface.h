#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "data/garnoth_info.h"
#include "device/ls_device_interface.h"
#include "protocol/tc_requests.h"

// The device interface of the Vorin receivers. Calling order for an operation: construct over
// an open transport; Connect; the receiver services; ExitMonitor (when the operation wants the
// receiver back in its application); destroy; then the operation closes its transport.
//
// The host line settings change under the interface's feet: identification always starts at
// 9600 8N1 and then follows the receiver's reported settings; SwitchBaud sets the negotiated
// speed. A receiver on its USB port (receiver port 15) loses its virtual COM port while it
// reboots, so EnterMonitor and ExitMonitor close and reopen the transport.
class CGarnothInterface : public CLSDeviceInterface {
  public:
    static constexpr std::uint32_t kDefaultFlashBase = 0x02400000;
    static constexpr std::size_t kRadioConfigSize = 2048;

    CGarnothInterface(CSerialInterface& transport, const OperationContext& context);
    ~CGarnothInterface() override;

    // --- connection and identification ---

    // Brings the receiver into its monitor at the best line speed and reads its product,
    // hardware and flash information. Polls for cancellation between its steps. 801 when no
    // known receiver reached its monitor.
    void Connect(bool allowBaudSwitch) override;
    // Identifies the receiver until a known product answers. An unknown product, or (with
    // reportNoDevice) silence, asks the user to retry; Cancel throws CUserException.
    void DetectReceiver(bool reportNoDevice) override;
    // Puts an application-mode receiver into its monitor and waits for it; true when the
    // receiver is in its monitor afterwards. 819 when it stays in its application.
    bool EnterMonitor();
    // Tries the line speeds from the highest allowed ("MaxBaud") down to 9600; with
    // allowBaudSwitch false every try keeps the receiver's own rate.
    void SwitchToMaxBaud(bool allowBaudSwitch);
    // Reads the product information block into the information record.
    void ReadProductInfo();
    // Reads the hardware information (flash information plus the hardware flag); false when
    // the receiver did not give it, twice.
    bool ReadHardwareInfo();
    // Reads the flash information; without it the default flash base address stays in force.
    void ReadFlashInfo();
    // Reboots the receiver into its application and waits up to 18 s for it to identify again:
    // 701 when no receiver could be identified before, 812 when none comes back.
    void ExitMonitor() override;

    // --- receiver services ---

    CGarnothInfo& GetInfo() override { return info_; }
    std::uint32_t GetFlashBase() const override { return flashBase_; }
    // Byte 68 of the hardware information; 0 when only flash information, or nothing, was read.
    std::uint8_t GetHardwareFlag() const { return hardwareFlag_; }
    // The byte order of the receiver's memory copy of its error log, as the decoder takes it:
    // true (low byte first) on a receiver whose hardware flag is set, else false (most
    // significant byte first).
    bool GetByteOrderFlag() const { return GetHardwareFlag() != 0; }
    // Reads the 2048-byte radio configuration block (see ReadRadioConfig for the failures).
    std::vector<std::uint8_t> RetrieveRadioConfig();
    // Clears the receiver's error log over the application's TC protocol; needs no Connect.
    // 701 when no receiver answers the identification, 709 when it does not run its
    // application, 708 without an answer to the clear request within three reply windows
    // (nothing is sent meanwhile: the receiver may still be erasing), 707 when it was refused.
    void ClearErrorLog();

    // --- state of the last identification ---

    int GetReceiverPort() const { return receiverPort_; }
    const std::string& GetProductName() const { return productName_; }
    bool IsSpecialChip() const { return specialChip_; }

  private:
    // Takes the flash base address and the chip name from 68 bytes of flash information.
    void DecodeFlashInfo(const std::uint8_t* flashInfo);
    // Waits until the rebooted receiver is in its monitor; returns whether it is. With
    // reopenPort, a USB port that is still closed is opened again before each try; when it never
    // opens, the last open failure is thrown.
    bool AwaitMonitor(int reopenPort);
    // Disables and enables the receiver's USB serial device, then reopens the port.
    void RestartUsbPort(int portNumber);

    CGarnothInfo info_;
    int receiverPort_ = -1;
    std::uint32_t flashBase_ = kDefaultFlashBase;
    bool specialChip_ = false;
    std::string productName_;
    std::uint8_t hardwareFlag_ = 0;
    CTCGetOpts getOptsRequest_;
    CTCGetOpts getOptsReply_;
};
