#include "editors/rekey.h"

#include <fcntl.h>
#include <stdio.h>

#include <cerrno>
#include <cstdio>
#include <string_view>

#include "catalogue/catalogue_file.h"
#include "core/raw_file.h"
#include "core/text.h"
#include "lyrics/lyrics_file.h"
#include "lyrics/syllable_file.h"
#include "player/key_tempo_file.h"

namespace lirafok {

namespace {

constexpr std::size_t kKeyChars = 9;

bool isTitleLine(const std::string& line) {
    return text::mid(line, 11, 2) == "00";
}

bool isSongLine(const std::string& line) {
    const std::string tag = text::mid(line, 11, 2);
    return tag != "AR" && tag != "FT" && text::mid(line, 11, 1) != "A";
}

// Columns 10 to the end of a raw line, as bytes. A key of ASCII digits is nine bytes; only a
// damaged key needs the line decoded.
std::string afterKey(std::string_view raw, const std::string& decoded) {
    const std::string_view head = raw.substr(0, std::min(raw.size(), kKeyChars));
    bool ascii = true;
    for (char c : head) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (ascii) return std::string(raw.substr(head.size()));
    return text::toCp932(text::mid(decoded, kKeyChars + 1));
}

std::string fileName(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

enum class MoveResult { Moved, Missing, Protected, Taken, Failed };

// Renames `from` to `to` without ever replacing a file at `to`.
MoveResult moveFile(const std::string& from, const std::string& to) {
    if (!rawfile::fileExists(from)) return MoveResult::Missing;
    if (rawfile::isWriteProtected(from) || rawfile::isWriteProtected(to))
        return MoveResult::Protected;
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return MoveResult::Moved;
    if (errno == EEXIST) return MoveResult::Taken;
    if (errno != EINVAL && errno != ENOSYS) return MoveResult::Failed;
    // A file system without the no-replace rename: test first, then rename.
    if (rawfile::fileExists(to)) return MoveResult::Taken;
    return std::rename(from.c_str(), to.c_str()) == 0 ? MoveResult::Moved : MoveResult::Failed;
}

const char* const kNothingChanged = "\n変更は取り消しました（ファイルは元のままです）。";

}  // namespace

CatalogueTitles readCatalogueTitles(const std::string& cataloguePath) {
    CatalogueTitles out;
    out.opened = text::forEachLine(cataloguePath, [&](std::string_view line) {
        const std::string l(line);
        if (isTitleLine(l)) out.titles.push_back(text::mid(l, 14));
    });
    return out;
}

RecordSummary readRecordAt(const std::string& cataloguePath, int n) {
    RecordSummary r;
    int k = n;
    text::forEachLine(cataloguePath, [&](std::string_view line) {
        const std::string l(line);
        if (isTitleLine(l)) {
            --k;
            if (k == 0) r.found = true;
            return;
        }
        if (k != 0) return;
        const std::string tag = text::mid(l, 11, 2);
        if (tag == "AR") {
            r.hasArtist = true;
            r.artist = text::mid(l, 14);
        } else if (tag == "FT") {
            r.fontSet = text::val(text::mid(l, 14, 1));
        } else if (text::mid(l, 11, 1) != "A") {
            r.songs.push_back(tag + " " + text::mid(l, 14));
        }
    });
    return r;
}

RekeyPlan planRekey(const std::string& cataloguePath, int n, const std::string& newKey) {
    RekeyPlan plan;
    auto bytes = rawfile::readBytes(cataloguePath);
    if (!bytes) return plan;
    plan.original = std::move(*bytes);
    const std::string key = text::toCp932(newKey);
    bool found = false;
    int k = n;
    for (std::string_view raw : rawfile::splitLines(plan.original)) {
        const std::string line = text::fromCp932(raw);
        if (text::left(line, kKeyChars) == newKey) {
            plan.outcome = RekeyPlan::Outcome::AlreadyKeyed;
            plan.catalogue.clear();
            return plan;
        }
        if (isTitleLine(line)) {
            --k;
            if (k == 0) {
                found = true;
                plan.oldKey = text::left(line, kKeyChars);
            }
        } else if (k == 0 && isSongLine(line)) {
            ++plan.songCount;
        }
        if (k == 0)
            plan.catalogue += key + afterKey(raw, line);
        else
            plan.catalogue += raw;
        plan.catalogue += "\r\n";
    }
    plan.outcome = found ? RekeyPlan::Outcome::Ready : RekeyPlan::Outcome::NoSuchRecord;
    return plan;
}

RekeyResult applyRekey(const std::string& lyricsFolder, const RekeyPlan& plan,
                       const std::string& newKey) {
    RekeyResult result;
    const std::string cataloguePath = catalogueFilePath(lyricsFolder);
    const std::string backupPath = catalogueBackupPath(lyricsFolder);
    struct Move {
        std::string from, to;
    };
    std::vector<Move> done;
    // Undoes the moves made so far; the names of files that could not be put back are added
    // to the message, so that the user can find them.
    auto undo = [&](std::string why) {
        std::string stuck;
        for (auto m = done.rbegin(); m != done.rend(); ++m)
            if (std::rename(m->to.c_str(), m->from.c_str()) != 0)
                stuck += "\n" + fileName(m->to) + " → " + fileName(m->from);
        result.ok = false;
        result.movedTracks.clear();
        result.error = stuck.empty()
                           ? why + kNothingChanged
                           : why + "\n次の歌詞ファイルを元の名前に戻せませんでした:" + stuck;
        return result;
    };

    if (rawfile::isWriteProtected(cataloguePath)) return undo("LIRAFOK.TXT に書き込めません。");
    for (int i = 1; i <= plan.songCount; ++i) {
        const std::string from = lyricsFilePath(lyricsFolder, plan.oldKey, i);
        const std::string to = lyricsFilePath(lyricsFolder, newKey, i);
        switch (moveFile(from, to)) {
            case MoveResult::Moved:
                done.push_back({from, to});
                result.movedTracks.push_back(i);
                // The track's syllable timings go with its lyrics.
                if (const std::string syl = syllableFilePath(from);
                    moveFile(syl, syllableFilePath(to)) == MoveResult::Moved)
                    done.push_back({syl, syllableFilePath(to)});
                else if (rawfile::fileExists(syl))
                    return undo("歌詞ファイル " + fileName(syl) + " の名前を変更できません。");
                break;
            case MoveResult::Missing:
                break;
            case MoveResult::Taken:
                return undo("歌詞ファイル " + fileName(to) + " がすでにあるため、" +
                            fileName(from) + " の名前を変更できません。");
            case MoveResult::Protected:
            case MoveResult::Failed:
                return undo("歌詞ファイル " + fileName(from) + " の名前を変更できません。");
        }
    }

    const auto oldBackup = rawfile::readBytes(backupPath);
    if (!rawfile::writeBytes(backupPath, plan.original))
        return undo("LIRAFOK.BAK を作成できません。");
    if (!rawfile::writeBytes(cataloguePath, plan.catalogue)) {
        const bool restored = oldBackup ? rawfile::writeBytes(backupPath, *oldBackup)
                                        : std::remove(backupPath.c_str()) == 0;
        std::string why = "LIRAFOK.TXT に書き込めません。";
        if (!restored) why += "\nLIRAFOK.BAK には変更前の LIRAFOK.TXT が入っています。";
        return undo(why);
    }
    result.ok = true;
    // The key and tempo remembered for the disc's tracks follow it to its new key.
    if (const KeyTempoSave keys =
            moveKeyTempoDisc(lyricsFolder, plan.oldKey, newKey, plan.songCount);
        !keys.ok)
        result.notice = keys.error + "\nキーとテンポの記憶は前のキーのままです。";
    return result;
}

}  // namespace lirafok
