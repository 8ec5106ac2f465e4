// The timing setter's word mode: a tap per syllable, the split edited, pauses marked, the
// result tried on the karaoke screen and kept in the lyric's syllable side file.
#include <algorithm>
#include <string>

#include "common/app.h"
#include "core/text.h"
#include "editors/cdset.h"
#include "editors/cdset_time.h"
#include "editors/cdset_words.h"
#include "lyrics/lyrics_file.h"
#include "lyrics/syllable_file.h"
#include "player/cdkara.h"
#include "player/cdoke.h"

namespace lirafok {

namespace {

std::vector<std::string> rawLyricLines(const std::string& path, int count) {
    const EditorLyrics e = readEditorLyrics(path);
    std::vector<std::string> out;
    std::size_t from = 0;
    for (std::size_t at; (at = e.text.find("\r\n", from)) != std::string::npos; from = at + 2)
        out.push_back(e.text.substr(from, at - from));
    // The setter keeps one blank line after the last sung one; so do the syllables.
    out.resize(static_cast<std::size_t>(std::max(0, count)));
    return out;
}

}  // namespace

CDSET::~CDSET() = default;

void CDSET::WORD_Click() {
    if (app.state.Lyrics.count == 0) {
        app.PlayErrorCue();
        app.msgBox("取消を行って下さい");
        return;
    }
    if (!m_words) {
        const std::string& path = app.state.SetterLyricsPath;
        const SyllableFile side = readSyllableFile(syllableFilePath(path));
        m_words = std::make_unique<SetterWords>(rawLyricLines(path, app.state.Lyrics.count),
                                                side.ok ? side.track : SyllableTrack{});
    }
    m_wordOn = !m_wordOn;
    m_words->resetCursor();
    WORD.setForeColor(m_wordOn ? ui::kRed : ui::kBlack);
    for (ui::Button* b : {&SPLIT, &JOIN, &ENDX}) b->setEnabled(m_wordOn);
    app.PlayOkCue();
    showRows();
}

void CDSET::wordTap(std::int32_t time) {
    AppState& s = app.state;
    const int n = s.NextLyricLine;
    const SetterWords::Tap r = m_words->tap(n, time);
    if (r.lineTime) s.Lyrics.times[static_cast<std::size_t>(n)] = time;
    if (r.lineDone) ++s.NextLyricLine;
    showRows();
}

void CDSET::ENDX_Click() {
    if (!wordMode() || SetterRecording != 1) {
        app.PlayErrorCue();
        return;
    }
    const std::int32_t time = cdoke(app).MMControl1.Position() -
                              app.state.TrackStartMs[static_cast<std::size_t>(EditTrack)];
    if (!m_words->markEnd(app.state.NextLyricLine, time)) app.PlayErrorCue();
    showRows();
}

void CDSET::SPLIT_Click() {
    if (!wordMode() || !m_words->split(app.state.NextLyricLine)) {
        app.PlayErrorCue();
        return;
    }
    showRows();
}

void CDSET::JOIN_Click() {
    if (!wordMode() || !m_words->join(app.state.NextLyricLine)) {
        app.PlayErrorCue();
        return;
    }
    showRows();
}

void CDSET::showWordRows() {
    const LyricTables& t = app.state.Lyrics;
    const int n = app.state.NextLyricLine;
    if (n - 1 >= 0 && n - 1 < t.count) KASI[4].setCaption(m_words->caption(n - 1, false));
    if (n >= t.count) {
        INFO.setCaption("すべての行と文字のタイミングを設定しました。");
        return;
    }
    KASI[5].setCaption(m_words->caption(n, true));
    const auto& u = m_words->units(n);
    if (u.empty()) {
        INFO.setCaption("空行：前の行を歌い終えたところで「設 定」(Space) を押します。");
        return;
    }
    const std::size_t k = std::min(m_words->cursor(), u.size() - 1);
    const Syllable& s = u[k];
    std::string info = "文字単位：【" + s.text + "】を歌い出すところで「設 定」(Space)　" +
                       std::to_string(k + 1) + "/" + std::to_string(u.size());
    if (s.start != kNoTiming) info += "　設定済み " + TIME_SETWK(s.start);
    INFO.setCaption(info);
}

void CDSET::startKaraokeTest() {
    const AppState& s = app.state;
    KaraokeLyricInput in;
    in.lines = m_words->rawLines();
    in.times.assign(s.Lyrics.times.begin(),
                    s.Lyrics.times.begin() + static_cast<long>(in.lines.size()));
    in.syllables = m_words->track();
    if (EditTrack >= 1 && EditTrack < kTrackSlots) {
        const auto t = static_cast<std::size_t>(EditTrack);
        in.title = s.SongName[t];
        in.artist = s.HasSongArtists == 1 ? s.SongArtist[t] : s.DiscArtist;
    }
    app.form<CDKARA>().playTest(std::move(in), EditTrack);
}

bool CDSET::refusedForDisorder() {
    if (!m_words) return false;
    const int line = m_words->firstDisorder();
    if (line < 0) return false;
    app.PlayErrorCue();
    app.msgBox("文字のタイミングが逆転しています");
    moveCursorTo(line);
    return true;
}

bool CDSET::saveWords() {
    if (!m_words) return true;
    const std::string path = syllableFilePath(app.state.SetterLyricsPath);
    // Lines of the side file this program does not know stay as they were; so do readings
    // and the offset of lines the setter did not touch.
    const SyllableFile side = readSyllableFile(path);
    if (!writeSyllableFile(path, m_words->track(),
                           side.ok ? side.unknown : std::vector<std::string>{})) {
        app.PlayErrorCue();
        app.msgBox("文字のタイミングを保存できません（" + path + "）", 0, kName);
        return false;
    }
    ReloadKaraoke(app);
    return true;
}

void EndKaraokeTest(App& app) {
    if (CDKARA* k = app.loaded<CDKARA>()) k->endTest();
}

}  // namespace lirafok
