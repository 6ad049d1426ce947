#pragma once

#include <string>

#include "operations/auto_list_ctrl.h"
#include "platform/dialog.h"

class CGarnothInfo;
class CLSOption;

// "Device Configuration" (template 113): the receiver's device name, serial number and the
// options its information block reports, one row each with its status and date range. A viewer:
// OK or Escape closes it; Save, Print and Cancel stay hidden, double-clicks do nothing.
class CLSModifyOptionsDlg : public platform::CDialog {
  public:
    static constexpr int kTemplateId = 113;
    static constexpr int kOptionList = 5051;
    static constexpr int kSerialNumber = 5052;
    static constexpr int kDeviceName = 5053;
    static constexpr int kPartNumberLabel = 1089;
    static constexpr int kPartNumber = 1077;
    static constexpr int kSave = 3;
    static constexpr int kPrint = 4;
    // Columns of the option list.
    static constexpr int kOptionColumn = 0;
    static constexpr int kStatusColumn = 1;
    static constexpr int kFromColumn = 2;
    static constexpr int kToColumn = 3;
    // Options are shown with their status texts and the dialog only views them.
    static constexpr int kViewMode = 1;

    // The record belongs to the device interface and outlives the dialog.
    CLSModifyOptionsDlg(const CGarnothInfo& info, platform::WindowHandle owner);

    // Whether the report lists the option: neither internal nor suppressed, and when it has an
    // enabled state and is off, only as a dated temporary option that keeps its listing.
    static bool IsListed(const CLSOption& option);
    // True once the option list has been filled.
    bool IsFilled() const { return filled_; }

  protected:
    bool OnInitDialog() override;

  private:
    void FillList();
    // Gives From and To the same width: the mean of what auto-sizing gave them.
    void EqualizeDateColumns();

    CAutoListCtrl list_;
    std::string serialNumber_;
    std::string deviceName_;
    std::string captionSuffix_;
    std::string partNumber_;
    const CGarnothInfo& info_;
    bool filled_ = false;
    int mode_ = kViewMode;
};
