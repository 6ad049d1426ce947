#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "data/calendar.h"

// Which columns of the configuration report an option fills (its display flags, fixed per kind).
namespace option_display {
constexpr std::uint32_t kStatus = 0x001;     // "Enabled"/"Disabled"; state decides listing
constexpr std::uint32_t kValueText = 0x002;  // the value text replaces the status
constexpr std::uint32_t kToDate = 0x004;     // To column from GetToText
constexpr std::uint32_t kFromDate = 0x008;   // From column from GetFromText
constexpr std::uint32_t kHidesPermanentDates = 0x010;     // no dates while permanent
constexpr std::uint32_t kListsDatedWhenDisabled = 0x020;  // disabled but dated: still listed
constexpr std::uint32_t kFirmware = 0x040;                // marks the firmware option
constexpr std::uint32_t kListValued = 0x100;              // value comes from a name list
}  // namespace option_display

// One receiver option, decoded from the 425-byte information block. The information record owns
// its options and decodes every one of them after each block it loads; the configuration report
// reads them through the virtual tests and texts below. Texts are returned by filling a string
// that the caller owns.
class CLSOption {
  public:
    CLSOption(std::string name, bool internal, bool suppressed, bool auxiliary,
              std::uint32_t displayFlags);
    CLSOption(const CLSOption&) = delete;
    CLSOption& operator=(const CLSOption&) = delete;
    virtual ~CLSOption() = default;

    // Decodes the option from the stored block (converted as the information record stores it).
    // Bytes outside the block read as 0xFF, so a short block leaves the option not set.
    virtual bool DecodeOption(std::span<const std::uint8_t> block) = 0;
    virtual bool IsEnabled() const { return false; }
    virtual void GetValueText(std::string& text) const { text.clear(); }
    virtual void GetFromText(std::string& text) const { text.clear(); }
    virtual void GetToText(std::string& text) const { text.clear(); }
    // Kinds with an enabled state store it and return true.
    virtual bool SetEnabled(bool /*enabled*/) { return false; }
    virtual void SetValue(std::int32_t value) { value_ = value; }
    virtual const std::string& GetOptionName() const { return name_; }
    virtual bool IsInternal() const { return internal_; }
    virtual bool IsSuppressed() const { return suppressed_; }
    virtual bool IsPermanent() const { return permanent_; }
    virtual bool HasStatus() const { return Shows(option_display::kStatus); }
    virtual bool HasValueText() const { return Shows(option_display::kValueText); }
    virtual bool HasFromDate() const { return Shows(option_display::kFromDate); }
    virtual bool HasToDate() const { return Shows(option_display::kToDate); }
    virtual bool HidesPermanentDates() const { return Shows(option_display::kHidesPermanentDates); }
    virtual bool ListsDatedWhenDisabled() const {
        return Shows(option_display::kListsDatedWhenDisabled);
    }
    virtual void SetDecoded(bool decoded) { decoded_ = decoded; }

    bool IsAuxiliary() const { return auxiliary_; }
    bool IsDecoded() const { return decoded_; }
    bool IsMember() const { return member_; }
    std::int32_t GetValue() const { return value_; }
    std::uint32_t GetDisplayFlags() const { return displayFlags_; }
    const data::DateTime& GetStartDate() const { return startDate_; }
    const data::DateTime& GetEndDate() const { return endDate_; }

    // Set by the hide rule of the information record; stays set for the record's life.
    void SetSuppressed() { suppressed_ = true; }
    // Set when the information record adds the option to its list.
    void SetMember() { member_ = true; }

  protected:
    bool Shows(std::uint32_t flag) const { return (displayFlags_ & flag) != 0; }
    void AddDisplayFlags(std::uint32_t flags) { displayFlags_ |= flags; }
    void SetPermanent(bool permanent) { permanent_ = permanent; }
    void SetStartDate(const data::DateTime& date) { startDate_ = date; }
    void SetEndDate(const data::DateTime& date) { endDate_ = date; }
    // "Enabled follows the value": only options that show a status take their state from it.
    void EnableIfShown(bool isSet) {
        if (HasStatus()) {
            SetEnabled(isSet);
        }
    }

  private:
    data::DateTime endDate_;
    data::DateTime startDate_;
    std::string name_;
    bool internal_;
    bool suppressed_;
    bool auxiliary_;
    bool decoded_ = false;
    bool permanent_ = true;
    bool member_ = false;
    std::int32_t value_ = 0;
    std::uint32_t displayFlags_;
};
