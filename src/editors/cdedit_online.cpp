// The lyrics editor's online entries: a track's lyrics from LRCLIB into the editor (synced
// lyrics become the lines and their times, plain lyrics untimed lines), saved only by the
// editor's save; and the user's own timed lyrics offered for publishing in CDSEND, which
// shows exactly what would be sent before anything is.
#include <sstream>
#include <utility>

#include "catalogue/online_titles.h"
#include "catalogue/title_text.h"
#include "common/app.h"
#include "common/online_use.h"
#include "core/text.h"
#include "editors/cdedit.h"
#include "editors/cdsend.h"
#include "lyrics/lrc_file.h"

namespace lirafok {

namespace {

const char* const kTitle = "歌詞のオンライン検索";

// The track of the editor's file: every lyrics file name ends in the track as two digits.
int editorTrack(const AppState& s) {
    const std::size_t chars = text::charLength(s.EditorLyricsPath);
    const int t = chars >= 2 ? text::val(text::mid(s.EditorLyricsPath, chars - 1, 2)) : 0;
    return t >= 1 && t <= s.TrackCount && t < kTrackSlots ? t : 0;
}

// The lines of a server's text (LF or CR LF), each made fit for a lyrics file.
std::vector<std::string> fittedLines(const std::string& text, OnlineTextNotes& notes) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(fitOnlineLyricLine(line, notes));
    }
    while (!lines.empty() && lines.back().empty()) lines.pop_back();
    return lines;
}

}  // namespace

CDEDIT::~CDEDIT() {
    if (m_autoLookup) app.svc.scheduler.cancel(m_autoLookup);
    if (m_lyricsLookup) app.online().cancel(m_lyricsLookup);
}

std::optional<ui::LyricsQuery> CDEDIT::lyricsQuery() const {
    const AppState& s = app.state;
    const int track = editorTrack(s);
    if (track == 0) return std::nullopt;
    const auto t = static_cast<std::size_t>(track);
    ui::LyricsQuery q;
    q.track = s.SongName[t];
    q.artist = s.HasSongArtists == 1 && !s.SongArtist[t].empty() ? s.SongArtist[t] : s.DiscArtist;
    q.album = titleText(s.DiscTitle);
    q.durationSec = (s.TrackLengthMs[t] + 500) / 1000;
    if (q.track.empty()) return std::nullopt;
    return q;
}

void CDEDIT::NET_GET_Click() {
    if (m_lyricsLookup) {
        stopLyricsLookup();
        return;
    }
    if (!lyricsQuery()) {
        app.PlayErrorCue();
        app.msgBox("この曲の曲名が登録されていません。\n先にＣＤデータ登録で曲名を入れてください。",
                   ui::mb::kOkOnly + ui::mb::kExclamation, kTitle);
        return;
    }
    if (!OnlineAllowed(app)) return;
    startLyricsLookup(true);
}

void CDEDIT::startLyricsLookup(bool byUser) {
    const std::optional<ui::LyricsQuery> q = lyricsQuery();
    if (!q) return;
    NET_GET.setCaption("歌詞の検索を中止(&S)");
    setCaption(m_plainCaption + "　［歌詞を検索中…］");
    m_lyricsLookup = app.online().lookupLyrics(
        ServersOf(LoadOnlineSettings(app)), *q,
        [this, byUser](ui::LyricsResult r) { lyricsDone(std::move(r), byUser); });
}

void CDEDIT::stopLyricsLookup() {
    if (m_autoLookup) app.svc.scheduler.cancel(m_autoLookup);
    m_autoLookup = 0;
    if (m_lyricsLookup) app.online().cancel(m_lyricsLookup);
    m_lyricsLookup = 0;
    NET_GET.setCaption(kNetGetCaption);
    setCaption(m_plainCaption);
}

