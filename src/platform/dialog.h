#pragma once

#include <cstdint>
#include <string>

#include "platform/dialog_template.h"
#include "platform/ui.h"

// Modal dialogs, written once against this seam and run by the platform's backend: real dialogs
// from the DLL's resources on Win32 (platform/win32/dialog_win32.cpp), an in-memory control tree
// driven by the UI driver on POSIX (platform/posix/dialog_posix.cpp).
namespace platform {

// One open dialog as the backend holds it: the control calls of CDialog land here.
class DialogWindow {
  public:
    virtual ~DialogWindow() = default;
    virtual WindowHandle Handle() = 0;
    virtual void End(int result) = 0;
    // The dialog's own caption.
    virtual void SetCaption(const std::string& caption) = 0;
    virtual std::string GetCaption() = 0;

    virtual void SetText(int id, const std::string& text) = 0;
    virtual std::string GetText(int id) = 0;
    virtual void Show(int id, bool shown) = 0;
    virtual bool IsShown(int id) = 0;

    virtual int ListBoxAdd(int id, const std::string& text) = 0;
    virtual void ListBoxReset(int id) = 0;
    virtual int ListBoxCount(int id) = 0;
    virtual std::string ListBoxText(int id, int index) = 0;
    virtual void ListBoxSetData(int id, int index, std::uintptr_t data) = 0;
    virtual std::uintptr_t ListBoxData(int id, int index) = 0;
    virtual int ListBoxSelection(int id) = 0;
    virtual void ListBoxSelect(int id, int index) = 0;

    virtual void ListViewGridLines(int id) = 0;
    virtual int ListViewAddColumn(int id, const std::string& title, int width) = 0;
    virtual int ListViewAddRow(int id, const std::string& firstCell) = 0;
    virtual void ListViewSetCell(int id, int row, int column, const std::string& text) = 0;
    virtual std::string ListViewCell(int id, int row, int column) = 0;
    virtual void ListViewSetData(int id, int row, std::uintptr_t data) = 0;
    virtual std::uintptr_t ListViewData(int id, int row) = 0;
    virtual int ListViewRowCount(int id) = 0;
    virtual void ListViewClear(int id) = 0;
    virtual void ListViewAutoSize(int id, int column, bool useHeader) = 0;
    virtual void ListViewSetWidth(int id, int column, int width) = 0;
    virtual int ListViewWidth(int id, int column) = 0;
    virtual int ListViewSelection(int id) = 0;
    virtual void ListViewSelect(int id, int row) = 0;
    virtual int ListViewColumnCount(int id) = 0;

    // WM_SETREDRAW to the control: false stops its painting, true lets it paint again.
    virtual void SetRedraw(int id, bool redraw) = 0;
    // Marks the whole control for repainting, with its background erased first when erase.
    virtual void Invalidate(int id, bool erase) = 0;
};

// Base of every dialog class. Derived classes fill their controls in OnInitDialog and react to
// buttons and double-clicks; control calls outside DoModal do nothing and read empty.
class CDialog {
  public:
    CDialog(int templateId, WindowHandle owner) : templateId_(templateId), owner_(owner) {}
    virtual ~CDialog() = default;
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    // Shows the dialog modally and returns the result passed to EndDialog (kIdOk, kIdCancel,
    // ...), or -1 when it could not be shown.
    int DoModal();

    int TemplateId() const { return templateId_; }
    WindowHandle Owner() const { return owner_; }
    // The open dialog: owner of nested dialogs and message boxes (null when closed).
    WindowHandle Handle() const { return window_ != nullptr ? window_->Handle() : nullptr; }
    // The open dialog's controls, for control classes bound to one of them (null when closed).
    DialogWindow* Window() const { return window_; }

    // Backend entry points (called by the platform's dialog code only).
    void Attach(DialogWindow* window) { window_ = window; }
    bool DispatchInit() { return OnInitDialog(); }
    void DispatchCommand(int id) { OnCommand(id); }
    void DispatchDoubleClick(int controlId, int index) { OnDoubleClick(controlId, index); }

  protected:
    virtual bool OnInitDialog() { return true; }
    // A button was pressed: OK and Cancel (Escape, the close box) go to OnOK / OnCancel.
    virtual void OnCommand(int id);
    virtual void OnOK() { EndDialog(kIdOk); }
    virtual void OnCancel() { EndDialog(kIdCancel); }
    // A row of a list box or list view was double-clicked.
    virtual void OnDoubleClick(int /*controlId*/, int /*index*/) {}

    void EndDialog(int result);

    void SetCaption(const std::string& caption);
    std::string GetCaption() const;
    void SetItemText(int id, const std::string& text);
    std::string GetItemText(int id) const;
    void ShowItem(int id, bool shown);
    bool IsItemShown(int id) const;

    int ListBoxAdd(int id, const std::string& text, std::uintptr_t data = 0);
    void ListBoxReset(int id);
    int ListBoxCount(int id) const;
    std::string ListBoxText(int id, int index) const;
    std::uintptr_t ListBoxData(int id, int index) const;
    int ListBoxSelection(int id) const;
    void ListBoxSelect(int id, int index);

    void ListViewGridLines(int id);
    int ListViewAddColumn(int id, const std::string& title, int width);
    int ListViewAddRow(int id, const std::string& firstCell, std::uintptr_t data = 0);
    void ListViewSetCell(int id, int row, int column, const std::string& text);
    std::string ListViewCell(int id, int row, int column) const;
    std::uintptr_t ListViewData(int id, int row) const;
    int ListViewRowCount(int id) const;
    void ListViewClear(int id);
    void ListViewAutoSize(int id, int column, bool useHeader);
    void ListViewSetWidth(int id, int column, int width);
    int ListViewWidth(int id, int column) const;
    int ListViewSelection(int id) const;
    void ListViewSelect(int id, int row);

  private:
    int templateId_;
    WindowHandle owner_;
    DialogWindow* window_ = nullptr;
};

// The backend's modal loop (one implementation per platform).
int RunModalDialog(CDialog& dialog, const DialogTemplate& dialogTemplate);

}  // namespace platform
