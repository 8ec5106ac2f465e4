#include "catalogue/catalogue_routines.h"

#include "catalogue/catalogue_file.h"
#include "player/cdoke.h"
#include "player/layout.h"
#include "player/player_hooks.h"
#include "windows/app.h"

namespace lirafok {

void FitArtistFont(App& app, const std::string& caption) {
    CDOKE& w = app.cdoke();
    w.ART.setCaption(caption);
    w.ART.setFontSize(fitArtistFontSize(caption));
}

void LookupDisc(App& app) {
    AppState& s = app.state;
    CDOKE& w = app.cdoke();
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
    s.DiscFontSet = 0;

    CatalogueLookup found = lookupDisc(catalogueFilePath(s.KASID), s.DiscKey);
    if (found.opened) {
        const CatalogueRecord& r = found.record;
        s.DiscUnregistered = r.found ? 0 : 1;
        if (r.found) {
            s.DiscTitle = r.title;
            s.DiscArtist = r.artist;
            s.DiscFontSet = r.fontSet;
            s.HasSongArtists = r.hasSongArtists ? 1 : 0;
            for (std::size_t n = 0; n < kTrackSlots; ++n) {
                s.SongName[n] = r.songName[n];
                s.SongArtist[n] = r.songArtist[n];
                if (!r.songNumberText[n].empty()) s.SongNumberText[n] = r.songNumberText[n];
            }
        }
        // A full layout built for the other record status is rebuilt in place.
        if (s.ReducedLayout == 0 && s.LayoutBuiltUnregistered != -1 &&
            s.LayoutBuiltUnregistered != s.DiscUnregistered) {
            if (w.left() <= app.svc.screen.widthTwips()) s.FullPos.left = w.left();
            if (w.top() <= app.svc.screen.heightTwips()) s.FullPos.top = w.top();
            s.ReducedLayout = 1;
            hooks(app).ToggleLayout(app);
        }
        w.TITLE[0].setCaption(titleLine(s.DiscTitle, 0));
        w.TITLE[1].setCaption(titleLine(s.DiscTitle, 1));
        ArrangeTitlePanels(app);
        if (s.HasSongArtists == 1)
            w.ART.setCaption("");
        else
            FitArtistFont(app, s.DiscArtist + " ");
    }
    s.CurrentFontSet = s.DiscFontSet;
    hooks(app).ShowDiscFonts(app);
}

}  // namespace lirafok
