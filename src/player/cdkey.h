#pragma once
// The key/tempo window: the key in semitones (-12..+12; a singer usually stays within -6..+6),
// the tempo (50..150 % in 5 % steps), the guide vocal (both channels, the left or the right
// channel on both speakers, the voice reduced) and a button back to the disc's own sound.
// Opened from the main window (the T key and the display's context menu); the keys of the
// main window work here too. It shows the player's setting and changes it only through the
// player's KeyTempoControl.
#include <array>

#include "device/key_tempo_settings.h"
#include "ui/control.h"
#include "ui/form.h"

namespace lirafok {

class App;

class CDKEY : public ui::Form {
public:
    static constexpr const char* kName = "CDKEY";
    static constexpr int kVoices = 4;  // the voice modes, in their cycle order
    explicit CDKEY(App& app);

    App& app;
    ui::Label KEYL, TEMPOL;
    ui::Button KEYDOWN, KEYUP;
    ui::Panel KEYD;  // "+2", "0", "-3"
    ui::ScrollBar KEYBAR;
    ui::Button TEMPODOWN, TEMPOUP;
    ui::Panel TEMPOD;        // "90%"
    ui::ScrollBar TEMPOBAR;  // tempo / 5: 10..30
    ui::Frame VOICEF;
    std::array<ui::OptionButton, kVoices> VOICE;
    ui::Button RESET, CLOSEX;

    void KEYDOWN_Click();
    void KEYUP_Click();
    void KEYBAR_Change();
    void TEMPODOWN_Click();
    void TEMPOUP_Click();
    void TEMPOBAR_Change();
    void VOICE_Click(int index);
    void RESET_Click();
    void CLOSEX_Click();

    // The player's setting changed: the controls show it (raising none of their events).
    void showSettings(const device::KeyTempo& settings);

protected:
    void Form_Load() override;
    bool Form_KeyDown(int keyCode, int shift) override;

private:
    bool m_showing = false;  // the controls are being set from the player's setting
};

// Opens the key/tempo window, or brings it forward.
void ShowKeyTempoWindow(App& app);

}  // namespace lirafok
