// The lyrics editor's word-timed entries: readings (furigana) over the selected characters,
// kept in the lyric's syllable side file; word-timed lyrics with readings from enhanced LRC or
// karaoke time-tag files, and the editor's lyric out to both.
#include <string>
#include <vector>

#include "catalogue/title_text.h"
#include "common/app.h"
#include "core/text.h"
#include "editors/cdedit.h"
#include "lyrics/karaoke_tags.h"
#include "lyrics/syllable_file.h"
#include "player/cdkara.h"
#include "ui/services.h"

namespace lirafok {

namespace {

const char* const kTitle = "歌詞編集";

std::vector<std::string> editorLines(const std::string& text) {
    std::vector<std::string> out;
    std::size_t from = 0;
    for (std::size_t at; (at = text.find('\n', from)) != std::string::npos; from = at + 1) {
        std::string line = text.substr(from, at - from);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        out.push_back(std::move(line));
    }
    if (from < text.size()) out.push_back(text.substr(from));
    return out;
}

// The editor's lyric with its syllables and readings, for the exports.
KaraokeLyric lyricOf(const CDEDIT& w, const SyllableTrack& syllables) {
    KaraokeLyric k;
    const auto lines = editorLines(w.EDTEXT.text());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const SyllableLine* s = syllables.find(i);
        k.lines.push_back(s ? *s : SyllableLine{lines[i], {}, {}});
        k.times.push_back(i < static_cast<std::size_t>(kLyricSlots) ? w.EditorLyricTimes[i]
                                                                    : kNoTiming);
    }
    const AppState& st = w.app.state;
    const std::size_t chars = text::charLength(st.EditorLyricsPath);
    const int track = chars >= 2 ? text::val(text::mid(st.EditorLyricsPath, chars - 1, 2)) : 0;
    if (track >= 1 && track < kTrackSlots) {
        k.title = st.SongName[static_cast<std::size_t>(track)];
        k.artist =
            st.HasSongArtists == 1 ? st.SongArtist[static_cast<std::size_t>(track)] : st.DiscArtist;
    }
    return k;
}

}  // namespace

void CDEDIT::loadSyllables() {
    const SyllableFile side = readSyllableFile(syllableFilePath(app.state.EditorLyricsPath));
    m_syllables = side.ok ? side.track : SyllableTrack{};
    m_sideUnknown = side.ok ? side.unknown : std::vector<std::string>{};
    m_loadedSyllables = currentSyllables();
}

SyllableTrack CDEDIT::currentSyllables() const {
    SyllableTrack t = m_syllables;
    anchorToLyric(t, editorLines(EDTEXT.text()));
    return t;
}

bool CDEDIT::saveSyllables() {
    const SyllableTrack now = currentSyllables();
    if (now == m_loadedSyllables) return true;
    const std::string path = syllableFilePath(app.state.EditorLyricsPath);
    if (!writeSyllableFile(path, now, m_sideUnknown)) {
        app.PlayErrorCue();
        app.msgBox("ふりがなと文字のタイミングを保存できません（" + path + "）");
        return false;
    }
    m_loadedSyllables = now;
    ReloadKaraoke(app);
    return true;
}

bool CDEDIT::selectionInLine(std::size_t& line, std::size_t& first, std::size_t& length) {
    const std::string& t = EDTEXT.text();
    const auto start = static_cast<std::size_t>(std::max(0, EDTEXT.selStart()));
    length = static_cast<std::size_t>(std::max(0, EDTEXT.selLength()));
    line = 0;
    first = 0;
    std::size_t cp = 0;
    bool ok = length > 0;
    for (std::size_t i = 0; i < t.size() && cp < start + length;) {
        const auto b = static_cast<unsigned char>(t[i]);
        const std::size_t n = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
        if (cp < start) {
            if (t[i] == '\n') {
                ++line;
                first = 0;
            } else if (t[i] != '\r') {
                ++first;
            }
        } else if (t[i] == '\n' || t[i] == '\r') {
            ok = false;  // the selection runs over the end of its line
        }
        i += n;
        ++cp;
    }
    if (!ok) {
        app.PlayErrorCue();
        app.msgBox("ふりがなを付ける文字を、1 行の中で選んでください。", ui::mb::kOkOnly, kTitle);
    }
    return ok;
}

