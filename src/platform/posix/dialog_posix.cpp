#include <algorithm>
#include <cstdio>
#include <utility>

#include "platform/dialog.h"
#include "platform/posix/dialog_session.h"
#include "platform/posix/ui_driver.h"

namespace platform {
namespace {

// Approximate pixel widths for list view columns: what a person would read back from the
// real control is only ever compared, never taken as an absolute size.
constexpr int kCharPixels = 6;
constexpr int kColumnPadding = 12;

// An empty text takes no room, so a column with nothing in it sizes to 0 as on a real control.
int TextPixels(const std::string& text) {
    return text.empty() ? 0 : static_cast<int>(text.size()) * kCharPixels + kColumnPadding;
}

// A control's width in pixels: four dialog units to an average character.
int ControlPixels(const DialogControl& control) {
    return control.width * kCharPixels / 4;
}

class PosixDialog final : public DialogWindow, public DialogSession {
  public:
    PosixDialog(CDialog& dialog, const DialogTemplate& dialogTemplate)
        : dialog_(dialog), template_(dialogTemplate), caption_(dialogTemplate.caption) {
        for (const ControlTemplate& row : dialogTemplate.controls) {
            DialogControl control;
            control.kind = row.kind;
            control.id = row.id;
            control.text = row.text;
            control.x = row.x;
            control.y = row.y;
            control.width = row.width;
            control.height = row.height;
            control.style = row.style;
            control.visible = row.visible;
            controls_.push_back(std::move(control));
        }
    }

    // DialogSession
    int TemplateId() const override { return template_.id; }
    const std::string& Caption() const override { return caption_; }
    const std::vector<DialogControl>& Controls() const override { return controls_; }
    WindowHandle Handle() override { return static_cast<DialogSession*>(this); }
    WindowHandle Owner() const override { return dialog_.Owner(); }

    void Press(int id) override {
        const DialogControl* control = Find(id);
        if (ended_ || control == nullptr || !control->visible || !control->IsPushable()) {
            return;
        }
        dialog_.DispatchCommand(id);
    }
    void Select(int id, int index) override {
        if (DialogControl* control = Rows(id); control != nullptr && !ended_) {
            control->selection = index;
        }
    }
    void DoubleClick(int id, int index) override {
        DialogControl* control = Rows(id);
        if (ended_ || control == nullptr || !control->visible) {
            return;
        }
        control->selection = index;
        dialog_.DispatchDoubleClick(id, index);
    }
    void Escape() override {
        if (!ended_) {
            dialog_.DispatchCommand(kIdCancel);
        }
    }
    bool IsEnded() const override { return ended_; }
    int Result() const override { return result_; }

    // DialogWindow
    void End(int result) override {
        ended_ = true;
        result_ = result;
    }
    void SetCaption(const std::string& caption) override { caption_ = caption; }
    std::string GetCaption() override { return caption_; }
    void SetText(int id, const std::string& text) override {
        if (DialogControl* control = Mutable(id)) {
            control->text = text;
        }
    }
    std::string GetText(int id) override { return TextOf(id); }
    void Show(int id, bool shown) override {
        if (DialogControl* control = Mutable(id)) {
            control->visible = shown;
        }
    }
    bool IsShown(int id) override {
        const DialogControl* control = Find(id);
        return control != nullptr && control->visible;
    }

    int ListBoxAdd(int id, const std::string& text) override {
        DialogControl* control = Of(id, ControlKind::kListBox);
        if (control == nullptr) {
            return -1;
        }
        control->items.push_back(text);
        control->itemData.push_back(0);
        return static_cast<int>(control->items.size()) - 1;
    }
    void ListBoxReset(int id) override {
        if (DialogControl* control = Of(id, ControlKind::kListBox)) {
            control->items.clear();
            control->itemData.clear();
            control->selection = -1;
        }
    }
    int ListBoxCount(int id) override {
        const DialogControl* control = Of(id, ControlKind::kListBox);
        return control != nullptr ? control->RowCount() : 0;
    }
    std::string ListBoxText(int id, int index) override {
        const DialogControl* control = Of(id, ControlKind::kListBox);
        return control != nullptr && InRange(*control, index)
                   ? control->items[static_cast<std::size_t>(index)]
                   : std::string();
    }
    void ListBoxSetData(int id, int index, std::uintptr_t data) override {
        SetData(id, index, data);
    }
    std::uintptr_t ListBoxData(int id, int index) override { return Data(id, index); }
    int ListBoxSelection(int id) override { return Selection(id); }
    void ListBoxSelect(int id, int index) override { SelectRow(id, index); }

