// The track entry text, the shuffle and the private list file.
#include <random>

#include "core/app_state.h"
#include "core/text.h"
#include "lyrics/lyrics_file.h"
#include "player/play_modes.h"

namespace lirafok {

std::string trackEntryText(const AppState& s, int track) {
    auto i = static_cast<std::size_t>(track < 0 || track >= kTrackSlots ? 0 : track);
    return text::pad(track, 2) + " " + s.TrackTimeText[i] + " " + s.SongName[i];
}

int entryTrackNumber(const std::string& entry) {
    return text::val(text::left(entry, 2));
}

std::vector<int> shuffledTracks(int count, const std::function<int(int)>& draw) {
    std::vector<int> order;
    if (count <= 0) return order;
    std::vector<bool> picked(static_cast<std::size_t>(count) + 1, false);
    order.reserve(static_cast<std::size_t>(count));
    while (static_cast<int>(order.size()) < count) {
        int r = draw(count);
        // A generator outside 1..count would index past the table: such a draw is drawn again.
        if (r < 1 || r > count || picked[static_cast<std::size_t>(r)]) continue;
        picked[static_cast<std::size_t>(r)] = true;
        order.push_back(r);
    }
    return order;
}

std::vector<int> shuffledTracks(int count) {
    std::random_device seed;
    std::mt19937 gen(seed());
    return shuffledTracks(count,
                          [&gen](int n) { return std::uniform_int_distribution<int>(1, n)(gen); });
}

std::string privateListPath(const AppState& s) {
    if (s.DiscKey.size() < 9) return {};
    return lyricsFilePath(s.KASID, s.DiscKey, 0);
}

std::optional<std::vector<int>> readPrivateList(const std::string& path, int trackCount,
                                                int maxEntries) {
    if (path.empty()) return std::nullopt;
    auto lines = text::readLines(path);
    if (!lines) return std::nullopt;
    std::vector<int> tracks;
    for (const std::string& raw : *lines) {
        std::size_t a = raw.find_first_not_of(" \t");
        if (a == std::string::npos) continue;
        std::size_t b = raw.find_last_not_of(" \t");
        std::string word = raw.substr(a, b - a + 1);
        if (word.size() > 3 || word.find_first_not_of("0123456789") != std::string::npos)
            return std::nullopt;
        int t = std::stoi(word);
        if (t < 1 || t > trackCount) return std::nullopt;
        if (static_cast<int>(tracks.size()) >= maxEntries) return std::nullopt;
        tracks.push_back(t);
    }
    return tracks;
}

bool writePrivateList(const std::string& path, const std::vector<int>& tracks) {
    if (path.empty()) return false;
    std::vector<std::string> lines;
    lines.reserve(tracks.size());
    for (int t : tracks) lines.push_back(text::pad(t, 2));
    return text::writeLines(path, lines);
}

}  // namespace lirafok
