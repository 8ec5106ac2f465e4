// The main window's keyboard: the transport without the mouse.
#include "player/cdcdg.h"
#include "player/cdkara.h"
#include "player/cdkey.h"
#include "player/cdoke.h"

#include "common/app.h"
#include "player/player_transport.h"
#include "ui/form.h"

namespace lirafok {

namespace {
// How far one press of Left or Right moves inside the track.
constexpr std::int32_t kArrowSeekMs = 5000;
}  // namespace

bool CDOKE::Form_KeyDown(int keyCode, int shift) {
    if (shift == ui::key::kCtrlMask && keyCode == 'O') {
        openDisc();
        return true;
    }
    // The key also with Ctrl (and with the Shift that "+" may need): on the karaoke screen
    // "+" and "-" alone move the lyric.
    if ((shift & ~ui::key::kShiftMask) == ui::key::kCtrlMask &&
        (keyCode == ui::key::kPlus || keyCode == ui::key::kMinus)) {
        if (keyCode == ui::key::kPlus)
            keyTempo.keyUp();
        else
            keyTempo.keyDown();
        return true;
    }
    if (shift & (ui::key::kCtrlMask | ui::key::kAltMask)) return false;
    PlayerTransport transport(app);
    switch (keyCode) {
        // Key, tempo and the guide vocal.
        case ui::key::kPlus:
            keyTempo.keyUp();
            return true;
        case ui::key::kMinus:
            keyTempo.keyDown();
            return true;
        case ui::key::kBracketRight:
            keyTempo.tempoUp();
            return true;
        case ui::key::kBracketLeft:
            keyTempo.tempoDown();
            return true;
        case '0':
            keyTempo.reset();
            return true;
        case 'V':
            keyTempo.nextVoice();
            return true;
        case 'T':
            ShowKeyTempoWindow(app);
            return true;
        case ui::key::kF11:
            // The CD+G window, for a disc that may carry graphics.
            return ShowCdgWindow(app);
        case 'K':
            ShowKaraokeWindow(app);
            return true;
        case ui::key::kSpace:
        case ui::key::kMediaPlayPause:
            transport.playPause();
            return true;
        case ui::key::kMediaPlay:
            transport.play();
            return true;
        case ui::key::kMediaPause:
            transport.pause();
            return true;
        case ui::key::kMediaStop:
            transport.stop();
            return true;
        case ui::key::kDown:
        case ui::key::kMediaNext:
            transport.next();
            return true;
        case ui::key::kUp:
        case ui::key::kMediaPrevious:
            transport.previous();
            return true;
        case ui::key::kLeft:
            transport.seekBy(-kArrowSeekMs);
            return true;
        case ui::key::kRight:
            transport.seekBy(kArrowSeekMs);
            return true;
        default:
            return false;
    }
}

std::vector<ui::ContextEntry> CDOKE::contextMenu() {
    return {{"ディスクを開く…\tCtrl+O", [this] { openDisc(); }},
            {"カラオケ画面\tK", [this] { ShowKaraokeWindow(app); }},
            {"キーとテンポ…\tT", [this] { ShowKeyTempoWindow(app); }},
            {"原曲のキーとテンポに戻す\t0", [this] { keyTempo.reset(); }}};
}

void CDOKE::showKeyTempo(const std::string& text) {
    const bool reduced = app.state.ReducedLayout == 1;
    KEYTEMPO.setCaption(text);
    KEYTEMPO.setVisible(!text.empty() && !reduced);
    // The remote-control layout has no room for the indicator: the caption carries it, short
    // enough for the narrow title bar to show the key and the tempo.
    std::string caption = "LIRAFOK";
    if (reduced && !text.empty()) {
        caption.clear();
        const std::size_t from = text.rfind("KEY ", 0) == 0 ? 4 : 0;  // "+2 90%" is "KEY +2 · 90%"
        for (std::size_t i = from; i < text.size(); ++i) {
            if (text.compare(i, 4, " · ") == 0) {  // the middle dot is two bytes
                caption += ' ';
                i += 3;
            } else {
                caption += text[i] == '\n' ? ' ' : text[i];
            }
        }
    }
    if (this->caption() != caption) setCaption(caption);
}

void CDOKE::openDisc() {
    // An audio file picked stands for its folder: the folder of audio files is the disc.
    const auto picked = app.svc.dialogs.openFileDialog(
        "ディスクを開く",
        "CD イメージ・CUE シート (*.cue *.CUE *.nrg *.toc);;"
        "音声ファイル（そのフォルダーをディスクに） (*.flac *.wav *.ogg *.opus *.mp3 *.aiff *.wv)");
    if (!picked) return;
    std::string path = *picked;
    const auto dot = path.rfind('.');
    const std::string ext = dot == std::string::npos ? "" : path.substr(dot);
    const bool sheet = ext == ".cue" || ext == ".CUE" || ext == ".nrg" || ext == ".toc";
    if (!sheet && path.find('/') != std::string::npos) path.resize(path.rfind('/'));
    std::string error;
    if (app.svc.drives.loadIntoVirtualDrive(path, &error)) {
        app.PlayOkCue();
        return;
    }
    app.PlayErrorCue();
    app.msgBox(error, ui::mb::kOkOnly + ui::mb::kExclamation, "LIRAFOK");
}

}  // namespace lirafok
