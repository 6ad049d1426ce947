#include "dialog_reader_win32.h"

// commctrl.h needs the types of windows.h.
#include <commctrl.h>

#include <cstdio>
#include <vector>

namespace {

std::string TextOf(HWND window) {
    char buffer[2048] = {};
    GetWindowTextA(window, buffer, sizeof buffer);
    return buffer;
}

std::string ClassOf(HWND window) {
    char buffer[64] = {};
    GetClassNameA(window, buffer, sizeof buffer);
    return buffer;
}

// The report's kinds and the window classes they stand for.
constexpr const char* kKinds[][2] = {{"Static", "static"},
                                     {"Edit", "edit"},
                                     {"Button", "button"},
                                     {"ListBox", "listbox"},
                                     {WC_LISTVIEWA, "listview"}};

std::string KindOf(const std::string& windowClass) {
    for (const auto& kind : kKinds) {
        if (lstrcmpiA(windowClass.c_str(), kind[0]) == 0) {
            return kind[1];
        }
    }
    return windowClass;
}

std::string ClassOfKind(const std::string& kind) {
    for (const auto& entry : kKinds) {
        if (kind == entry[1]) {
            return entry[0];
        }
    }
    return kind;
}

void ReadListView(HWND list, RunReport::Control& control) {
    HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
    const int columns =
        header != nullptr ? static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
    for (int c = 0; c < columns; ++c) {
        char title[256] = {};
        LVCOLUMNA column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.pszText = title;
        column.cchTextMax = sizeof title;
        SendMessageA(list, LVM_GETCOLUMNA, static_cast<WPARAM>(c),
                     reinterpret_cast<LPARAM>(&column));
        control.columns.emplace_back(title);
        control.columnWidths.push_back(column.cx);
    }
    const int rows = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    for (int r = 0; r < rows; ++r) {
        std::vector<std::string> cells;
        for (int c = 0; c < (columns > 0 ? columns : 1); ++c) {
            char cell[512] = {};
            LVITEMA item{};
            item.iSubItem = c;
            item.pszText = cell;
            item.cchTextMax = sizeof cell;
            SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(r),
                         reinterpret_cast<LPARAM>(&item));
            cells.emplace_back(cell);
        }
        control.rows.push_back(std::move(cells));
    }
}

void ReadListBox(HWND list, RunReport::Control& control) {
    const int rows = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
    for (int r = 0; r < rows; ++r) {
        const LRESULT length = SendMessageA(list, LB_GETTEXTLEN, static_cast<WPARAM>(r), 0);
        std::vector<char> text(length > 0 ? static_cast<std::size_t>(length) + 1 : 1, '\0');
        if (length > 0) {
            SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(r),
                         reinterpret_cast<LPARAM>(text.data()));
        }
        control.rows.push_back({text.data()});
    }
}

// Adds one control, as the run's report keeps it, to the dialog in parameter.
BOOL CALLBACK CollectControl(HWND window, LPARAM parameter) {
    auto& dialog = *reinterpret_cast<RunReport::Dialog*>(parameter);
    RunReport::Control control;
    control.id = GetDlgCtrlID(window);
    control.kind = KindOf(ClassOf(window));
    control.text = TextOf(window);
    control.visible = (GetWindowLongA(window, GWL_STYLE) & WS_VISIBLE) != 0;
    if (control.kind == "listview") {
        ReadListView(window, control);
    } else if (control.kind == "listbox") {
        ReadListBox(window, control);
    }
    dialog.controls.push_back(std::move(control));
    return TRUE;
}

void PrintRows(const RunReport::Control& control) {
    if (control.kind == "listbox") {
        for (std::size_t r = 0; r < control.rows.size(); ++r) {
            std::fprintf(stderr, "    line %zu: %s\n", r, control.rows[r].front().c_str());
        }
        return;
    }
    for (std::size_t c = 0; c < control.columns.size(); ++c) {
        std::fprintf(stderr, "    column %zu \"%s\" width %d\n", c, control.columns[c].c_str(),
                     control.columnWidths[c]);
    }
    for (std::size_t r = 0; r < control.rows.size(); ++r) {
        std::string line = "    row " + std::to_string(r) + ":";
        for (std::size_t c = 0; c < control.rows[r].size(); ++c) {
            line += (c == 0 ? " " : " | ") + control.rows[r][c];
        }
        std::fprintf(stderr, "%s\n", line.c_str());
    }
}

// The button set of a box, as the buttons in its window show it, and the place of the default
// one among them.
unsigned BoxFlagsOf(HWND box) {
    auto has = [box](int id) { return GetDlgItem(box, id) != nullptr; };
    unsigned type = MB_OK;
    std::vector<int> order = {IDOK};
    if (has(IDYES) && has(IDNO)) {
        type = has(IDCANCEL) ? MB_YESNOCANCEL : MB_YESNO;
        order = {IDYES, IDNO, IDCANCEL};
    } else if (has(IDRETRY)) {
        type = MB_RETRYCANCEL;
        order = {IDRETRY, IDCANCEL};
    } else if (has(IDCANCEL)) {
        type = MB_OKCANCEL;
        order = {IDOK, IDCANCEL};
    }
    for (unsigned place = 0; place < order.size(); ++place) {
        HWND button = GetDlgItem(box, order[place]);
        if (button != nullptr &&
            (SendMessageA(button, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON) != 0) {
            return type | (place << 8);
        }
    }
    return type;
}

}  // namespace

RunReport::Dialog ReadDialog(HWND dialog) {
    RunReport::Dialog shown{0, TextOf(dialog), {}};
    EnumChildWindows(dialog, CollectControl, reinterpret_cast<LPARAM>(&shown));
    return shown;
}

void PrintDialog(const RunReport::Dialog& dialog) {
    std::fprintf(stderr, "dialog \"%s\":\n", dialog.caption.c_str());
    for (const RunReport::Control& control : dialog.controls) {
        std::fprintf(stderr, "  control %d %s: \"%s\"%s\n", control.id,
                     ClassOfKind(control.kind).c_str(), control.text.c_str(),
                     control.visible ? "" : " (hidden)");
        PrintRows(control);
    }
}

std::optional<ShownBox> ReadMessageBox(HWND window) {
    HWND text = GetDlgItem(window, 0xFFFF);
    if (text == nullptr) {
        return std::nullopt;
    }
    return ShownBox{TextOf(text), TextOf(window), BoxFlagsOf(window)};
}

bool SaveWindowBitmap(HWND window, const std::string& path) {
    RECT rect{};
    GetWindowRect(window, &rect);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0) {
        return false;
    }
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    SelectObject(memory, old);

    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    const DWORD stride = static_cast<DWORD>((width * 3 + 3) & ~3);
    std::vector<unsigned char> pixels(static_cast<std::size_t>(stride) *
                                      static_cast<DWORD>(height));
    GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), pixels.data(),
              reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);

    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
    FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr) {
        return false;
    }
    std::fwrite(&file, sizeof file, 1, out);
    std::fwrite(&info, sizeof info, 1, out);
    std::fwrite(pixels.data(), 1, pixels.size(), out);
    std::fclose(out);
    return true;
}

std::string ReadClipboard() {
    std::string text;
    if (OpenClipboard(nullptr)) {
        if (HANDLE data = GetClipboardData(CF_TEXT); data != nullptr) {
            if (const char* chars = static_cast<const char*>(GlobalLock(data))) {
                text = chars;
                GlobalUnlock(data);
            }
        }
        CloseClipboard();
    }
    return text;
}
