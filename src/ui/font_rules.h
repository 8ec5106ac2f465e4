#pragma once
// The rules of the font dialog, in one place for every front end: the Qt dialog offers and
// returns exactly what these functions say, and the headless runner applies them to a
// scripted pick, so that a pick behaves the same in both.
#include <optional>
#include <string>

#include "ui/services.h"

namespace lirafok::ui {

// The sizes (points) a dialog lets the user pick, both ends included.
struct FontSizeRange {
    double min = 1, max = 999;
};

// With a size limit: from minSize (or 1) to maxSize (or 999), never a range that ends below
// its start. Without one: 1 to 999.
FontSizeRange fontDialogSizes(const FontDialogRequest& request);

// Whether the dialog offers `face`: every installed face; besides, unless the choice is forced
// to an existing face, the preset's own face even when it is missing here (confirming the
// dialog unchanged gives the program its font back).
bool fontDialogOffers(const FontDialogRequest& request, const std::string& face,
                      InstalledFonts& fonts);

// What the dialog returns when the user confirms `pick`: the size kept within
// fontDialogSizes (a smaller size becomes the smallest allowed, a larger the largest), name,
// bold and italic as picked. An empty name passes unchanged (the user cleared the name).
// nullopt when the dialog cannot return the pick: its face is not offered.
std::optional<FontChoice> fontDialogResult(const FontDialogRequest& request, const FontChoice& pick,
                                           InstalledFonts& fonts);

}  // namespace lirafok::ui
