#include "platform/dialog.h"

namespace platform {

int CDialog::DoModal() {
    const DialogTemplate* dialogTemplate = FindDialogTemplate(templateId_);
    if (dialogTemplate == nullptr) {
        return -1;
    }
    const int result = RunModalDialog(*this, *dialogTemplate);
    window_ = nullptr;
    return result;
}

void CDialog::OnCommand(int id) {
    if (id == kIdOk) {
        OnOK();
    } else if (id == kIdCancel) {
        OnCancel();
    }
}

void CDialog::EndDialog(int result) {
    if (window_ != nullptr) {
        window_->End(result);
    }
}

void CDialog::SetCaption(const std::string& caption) {
    if (window_ != nullptr) {
        window_->SetCaption(caption);
    }
}

std::string CDialog::GetCaption() const {
    return window_ != nullptr ? window_->GetCaption() : std::string();
}

void CDialog::SetItemText(int id, const std::string& text) {
    if (window_ != nullptr) {
        window_->SetText(id, text);
    }
}

std::string CDialog::GetItemText(int id) const {
    return window_ != nullptr ? window_->GetText(id) : std::string();
}

void CDialog::ShowItem(int id, bool shown) {
    if (window_ != nullptr) {
        window_->Show(id, shown);
    }
}

bool CDialog::IsItemShown(int id) const {
    return window_ != nullptr && window_->IsShown(id);
}

int CDialog::ListBoxAdd(int id, const std::string& text, std::uintptr_t data) {
    if (window_ == nullptr) {
        return -1;
    }
    const int index = window_->ListBoxAdd(id, text);
    if (index >= 0) {
        window_->ListBoxSetData(id, index, data);
    }
    return index;
}

void CDialog::ListBoxReset(int id) {
    if (window_ != nullptr) {
        window_->ListBoxReset(id);
    }
}

int CDialog::ListBoxCount(int id) const {
    return window_ != nullptr ? window_->ListBoxCount(id) : 0;
}

std::string CDialog::ListBoxText(int id, int index) const {
    return window_ != nullptr ? window_->ListBoxText(id, index) : std::string();
}

std::uintptr_t CDialog::ListBoxData(int id, int index) const {
    return window_ != nullptr ? window_->ListBoxData(id, index) : 0;
}

int CDialog::ListBoxSelection(int id) const {
    return window_ != nullptr ? window_->ListBoxSelection(id) : -1;
}

void CDialog::ListBoxSelect(int id, int index) {
    if (window_ != nullptr) {
        window_->ListBoxSelect(id, index);
    }
}

void CDialog::ListViewGridLines(int id) {
    if (window_ != nullptr) {
        window_->ListViewGridLines(id);
    }
}

int CDialog::ListViewAddColumn(int id, const std::string& title, int width) {
    return window_ != nullptr ? window_->ListViewAddColumn(id, title, width) : -1;
}

int CDialog::ListViewAddRow(int id, const std::string& firstCell, std::uintptr_t data) {
    if (window_ == nullptr) {
        return -1;
    }
    const int row = window_->ListViewAddRow(id, firstCell);
    if (row >= 0) {
        window_->ListViewSetData(id, row, data);
    }
    return row;
}

void CDialog::ListViewSetCell(int id, int row, int column, const std::string& text) {
    if (window_ != nullptr) {
        window_->ListViewSetCell(id, row, column, text);
    }
}

std::string CDialog::ListViewCell(int id, int row, int column) const {
    return window_ != nullptr ? window_->ListViewCell(id, row, column) : std::string();
}

std::uintptr_t CDialog::ListViewData(int id, int row) const {
    return window_ != nullptr ? window_->ListViewData(id, row) : 0;
}

int CDialog::ListViewRowCount(int id) const {
    return window_ != nullptr ? window_->ListViewRowCount(id) : 0;
}

void CDialog::ListViewClear(int id) {
    if (window_ != nullptr) {
        window_->ListViewClear(id);
    }
}

void CDialog::ListViewAutoSize(int id, int column, bool useHeader) {
    if (window_ != nullptr) {
        window_->ListViewAutoSize(id, column, useHeader);
    }
}

void CDialog::ListViewSetWidth(int id, int column, int width) {
    if (window_ != nullptr) {
        window_->ListViewSetWidth(id, column, width);
    }
}

int CDialog::ListViewWidth(int id, int column) const {
    return window_ != nullptr ? window_->ListViewWidth(id, column) : 0;
}

int CDialog::ListViewSelection(int id) const {
    return window_ != nullptr ? window_->ListViewSelection(id) : -1;
}

void CDialog::ListViewSelect(int id, int row) {
    if (window_ != nullptr) {
        window_->ListViewSelect(id, row);
    }
}

}  // namespace platform
