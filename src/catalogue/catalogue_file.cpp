#include "catalogue/catalogue_file.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "core/raw_file.h"
#include "core/text.h"

namespace lirafok {
namespace {

constexpr std::size_t kKeyChars = 9;

bool isAscii(std::string_view s) {
    return std::all_of(s.begin(), s.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Whether columns 1-9 of the raw catalogue line equal `key`. The key is normally nine ASCII
// digits; an ASCII byte is always a character of its own in CP932 (a lead byte is >= 0x81),
// so the comparison can run on the undecoded bytes and only matching lines get decoded.
class KeyMatcher {
public:
    explicit KeyMatcher(const std::string& key) : m_key(key), m_ascii(isAscii(key)) {}

    bool matches(std::string_view raw) const {
        if (m_ascii) {
            if (m_key.size() == kKeyChars)
                return raw.size() >= kKeyChars &&
                       std::memcmp(raw.data(), m_key.data(), kKeyChars) == 0;
            // A shorter key equals columns 1-9 only when the line is exactly the key.
            return m_key.size() < kKeyChars && raw == m_key;
        }
        // Nine characters take at most 18 bytes.
        return text::left(text::fromCp932(raw.substr(0, 2 * kKeyChars)), kKeyChars) == m_key;
    }

private:
    std::string m_key;
    bool m_ascii;
};

bool validTrack(std::int32_t n) {
    return n >= 0 && n < kCatalogueSlots;
}

void applyLine(const std::string& line, CatalogueRecord& r, bool updateSongNumberText) {
    const std::string tag = text::mid(line, 11, 2);
    if (tag == "00") {
        r.title = text::mid(line, 14);
    } else if (tag == "FT") {
        // A digit beyond the font sets would select a set that does not exist.
        const std::int32_t set = text::val(text::mid(line, 14, 1));
        r.fontSet = set >= 0 && set < kFontSets ? set : 0;
    } else if (tag == "AR") {
        r.artist = text::mid(line, 14);
    } else if (text::mid(line, 11, 1) != "A") {
        const std::int32_t n = text::val(tag);
        if (!validTrack(n)) return;
        r.songName[n] = text::mid(line, 14);
        if (updateSongNumberText) r.songNumberText[n] = tag;
    } else {
        const std::string number = text::mid(line, 12, 2);
        const std::int32_t n = text::val(number);
        if (!validTrack(n)) return;
        r.songArtist[n] = text::mid(line, 15);
        if (updateSongNumberText) r.songNumberText[n] = number;
        r.hasSongArtists = true;
    }
}

void writeLine(rawfile::SafeWriter& out, const std::string& utf8) {
    out.write(text::toCp932(utf8));
    out.write("\r\n");
}

}  // namespace

std::string catalogueFilePath(const std::string& lyricsFolder) {
    return lyricsFolder + kCatalogueFileName;
}

std::string catalogueBackupPath(const std::string& lyricsFolder) {
    return lyricsFolder + kCatalogueBackupName;
}

CatalogueLookup lookupDisc(const std::string& cataloguePath, const std::string& discKey,
                           bool updateSongNumberText) {
    CatalogueLookup result;
    rawfile::ChunkReader reader(cataloguePath);
    if (!reader.isOpen()) return result;
    result.opened = true;
    const KeyMatcher matcher(discKey);
    std::string_view raw;
    while (reader.nextLine(raw)) {
        if (!matcher.matches(raw)) continue;
        result.record.found = true;
        applyLine(text::fromCp932(raw), result.record, updateSongNumberText);
    }
    return result;
}

std::string titleLine(const std::string& title, int half) {
    return text::byteMid(title, half == 0 ? 1 : kTitleHalfBytes + 1, kTitleHalfBytes);
}

std::string buildTitle(const std::string& line1, const std::string& line2) {
    return text::padBytes(line1, kTitleHalfBytes) + text::padBytes(line2, kTitleHalfBytes);
}

double fitArtistFontSize(const std::string& caption) {
    const std::size_t length = text::byteLength(caption);
    if (length <= 13) return 15.0;
    if (length <= 14) return 13.5;
    if (length <= 16) return 12.0;
    if (length <= 18) return 10.5;
    return 9.75;
}

SaveResult saveDiscRecord(const std::string& lyricsFolder, const std::string& discKey,
                          int trackCount, const std::string& title, const std::string& artist,
                          int fontSet, const std::array<std::string, kCatalogueSlots>& songName,
                          const std::array<std::string, kCatalogueSlots>& songArtist,
                          bool perSongArtists) {
    const std::string cataloguePath = catalogueFilePath(lyricsFolder);
    const std::string backupPath = catalogueBackupPath(lyricsFolder);
    if (!rawfile::parentFolderExists(cataloguePath)) return {false, "歌詞フォルダが見つかりません"};

    // The backup is a byte copy of the catalogue, or empty when there is none yet.
    {
        rawfile::ChunkReader old(cataloguePath);
        if (!old.isOpen()) {
            std::error_code ec;
            // Only a catalogue that does not exist yet may start empty; an unreadable one
            // must not be replaced by a file holding just this record.
            if (std::filesystem::exists(cataloguePath, ec) || ec)
                return {false, "LIRAFOK.TXT を読み込めません"};
        }
        rawfile::SafeWriter backup(backupPath);
        std::string_view chunk;
        while (old.nextChunk(chunk)) backup.write(chunk);
        if (old.failed()) return {false, "LIRAFOK.TXT を読み込めません"};
        if (!backup.commit()) return {false, "LIRAFOK.BAK を作成できません"};
    }

    // The new catalogue is built from the backup, the snapshot just taken.
    rawfile::ChunkReader previous(backupPath);
    if (!previous.isOpen()) return {false, "LIRAFOK.BAK を読み込めません"};
    rawfile::SafeWriter out(cataloguePath);
    const std::string key = discKey + "-";
    writeLine(out, key + "00-" + title);
    writeLine(out, key + "AR-" + (perSongArtists ? std::string() : artist));
    writeLine(out, key + "FT-" + std::to_string(std::clamp(fontSet, 0, kFontSets - 1)));
    const int tracks = std::clamp(trackCount, 0, kMaxSavedTrack);
    for (int n = 1; n <= tracks; ++n) {
        writeLine(out, key + text::pad(n, 2) + "-" + songName[n]);
        if (perSongArtists) writeLine(out, discKey + "-A" + text::pad(n, 2) + "-" + songArtist[n]);
    }
    // Lines of other discs are copied as bytes: never decoded, so nothing can change them.
    const KeyMatcher matcher(discKey);
    std::string_view raw;
    while (previous.nextLine(raw)) {
        if (matcher.matches(raw)) continue;
        out.write(raw);
        out.write("\r\n");
    }
    if (previous.failed()) return {false, "LIRAFOK.BAK を読み込めません"};
    if (!out.commit()) return {false, "LIRAFOK.TXT に書き込めません"};
    return {true, {}};
}

}  // namespace lirafok
