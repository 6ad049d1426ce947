#include "operations/error_log_dlg.h"

#include "data/error_log_mgr.h"
#include "device/garnoth_interface.h"
#include "operations/error_detail_dlg.h"
#include "platform/exception.h"
#include "platform/strings.h"

namespace {
constexpr unsigned kDeletedMark = 116;  // "  * DELETED *"
constexpr unsigned kTitle = 25;
constexpr unsigned kClearQuestion = 260;
}  // namespace

CErrorLogDlg::CErrorLogDlg(CGarnothInterface* device, const CErrorLogMgr& log, bool clearAllowed,
                           bool showDeleted, platform::WindowHandle owner)
    : CDialog(kTemplateId, owner),
      device_(device),
      log_(log),
      clearAllowed_(clearAllowed),
      showDeleted_(showDeleted) {}

bool CErrorLogDlg::IsShown(const CErrorLogEntry& entry) const {
    return entry.GetStatus() == error_log_status::kValid ||
           (showDeleted_ && entry.GetStatus() == error_log_status::kDeleted);
}

std::string CErrorLogDlg::CopyAllText() const {
    std::string text;
    for (int i = 0; i < log_.GetCount(); ++i) {
        const CErrorLogEntry& entry = *log_.GetAt(i);
        if (IsShown(entry)) {
            text += entry.GetFullText() + "\r\n";
        }
    }
    return text;
}

bool CErrorLogDlg::OnInitDialog() {
    ShowItem(kClear, clearAllowed_);
    ShowItem(kClearText, clearAllowed_);
    for (int i = 0; i < log_.GetCount(); ++i) {
        const CErrorLogEntry& entry = *log_.GetAt(i);
        if (!IsShown(entry)) {
            continue;
        }
        std::string line = entry.GetSummaryLine();
        if (entry.GetStatus() == error_log_status::kDeleted) {
            line += platform::LoadString(kDeletedMark);
        }
        if (ListBoxAdd(kList, line, reinterpret_cast<std::uintptr_t>(&entry)) < 0) {
            throw CMemoryException();  // the list box is out of room
        }
    }
    return true;
}

void CErrorLogDlg::OnCommand(int id) {
    switch (id) {
        case kClear:
            OnClear();
            return;
        case kCopyAll:
            platform::SetClipboardText(CopyAllText());
            return;
        default:
            CDialog::OnCommand(id);
            return;
    }
}

void CErrorLogDlg::OnDoubleClick(int controlId, int index) {
    if (controlId != kList) {
        return;
    }
    const int selected = index >= 0 ? index : ListBoxSelection(kList);
    if (selected < 0) {
        return;
    }
    const auto* entry = reinterpret_cast<const CErrorLogEntry*>(ListBoxData(kList, selected));
    if (entry != nullptr) {
        CErrorDetailDlg detail(*entry, Handle());
        detail.DoModal();
    }
}

void CErrorLogDlg::OnClear() {
    if (!clearAllowed_ || device_ == nullptr) {
        return;
    }
    const int answer = platform::ShowMessageBox(
        Handle(), platform::LoadString(kClearQuestion), platform::LoadString(kTitle),
        platform::mb::kYesNo | platform::mb::kIconQuestion | platform::mb::kDefButton2);
    if (answer != platform::answer::kYes) {
        return;
    }
    try {
        device_->ClearErrorLog();
    } catch (const CException& failure) {
        // The viewer stays open with its lines: the log may still be on the receiver. The box is
        // the viewer's, so that the viewer takes no clicks while it is up.
        failure.ReportError(Handle());
        return;
    }
    // The lines go; the manager keeps its entries, so "Copy All" still copies them.
    ListBoxReset(kList);
}
