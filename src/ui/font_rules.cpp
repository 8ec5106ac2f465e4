#include "ui/font_rules.h"

#include <algorithm>

namespace lirafok::ui {

FontSizeRange fontDialogSizes(const FontDialogRequest& r) {
    FontSizeRange range;
    if (!r.limitSize) return range;
    if (r.minSize > 0) range.min = r.minSize;
    if (r.maxSize > 0) range.max = std::max(r.maxSize, range.min);
    return range;
}

bool fontDialogOffers(const FontDialogRequest& r, const std::string& face, InstalledFonts& fonts) {
    if (face.empty()) return false;
    if (fonts.isInstalled(face)) return true;
    return !r.forceExisting && face == r.preset.name;
}

std::optional<FontChoice> fontDialogResult(const FontDialogRequest& r, const FontChoice& pick,
                                           InstalledFonts& fonts) {
    if (!pick.name.empty() && !fontDialogOffers(r, pick.name, fonts)) return std::nullopt;
    FontChoice out = pick;
    const FontSizeRange range = fontDialogSizes(r);
    out.size = std::clamp(pick.size, range.min, range.max);
    return out;
}

}  // namespace lirafok::ui
