#include <windows.h>
// commctrl.h needs the types of windows.h.
#include <commctrl.h>

#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "platform/dialog.h"
#include "platform/module.h"

namespace platform {
namespace {

void InitControls() {
    static const bool done = [] {
        INITCOMMONCONTROLSEX controls{};
        controls.dwSize = sizeof controls;
        controls.dwICC = ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES;
        return InitCommonControlsEx(&controls) != FALSE;
    }();
    (void)done;
}

std::string WindowText(HWND control) {
    if (control == nullptr) {
        return {};
    }
    const int length = GetWindowTextLengthA(control);
    if (length <= 0) {
        return {};
    }
    std::vector<char> buffer(static_cast<std::size_t>(length) + 1);
    const int got = GetWindowTextA(control, buffer.data(), length + 1);
    return std::string(buffer.data(), static_cast<std::size_t>(got > 0 ? got : 0));
}

class Win32Dialog final : public DialogWindow {
  public:
    explicit Win32Dialog(HWND window) : window_(window) {}

    WindowHandle Handle() override { return window_; }
    void End(int result) override { ::EndDialog(window_, result); }

    void SetCaption(const std::string& caption) override {
        SetWindowTextA(window_, caption.c_str());
    }
    std::string GetCaption() override { return WindowText(window_); }
    void SetText(int id, const std::string& text) override {
        SetDlgItemTextA(window_, id, text.c_str());
    }
    std::string GetText(int id) override { return WindowText(Item(id)); }
    void Show(int id, bool shown) override {
        if (HWND item = Item(id)) {
            ShowWindow(item, shown ? SW_SHOW : SW_HIDE);
        }
    }
    bool IsShown(int id) override {
        HWND item = Item(id);
        return item != nullptr && (GetWindowLongA(item, GWL_STYLE) & WS_VISIBLE) != 0;
    }

