#pragma once

#include <string>

#include "platform/dialog.h"

// "Software Version" (template 106): the receiver's model and the version numbers of one run.
// Filled when it opens, closed by OK; nothing is read back.
class CVersionDisplayDlg : public platform::CDialog {
  public:
    static constexpr int kTemplateId = 106;
    static constexpr int kModelLabel = 1018;
    static constexpr int kSerialNumber = 1019;
    static constexpr int kSoftwareVersion = 1017;
    static constexpr int kBootVersion = 1067;
    static constexpr int kRadioVersion = 1077;
    static constexpr int kPcbSerialNumber = 1095;

    struct Values {
        std::string model;
        std::string serialNumber;
        std::string softwareVersion;
        std::string bootVersion;
        std::string radioVersion;
        std::string pcbSerialNumber;
    };

    CVersionDisplayDlg(Values values, platform::WindowHandle owner);

    // Drops leading '0' characters: "004.12" -> "4.12", "000" -> "".
    static std::string TrimLeadingZeros(const std::string& text);

  protected:
    bool OnInitDialog() override;

  private:
    Values values_;
};