void CDEDIT::RUBY_SET_Click() {
    std::size_t line, first, length;
    if (!selectionInLine(line, first, length)) return;
    m_syllables = currentSyllables();
    const auto lines = editorLines(EDTEXT.text());
    SyllableLine& l = m_syllables.at(line);
    if (l.text.empty()) l.text = line < lines.size() ? lines[line] : "";
    std::string preset;
    for (const Ruby& r : l.rubies)
        if (r.first == first && r.length == length) preset = r.reading;
    const std::string base = text::mid(l.text, first + 1, static_cast<long>(length));
    const auto reading =
        app.svc.dialogs.inputBox("「" + base + "」の読みを入力して下さい", "ふりがな", preset);
    if (!reading) return;
    setRuby(l, first, length, *reading);
    if (l.empty()) l.text.clear();
}

void CDEDIT::RUBY_DEL_Click() {
    std::size_t line, first, length;
    if (!selectionInLine(line, first, length)) return;
    m_syllables = currentSyllables();
    if (SyllableLine* l = line < m_syllables.lines.size() ? &m_syllables.lines[line] : nullptr) {
        setRuby(*l, first, length, "");
        if (l->empty()) l->text.clear();
    }
}

void CDEDIT::KARA_IN_Click() {
    const std::optional<std::string> path = app.svc.dialogs.openFileDialog(
        "文字ごとの時刻付き歌詞を読み込む",
        "文字ごとの時刻付き歌詞 (*.lrc *.txt *.kra);;すべてのファイル (*)");
    if (!path) return;
    const KaraokeImport in = readKaraokeFile(*path);
    if (!in.ok) {
        app.PlayErrorCue();
        app.msgBox(in.error, ui::mb::kOkOnly + ui::mb::kExclamation, kTitle);
        return;
    }
    std::string text;
    SyllableTrack track;
    track.offsetMs = m_syllables.offsetMs;
    EditorLyricTimes.fill(kNoTiming);
    EditorPageFlags.fill(0);
    for (std::size_t i = 0; i < in.lyric.lines.size(); ++i) {
        const SyllableLine& l = in.lyric.lines[i];
        text += l.text + "\r\n";
        if (i < static_cast<std::size_t>(kTimedLyricLines)) EditorLyricTimes[i] = in.lyric.times[i];
        if (!l.empty()) track.at(i) = l;
    }
    EDTEXT.setText(text);
    m_syllables = std::move(track);
    m_imported = true;
    app.PlayOkCue();
    if (!in.dropped.empty())
        app.msgBox(droppedMessage(in.dropped), ui::mb::kOkOnly + ui::mb::kInformation, kTitle);
}

void CDEDIT::ELRC_OUT_Click() {
    const auto path =
        app.svc.dialogs.saveFileDialog("拡張LRCに書き出す", "LRCファイル (*.lrc)", "karaoke.lrc");
    if (!path) return;
    if (!writeEnhancedLrcFile(*path, lyricOf(*this, currentSyllables()))) {
        app.PlayErrorCue();
        app.msgBox("ファイルを書き込めません", ui::mb::kOkOnly + ui::mb::kExclamation, kTitle);
        return;
    }
    app.PlayOkCue();
}

void CDEDIT::TAGS_OUT_Click() {
    const auto path = app.svc.dialogs.saveFileDialog("カラオケタグで書き出す",
                                                     "カラオケタグ付き歌詞 (*.txt)", "karaoke.txt");
    if (!path) return;
    if (!writeTimeTagFile(*path, lyricOf(*this, currentSyllables()))) {
        app.PlayErrorCue();
        app.msgBox("ファイルを書き込めません", ui::mb::kOkOnly + ui::mb::kExclamation, kTitle);
        return;
    }
    app.PlayOkCue();
}

}  // namespace lirafok