    int ListBoxAdd(int id, const std::string& text) override {
        const LRESULT index = Send(id, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
        return index < 0 ? -1 : static_cast<int>(index);
    }
    void ListBoxReset(int id) override { Send(id, LB_RESETCONTENT, 0, 0); }
    int ListBoxCount(int id) override { return Count(Send(id, LB_GETCOUNT, 0, 0)); }
    std::string ListBoxText(int id, int index) override {
        const LRESULT length = Send(id, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
        if (length <= 0) {
            return {};
        }
        std::vector<char> buffer(static_cast<std::size_t>(length) + 1);
        Send(id, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buffer.data()));
        return buffer.data();
    }
    void ListBoxSetData(int id, int index, std::uintptr_t data) override {
        Send(id, LB_SETITEMDATA, static_cast<WPARAM>(index), static_cast<LPARAM>(data));
    }
    std::uintptr_t ListBoxData(int id, int index) override {
        const LRESULT data = Send(id, LB_GETITEMDATA, static_cast<WPARAM>(index), 0);
        return data == LB_ERR ? 0 : static_cast<std::uintptr_t>(data);
    }
    int ListBoxSelection(int id) override {
        const LRESULT index = Send(id, LB_GETCURSEL, 0, 0);
        return index < 0 ? -1 : static_cast<int>(index);
    }
    void ListBoxSelect(int id, int index) override {
        Send(id, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    }

    void ListViewGridLines(int id) override {
        Send(id, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT,
             LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    }
    int ListViewAddColumn(int id, const std::string& title, int width) override {
        const int index = ColumnCount(id);
        LVCOLUMNA column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        column.pszText = const_cast<char*>(title.c_str());
        column.cx = width;
        column.iSubItem = index;
        const LRESULT got = Send(id, LVM_INSERTCOLUMNA, static_cast<WPARAM>(index),
                                 reinterpret_cast<LPARAM>(&column));
        return got < 0 ? -1 : static_cast<int>(got);
    }
    int ListViewAddRow(int id, const std::string& firstCell) override {
        LVITEMA item{};
        item.mask = LVIF_TEXT;
        item.iItem = ListViewRowCount(id);
        item.pszText = const_cast<char*>(firstCell.c_str());
        const LRESULT got = Send(id, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
        return got < 0 ? -1 : static_cast<int>(got);
    }
    void ListViewSetCell(int id, int row, int column, const std::string& text) override {
        LVITEMA item{};
        item.iSubItem = column;
        item.pszText = const_cast<char*>(text.c_str());
        Send(id, LVM_SETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    }
    std::string ListViewCell(int id, int row, int column) override {
        std::vector<char> buffer(1024);
        LVITEMA item{};
        item.iSubItem = column;
        item.pszText = buffer.data();
        item.cchTextMax = static_cast<int>(buffer.size());
        const LRESULT got =
            Send(id, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
        return got > 0 ? std::string(buffer.data()) : std::string();
    }
    void ListViewSetData(int id, int row, std::uintptr_t data) override {
        LVITEMA item{};
        item.mask = LVIF_PARAM;
        item.iItem = row;
        item.lParam = static_cast<LPARAM>(data);
        Send(id, LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    }
    std::uintptr_t ListViewData(int id, int row) override {
        LVITEMA item{};
        item.mask = LVIF_PARAM;
        item.iItem = row;
        return Send(id, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)) != 0
                   ? static_cast<std::uintptr_t>(item.lParam)
                   : 0;
    }
    int ListViewRowCount(int id) override { return Count(Send(id, LVM_GETITEMCOUNT, 0, 0)); }
    void ListViewClear(int id) override { Send(id, LVM_DELETEALLITEMS, 0, 0); }
    void ListViewAutoSize(int id, int column, bool useHeader) override {
        Send(id, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column),
             useHeader ? LVSCW_AUTOSIZE_USEHEADER : LVSCW_AUTOSIZE);
    }
    void ListViewSetWidth(int id, int column, int width) override {
        Send(id, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column), width);
    }
    int ListViewWidth(int id, int column) override {
        return Count(Send(id, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0));
    }
    int ListViewSelection(int id) override {
        const LRESULT row = Send(id, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED);
        return row < 0 ? -1 : static_cast<int>(row);
    }
    void ListViewSelect(int id, int row) override {
        LVITEMA item{};
        item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        item.state = LVIS_SELECTED | LVIS_FOCUSED;
        Send(id, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    }
    int ListViewColumnCount(int id) override { return ColumnCount(id); }

    void SetRedraw(int id, bool redraw) override {
        Send(id, WM_SETREDRAW, redraw ? TRUE : FALSE, 0);
    }
    void Invalidate(int id, bool erase) override {
        if (HWND item = Item(id)) {
            InvalidateRect(item, nullptr, erase ? TRUE : FALSE);
        }
    }

  private:
    HWND Item(int id) { return GetDlgItem(window_, id); }
    LRESULT Send(int id, UINT message, WPARAM wParam, LPARAM lParam) {
        return SendDlgItemMessageA(window_, id, message, wParam, lParam);
    }
    static int Count(LRESULT value) { return value < 0 ? 0 : static_cast<int>(value); }
    int ColumnCount(int id) {
        HWND header = reinterpret_cast<HWND>(Send(id, LVM_GETHEADER, 0, 0));
        return header != nullptr ? Count(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
    }

    HWND window_;
};

struct Session {
    CDialog* dialog;
    std::unique_ptr<Win32Dialog> window;
    std::exception_ptr failure;  // thrown by a handler; rethrown once the dialog has ended
};

INT_PTR HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* session = reinterpret_cast<Session*>(lParam);
        SetWindowLongPtrA(window, DWLP_USER, reinterpret_cast<LONG_PTR>(session));
        session->window = std::make_unique<Win32Dialog>(window);
        session->dialog->Attach(session->window.get());
        return session->dialog->DispatchInit() ? TRUE : FALSE;
    }
    auto* session = reinterpret_cast<Session*>(GetWindowLongPtrA(window, DWLP_USER));
    if (session == nullptr || session->window == nullptr) {
        return FALSE;
    }
    switch (message) {
        case WM_COMMAND: {
            const int id = LOWORD(wParam);
            const int code = HIWORD(wParam);
            if (code == LBN_DBLCLK && lParam != 0) {
                const LRESULT index =
                    SendMessageA(reinterpret_cast<HWND>(lParam), LB_GETCURSEL, 0, 0);
                if (index >= 0) {
                    session->dialog->DispatchDoubleClick(id, static_cast<int>(index));
                }
                return TRUE;
            }
            if (code == BN_CLICKED) {
                session->dialog->DispatchCommand(id);
                return TRUE;
            }
            return FALSE;
        }
        case WM_NOTIFY: {
            const auto* header = reinterpret_cast<const NMHDR*>(lParam);
            if (header != nullptr && header->code == static_cast<UINT>(NM_DBLCLK)) {
                const auto* activate = reinterpret_cast<const NMITEMACTIVATE*>(lParam);
                if (activate->iItem >= 0) {
                    session->dialog->DispatchDoubleClick(static_cast<int>(header->idFrom),
                                                         activate->iItem);
                }
                return TRUE;
            }
            return FALSE;
        }
        case WM_CLOSE:
            session->dialog->DispatchCommand(IDCANCEL);
            return TRUE;
        default:
            return FALSE;
    }
}

// An exception must not unwind through the system's dialog code: the dialog ends and the
// exception continues from DoModal.
INT_PTR CALLBACK DialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        return HandleMessage(window, message, wParam, lParam);
    } catch (...) {
        auto* session = message == WM_INITDIALOG
                            ? reinterpret_cast<Session*>(lParam)
                            : reinterpret_cast<Session*>(GetWindowLongPtrA(window, DWLP_USER));
        if (session != nullptr && !session->failure) {
            session->failure = std::current_exception();
        }
        EndDialog(window, -1);
        return TRUE;
    }
}

}  // namespace

int RunModalDialog(CDialog& dialog, const DialogTemplate& dialogTemplate) {
    InitControls();
    Session session{&dialog, {}, {}};
    const INT_PTR result = DialogBoxParamA(
        static_cast<HINSTANCE>(OwnModule()), MAKEINTRESOURCEA(dialogTemplate.id),
        static_cast<HWND>(dialog.Owner()), DialogProcedure, reinterpret_cast<LPARAM>(&session));
    dialog.Attach(nullptr);
    if (session.failure) {
        std::rethrow_exception(session.failure);
    }
    return static_cast<int>(result);
}

}  // namespace platform
