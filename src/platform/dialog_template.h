#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A dialog template as data: what the resource compiler makes of resources/dialogs.inc on
// Win32, and what the POSIX backend builds its control tree from.
namespace platform {

enum class ControlKind { kStatic = 0, kEdit = 1, kButton = 2, kListBox = 3, kListView = 4 };

namespace dialog_style {
constexpr std::uint32_t kBorder = 0x00800000;
constexpr std::uint32_t kDefPushButton = 0x1;
constexpr std::uint32_t kButtonTypeMask = 0xF;
constexpr std::uint32_t kGroupBox = 0x7;
constexpr std::uint32_t kAutoHScroll = 0x0080;
constexpr std::uint32_t kReadOnly = 0x0800;
constexpr std::uint32_t kListBoxNotify = 0x0001;
}  // namespace dialog_style

// Commands of the standard buttons (Win32 values).
constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;
constexpr int kIdStatic = -1;

struct ControlTemplate {
    ControlKind kind;
    int id;
    std::string text;
    int x, y, width, height;  // dialog units
    std::uint32_t style;
    bool visible = true;  // false: the control starts hidden
};

struct DialogTemplate {
    int id;
    int x, y, width, height;  // dialog units
    std::string caption;
    int pointSize;
    std::string fontName;
    std::vector<ControlTemplate> controls;
};

// The template with that resource id, or nullptr when the plug-in has none.
const DialogTemplate* FindDialogTemplate(int id);

}  // namespace platform
