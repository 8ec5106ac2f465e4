#include "device/real/disc_info.h"

#include <cstdio>

#include "core/text.h"
#include "device/real/cdio_source.h"
#include "device/real/disc_ids.h"
#include "device/real/virtual_drive.h"

namespace lirafok::device::real {

namespace {

// Text on one line: a line break inside a CD-TEXT or CUE title would start a new item.
std::string oneLine(std::string s) {
    for (char& c : s)
        if (c == '\r' || c == '\n') c = ' ';
    return s;
}

}  // namespace

std::optional<DiscImage> readDiscAt(const std::string& path, std::string* error) {
    if (!isDevicePath(path)) return readVirtualDisc(path, nullptr, error);
    std::string why;
    auto disc = readCdioDisc(path, false, &why);
    if (!disc && error) *error = path + " からディスクを読み込めません（" + why + "）";
    return disc;
}

std::string discInfoText(const DiscImage& disc) {
    std::string out;
    auto line = [&](const std::string& s) { out += s + "\n"; };
    line("tracks " + std::to_string(disc.toc.size()));
    line("start " + std::to_string(disc.startMs()));
    line("length " + std::to_string(disc.lengthMs()));
    line("key " + text::pad(disc.lengthMs(), 9));
    const auto tracks = disc.tracksMs();
    for (std::size_t i = 0; i < tracks.size(); ++i) {
        line("track " + text::pad(static_cast<std::int64_t>(i + 1), 2) + " " +
             std::to_string(tracks[i].startMs) + " " + std::to_string(tracks[i].lengthMs) +
             (disc.toc[i].audio ? " audio" : " data"));
    }
    line("musicbrainz " + musicBrainzDiscId(disc));
    line("freedb " + freedbDiscIdText(disc));
    if (!disc.text.title.empty()) line("title " + oneLine(disc.text.title));
    if (!disc.text.performer.empty()) line("performer " + oneLine(disc.text.performer));
    for (std::size_t i = 0; i < disc.text.trackTitles.size() && i < tracks.size(); ++i) {
        if (disc.text.trackTitles[i].empty()) continue;
        line("song " + text::pad(static_cast<std::int64_t>(i + 1), 2) + " " +
             oneLine(disc.text.trackTitles[i]));
    }
    return out;
}

}  // namespace lirafok::device::real