    void ListViewGridLines(int id) override {
        if (DialogControl* control = Of(id, ControlKind::kListView)) {
            control->gridLines = true;
        }
    }
    int ListViewAddColumn(int id, const std::string& title, int width) override {
        DialogControl* control = Of(id, ControlKind::kListView);
        if (control == nullptr) {
            return -1;
        }
        control->columns.push_back({title, std::max(width, 0)});
        for (auto& row : control->rows) {
            row.resize(control->columns.size());
        }
        return static_cast<int>(control->columns.size()) - 1;
    }
    int ListViewAddRow(int id, const std::string& firstCell) override {
        DialogControl* control = Of(id, ControlKind::kListView);
        if (control == nullptr) {
            return -1;
        }
        std::vector<std::string> row(std::max<std::size_t>(control->columns.size(), 1));
        row[0] = firstCell;
        control->rows.push_back(row);
        control->itemData.push_back(0);
        return static_cast<int>(control->rows.size()) - 1;
    }
    void ListViewSetCell(int id, int row, int column, const std::string& text) override {
        DialogControl* control = Of(id, ControlKind::kListView);
        if (control != nullptr && InRange(*control, row) && column >= 0 &&
            static_cast<std::size_t>(column) < control->columns.size()) {
            auto& cells = control->rows[static_cast<std::size_t>(row)];
            cells.resize(control->columns.size());
            cells[static_cast<std::size_t>(column)] = text;
        }
    }
    std::string ListViewCell(int id, int row, int column) override {
        const DialogControl* control = Of(id, ControlKind::kListView);
        if (control == nullptr || !InRange(*control, row) || column < 0) {
            return {};
        }
        const auto& cells = control->rows[static_cast<std::size_t>(row)];
        return static_cast<std::size_t>(column) < cells.size()
                   ? cells[static_cast<std::size_t>(column)]
                   : std::string();
    }
    void ListViewSetData(int id, int row, std::uintptr_t data) override { SetData(id, row, data); }
    std::uintptr_t ListViewData(int id, int row) override { return Data(id, row); }
    int ListViewRowCount(int id) override {
        const DialogControl* control = Of(id, ControlKind::kListView);
        return control != nullptr ? control->RowCount() : 0;
    }
    void ListViewClear(int id) override {
        if (DialogControl* control = Of(id, ControlKind::kListView)) {
            control->rows.clear();
            control->itemData.clear();
            control->selection = -1;
        }
    }
    void ListViewAutoSize(int id, int column, bool useHeader) override {
        DialogControl* control = Of(id, ControlKind::kListView);
        if (control == nullptr || column < 0 ||
            static_cast<std::size_t>(column) >= control->columns.size()) {
            return;
        }
        auto& columns = control->columns;
        const auto index = static_cast<std::size_t>(column);
        if (useHeader && index + 1 == columns.size()) {
            // As on the real control: the last column fills what the others leave of the list,
            // which may be less than its contents need.
            int others = 0;
            for (std::size_t c = 0; c < index; ++c) {
                others += columns[c].width;
            }
            columns[index].width = std::max(ControlPixels(*control) - others, 0);
            return;
        }
        int width = useHeader ? TextPixels(columns[index].title) : 0;
        for (const auto& row : control->rows) {
            if (index < row.size()) {
                width = std::max(width, TextPixels(row[index]));
            }
        }
        columns[index].width = width;
    }
    void ListViewSetWidth(int id, int column, int width) override {
        DialogControl* control = Of(id, ControlKind::kListView);
        if (control != nullptr && column >= 0 &&
            static_cast<std::size_t>(column) < control->columns.size()) {
            control->columns[static_cast<std::size_t>(column)].width = std::max(width, 0);
        }
    }
    int ListViewWidth(int id, int column) override {
        const DialogControl* control = Of(id, ControlKind::kListView);
        return control != nullptr && column >= 0 &&
                       static_cast<std::size_t>(column) < control->columns.size()
                   ? control->columns[static_cast<std::size_t>(column)].width
                   : 0;
    }
    int ListViewSelection(int id) override { return Selection(id); }
    void ListViewSelect(int id, int row) override { SelectRow(id, row); }
    int ListViewColumnCount(int id) override {
        const DialogControl* control = Of(id, ControlKind::kListView);
        return control != nullptr ? static_cast<int>(control->columns.size()) : 0;
    }