void CDEDIT::lyricsDone(ui::LyricsResult r, bool byUser) {
    m_lyricsLookup = 0;
    NET_GET.setCaption(kNetGetCaption);
    setCaption(m_plainCaption);
    if (!loaded()) return;
    auto tell = [this, byUser](const std::string& why, const std::string& note) {
        setCaption(m_plainCaption + "　［" + note + "］");
        if (!byUser) return;
        app.PlayErrorCue();
        app.msgBox(why, ui::mb::kOkOnly + ui::mb::kInformation, kTitle);
    };
    if (r.outcome.status != ui::OnlineStatus::Found) {
        return tell(onlineMessage(r.outcome), onlineShortMessage(r.outcome));
    }
    if (r.synced.empty() && r.plain.empty())
        return tell(r.instrumental ? "この曲は歌のない曲（インストゥルメンタル）として登録されて"
                                     "います。\n歌詞は変わりません。"
                                   : "この曲の歌詞は登録されていません。",
                    "歌詞はありません");

    OnlineTextNotes notes;
    LrcLyrics lyrics;
    const bool synced = !r.synced.empty();
    if (synced) {
        std::string fitted;
        for (const std::string& line : fittedLines(r.synced, notes)) fitted += line + "\n";
        const LrcImport in = parseLrc(fitted);
        if (!in.ok) {
            app.PlayErrorCue();
            app.msgBox(in.error, ui::mb::kOkOnly + ui::mb::kExclamation, kTitle);
            return;
        }
        lyrics = in.lyrics;
        // LRCLIB writes a blank after each time tag ("[00:17.12] text"); it is no lyric.
        for (std::string& line : lyrics.lines)
            if (!line.empty() && line.front() == ' ') line.erase(0, 1);
    } else {
        // Plain lyrics are taken line by line as they are: a line like "[Chorus]" is lyric
        // text here, not an LRC tag.
        for (std::string& line : fittedLines(r.plain, notes)) {
            if (static_cast<int>(lyrics.lines.size()) >= kLyricSlots) break;
            lyrics.lines.push_back(std::move(line));
            lyrics.times.push_back(kNoTiming);
            lyrics.pages.push_back(0);
        }
    }
    if (!EDTEXT.text().empty() &&
        app.msgBox("今の歌詞を、LRCLIB の歌詞で置き換えますか？",
                   ui::mb::kYesNo + ui::mb::kQuestion, kTitle) != ui::mb::kYes)
        return;
    const EditorForm form = lrcToEditor(lyrics);
    EDTEXT.setText(form.text);
    EditorLyricTimes = form.times;
    EditorPageFlags = form.pageFlags;
    m_imported = true;
    app.PlayOkCue();
    const std::string kind = synced ? "時刻つき" : "時刻なし";
    setCaption(m_plainCaption + "　［LRCLIB の歌詞（" + kind + "）・未保存］");
    const std::string notesText = onlineNotesText(notes);
    if (byUser || !notesText.empty())
        app.msgBox("LRCLIB の歌詞（" + kind + "、" + std::to_string(lyrics.lines.size()) +
                       " 行）を入れました。\n確かめてから保存してください。" +
                       (notesText.empty() ? "" : "\n" + notesText),
                   ui::mb::kOkOnly + ui::mb::kInformation, kTitle);
}

std::optional<ui::PublishRequest> CDEDIT::publishRequest(std::string* why) const {
    const std::optional<ui::LyricsQuery> q = lyricsQuery();
    if (!q) {
        if (why) *why = "この曲の曲名が登録されていません。";
        return std::nullopt;
    }
    const LrcLyrics lyrics =
        lrcFromEditor(checkedFontSize(), EDTEXT.text(), EditorLyricTimes, EditorPageFlags);
    ui::PublishRequest r{q->track, q->artist, q->album, q->durationSec, {}, {}};
    std::size_t plainEnd = 0;
    for (std::size_t i = 0; i < lyrics.lines.size(); ++i) {
        if (i > 0) r.plain += '\n';
        r.plain += lyrics.lines[i];
        if (!lyrics.lines[i].empty()) plainEnd = r.plain.size();
        if (i >= lyrics.times.size() || lyrics.times[i] == kNoTiming) continue;
        if (!r.synced.empty()) r.synced += '\n';
        r.synced += formatLrcTime(lyrics.times[i]);
        r.synced += ' ';
        r.synced += lyrics.lines[i];
    }
    r.plain.resize(plainEnd);
    if (r.synced.empty()) {
        if (why) *why = "時刻のついた行がありません。\n先にタイミングを設定してください。";
        return std::nullopt;
    }
    return r;
}

void CDEDIT::NET_PUB_Click() {
    std::string why;
    if (!publishRequest(&why)) {
        app.PlayErrorCue();
        app.msgBox(why, ui::mb::kOkOnly + ui::mb::kExclamation, "歌詞の公開");
        return;
    }
    if (!OnlineAllowed(app)) return;
    app.PlayOkCue();
    app.show<CDSEND>();
}

}  // namespace lirafok
