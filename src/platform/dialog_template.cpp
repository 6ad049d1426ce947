#include "platform/dialog_template.h"

#include <memory>

#include "resources/dialog_styles.h"

namespace platform {
namespace {

std::vector<DialogTemplate> BuildTemplates() {
    std::vector<DialogTemplate> templates;
#define DV_DIALOG(id, x, y, w, h, caption, points, font) \
    templates.push_back({id, x, y, w, h, caption, points, font, {}});
#define DV_CONTROL(kind, cid, text, x, y, w, h, style)                                          \
    templates.back().controls.push_back({static_cast<ControlKind>(kind), cid, text, x, y, w, h, \
                                         static_cast<std::uint32_t>(style)});
#define DV_HIDDEN_CONTROL(kind, cid, text, x, y, w, h, style)                                   \
    templates.back().controls.push_back({static_cast<ControlKind>(kind), cid, text, x, y, w, h, \
                                         static_cast<std::uint32_t>(style), false});
#define DV_DIALOG_END()
#include "resources/dialogs.inc"
#undef DV_DIALOG
#undef DV_CONTROL
#undef DV_HIDDEN_CONTROL
#undef DV_DIALOG_END
    return templates;
}

}  // namespace

const DialogTemplate* FindDialogTemplate(int id) {
    static const std::vector<DialogTemplate> templates = BuildTemplates();
    for (const DialogTemplate& dialog : templates) {
        if (dialog.id == id) {
            return &dialog;
        }
    }
    return nullptr;
}

}  // namespace platform
