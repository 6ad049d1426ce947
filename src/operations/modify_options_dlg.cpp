#include "operations/modify_options_dlg.h"

#include <cstdint>

#include "data/garnoth_info.h"
#include "data/ls_option.h"
#include "platform/strings.h"

namespace {
constexpr unsigned kFirstColumnTitle = 1490;  // "Option", "Status", "From", "To"
constexpr int kColumnCount = 4;
constexpr unsigned kEnabled = 4004;
constexpr unsigned kDisabled = 4005;
}  // namespace

CLSModifyOptionsDlg::CLSModifyOptionsDlg(const CGarnothInfo& info, platform::WindowHandle owner)
    : CDialog(kTemplateId, owner), list_(*this, kOptionList), info_(info) {}

bool CLSModifyOptionsDlg::IsListed(const CLSOption& option) {
    if (option.IsInternal() || option.IsSuppressed()) {
        return false;
    }
    if (option.HasStatus() && !option.IsEnabled()) {
        return option.ListsDatedWhenDisabled() && !option.IsPermanent();
    }
    return true;
}

bool CLSModifyOptionsDlg::OnInitDialog() {
    // The blank stays even with no suffix to follow it: hosts see "Device Configuration ".
    SetCaption(GetCaption() + " " + captionSuffix_);
    deviceName_ = info_.GetDeviceName();
    serialNumber_ = info_.GetSerialNumber();
    for (int column = 0; column < kColumnCount; ++column) {
        list_.InsertColumn(platform::LoadString(kFirstColumnTitle + static_cast<unsigned>(column)));
    }
    FillList();
    ShowItem(kSave, false);
    ShowItem(kPrint, false);
    SetItemText(kSerialNumber, serialNumber_);
    SetItemText(kDeviceName, deviceName_);
    SetItemText(kPartNumber, partNumber_);
    list_.AutoSizeColumns(CAutoListCtrl::kAllColumns);
    EqualizeDateColumns();
    if (mode_ == kViewMode) {
        ShowItem(platform::kIdCancel, false);
    }
    // The part number and its label show only when there is one.
    ShowItem(kPartNumberLabel, !partNumber_.empty());
    ShowItem(kPartNumber, !partNumber_.empty());
    return true;
}

void CLSModifyOptionsDlg::FillList() {
    list_.DeleteAllItems();
    for (int index = 0; index < info_.GetOptionCount(); ++index) {
        const CLSOption* option = info_.GetOptionAt(index);
        if (option == nullptr || !IsListed(*option)) {
            continue;
        }
        const int row =
            list_.InsertItem(option->GetOptionName(), static_cast<std::uintptr_t>(index));
        std::string status;
        if (option->HasStatus()) {
            status = platform::LoadString(option->IsEnabled() ? kEnabled : kDisabled);
        }
        if (option->HasValueText()) {
            option->GetValueText(status);
        }
        list_.SetItemText(row, kStatusColumn, status);
        const bool datesHidden = option->IsPermanent() && option->HidesPermanentDates();
        std::string from;
        if (option->HasFromDate() && !datesHidden) {
            option->GetFromText(from);
        }
        list_.SetItemText(row, kFromColumn, from);
        std::string to;
        if (option->HasToDate() && !datesHidden) {
            option->GetToText(to);
        }
        list_.SetItemText(row, kToColumn, to);
    }
    filled_ = true;
}

void CLSModifyOptionsDlg::EqualizeDateColumns() {
    const int width = (list_.GetColumnWidth(kFromColumn) + list_.GetColumnWidth(kToColumn)) / 2;
    list_.SetColumnWidth(kFromColumn, width);
    list_.SetColumnWidth(kToColumn, width);
}
