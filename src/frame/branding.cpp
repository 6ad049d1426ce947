#include "frame/branding.h"

namespace {

int g_variant = 0;

bool ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
    bool replaced = false;
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
        replaced = true;
    }
    return replaced;
}

}  // namespace

int BrandingVariant() {
    return g_variant;
}

void SetBrandingVariant(int variant) {
    g_variant = (variant == 1 || variant == 2) ? variant : 0;
}

bool ApplyBrandingVariant(std::string& text) {
    switch (g_variant) {
        case 1:
            return ReplaceAll(text, "Vantor", "Brackfell");
        case 2:
            return ReplaceAll(text, "Corvane", "Orrick");
        default:
            return false;
    }
}
