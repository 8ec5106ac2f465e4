#include "player/key_tempo_file.h"

#include <algorithm>
#include <cstdlib>
#include <vector>
#include <filesystem>

#include "core/raw_file.h"
#include "core/text.h"

namespace lirafok {

namespace {

constexpr std::size_t kLineChars = 22;
constexpr std::size_t kKeyChars = 9;

bool digits(std::string_view s) {
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return !s.empty();
}

int number(std::string_view s) {
    int n = 0;
    for (char c : s) n = n * 10 + (c - '0');
    return n;
}

char voiceLetter(device::VoiceMode v) {
    switch (v) {
        case device::VoiceMode::LeftOnly:
            return 'L';
        case device::VoiceMode::RightOnly:
            return 'R';
        case device::VoiceMode::Reduced:
            return 'V';
        case device::VoiceMode::Both:
            break;
    }
    return 'B';
}

std::optional<device::VoiceMode> voiceOf(char c) {
    switch (c) {
        case 'B':
            return device::VoiceMode::Both;
        case 'L':
            return device::VoiceMode::LeftOnly;
        case 'R':
            return device::VoiceMode::RightOnly;
        case 'V':
            return device::VoiceMode::Reduced;
        default:
            return std::nullopt;
    }
}

// Writes `out` as the file, the previous contents `old` (when there was a file) kept as the
// backup first.
KeyTempoSave replaceFile(const std::string& lyricsFolder, const std::string* old,
                         const std::string& out) {
    if (old && !rawfile::writeBytes(keyTempoBackupPath(lyricsFolder), *old))
        return {false, std::string(kKeyTempoBackupName) + " を作成できません"};
    if (!rawfile::writeBytes(keyTempoFilePath(lyricsFolder), out))
        return {false, std::string(kKeyTempoFileName) + " に書き込めません"};
    return {true, {}};
}

}  // namespace

std::string keyTempoFilePath(const std::string& lyricsFolder) {
    return lyricsFolder + kKeyTempoFileName;
}

std::string keyTempoBackupPath(const std::string& lyricsFolder) {
    return lyricsFolder + kKeyTempoBackupName;
}

bool keyTempoRememberable(const std::string& discKey, int track) {
    return discKey.size() == kKeyChars && digits(discKey) && track >= 1 && track <= 99;
}

std::optional<TrackKeyTempo> parseKeyTempoLine(std::string_view line) {
    if (line.size() != kLineChars) return std::nullopt;
    // Columns 1-9, 11-12, 14, 15-16, 18-20 and 22 (from 1); blanks between, "-" in 10.
    const std::string_view key = line.substr(0, 9), track = line.substr(10, 2),
                           semitones = line.substr(14, 2), tempo = line.substr(17, 3);
    const char sign = line[13];
    if (!digits(key) || line[9] != '-' || !digits(track) || line[12] != ' ' ||
        (sign != '+' && sign != '-') || !digits(semitones) || line[16] != ' ' || !digits(tempo) ||
        line[20] != ' ')
        return std::nullopt;
    const auto voice = voiceOf(line[21]);
    const int n = number(track);
    if (!voice || n < 1) return std::nullopt;
    TrackKeyTempo t;
    t.discKey = std::string(key);
    t.track = n;
    t.settings.semitones = (sign == '-' ? -1 : 1) * number(semitones);
    t.settings.tempo = number(tempo);
    t.settings.voice = *voice;
    t.settings = t.settings.clamped();
    return t;
}

std::string formatKeyTempoLine(const std::string& discKey, int track,
                               const device::KeyTempo& settings) {
    const device::KeyTempo k = settings.clamped();
    return discKey + "-" + text::pad(track, 2) + " " + (k.semitones < 0 ? "-" : "+") +
           text::pad(std::abs(k.semitones), 2) + " " + text::pad(k.tempo, 3) + " " +
           voiceLetter(k.voice);
}

device::KeyTempo rememberedKeyTempo(const std::string& lyricsFolder, const std::string& discKey,
                                    int track) {
    device::KeyTempo found;
    if (!keyTempoRememberable(discKey, track)) return found;
    rawfile::ChunkReader file(keyTempoFilePath(lyricsFolder));
    std::string_view raw;
    while (file.nextLine(raw)) {
        const auto t = parseKeyTempoLine(raw);
        if (t && t->track == track && t->discKey == discKey) found = t->settings;
    }
    return file.failed() ? device::KeyTempo{} : found;
}

KeyTempoSave rememberKeyTempo(const std::string& lyricsFolder, const std::string& discKey,
                              int track, const device::KeyTempo& settings) {
    if (!keyTempoRememberable(discKey, track)) return {true, {}};
    const std::string path = keyTempoFilePath(lyricsFolder);
    if (!rawfile::parentFolderExists(path)) return {false, "歌詞フォルダが見つかりません"};
    const auto old = rawfile::readBytes(path);
    if (!old) {
        // Only a file that does not exist yet may start empty: an unreadable one must not be
        // replaced by a file holding just this track.
        std::error_code ec;
        if (std::filesystem::exists(path, ec) || ec)
            return {false, std::string(kKeyTempoFileName) + " を読み込めません"};
    }

    const device::KeyTempo wanted = settings.clamped();
    const bool own = wanted == device::KeyTempo{};
    const std::string line = formatKeyTempoLine(discKey, track, wanted);
    std::string out;
    bool placed = false;
    device::KeyTempo had;  // what the file says now (its last line for the track wins)
    if (old) {
        out.reserve(old->size() + kLineChars + 2);
        for (std::string_view raw : rawfile::splitLines(*old)) {
            const auto t = parseKeyTempoLine(raw);
            if (t && t->track == track && t->discKey == discKey) {
                had = t->settings;
                // The track's line, in the place of its first one (a duplicate is dropped).
                if (!placed && !own) {
                    out += line;
                    out += "\r\n";
                }
                placed = true;
                continue;
            }
            out += raw;
            out += "\r\n";
        }
    }
    if (had == wanted) return {true, {}};
    if (!placed && !own) {
        out += line;
        out += "\r\n";
    }
    return replaceFile(lyricsFolder, old ? &*old : nullptr, out);
}

KeyTempoSave moveKeyTempoDisc(const std::string& lyricsFolder, const std::string& oldKey,
                              const std::string& newKey, int lastTrack) {
    const auto old = rawfile::readBytes(keyTempoFilePath(lyricsFolder));
    if (!old || !keyTempoRememberable(newKey, 1)) return {true, {}};
    const auto moves = [&](const std::optional<TrackKeyTempo>& t) {
        return t && t->discKey == oldKey && t->track <= lastTrack;
    };
    std::vector<int> moved;
    for (std::string_view raw : rawfile::splitLines(*old))
        if (const auto t = parseKeyTempoLine(raw); moves(t)) moved.push_back(t->track);
    if (moved.empty()) return {true, {}};
    std::string out;
    out.reserve(old->size());
    for (std::string_view raw : rawfile::splitLines(*old)) {
        const auto t = parseKeyTempoLine(raw);
        if (t && t->discKey == newKey &&
            std::find(moved.begin(), moved.end(), t->track) != moved.end())
            continue;
        if (moves(t)) {
            out += newKey;
            out += raw.substr(kKeyChars);
        } else {
            out += raw;
        }
        out += "\r\n";
    }
    return replaceFile(lyricsFolder, &*old, out);
}

}  // namespace lirafok
