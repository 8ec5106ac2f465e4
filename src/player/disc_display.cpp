#include "player/disc_display.h"

#include "catalogue/catalogue_file.h"
#include "core/text.h"
#include "player/cdkasif.h"
#include "player/cdkasif2.h"
#include "player/cdoke.h"
#include "player/font_routines.h"
#include "player/lyrics_display.h"
#include "player/layout.h"
#include "player/player_routines.h"
#include "common/app.h"

namespace lirafok {

// Windows of the folders above this one, shown and closed by their class.
class CDDATA;

void FitArtistFont(App& app, const std::string& caption) {
    CDOKE& w = cdoke(app);
    w.ART.setCaption(caption);
    w.ART.setFontSize(fitArtistFontSize(caption));
}

namespace {

// Title panels, their arrangement and the artist panel from the catalogue state.
void showRecord(App& app) {
    AppState& s = app.state;
    CDOKE& w = cdoke(app);
    w.TITLE[0].setCaption(titleLine(s.DiscTitle, 0));
    w.TITLE[1].setCaption(titleLine(s.DiscTitle, 1));
    ArrangeTitlePanels(app);
    if (s.HasSongArtists == 1)
        w.ART.setCaption("");
    else
        FitArtistFont(app, s.DiscArtist + " ");
}

// Reads the disc's record into the catalogue state; false when the catalogue cannot be read.
bool readRecord(App& app, bool updateSongNumbers) {
    AppState& s = app.state;
    CatalogueLookup found = lookupDisc(catalogueFilePath(s.KASID), s.DiscKey, updateSongNumbers);
    if (!found.opened) return false;
    const CatalogueRecord& r = found.record;
    s.DiscUnregistered = r.found ? 0 : 1;
    if (!r.found) return true;
    s.DiscTitle = r.title;
    s.DiscArtist = r.artist;
    s.DiscFontSet = r.fontSet;
    s.HasSongArtists = r.hasSongArtists ? 1 : 0;
    for (std::size_t n = 0; n < kTrackSlots; ++n) {
        s.SongName[n] = r.songName[n];
        s.SongArtist[n] = r.songArtist[n];
        if (!r.songNumberText[n].empty()) s.SongNumberText[n] = r.songNumberText[n];
    }
    return true;
}

// Rebuilds the full layout in place for the disc's record status.
void rebuildFullLayout(App& app) {
    AppState& s = app.state;
    CDOKE& w = cdoke(app);
    if (w.left() <= app.svc.screen.widthTwips()) s.FullPos.left = w.left();
    if (w.top() <= app.svc.screen.heightTwips()) s.FullPos.top = w.top();
    s.ReducedLayout = 1;
    ToggleLayout(app);
}

}  // namespace

void LookupDisc(App& app) {
    AppState& s = app.state;
    s.DiscTitle.clear();
    s.DiscArtist.clear();
    s.HasSongArtists = 0;
    // Every slot is cleared, not only the first fifty: a disc without a record must not show
    // song names of the disc before it.
    for (std::size_t n = 1; n < kTrackSlots; ++n) {
        s.SongName[n].clear();
        s.SongArtist[n].clear();
    }
    s.DiscUnregistered = 1;
    s.DiscTextShown = 0;
    s.DiscFontSet = 0;

    const bool read = readRecord(app, true);
    // A disc without a record that names itself shows its titles in the full layout's panels.
    s.DiscTextShown = s.DiscUnregistered == 1 && DiscCarriesText(app) ? 1 : 0;
    // A full layout built for the other arrangement is rebuilt in place.
    const int compact = CompactLayoutWanted(app) ? 1 : 0;
    if (s.ReducedLayout == 0 && s.LayoutBuiltUnregistered != -1 &&
        s.LayoutBuiltUnregistered != compact)
        rebuildFullLayout(app);
    if (read) showRecord(app);
    ApplyDiscText(app);
    s.CurrentFontSet = s.DiscFontSet;
    ShowDiscFonts(app);
}

bool SaveDiscRecord(App& app, const DiscRecordEntry& entry) {
    AppState& s = app.state;
    CDOKE& w = cdoke(app);
    const int fontSet = entry.fontSet;
    const std::string title = buildTitle(entry.title1, entry.title2);
    const std::string artist = entry.perSongArtists ? std::string() : entry.artist;
    std::array<std::string, kTrackSlots> names = s.SongName, artists = s.SongArtist;
    for (int n = 1; n <= s.TrackCount; ++n) {
        names[static_cast<std::size_t>(n)] = entry.songName[static_cast<std::size_t>(n)];
        artists[static_cast<std::size_t>(n)] = entry.songArtist[static_cast<std::size_t>(n)];
    }
    // The file first: a catalogue that cannot be written leaves everything as it was, instead
    // of showing a record that is not stored.
    SaveResult saved = saveDiscRecord(s.KASID, s.DiscKey, s.TrackCount, title, artist, fontSet,
                                      names, artists, entry.perSongArtists);
    if (!saved.ok) {
        app.PlayErrorCue();
        app.msgBox(saved.error, ui::mb::kOkOnly + ui::mb::kExclamation, "ＣＤデータ登録");
        return false;
    }
    s.DiscFontSet = fontSet;
    s.DiscTitle = title;
    s.DiscArtist = artist;
    s.SongName = names;
    s.SongArtist = artists;

    w.TITLE[0].setCaption(titleLine(s.DiscTitle, 0));
    w.TITLE[1].setCaption(titleLine(s.DiscTitle, 1));
    ArrangeTitlePanels(app);
    // The song panel shows the current track's new name at once, not at the next track.
    const int shown = text::val(w.TRKNO.caption());
    if (shown >= 1 && shown <= s.TrackCount)
        w.KYOKU.setCaption(s.SongName[static_cast<std::size_t>(shown)]);
    RetitleLyricsWindows(app);
    if (!entry.perSongArtists) {
        FitArtistFont(app, s.DiscArtist + " ");
        s.HasSongArtists = 0;
    } else {
        int t = text::val(w.TRKNO.caption());
        if (t >= 1 && t <= s.TrackCount)
            FitArtistFont(app, s.SongArtist[static_cast<std::size_t>(t)]);
        else
            w.ART.setCaption("");
        s.HasSongArtists = 1;
    }
    if (s.DiscUnregistered == 1) {
        s.DiscUnregistered = 0;
        s.DiscTextShown = 0;
        if (s.ReducedLayout == 0) rebuildFullLayout(app);
    }
    RefreshTrackList(app);
    // The refilled list keeps the current track selected, as before the save.
    SelectTrackInList(app, text::val(w.TRKNO.caption()));
    app.unload<CDDATA>();
    return true;
}

bool ShowFoundTitles(App& app, const device::DiscText& titles) {
    AppState& s = app.state;
    if (s.DiscUnregistered != 1) return false;
    const std::int32_t wasShown = s.DiscTextShown;
    s.DiscTextShown = 1;
    if (!ApplyDiscText(app, titles)) {
        s.DiscTextShown = wasShown;
        return false;
    }
    // The compact layout of a disc without titles has no panels to show them in.
    if (s.ReducedLayout == 0 && s.LayoutBuiltUnregistered == 1) {
        rebuildFullLayout(app);
        ApplyDiscText(app, titles);
    }
    CDOKE& w = cdoke(app);
    const int shown = text::val(w.TRKNO.caption());
    if (shown >= 1 && shown <= s.TrackCount)
        w.KYOKU.setCaption(s.SongName[static_cast<std::size_t>(shown)]);
    RetitleLyricsWindows(app);
    RefreshTrackList(app);
    return true;
}

void RedisplayDisc(App& app) {
    AppState& s = app.state;
    CDOKE& w = cdoke(app);
    s.DiscTitle.clear();
    s.DiscArtist.clear();
    for (std::size_t n = 1; n < kTrackSlots; ++n) s.SongName[n].clear();
    s.DiscUnregistered = 1;
    // The track numbers as found in the file stay as the random or program order set them.
    bool keepNumbers = w.STATUS2.caption() == "RANDOM" || s.ProgramPlay != 0;
    if (readRecord(app, !keepNumbers) && s.DiscUnregistered == 0) showRecord(app);
    ApplyDiscText(app);
    if (!s.DiscKey.empty()) {
        w.Timer1.setTimerEnabled(false);
        w.Timer1.setInterval(0);
    }
    ApplyMainColours(app);
    auto style = [&s](ui::Control& c) {
        c.setFontBold(s.FBOLD != 0);
        c.setFontItalic(s.FITAL != 0);
    };
    if (app.isLoaded<CDKASIF>()) style(cdkasif(app).KASI);
    if (app.isLoaded<CDKASIF2>())
        for (ui::Panel& p : cdkasif2(app).KASI) style(p);
    if (s.HOZON != 1) {
        s.ReducedLayout = s.KIDOU == 1 ? 0 : 1;
    } else if (s.ReducedLayout == 1) {
        s.SkipPositionSave = 1;
        s.ReducedLayout = 0;
    } else {
        w.move(s.FullPos.left, s.FullPos.top, w.width(), w.height());
        s.ReducedLayout = 1;
    }
    ToggleLayout(app);
    w.TIMEDSP.setForeColor(s.TRKLE != 1 ? ui::kBlue : ui::kBlack);
    UpdateTimeDisplay(app);
    ShowTrackLyrics(app);
    RefreshTrackList(app);
    SelectTrackInList(app, text::val(w.TRKNO.caption()));
    s.CurrentFontSet = s.DiscFontSet;
    ShowDiscFonts(app);
}

}  // namespace lirafok