    void SetRedraw(int id, bool redraw) override {
        if (DialogControl* control = Mutable(id)) {
            control->redrawSwitches.push_back(redraw);
        }
    }
    void Invalidate(int id, bool erase) override {
        if (DialogControl* control = Mutable(id); control != nullptr && erase) {
            ++control->erasingInvalidations;
        }
    }

  private:
    static bool InRange(const DialogControl& control, int index) {
        return index >= 0 && index < control.RowCount();
    }
    DialogControl* Mutable(int id) { return const_cast<DialogControl*>(Find(id)); }
    DialogControl* Of(int id, ControlKind kind) {
        DialogControl* control = Mutable(id);
        return control != nullptr && control->kind == kind ? control : nullptr;
    }
    DialogControl* Rows(int id) {
        DialogControl* control = Of(id, ControlKind::kListBox);
        return control != nullptr ? control : Of(id, ControlKind::kListView);
    }
    void SetData(int id, int index, std::uintptr_t data) {
        if (DialogControl* control = Rows(id); control != nullptr && InRange(*control, index)) {
            control->itemData[static_cast<std::size_t>(index)] = data;
        }
    }
    std::uintptr_t Data(int id, int index) {
        const DialogControl* control = Rows(id);
        return control != nullptr && InRange(*control, index)
                   ? control->itemData[static_cast<std::size_t>(index)]
                   : 0;
    }
    int Selection(int id) {
        const DialogControl* control = Rows(id);
        return control != nullptr && InRange(*control, control->selection) ? control->selection
                                                                           : -1;
    }
    void SelectRow(int id, int index) {
        if (DialogControl* control = Rows(id)) {
            control->selection = InRange(*control, index) ? index : -1;
        }
    }

    CDialog& dialog_;
    const DialogTemplate& template_;
    std::string caption_;
    std::vector<DialogControl> controls_;
    bool ended_ = false;
    int result_ = kIdCancel;
};

}  // namespace

int RunModalDialog(CDialog& dialog, const DialogTemplate& dialogTemplate) {
    PosixDialog window(dialog, dialogTemplate);
    dialog.Attach(&window);
    dialog.DispatchInit();
    if (!window.IsEnded()) {
        CurrentUiDriver().RunModalDialog(window);
    }
    // A driver that gave up leaves the dialog as the close box would.
    if (!window.IsEnded()) {
        window.End(kIdCancel);
    }
    dialog.Attach(nullptr);
    return window.Result();
}

void UiDriver::RunModalDialog(DialogSession& session) {
    const DialogControl* ok = session.Find(kIdOk);
    if (ok != nullptr && ok->visible) {
        session.Press(kIdOk);
    } else {
        session.Escape();
    }
}

void TerminalUiDriver::RunModalDialog(DialogSession& session) {
    std::fprintf(stderr, "%s", RenderDialog(session).c_str());
    UiDriver::RunModalDialog(session);
}

}  // namespace platform
