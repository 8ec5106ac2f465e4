#pragma once
// The main window: the disc display, the transport and every button of the player.
#include <array>

#include "device/mm_control.h"
#include "player/design_layout.h"
#include "player/key_tempo_control.h"
#include "ui/control.h"
#include "ui/form.h"
#include "ui/timer.h"

namespace lirafok {

class App;

class CDOKE : public ui::Form {
public:
    static constexpr const char* kName = "CDOKE";
    explicit CDOKE(App& app);

    static constexpr int kDiscPollMs = 2000;    // Timer1 looks for a disc this often
    static constexpr int kPrevWindowMs = 3000;  // a second Prev within this goes back one more

    App& app;

    device::MMControl MMControl1;
    ui::Timer Timer1;  // disc polling, the Prev window, scan steps
    ui::Timer Timer2;  // lyrics line tick
    ui::Timer Timer3;  // timer play / stop countdown
    ui::ScrollBar POINTX;
    ui::ListBox List1;
    ui::Panel III, GGG, HHH;                 // frames of the layout
    ui::Panel AAA, BBB, CCC, DDD, EEE, FFF;  // labels
    ui::Panel TRKNO, TRKLEN, TOTALLEN, STATUS1, STATUS2;
    std::array<ui::Panel, 2> TITLE;
    ui::Panel ART, KYOKU;
    std::array<ui::Panel, 2> VOLD;
    std::array<ui::SpinButton, 2> VOLS;
    ui::Button NORMAL, PROG, RAN, SCAN, ORG, REPEAT;
    ui::Button TIMEDSP, MUTE, POWER, REMO;
    ui::Button LOADX, DATAX, EDITX, KASI, SETUP, HELPX;
    ui::Panel KEYTEMPO;  // key, tempo and voice when they are not the disc's own

    // Key, tempo and the guide vocal of what plays.
    KeyTempoControl keyTempo;

    // --- transport and device events ---
    void MMCONTROL1_PlayClick(bool& cancel);
    void MMCONTROL1_PauseClick(bool& cancel);
    void MMCONTROL1_StopClick(bool& cancel);
    void MMCONTROL1_NextClick(bool& cancel);
    void MMCONTROL1_PrevClick(bool& cancel);
    void MMCONTROL1_EjectClick(bool& cancel);
    void MMCONTROL1_PlayCompleted(int error);
    void MMControl1_StopCompleted(int error);
    void MMCONTROL1_NextCompleted(int error);
    void MMCONTROL1_PrevCompleted(int error);
    void MMControl1_EjectCompleted(int error);
    void MMCONTROL1_StopLostFocus();
    void MMCONTROL1_StatusUpdate();
    void MMControl1_Done(int notifyCode);

    void Timer1_Timer();
    void Timer2_Timer();
    void Timer3_Timer();
    void List1_MouseDown();
    void POINTX_Change();

    // --- buttons ---
    void LOADX_Click();
    void DATAX_Click();
    void EDITX_Click();
    void PROG_Click();
    void KASI_Click();
    void SETUP_Click();
    void HELPX_Click();
    void REPEAT_Click();
    void NORMAL_Click();
    void RAN_Click();
    void SCAN_Click();
    void ORG_Click();
    void TIMEDSP_Click();
    void MUTE_Click();
    void POWER_Click();
    void REMO_Click();
    void VOLS_SpinUp(int index);
    void VOLS_SpinDown(int index);

    // --- what other windows show on this one: its controls are set only by the player ---
    // The mode buttons that other windows switch.
    enum class ModeButton {
        Program,  // PROG: the program editor's program plays
        Edit,     // EDITX: a tape side of the tape editor plays
    };
    // On: STATUS2 names the mode, the button's caption turns red and NORMAL's black. Off: back
    // to "NORMAL".
    void showMode(ModeButton button, bool on);
    // The track number panel.
    void showTrack(int track);
    // The transport status panel ("STOP", "PLAY", ...).
    void showStatus(const std::string& text);
    // The LOAD button shows when discs are loaded by hand.
    void showLoadButton(bool visible);
    // The volume spinners and levels: both channels' (2), the second channel's alone, which
    // sets both (1), or none (0).
    void showVolumeControls(int channels);
    // No disc: the status events stop and Timer1 looks for one every kDiscPollMs.
    void pollForDisc();
    // Timer1 runs again with the interval it has (the timing setter's test mode).
    void runTimer1();
    // The status panel, the counters and the slider show the device's state now, after a
    // command, instead of at the next status event (up to 3 s later).
    void showStateNow();
    // The key/tempo indicator: hidden for "" (the disc's own sound). In the remote-control
    // layout, which has no room for it, the window's caption carries it.
    void showKeyTempo(const std::string& text);
    // The design geometry the layouts are built from.
    DesignLayout& designLayout() { return m_design; }

    // Picks a CUE sheet, a disc image or a folder of audio files and puts it into the virtual
    // drive, as a drop does (Ctrl+O and the context menu).
    void openDisc();
    std::vector<ui::ContextEntry> contextMenu() override;

    // Whether the user's transport clicks are refused because the timing setter holds the player.
    bool transportHeld() const;
    // Disc ready: either disc-ready indication of the control, for a disc that has been loaded.
    bool discReady();

protected:
    void Form_Load() override;
    void Form_Resize() override;
    void Form_QueryUnload(bool& cancel, ui::UnloadMode mode) override;
    // Space, the arrows and the media keys drive the transport from anywhere in the window.
    bool Form_KeyDown(int keyCode, int shift) override;

private:
    void layoutDesign();
    void wireEvents();
    void statusStopped();
    void statusPlaying();
    void listNextPrev(bool next);
    void refreshAfterCompletion();
    void cueAfterStop();

    DesignLayout m_design;
};

// The main window, created and loaded on first use.
CDOKE& cdoke(App& app);

}  // namespace lirafok
