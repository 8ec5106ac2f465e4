#pragma once
// The screen font window: the seven font rows of one font set of the main window, edited on
// screen and switched set by set. The table takes the shown rows when the set is switched or
// the window finishes; finishing writes the font list and shows the disc's set, cancelling
// puts back the whole table as it was when the window opened.
#include <array>

#include "core/font_list.h"
#include "ui/control.h"
#include "ui/form.h"

namespace lirafok {

class App;

class CDFONT : public ui::Form {
public:
    static constexpr const char* kName = "CDFONT";
    explicit CDFONT(App& app);

    App& app;

    ui::Button FONTNO;
    ui::Button AUTOX, Command3D1, Command3D2, Command3D3, Command3D4, Command3D5, Command3D6;
    std::array<ui::Label, kFontRowCount> FONTN, FONTS, FONTB, FONTI;
    ui::Label Label1, Label2, Label3, Label4;
    ui::Button Command3D7, Command3D8;

    void AUTOX_Click();
    void Command3D1_Click();
    void Command3D2_Click();
    void Command3D3_Click();
    void Command3D4_Click();
    void Command3D5_Click();
    void Command3D6_Click();
    void FONTNO_Click();
    void Command3D7_Click();  // finish
    void Command3D8_Click();  // cancel

protected:
    void Form_Load() override;

private:
    void layoutDesign();
    void wireEvents();
    // Shows the rows of CurrentFontSet.
    void showRows();
    // The shown rows into the table under CurrentFontSet.
    void keepRows();
    // The font dialog of row `row` within the row's size limits.
    void pickFont(int row);

    FontTable m_opened;  // the table when the window opened: what cancel puts back
};

}  // namespace lirafok
