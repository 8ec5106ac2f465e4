#pragma once
// The player's key, tempo and guide-vocal setting: what the user chose for the track the main
// window shows, sent to the drive when it changes and when another track comes up, and
// remembered per track in the lyrics folder (see key_tempo_file.h).
//
// Every change goes through set(): the keys of the main window and the karaoke screen, the
// key/tempo window and the desktop's rate all end up there, so the drive, the indicator on the
// main window, the open key/tempo window and the file always agree.
#include <string>

#include "device/key_tempo_settings.h"

namespace lirafok {

class App;

namespace device {
class CdAudioDevice;
}

class KeyTempoControl {
public:
    static constexpr int kKeyStep = 1;    // semitones per key press
    static constexpr int kTempoStep = 5;  // percent per tempo press

    explicit KeyTempoControl(App& app) : m_app(app) {}

    const device::KeyTempo& current() const { return m_current; }

    // The user's change: clamped, sent to the drive, remembered for the track shown, shown.
    void set(const device::KeyTempo& settings);
    void keyUp();
    void keyDown();
    void tempoUp();
    void tempoDown();
    // Back to the disc's own key and tempo, both channels.
    void reset();
    // Both -> left only -> right only -> voice reduced -> both.
    void nextVoice();

    // The main window shows this track of this disc (0: none): a different one starts with
    // what was last chosen for it.
    void trackShown(const std::string& discKey, int track);
    // The heart beat of the player: a drive that could not apply the settings (say, no
    // stretcher could be made) plays at the disc's own key and tempo; the user is told once
    // and the setting shows the truth again.
    void checkDevice();

    // The indicator of the main window: "" at the disc's own settings, else for example
    // "KEY +2 · 90%" and, when the voice is not both channels, its short name on a second line.
    static std::string indicatorText(const device::KeyTempo& settings);
    // The names the key/tempo window gives the voice modes.
    static const char* voiceName(device::VoiceMode voice);
    static const char* voiceShortName(device::VoiceMode voice);

private:
    // Sends the settings to the drive when they or the drive differ from what it has. False
    // when the drive refused them (the user is told when `tell`).
    bool apply(bool tell);
    void fellBack(const std::string& why);
    void show();

    App& m_app;
    device::KeyTempo m_current;
    std::string m_discKey;
    int m_track = 0;
    device::CdAudioDevice* m_appliedTo = nullptr;
    device::KeyTempo m_applied;
    bool m_saveFailureTold = false;
};

}  // namespace lirafok
