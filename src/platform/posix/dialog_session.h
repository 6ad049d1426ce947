#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/dialog_template.h"
#include "platform/ui.h"

// The POSIX dialog: an in-memory control tree built from the template, which the UI driver
// renders and drives (UiDriver::RunModalDialog). Everything the user would see is in the tree.
namespace platform {

struct DialogControl {
    struct Column {
        std::string title;
        int width;  // pixels, as the list view reports them
    };

    ControlKind kind = ControlKind::kStatic;
    int id = 0;
    std::string text;
    int x = 0, y = 0, width = 0, height = 0;  // dialog units
    std::uint32_t style = 0;
    bool visible = true;
    // List box rows, list view rows (cells per column) and their item data.
    std::vector<std::string> items;
    std::vector<std::vector<std::string>> rows;
    std::vector<std::uintptr_t> itemData;
    int selection = -1;
    std::vector<Column> columns;
    bool gridLines = false;
    // Every WM_SETREDRAW the control received, in order, and how often it was invalidated with
    // its background erased.
    std::vector<bool> redrawSwitches;
    int erasingInvalidations = 0;

    bool IsReadOnly() const {
        return kind == ControlKind::kEdit && (style & dialog_style::kReadOnly) != 0;
    }
    bool IsDefaultButton() const {
        return kind == ControlKind::kButton &&
               (style & dialog_style::kButtonTypeMask) == dialog_style::kDefPushButton;
    }
    // A titled frame around other controls: a button in the template, never pressed.
    bool IsGroupBox() const {
        return kind == ControlKind::kButton &&
               (style & dialog_style::kButtonTypeMask) == dialog_style::kGroupBox;
    }
    bool IsPushable() const { return kind == ControlKind::kButton && !IsGroupBox(); }
    int RowCount() const {
        return static_cast<int>(kind == ControlKind::kListView ? rows.size() : items.size());
    }
};

// One open dialog as the UI driver sees it. The driver reads the controls and acts as the user:
// pressing a button, selecting or double-clicking a row, pressing Escape. RunModalDialog returns
// once the dialog has ended.
class DialogSession {
  public:
    virtual ~DialogSession() = default;
    virtual int TemplateId() const = 0;
    virtual const std::string& Caption() const = 0;
    virtual const std::vector<DialogControl>& Controls() const = 0;
    // The dialog's window: the owner of what it opens in turn.
    virtual WindowHandle Handle() = 0;
    virtual WindowHandle Owner() const = 0;

    // Each does nothing for a control that is absent or hidden, or after the end.
    virtual void Press(int id) = 0;
    virtual void Select(int id, int index) = 0;
    virtual void DoubleClick(int id, int index) = 0;
    // Escape and the close box: the Cancel command.
    virtual void Escape() = 0;

    virtual bool IsEnded() const = 0;
    virtual int Result() const = 0;

    // The first control with that id (nullptr when none).
    const DialogControl* Find(int id) const {
        for (const DialogControl& control : Controls()) {
            if (control.id == id) {
                return &control;
            }
        }
        return nullptr;
    }
    // The text of a control, "" when there is none.
    std::string TextOf(int id) const {
        const DialogControl* control = Find(id);
        return control != nullptr ? control->text : std::string();
    }
};

// The dialog as lines of text: caption, then each visible control top to bottom with a static's
// text beside the edit on its row, list rows and buttons.
std::string RenderDialog(const DialogSession& session);

}  // namespace platform
