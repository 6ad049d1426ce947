#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/bytes.h"
#include "engine/line_settings.h"

namespace sim {

// A profile that cannot be used; the text names the file and the field.
class ProfileError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

constexpr std::size_t kInfoBlockSize = 425;
constexpr std::size_t kRadioConfigSize = 2048;

enum class PowerOnMode { kApplication, kMonitor };
// kAckLost: the port goes over to the radio, but the ACK never reaches the host (a noisy line).
enum class PassThroughAnswer { kAcknowledge, kRefuse, kSilent, kAckLost };
enum class ByteOrder { kBig, kLittle };
enum class LogWindow { kAuto, kStandard, kExtended };
enum class ClearAnswer { kAcknowledge, kRefuse, kSilent };

// Record status bytes of the stored log.
constexpr std::uint8_t kLogValid = 0xFC;
constexpr std::uint8_t kLogDeleted = 0xF8;
constexpr std::uint8_t kLogBlank = 0xFE;
constexpr std::uint8_t kLogErased = 0xFF;

// One error-log record as the receiver keeps it.
struct ErrorLogRecord {
    std::uint8_t status = kLogValid;
    std::uint32_t errorNumber = 0;
    std::uint8_t id = 0;
    std::uint8_t vpc = 0;
    std::uint32_t pc = 0;
    std::uint32_t dataAddress = 0;
    std::uint32_t rr1 = 0;
    std::uint32_t rr2 = 0;
    std::uint16_t softwareVersion = 0;
    std::uint16_t softwareYear = 0;
    std::uint8_t softwareDate1 = 0;
    std::uint8_t softwareDate2 = 0;
    std::uint32_t timeOfWeekMs = 0;
    std::uint16_t gpsWeek = 0;
    std::uint32_t upTime = 0;
    std::uint32_t stackPointer = 0;
    std::array<std::uint32_t, 10> trace{};
    std::uint16_t userDataLength = 0;
    std::array<std::uint8_t, 40> userData{};
};

// A fault the receiver plays on chosen requests, so that one exchange anywhere in a run can go
// wrong: which requests it watches, which of them it hits, and what happens instead. A rule hits
// the nth request it watches, then every `every`th after it (none when 0), at most `times` times
// (no limit when 0).
struct RequestFault {
    // kIdentification: a break or the identification request; kTc, kLs: the requests of that
    // protocol other than identification, of `type` only when it is set; kAny: all of them.
    enum class On { kIdentification, kTc, kLs, kAny };
    enum class Action {
        kUnheard,  // lost on its way: the receiver never hears it
        kLost,     // carried out, but what the receiver answers is lost on the line
        kRefused,  // not carried out; a lone NAK instead
        kLate,     // carried out; the answer leaves delayMs late (and what follows it after it)
        kShort,    // carried out; the answer's data lack their last byte
        kLong,     // carried out; the answer's data carry one zero byte more
    };
    On on = On::kAny;
    std::optional<std::uint8_t> type;
    int nth = 1;
    int every = 0;
    int times = 0;
    Action action = Action::kLost;
    std::uint32_t delayMs = 0;
};

// Everything that describes one emulated receiver. Built only by the profile loader, which
// checks every field, so the engine can rely on it.
struct Profile {
    std::string name;
    std::string description;

    // Identification.
    std::string product;         // PRODUCT field in the application
    std::string monitorProduct;  // PRODUCT field in the monitor
    std::string serial;
    PowerOnMode powerOn = PowerOnMode::kApplication;
    int portNumber = 1;                             // the receiver's own port; 15 is its USB port
    LineSettings line;                              // the application's line
    std::string portMode;                           // the PORT mode field
    std::vector<std::uint32_t> supportedBauds;      // rates the monitor accepts in a baud switch
    bool portStatus = true;                         // whether the PORTSTATUS segment is sent
    std::optional<std::string> identificationText;  // verbatim application text
    std::optional<std::string> monitorIdentificationText;

    std::string softwareVersion;  // "M.m", up to three and two characters
    std::string bootVersion;

    struct Radio {
        bool present = true;
        std::string model;
        std::string version;
        PassThroughAnswer passThrough = PassThroughAnswer::kAcknowledge;
        std::optional<std::string> versionText;  // verbatim reply to the radio query
        Bytes config;                            // kRadioConfigSize bytes
    } radio;

    std::uint8_t radioFlags = 0;  // byte 45 of the selector-0 options reply
    std::uint8_t bootFlags = 0;   // byte 29 of the selector-1 options reply

    std::array<std::uint8_t, kInfoBlockSize> infoBlock{};

    struct ErrorLog {
        int layout = 3;
        ByteOrder byteOrder = ByteOrder::kBig;
        bool longRecords = true;
        LogWindow window = LogWindow::kAuto;
        std::uint8_t fill = 0x00;  // bytes after the last record; 0x00 ends the written part
        std::vector<ErrorLogRecord> entries;
    } errorLog;

    struct Flash {
        std::uint32_t base = 0x02400000;
        std::uint32_t secondBase = 0x02800000;
        std::string chip;
        std::uint8_t hardwareFlag = 0;
    } flash;

    struct GpsTime {
        int utcOffset = 18;
        std::uint16_t week = 0;
        std::uint32_t secondsOfWeek = 0;
    } gpsTime;

    struct Delays {
        std::uint32_t replyMs = 20;
        std::uint32_t bootToMonitorMs = 10000;
        std::uint32_t bootToApplicationMs = 6000;
        std::uint32_t radioCommitMs = 12000;
        std::uint32_t logClearMs = 0;  // erasing the log before the clear is acknowledged
        // A receiver on its USB port leaves the bus when it reboots and is back this long after.
        std::uint32_t usbReturnMs = 4000;
    } delays;

    struct Faults {
        bool silent = false;
        Bytes noise;  // sent before every reply frame
        bool corruptBeforeGood = false;
        bool refuseBaud = false;
        bool noHardwareInfo = false;
        bool noFlashInfo = false;
        bool neverMonitor = false;
        bool radioWriteFails = false;
        ClearAnswer clearAnswer = ClearAnswer::kAcknowledge;  // NAK or silence keep the log
        bool eraseUnanswered = false;  // the erase request is taken in silence and not carried out
        bool eraseRefused =
            false;  // the erase request is answered with a lone NAK, not carried out
        int dropsToMonitorAfter = 0;  // the application falls into the monitor after answering
                                      // this many identifications (0: never)
        int usbGoneAfter = 0;         // the USB port does not come back from this leave of the bus
                                      // (1: the first; 0: it always comes back)
        std::vector<RequestFault> requests;
    } faults;
};

// The built-in receiver: application mode, internal radio, a dozen dated options, a non-empty
// error log. Every profile file is applied on top of it (a JSON merge patch), so a file lists
// only what differs.
Profile DefaultProfile();
const char* DefaultProfileText();

// Reads a profile from JSON text; sourceName names it in error messages. Throws ProfileError
// naming the field and never returns a partly read profile.
Profile LoadProfileText(const std::string& json, const std::string& sourceName);
Profile LoadProfileFile(const std::string& path);

}  // namespace sim
