#include "operations/error_detail_dlg.h"

#include "data/error_log_entry.h"
#include "platform/strings.h"

namespace {

constexpr unsigned kTypeLabel = 221;     // "Type"
constexpr unsigned kVersionLabel = 222;  // "Version"

// Error numbers whose PC and data address words carry a type and a version instead.
constexpr std::uint32_t kTypedErrorsFirst = 0x70080000;
constexpr std::uint32_t kTypedErrorsLast = 0x7009FFFF;

}  // namespace

CErrorDetailDlg::CErrorDetailDlg(const CErrorLogEntry& entry, platform::WindowHandle owner)
    : CDialog(kTemplateId, owner),
      entry_(entry),
      softwareVersion_(entry.GetSoftwareVersionText()),
      softwareDate_(entry.GetSoftwareDateText()) {
    const std::uint32_t number = entry.GetRecord().errorNumber;
    const bool typed = number >= kTypedErrorsFirst && number <= kTypedErrorsLast;
    rows_ = {
        {"Error Number", entry.GetErrorNumberText()},
        {"Time and Date (UTC)", entry.GetDateTimeText()},
        {"Up time", entry.GetUpTimeText()},
        {"ID", entry.GetIdText()},
        {"VPC", entry.GetVpcText()},
        {typed ? platform::LoadString(kTypeLabel) : "PC", entry.GetPcText()},
        {typed ? platform::LoadString(kVersionLabel) : "Data Address", entry.GetDataAddressText()},
        {"RR1", entry.GetRr1Text()},
        {"RR2", entry.GetRr2Text()},
    };
    if (!entry.IsLongRecord()) {
        return;
    }
    const ErrorLog_t record = entry.GetRecord();
    rows_.emplace_back("Stack Pointer", entry.GetStackPointerText());
    for (std::size_t i = 0; i < entry.GetShownTraceCount(); ++i) {
        rows_.emplace_back("Trace " + std::to_string(i),
                           CErrorLogEntry::FormatWord(record.trace[i]));
    }
    for (std::size_t i = 0; i < entry.GetShownUserDataCount(); ++i) {
        rows_.emplace_back("Offset " + std::to_string(i),
                           CErrorLogEntry::FormatWord(record.userData[i]));
    }
}

bool CErrorDetailDlg::OnInitDialog() {
    SetItemText(kSoftwareVersion, softwareVersion_);
    SetItemText(kSoftwareDate, softwareDate_);
    ListViewGridLines(kRows);
    ListViewAddColumn(kRows, "Subject", kSubjectWidth);
    ListViewAddColumn(kRows, "Information", kInformationWidth);
    for (const Row& row : rows_) {
        const int index = ListViewAddRow(kRows, row.first);
        ListViewSetCell(kRows, index, 1, row.second);
    }
    return true;
}

void CErrorDetailDlg::OnCommand(int id) {
    if (id == kCopy) {
        platform::SetClipboardText(entry_.GetFullText());
        return;
    }
    CDialog::OnCommand(id);
}
