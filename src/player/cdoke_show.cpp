// What other windows show on the main window, through its intents rather than its controls.
#include "common/app.h"
#include "player/cdoke.h"

namespace lirafok {

void CDOKE::showMode(ModeButton button, bool on) {
    ui::Button& b = button == ModeButton::Program ? PROG : EDITX;
    STATUS2.setCaption(on ? (button == ModeButton::Program ? "PROGRAM" : "EDIT") : "NORMAL");
    b.setForeColor(on ? ui::kRed : ui::kBlack);
    NORMAL.setForeColor(on ? ui::kBlack : ui::kRed);
}

void CDOKE::showTrack(int track) {
    TRKNO.setCaption(std::to_string(track));
}

void CDOKE::showStatus(const std::string& text) {
    STATUS1.setCaption(text);
}

void CDOKE::showLoadButton(bool visible) {
    LOADX.setVisible(visible);
}

void CDOKE::showVolumeControls(int channels) {
    VOLS[0].setVisible(channels == 2);
    VOLD[0].setVisible(channels == 2);
    VOLS[1].setVisible(channels >= 1);
    VOLD[1].setVisible(channels >= 1);
}

void CDOKE::pollForDisc() {
    MMControl1.setUpdateInterval(device::StatusMarker::Off);
    Timer1.setTimerEnabled(true);
    Timer1.setInterval(kDiscPollMs);
    app.state.TimerPhase = Timer1Phase::Polling;
}

void CDOKE::runTimer1() {
    Timer1.setTimerEnabled(true);
}

}  // namespace lirafok
