#pragma once
// The environment settings window: lyrics folder, scan play, start-up and auto play, time
// display, volume mode, sound cues, screen saver, the nine display colours, the lyrics font,
// the lyrics lead time, the sleep timer and the CD drive. It edits working copies (the colours
// and the lyrics font here, everything else in its controls); only the save action hands them
// to the shared settings, the main window and the settings file.
#include <array>
#include <string>

#include "core/online_settings.h"
#include "ui/control.h"
#include "ui/form.h"
#include "ui/timer.h"

namespace lirafok {

class App;

// Indexes of the working colours, in the order of their keys.
enum ColourKey { kCMAI1, kCMAI2, kCMAI3, kCMAI4, kCMAI5, kCKAS1, kCKAS2, kCKAS3, kCKAS4 };
inline constexpr int kColourCount = 9;

class CDKANKYOX : public ui::Form {
public:
    static constexpr const char* kName = "CDKANKYOX";
    explicit CDKANKYOX(App& app);

    App& app;

    ui::TabControl SSTab1;
    ui::Timer Timer1;  // the clock, every second
    // Outside the tabs.
    ui::Frame Frame8;
    ui::ComboBox DEVX;
    ui::Button Command2;
    ui::Label Label6;
    ui::Button Command3D2, Command3D3;
    // Tab 0 "オプション".
    ui::Button Command3D1;
    ui::TextBox KASIDIR;
    ui::Panel Panel3D1;
    ui::TextBox SCANTIMEA, SCANTIME;
    ui::Label Label1, Label2;
    ui::Panel Panel3D3, Panel3D2, Panel3D8, Panel3D7, Panel3D5, Panel3D6, SSPanel1;
    ui::CheckBox JHOZON, KIDOU;
    ui::Button AUTOX, CDSET;
    ui::OptionButton ZANTIME, ENTIME;
    ui::Button VOLSW, SOUNDX;
    ui::CheckBox SCREENS;
    ui::CheckBox NETSW;  // online look-ups of titles and lyrics allowed
    // Tab 1 "フォント".
    ui::Frame Frame3, Frame4, CDKANKYO;
    ui::Button Command3D6, Command3D7, Command3D8, Command3D9, Command3D10;
    ui::Button Command3D11, Command3D12, Command3D13, SSCommand1;
    ui::Button Command3D15, Command3D16, Command3D17;
    // Tab 2 "歌詞表示".
    ui::Frame Frame1;
    ui::TextBox CYOUSEI;
    ui::Label Label4;
    ui::CheckBox TUNE, KAIGYO, KASIH;
    // Tab 3 "タイマー".
    ui::Frame Frame2, Frame7, Frame6;
    ui::Panel HHMM, NOWTIME;
    ui::SpinButton SpinButton1, SpinButton2;
    ui::Label Label3, Label5;
    ui::Button ONOFF;

    // Working state: the nine colours (ColourKey order) and the lyrics font.
    std::array<ui::Color, kColourCount> WorkColour{};
    std::string WorkFontName;
    int WorkFontSize = 12;
    int WorkFontBold = 0;
    int WorkFontItalic = 0;

    // Shows every working colour as its button's caption colour.
    void COLOR_SET();

    void AUTOX_Click();
    void CDSET_Click();
    void VOLSW_Click();
    void SOUNDX_Click();
    void ONOFF_Click();
    void SpinButton1_SpinUp();
    void SpinButton1_SpinDown();
    void SpinButton2_SpinUp();
    void SpinButton2_SpinDown();
    void Timer1_Timer();
    void Command3D1_Click();  // pick the lyrics folder
    void Command3D6_Click();
    void Command3D7_Click();
    void Command3D8_Click();
    void Command3D9_Click();
    void Command3D10_Click();
    void Command3D11_Click();
    void Command3D12_Click();
    void Command3D13_Click();
    void SSCommand1_Click();
    void COMMAND3D15_Click();
    void Command3D16_Click();
    void Command3D17_Click();
    void Command3D2_Click();  // save
    void Command3D3_Click();  // cancel
    void Command2_Click();    // drive change

protected:
    void Form_Load() override;

private:
    void layoutDesign();
    void wireEvents();
    // Fills Frame8 and DEVX from the machine's CD drives and the stored default drive.
    void FindCdDrives();
    // The colour dialog for working colour `key`.
    void pickColour(int key);
    void showReservedTime();
    // The save action's checks, in order; false (after the error cue and its message) at the
    // first that fails. The lyrics folder text gets its final separator on the way.
    bool validate();
    // A new lyrics folder without a catalogue, when the old one has one: asks whether to copy
    // the catalogue and lyrics there, start empty, or keep the old folder. False when the save
    // stops (the copy failed).
    bool settleLyricsFolder();
    void applySettings();
    void applyToMainWindow();
    // NETSW into the online settings file, when it was changed.
    void saveOnlineSwitch();

    OnlineConsent m_online = OnlineConsent::Unasked;  // as the file said when the window opened
};

}  // namespace lirafok
