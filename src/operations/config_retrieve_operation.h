#pragma once

#include <string>

#include "frame/operation.h"

// "Verify receiver options": brings the receiver on the host's COM port into its monitor, reads
// its information block, shows the device name, serial number and options in the "Device
// Configuration" dialog until the user closes it, then reboots the receiver into its application.
// Keeps nothing between runs.
class CConfigRetrieveOperation : public COperation {
  public:
    CConfigRetrieveOperation();

    const std::string& GetName() const override { return name_; }
    const std::string& GetDescriptionText() const override { return description_; }
    std::uint8_t Run(const OperationContext& context) override;
    bool GetTextItem(int item, char* buffer, std::size_t size) const override;

  private:
    std::string name_;
    std::string description_;
};
