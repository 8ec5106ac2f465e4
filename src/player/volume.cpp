#include "player/cdoke.h"
#include "player/player_routines.h"
#include "common/app.h"

namespace lirafok {

namespace {
constexpr std::int32_t kStep = 1024;
}

std::uint32_t volumeWord(std::int32_t level0, std::int32_t level1) {
    // Entry 0 minus one in the high half, entry 1 minus one in the low half.
    return (static_cast<std::uint32_t>(level0 - 1) << 16) + static_cast<std::uint32_t>(level1 - 1);
}

void ApplyVolume(App& app) {
    AppState& s = app.state;
    if (s.SWVOL == 2) return;
    CDOKE& w = cdoke(app);
    // The word always follows the levels: a word never computed (no level read from the
    // settings) would otherwise silence the drive.
    s.VolumeWord = volumeWord(s.VolumeLevel[0], s.VolumeLevel[1]);
    for (std::size_t i = 0; i < 2; ++i)
        w.VOLD[i].setCaption(" " + std::to_string(s.VolumeLevel[i] / kStep - 1));
    w.MMControl1.setVolumeWord(s.VolumeWord);
}

namespace {
void afterStep(App& app, int channel) {
    AppState& s = app.state;
    if (s.SWVOL == 1) {
        auto c = static_cast<std::size_t>(channel);
        s.VolumeLevel[0] = s.VolumeLevel[c];
        s.VolumeLevel[1] = s.VolumeLevel[c];
    }
    s.VolumeWord = volumeWord(s.VolumeLevel[0], s.VolumeLevel[1]);
    ApplyVolume(app);
}
}  // namespace

void StepVolumeUp(App& app, int channel) {
    auto c = static_cast<std::size_t>(channel);
    if (app.state.VolumeLevel[c] < 64513) app.state.VolumeLevel[c] += kStep;
    afterStep(app, channel);
}

void CDOKE::VOLS_SpinUp(int index) {
    auto c = static_cast<std::size_t>(index);
    if (app.state.VolumeLevel[c] > 64512) {
        app.PlayErrorCue();
        return;
    }
    app.state.VolumeLevel[c] += kStep;
    afterStep(app, index);
}

void CDOKE::VOLS_SpinDown(int index) {
    auto c = static_cast<std::size_t>(index);
    if (app.state.VolumeLevel[c] < 1025) {
        app.PlayErrorCue();
        return;
    }
    app.state.VolumeLevel[c] -= kStep;
    afterStep(app, index);
}

void CDOKE::MUTE_Click() {
    app.PlayOkCue();
    if (MUTE.foreColor() == ui::kBlack) {
        MUTE.setForeColor(ui::kRed);
        MMControl1.setSilent(true);
    } else {
        MUTE.setForeColor(ui::kBlack);
        MMControl1.setSilent(false);
    }
}

}  // namespace lirafok
