#pragma once
// The program editor: the disc's tracks not chosen (ALL) and the program in playing order
// (SEL), each with its total time. "演 奏" hands the program to the player, "保  存" stores it as
// the disc's private list file, which the main window's PRIV button plays.
#include <vector>

#include "ui/control.h"
#include "ui/form.h"

namespace lirafok {

class App;

class CDPRG : public ui::Form {
public:
    static constexpr const char* kName = "CDPRG";
    explicit CDPRG(App& app);

    App& app;
    ui::ListBox ALL;        // tracks not in the program, in track order
    ui::ListBox SEL;        // the program, in playing order
    ui::Panel Panel3D1;     // heading
    ui::Panel ALLTIME;      // total time of ALL
    ui::Panel SELTIME;      // total time of SEL
    ui::Button Command3D3;  // add the selected ALL items (caption red while armed)
    ui::Button Command3D4;  // put the selected SEL items back (caption red while armed)
    ui::Button Command3D1;  // play
    ui::Button Command3D2;  // cancel
    ui::Button Command3D5;  // clear
    ui::Button SAVE;        // store SEL as the private list
    ui::Button SSCommand1;  // MD label

    // The arrows act only after a click in their list.
    int AddArrowArmed = 0;
    int RemoveArrowArmed = 0;

    void ALL_Click();
    void SEL_Click();
    void Command3D3_Click();
    void Command3D4_Click();
    void Command3D5_Click();
    void SAVE_Click();
    void Command3D1_Click();
    void Command3D2_Click();
    void SSCommand1_Click();

protected:
    void Form_Load() override;
    void Form_QueryUnload(bool& cancel, ui::UnloadMode mode) override;

private:
    void fillAllTracks();
    void showTotals();
    void disarmArrows();
    // Back to the first program entry's track, as the player shows a stopped program.
    void cueProgramStart();
};

}  // namespace lirafok
