#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "data/ls_option.h"

// The receiver information record: what the receiver reports about itself in its product
// information block, and the option list decoded from that block. It owns its options.
class CLSInfo {
  public:
    CLSInfo(int growStep, int infoSize);
    CLSInfo(const CLSInfo&) = delete;
    CLSInfo& operator=(const CLSInfo&) = delete;
    virtual ~CLSInfo();

    // Size of the product information block the record expects.
    virtual int GetInfoSize() const { return infoSize_; }
    // Stores a received block. The base keeps nothing; it only marks the record loaded.
    virtual bool LoadInfo(const std::uint8_t* block, std::size_t length);
    // Texts of the stored block, read up to their first NUL; never null.
    virtual std::string GetSerialNumber() const { return {}; }
    virtual std::string GetDeviceName() const { return {}; }
    // True when the receiver has the larger memory map (the error-log window follows it).
    virtual bool HasExtendedMemory() const { return false; }
    // LoadInfo, then, when it succeeded, decodes every option from the stored block in list order,
    // each followed by the hide rule. Returns the result of LoadInfo.
    virtual bool LoadInfoAndOptions(const std::uint8_t* block, std::size_t length);

    int GetOptionCount() const { return static_cast<int>(options_.size()); }
    // The option at a zero-based index; null for an index outside the list.
    CLSOption* GetOptionAt(int index) const;
    bool IsLoaded() const { return loaded_; }
    int GetGrowStep() const { return growStep_; }

  protected:
    // The stored block the options decode from; empty in the base.
    virtual std::span<const std::uint8_t> GetStoredBlock() const { return {}; }
    // Adds an option at the end of the list, which takes it over.
    void AddOption(std::unique_ptr<CLSOption> option);
    // Deletes every option.
    void RemoveAllOptions();
    void SetLoaded() { loaded_ = true; }

  private:
    std::vector<std::unique_ptr<CLSOption>> options_;
    bool loaded_ = false;
    int growStep_;
    int infoSize_;
};
