#pragma once

#include <cstdint>
#include <string>

#include "frame/operation.h"

class CSerialInterface;

// "Wipe Radio Configuration Blocks", the service operation: erases the radio configuration that
// the receiver keeps in non-volatile memory and restarts the receiver. The models that know the
// erase request get it over the application's protocol, followed by a raw reset frame; every
// other receiver has its radio configuration blocks read in its monitor, reset to the erased
// dictionary and written back. Asks the user first; keeps nothing between runs.
class CWipeNVCOperation : public COperation {
  public:
    CWipeNVCOperation();

    const std::string& GetName() const override { return name_; }
    const std::string& GetDescriptionText() const override { return description_; }
    // 1 when the wipe was carried out; 0 when the user declined or the erase request went
    // unanswered. Failures of the port or the receiver are thrown.
    std::uint8_t Run(const OperationContext& context) override;
    bool GetTextItem(int item, char* buffer, std::size_t size) const override;

    // True for the models wiped with the erase request (exact, case-sensitive names).
    static bool UsesEraseRequest(const std::string& productName);

  private:
    // Erase request and reset frame; the port is closed on return. Returns the result.
    static std::uint8_t WipeWithEraseRequest(CSerialInterface& transport,
                                             const OperationContext& context);
    // Reads, erases and writes back the radio configuration blocks in the receiver's monitor,
    // then reboots the receiver into its application; the port is closed on return.
    static void WipeThroughMonitor(CSerialInterface& transport, const OperationContext& context);

    std::string name_;
    std::string description_;
};
