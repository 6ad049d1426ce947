#include "operations/auto_list_ctrl.h"

#include <algorithm>

void CAutoListCtrl::LockRedraw() {
    if (locks_++ == 0) {
        if (platform::DialogWindow* window = Control()) {
            window->SetRedraw(controlId_, false);
        }
    }
}

void CAutoListCtrl::UnlockRedraw() {
    if (locks_ == 0) {
        return;
    }
    if (--locks_ == 0) {
        if (platform::DialogWindow* window = Control()) {
            window->SetRedraw(controlId_, true);
            window->Invalidate(controlId_, true);
        }
    }
}

void CAutoListCtrl::AutoSizeColumns(int first) {
    platform::DialogWindow* window = Control();
    if (window == nullptr) {
        return;
    }
    LockRedraw();
    const int count = window->ListViewColumnCount(controlId_);
    for (int column = first == kAllColumns ? 0 : first; column < count; ++column) {
        window->ListViewAutoSize(controlId_, column, false);
        const int contents = window->ListViewWidth(controlId_, column);
        window->ListViewAutoSize(controlId_, column, true);
        const int withHeader = window->ListViewWidth(controlId_, column);
        window->ListViewSetWidth(controlId_, column,
                                 std::max({contents, withHeader, kMinimumColumnWidth}));
    }
    UnlockRedraw();
}

int CAutoListCtrl::GetColumnCount() const {
    platform::DialogWindow* window = Control();
    return window != nullptr ? window->ListViewColumnCount(controlId_) : 0;
}

int CAutoListCtrl::GetColumnWidth(int column) const {
    platform::DialogWindow* window = Control();
    return window != nullptr ? window->ListViewWidth(controlId_, column) : 0;
}

void CAutoListCtrl::SetColumnWidth(int column, int width) {
    if (platform::DialogWindow* window = Control()) {
        window->ListViewSetWidth(controlId_, column, width);
    }
}

int CAutoListCtrl::InsertColumn(const std::string& title) {
    platform::DialogWindow* window = Control();
    // A column's width is set by AutoSizeColumns once the rows are in.
    return window != nullptr ? window->ListViewAddColumn(controlId_, title, 0) : -1;
}

int CAutoListCtrl::InsertItem(const std::string& text, std::uintptr_t data) {
    platform::DialogWindow* window = Control();
    if (window == nullptr) {
        return -1;
    }
    const int row = window->ListViewAddRow(controlId_, text);
    if (row >= 0) {
        window->ListViewSetData(controlId_, row, data);
    }
    return row;
}

void CAutoListCtrl::SetItemText(int row, int column, const std::string& text) {
    if (platform::DialogWindow* window = Control()) {
        window->ListViewSetCell(controlId_, row, column, text);
    }
}

void CAutoListCtrl::DeleteAllItems() {
    if (platform::DialogWindow* window = Control()) {
        window->ListViewClear(controlId_);
    }
}
