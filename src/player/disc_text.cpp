// Titles the disc carries itself (CD-TEXT, a rip's CUE sheet) for a disc the catalogue does
// not know: shown on the main window and offered by the registration window, which starts
// from the shared record. Nothing is stored until the user saves the record there.
#include <algorithm>
#include <string>

#include "catalogue/catalogue_file.h"
#include "common/app.h"
#include "core/text.h"
#include "device/cd_audio_device.h"
#include "player/cdoke.h"
#include "player/disc_display.h"
#include "player/layout.h"

namespace lirafok {

namespace {

// The longest start of `s` (whole characters) that fits `bytes` code-page bytes; the rest
// goes to `rest`.
std::string fitBytes(const std::string& s, std::size_t bytes, std::string* rest) {
    std::size_t chars = text::charLength(s), n = 0;
    while (n < chars && text::byteLength(text::left(s, n + 1)) <= bytes) ++n;
    if (rest) *rest = text::mid(s, n + 1);
    return text::left(s, n);
}

}  // namespace

std::string discTextTitle(const std::string& title) {
    std::string rest, ignored;
    const std::string first = fitBytes(title, kTitleHalfBytes, &rest);
    // A blank at the cut would start the second line.
    while (!rest.empty() && rest.front() == ' ') rest.erase(0, 1);
    return buildTitle(first, fitBytes(rest, kTitleHalfBytes, &ignored));
}

namespace {

bool anyText(const device::DiscText& t, std::size_t tracks) {
    bool any = !t.title.empty() || !t.performer.empty();
    for (std::size_t n = 0; n < tracks && !any; ++n)
        any = (n < t.trackTitles.size() && !t.trackTitles[n].empty()) ||
              (n < t.trackPerformers.size() && !t.trackPerformers[n].empty());
    return any;
}

std::size_t trackSlots(const AppState& s) {
    return static_cast<std::size_t>(std::clamp(s.TrackCount, 0, kMaxTracks));
}

}  // namespace

bool DiscCarriesText(App& app) {
    device::CdAudioDevice* device = app.currentDevice();
    return device && anyText(device->discText(), trackSlots(app.state));
}

bool CompactLayoutWanted(const App& app) {
    return app.state.DiscUnregistered == 1 && app.state.DiscTextShown == 0;
}

bool ApplyDiscText(App& app) {
    device::CdAudioDevice* device = app.currentDevice();
    return device && ApplyDiscText(app, device->discText());
}

bool ApplyDiscText(App& app, const device::DiscText& t) {
    AppState& s = app.state;
    if (s.DiscUnregistered != 1) return false;
    const std::size_t tracks = trackSlots(s);
    auto track = [](const std::vector<std::string>& v, std::size_t n) {
        return n < v.size() ? v[n] : std::string();
    };
    if (!anyText(t, tracks)) return false;
    // One artist for the disc unless the tracks name different ones.
    std::string discArtist = t.performer;
    bool perSong = false;
    for (std::size_t n = 0; n < tracks; ++n) {
        const std::string p = track(t.trackPerformers, n);
        if (discArtist.empty()) discArtist = p;
        if (!p.empty() && p != discArtist) perSong = true;
    }
    s.DiscTitle = discTextTitle(t.title);
    for (std::size_t n = 0; n < tracks; ++n) {
        s.SongName[n + 1] = track(t.trackTitles, n);
        const std::string p = track(t.trackPerformers, n);
        s.SongArtist[n + 1] = perSong ? (p.empty() ? t.performer : p) : std::string();
    }
    s.HasSongArtists = perSong ? 1 : 0;
    s.DiscArtist = perSong ? std::string() : discArtist;

    CDOKE& w = cdoke(app);
    w.TITLE[0].setCaption(titleLine(s.DiscTitle, 0));
    w.TITLE[1].setCaption(titleLine(s.DiscTitle, 1));
    ArrangeTitlePanels(app);
    if (perSong)
        w.ART.setCaption("");
    else
        FitArtistFont(app, s.DiscArtist + " ");
    return true;
}

}  // namespace lirafok
