#pragma once

#include <string>

#include "frame/operation.h"

class CBreakInfo;
class CSerialInterface;

// "Verify GPS software version": identifies the receiver on the host's COM port, reads its
// software and boot versions and, with an internal radio, the radio's version, and shows them in
// the "Software Version" dialog. Changes nothing in the receiver; keeps nothing between runs.
class CRetrieveVersionOperation : public COperation {
  public:
    CRetrieveVersionOperation();

    const std::string& GetName() const override { return name_; }
    const std::string& GetDescriptionText() const override { return description_; }
    std::uint8_t Run(const OperationContext& context) override;
    bool GetTextItem(int item, char* buffer, std::size_t size) const override;

    // The radio version in a radio's reply text: what follows "VERSION," up to the next ',';
    // empty when the text has no "VERSION," with something after it, or no further ','.
    static std::string ParseRadioVersion(const std::string& text);

  private:
    // True when the receiver reports an internal radio.
    static bool HasInternalRadio(CSerialInterface& transport);
    // The radio's version: "None" when the radio refuses the pass-through, else what it says.
    // Leaves the receiver's port back with the receiver, identified again into info when the
    // port may have gone to the radio.
    static std::string QueryRadioVersion(CSerialInterface& transport, CBreakInfo& info,
                                         const OperationContext& context);
    // Shows the message box of a product this operation cannot serve, then cancels the run.
    [[noreturn]] static void RejectProduct(const CBreakInfo& info, const OperationContext& context);

    std::string name_;
    std::string description_;
};
