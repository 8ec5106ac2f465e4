#pragma once
// The MiniDisc label at its printed size: title and artist, one or two song columns, rules.
// It has no code of its own; CDMD's MD_SET fills it and printing prints it as an image.
#include <array>

#include "ui/control.h"
#include "ui/form.h"

namespace lirafok {

class App;

// The label's inner size and its song column widths, twips.
inline constexpr int kMdLabelSize = 3975;
inline constexpr int kMdOneColumn = 3735;
inline constexpr int kMdHalfColumn = 1815;

class CDMDF : public ui::Form {
public:
    static constexpr const char* kName = "CDMDF";
    explicit CDMDF(App& app);

    ui::Label LABEL2;                 // title
    ui::Label LABEL3;                 // artist
    std::array<ui::Label, 2> LABEL1;  // song columns
    ui::Line Line1, Line2, Line3, Line4, Line5;
    ui::Line Line6;  // between the two song columns
};

}  // namespace lirafok
