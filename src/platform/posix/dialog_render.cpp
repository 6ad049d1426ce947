#include <algorithm>
#include <string>
#include <vector>

#include "platform/posix/dialog_session.h"

namespace platform {
namespace {

// Controls share a line when their tops fall in the same band of dialog units: a label and the
// edit beside it (an edit sits a little higher than its label).
int Band(const DialogControl& control) {
    return (control.y + 4) / 8;
}

std::string TrimRight(std::string text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.pop_back();
    }
    return text;
}

std::string Indented(const std::string& text) {
    std::string out = "  ";
    for (const char c : text) {
        out += c;
        if (c == '\n') {
            out += "  ";
        }
    }
    return out;
}

void RenderRows(const DialogControl& control, std::string& out) {
    if (control.kind == ControlKind::kListBox) {
        for (std::size_t i = 0; i < control.items.size(); ++i) {
            out += (static_cast<int>(i) == control.selection ? "  > " : "    ") + control.items[i] +
                   "\n";
        }
        return;
    }
    std::string header = "   ";
    for (const DialogControl::Column& column : control.columns) {
        header += " | " + column.title;
    }
    out += header + "\n";
    for (std::size_t i = 0; i < control.rows.size(); ++i) {
        std::string line = static_cast<int>(i) == control.selection ? "  >" : "   ";
        for (const std::string& cell : control.rows[i]) {
            line += " | " + cell;
        }
        out += line + "\n";
    }
}

}  // namespace

std::string RenderDialog(const DialogSession& session) {
    std::vector<const DialogControl*> shown;
    for (const DialogControl& control : session.Controls()) {
        if (control.visible) {
            shown.push_back(&control);
        }
    }
    std::stable_sort(shown.begin(), shown.end(),
                     [](const DialogControl* a, const DialogControl* b) {
                         return Band(*a) != Band(*b) ? Band(*a) < Band(*b) : a->x < b->x;
                     });

    std::string out = "+--- " + session.Caption() + " ---\n";
    std::string line;
    int lineBand = -1;
    std::vector<std::string> buttons;
    auto flush = [&] {
        if (!line.empty()) {
            out += "|" + Indented(line) + "\n";
            line.clear();
        }
    };
    for (const DialogControl* control : shown) {
        if (control->IsPushable()) {
            buttons.push_back("[ " + control->text + " ]");
            continue;
        }
        if (Band(*control) != lineBand) {
            flush();
            lineBand = Band(*control);
        }
        switch (control->kind) {
            case ControlKind::kButton:  // a group box's title
            case ControlKind::kStatic:
                line += (line.empty() ? "" : " ") + TrimRight(control->text);
                break;
            case ControlKind::kEdit:
                line += (line.empty() ? "" : " ") + std::string("[") + control->text + "]";
                break;
            case ControlKind::kListBox:
            case ControlKind::kListView:
                flush();
                RenderRows(*control, out);
                break;
        }
    }
    flush();
    if (!buttons.empty()) {
        std::string row;
        for (const std::string& button : buttons) {
            row += (row.empty() ? "" : "  ") + button;
        }
        out += "|  " + row + "\n";
    }
    out += "+---\n";
    return out;
}

}  // namespace platform
