#pragma once

#include <cstdint>
#include <string>

#include "platform/dialog.h"

// A list view of an open dialog with a redraw lock that nests and columns that size themselves
// to their contents. Bound to its dialog and control id; every call reaches the control of the
// dialog as it is open at that moment and does nothing while the dialog is closed.
class CAutoListCtrl {
  public:
    static constexpr int kAllColumns = -1;
    static constexpr int kMinimumColumnWidth = 10;  // pixels

    CAutoListCtrl(const platform::CDialog& dialog, int controlId)
        : dialog_(dialog), controlId_(controlId) {}

    // The first lock stops the control's painting; the unlock that releases the last lock lets
    // it paint again and repaints it whole, background included. An unlock without a lock does
    // nothing, so that a stray one cannot leave later locks unbalanced.
    void LockRedraw();
    void UnlockRedraw();
    std::int32_t RedrawLocks() const { return locks_; }

    // Sizes each column from first (kAllColumns: every column) to the last to the larger of its
    // contents' width and its contents-and-header width, never below kMinimumColumnWidth.
    void AutoSizeColumns(int first = kAllColumns);

    int GetColumnCount() const;
    int GetColumnWidth(int column) const;
    void SetColumnWidth(int column, int width);
    // Appends a left-aligned column.
    int InsertColumn(const std::string& title);
    // Appends a row with its first cell and item data; its index, or -1.
    int InsertItem(const std::string& text, std::uintptr_t data);
    void SetItemText(int row, int column, const std::string& text);
    void DeleteAllItems();

  private:
    platform::DialogWindow* Control() const { return dialog_.Window(); }

    const platform::CDialog& dialog_;
    int controlId_;
    std::int32_t locks_ = 0;
};
