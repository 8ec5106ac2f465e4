#pragma once
// The cassette label printer: a preview of the index card made of panels, the card's options
// and five fonts, the margins, the printer set-up and printing. It reads the tape side
// editor's two lists (CDTEDIT.ALL and CDTEDIT.SEL) at opening and on each check-box change.
// Options, fonts and margins come from the GP settings and go back to them only on "終了".
#include <array>
#include <string>
#include <vector>

#include "labels/cassette_card.h"
#include "ui/control.h"
#include "ui/form.h"

namespace lirafok {

class App;

class CPRINT : public ui::Form {
public:
    static constexpr const char* kName = "CPRINT";
    explicit CPRINT(App& app);

    App& app;
    ui::CheckBox Check1;  // title and artist on separate lines
    ui::CheckBox Check2;  // track numbers
    ui::CheckBox Check3;  // playing times
    ui::CheckBox Check4;  // title and artist centred (preview)
    ui::ComboBox STEREO, TAPEX, NR, LEG;
    ui::Panel Panel3D8, TAPEXXX, NRX, Panel3D11;
    ui::Panel Panel3D5, TOPX, Panel3D6;
    ui::SpinButton Spin2;  // top margin
    ui::Panel Panel3D3, LEFTX, Panel3D4;
    ui::SpinButton Spin1;  // left margin
    // The preview: the card's background and what it shows.
    ui::Panel Panel3D1;
    std::array<ui::Panel, 2> TITLE1;  // title, artist
    std::array<ui::Label, 2> TEXT1;   // side A, side B songs
    ui::Panel T4, T5;
    ui::Panel T1, DATEX, T2, TAPETYPE, T3, TAPENR, TAPESTEREO;
    ui::Panel TAPESIZE;
    ui::Label Label1, Label2, Label3, Label4, Label5;
    ui::Button Command3D3;  // title font
    ui::Button Command3D4;  // artist font
    ui::Button Command3D8;  // side A font
    ui::Button Command3D5;  // side B font
    ui::Button Command3D6;  // font of the other texts
    ui::Button Command1;    // ﾌﾟﾘﾝﾀｰ設定
    ui::Button Command3D2;  // 印刷
    ui::Button Command3D1;  // 終了
    ui::Button Command3D7;  // 取消

    void CHECK1_Click();
    void CHECK2_Click();
    void CHECK3_Click();
    void CHECK4_Click();
    void LEG_Change();
    void LEG_Click();
    void NR_Change();
    void NR_Click();
    void STEREO_Change();
    void STEREO_Click();
    void TAPEX_Change();
    void TAPEX_Click();
    void Spin1_SpinUp();
    void Spin1_SpinDown();
    void Spin2_SpinUp();
    void Spin2_SpinDown();
    void Command1_Click();
    void Command3D1_Click();
    void Command3D2_Click();
    void Command3D3_Click();
    void Command3D4_Click();
    void Command3D5_Click();
    void Command3D6_Click();
    void Command3D7_Click();
    void Command3D8_Click();

    void FillSidePreview();
    // The card as the preview and the options now describe it.
    CassetteCard card() const;

protected:
    void Form_Load() override;
    void Form_QueryUnload(bool& cancel, ui::UnloadMode mode) override;

private:
    void layout();
    void layoutPreview();
    void wireEvents();
    // The song lines of one side as the check boxes print them, without line breaks.
    std::vector<std::string> sideLines(const std::vector<std::string>& entries) const;
    // Opens the font dialog preset with `panel`'s font, at most `maxPoints`; the pick goes onto
    // every control of `targets`.
    void stepMargin(ui::Panel& value, int delta);

    std::vector<std::string> m_sideA, m_sideB;  // the editor's entries as last read
};

}  // namespace lirafok
