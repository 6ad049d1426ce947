#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

class CSerialInterface;

// What a receiver says about itself when it is identified: a serial break (or, on a transport
// that is no serial line or when the break brings no answer, the identification request
// 02 00 6F 00 6F 03) is answered with a TC frame of type 0x6E holding a text such as
// "PRODUCT,<name>;PORT,<port>,<baud>,<baud>,<bits>,<stop>,<parity>,<mode>;PORTSTATUS,...;
// VERSION,...;COMM,...;SERIAL,<serial>;...". Operations keep one record per identification.
class CBreakInfo {
  public:
    static constexpr std::uint32_t kBreakMilliseconds = 350;
    static constexpr std::uint32_t kSettleMilliseconds = 8000;
    static constexpr int kReadSeconds = 3;
    // The receiver's own port number of its USB port.
    static constexpr int kUsbPort = 15;

    CBreakInfo() = default;

    // Identifies the receiver on the transport and fills the record; returns the valid flag.
    // The host line starts at 9600 8N1; after a valid answer it follows the receiver's reported
    // settings (unless the receiver keeps its line settings) and, unless skipSettleWait, waits
    // 8 s for the receiver to settle. retry gives three attempts instead of one. A transport
    // failure in the last attempt passes to the caller; earlier ones only end their attempt.
    bool RetrieveBreakInfo(CSerialInterface& transport, bool retry, bool skipSettleWait);

    // Reads one identification reply within 3 s; nothing when none was completed, when the
    // transport's read timed out, or when the reply carried no text.
    static std::optional<std::string> GetRawBreakData(CSerialInterface& transport);

    // Fills the record from an identification text; true when the text had a complete PORT
    // segment and a COMM segment. A text that does not start with "PRODUCT" or has no ";PORT"
    // changes nothing.
    bool ParsePacketData(std::string_view text);

    // Sets the host line to the record's settings when the record is valid, else to 9600 8N1.
    void ApplyPortSettings(CSerialInterface& transport) const;

    // The baud code in bits per second (9600 for a code outside the transport's table).
    std::uint32_t GetBaudRate() const;

    int GetPortNumber() const { return portNumber_; }
    int GetBaudCode() const { return baudCode_; }
    int GetByteSizeIndex() const { return byteSizeIndex_; }
    int GetStopBitsIndex() const { return stopBitsIndex_; }
    int GetParityIndex() const { return parityIndex_; }
    bool GetKeepLineSettings() const { return keepLineSettings_; }
    const std::string& GetProductName() const { return productName_; }
    const std::string& GetSerialNumber() const { return serialNumber_; }
    bool IsValid() const { return valid_; }

    // Writes the identification request frame.
    static void WriteIdentificationRequest(CSerialInterface& transport);

  private:
    void ParsePortFields(std::string_view segment);

    int portNumber_ = -1;
    int baudCode_ = 6;       // 9600
    int byteSizeIndex_ = 1;  // 8 data bits
    int stopBitsIndex_ = 0;  // one stop bit
    int parityIndex_ = 0;    // no parity
    bool keepLineSettings_ = false;
    std::string productName_ = "NoSuchProduct";
    std::string serialNumber_;
    bool valid_ = false;
};
