#pragma once

#include <cstdint>

#include "frame/operation_context.h"

class CLSInfo;
class CSerialInterface;

// Base of the device interfaces of the receiver families: the services that every family's
// monitor offers in the same way (product information, memory reads, the radio configuration
// block, the baud switch, the reboot) and the family-specific ones as pure operations. Works on
// a transport that the operation owns and has opened; never closes or deletes it.
//
// Failures are CLSDeviceException objects with the transport's port number (silent flag clear);
// transport failures (CSerialComException) pass through.
class CLSDeviceInterface {
  public:
    // The LS reply limit: a memory read asks for at most this many bytes per exchange.
    static constexpr std::int32_t kMaxReadCount = 2055;

    CLSDeviceInterface(CSerialInterface& transport, const OperationContext& context);
    CLSDeviceInterface(const CLSDeviceInterface&) = delete;
    CLSDeviceInterface& operator=(const CLSDeviceInterface&) = delete;
    virtual ~CLSDeviceInterface();

    virtual std::uint32_t GetFlashBase() const = 0;
    // Reads the product information block of exactly size bytes into buffer: 801 without a
    // reply, 811 when the reply has another length.
    virtual void RequestProductInfo(std::int32_t size, std::uint8_t* buffer);
    // The receiver information record the interface fills.
    virtual CLSInfo& GetInfo() = 0;
    // Reboots the monitor into the application: sends the reboot request and waits 3 s for its
    // reply; 812 without one. Families replace it with their own wait for the application.
    virtual void ExitMonitor();
    // Reads the radio configuration block; length is the size expected (and read). 801 without
    // a reply, 820 when the receiver has no internal radio, 817 for a reply of another length.
    virtual void ReadRadioConfig(std::uint8_t* buffer, std::int32_t& length);
    // Writes the radio configuration block and waits up to 21 reply windows for the receiver to
    // commit it: 801 without a reply, 818 when the receiver reports the write failed.
    virtual void SendRadioConfig(const std::uint8_t* block, std::int32_t length);
    // Reads count bytes of receiver memory from address into destination (one LS exchange):
    // 801 without a reply, 817 when the reply does not carry exactly count bytes (nothing is
    // copied then). count must not exceed kMaxReadCount; a count of 0 or less reads nothing.
    virtual void ReadMemory(std::uint32_t address, std::uint8_t* destination, std::int32_t count);
    // Moves receiver and host to bitsPerSecond (0: to the receiver's own rate); 805 when the
    // receiver does not answer the switch request. A refused rate makes the host follow the
    // rate the receiver reports.
    virtual void SwitchBaud(std::uint32_t bitsPerSecond);
    // Brings the receiver into its monitor at the best line speed and reads its information.
    virtual void Connect(bool allowBaudSwitch) = 0;
    // Identifies the receiver, asking the user to retry until a known product answers.
    virtual void DetectReceiver(bool reportNoDevice) = 0;

    CSerialInterface& GetTransport() const { return transport_; }
    const OperationContext& GetContext() const { return context_; }

  protected:
    // The family's record, embedded in the derived interface.
    void SetInfo(CLSInfo* info) { info_ = info; }
    CLSInfo* InfoRecord() const { return info_; }
    // Throws CLSDeviceException code with the transport's port number.
    [[noreturn]] void Fail(int code) const;

  private:
    CLSInfo* info_ = nullptr;
    OperationContext context_;
    CSerialInterface& transport_;
};
