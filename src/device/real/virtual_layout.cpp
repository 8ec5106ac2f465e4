#include "device/real/virtual_layout.h"

#include <libcue.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>

#include "core/text.h"
#include "device/real/audio_file_reader.h"
#include "device/real/cue_sheet_check.h"
#include "device/real/virtual_source.h"

namespace fs = std::filesystem;

namespace lirafok::device::real {

namespace {

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool validUtf8(std::string_view s) {
    for (std::size_t i = 0; i < s.size();) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        std::size_t extra = 0;
        if (c >= 0x80) {
            if ((c & 0xE0) == 0xC0)
                extra = 1;
            else if ((c & 0xF0) == 0xE0)
                extra = 2;
            else if ((c & 0xF8) == 0xF0)
                extra = 3;
            else
                return false;
        }
        if (s.size() - i <= extra) return false;
        for (std::size_t k = 1; k <= extra; ++k) {
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        }
        i += extra + 1;
    }
    return true;
}

const char* const kAudioExtensions[] = {".flac", ".wav", ".ogg", ".oga", ".opus", ".aiff",
                                        ".aif",  ".wv",  ".mp3", ".au",  ".caf",  ".w64"};

// The file a FILE entry means: as written, else the same name in another case, else the same
// stem with another audio extension.
std::optional<fs::path> resolveFile(const fs::path& dir, const std::string& name) {
    std::string n = name;
    std::replace(n.begin(), n.end(), '\\', '/');
    fs::path p = fs::path(n).is_absolute() ? fs::path(n) : dir / n;
    std::error_code ec;
    if (fs::is_regular_file(p, ec)) return p;
    const fs::path parent = p.parent_path();
    const std::string wanted = lower(p.filename().string());
    const std::string wantedStem = lower(p.stem().string());
    std::optional<fs::path> byStem;
    for (const auto& e : fs::directory_iterator(parent, ec)) {
        if (!e.is_regular_file(ec)) continue;
        const std::string fn = lower(e.path().filename().string());
        if (fn == wanted) return e.path();
        if (!byStem && lower(e.path().stem().string()) == wantedStem) {
            const std::string ext = lower(e.path().extension().string());
            for (const char* a : kAudioExtensions) {
                if (ext == a) byStem = e.path();
            }
        }
    }
    return byStem;
}

// At most one byte more than a sheet may hold, so that a huge file is never read whole.
std::string readWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string text;
    char chunk[16384];
    while (text.size() <= kMaxCueSheetBytes) {
        in.read(chunk, sizeof chunk);
        const std::streamsize got = in.gcount();
        if (got <= 0) break;
        text.append(chunk, static_cast<std::size_t>(got));
    }
    return text;
}

struct CueTrack {
    std::string file;
    long index0 = -1;  // sectors into the file, -1 when absent
    long index1 = 0;
    long pregap = 0;   // generated silence before INDEX 01, sectors
    long postgap = 0;  // generated silence after the track, sectors
    bool audio = true;
};

// TITLE and PERFORMER of the disc (before the first TRACK) and of each track. Read here rather
// than through libcue, whose text accessor shares its name with one of libcdio's, so that the
// two cannot both be called from one program.
DiscText cueSheetText(const std::string& sheet) {
    DiscText text;
    std::istringstream in(sheet);
    std::string line;
    int track = 0;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::istringstream words(line);
        std::string key;
        words >> key;
        key = lower(key);
        if (key == "track") {
            ++track;
            text.trackTitles.resize(static_cast<std::size_t>(track));
            text.trackPerformers.resize(static_cast<std::size_t>(track));
            continue;
        }
        if (key != "title" && key != "performer") continue;
        std::string value;
        std::getline(words >> std::ws, value);
        if (value.size() >= 2 && value.front() == '"') {
            const auto close = value.rfind('"');
            value = close > 0 ? value.substr(1, close - 1) : value.substr(1);
        }
        value = cueTextToUtf8(value.c_str());
        if (track == 0) {
            (key == "title" ? text.title : text.performer) = value;
        } else {
            auto& list = key == "title" ? text.trackTitles : text.trackPerformers;
            list[static_cast<std::size_t>(track - 1)] = value;
        }
    }
    return text;
}

// A sheet names audio beside it or in its sub-folders. A path that leaves the folder (through
// "..", from the root or from a drive letter) is refused: the disc is what the user placed
// there. A symbolic link inside the folder is followed wherever it points, as the user made it.
bool staysInFolder(std::string name) {
    std::replace(name.begin(), name.end(), '\\', '/');
    if (name.starts_with('/')) return false;
    if (name.size() >= 2 && std::isalpha(static_cast<unsigned char>(name[0])) && name[1] == ':')
        return false;
    const fs::path normal = fs::path(name).lexically_normal();
    return normal.empty() || *normal.begin() != "..";
}

// libcue does not free what it parsed when it refuses a sheet, and the drive looks at its
// folder every few seconds: a sheet it refused is not handed to it again while the sheet's
// text stays the same. A digest of the text (with its length) tells a changed sheet.
std::mutex g_refusedMutex;
std::map<std::string, std::pair<std::size_t, std::size_t>> g_refused;  // path -> digest, length
std::atomic<std::size_t> g_parserRuns{0};

std::pair<std::size_t, std::size_t> digest(const std::string& sheet) {
    return {std::hash<std::string>{}(sheet), sheet.size()};
}

bool parserRefused(const std::string& path, const std::string& sheet) {
    std::lock_guard lock(g_refusedMutex);
    const auto it = g_refused.find(path);
    return it != g_refused.end() && it->second == digest(sheet);
}

void rememberParserRefusal(const std::string& path, const std::string& sheet) {
    std::lock_guard lock(g_refusedMutex);
    if (g_refused.size() >= 256) g_refused.clear();  // bounded; forgetting costs one re-parse
    g_refused[path] = digest(sheet);
}

struct Builder {
    VirtualLayout layout;
    std::int64_t cursor = kLeadInSectors * kFramesPerSector;  // next disc frame

    void fileSpan(int file, std::int64_t fromSector, std::int64_t toSector) {
        if (toSector <= fromSector) return;
        layout.segments.push_back({cursor, (toSector - fromSector) * kFramesPerSector, file,
                                   fromSector * kFramesPerSector});
        cursor += (toSector - fromSector) * kFramesPerSector;
    }
    void silence(std::int64_t sectors) {
        if (sectors <= 0) return;
        layout.segments.push_back({cursor, sectors * kFramesPerSector, -1, 0});
        cursor += sectors * kFramesPerSector;
    }
};

}  // namespace

std::string cueTextToUtf8(const char* raw) {
    if (!raw) return {};
    std::string s(raw);
    return validUtf8(s) ? s : text::fromCp932(s);
}

bool cueUsesBinaryFiles(const std::string& cuePath) {
    std::istringstream in(readWholeFile(cuePath));
    std::string line;
    while (std::getline(in, line)) {
        std::string l = lower(line);
        const auto f = l.find_first_not_of(" \t");
        if (f == std::string::npos || l.compare(f, 5, "file ") != 0) continue;
        while (!l.empty() && std::isspace(static_cast<unsigned char>(l.back()))) l.pop_back();
        if (l.ends_with(" binary") || l.ends_with(" motorola")) return true;
    }
    return false;
}

std::optional<VirtualLayout> layoutFromCue(const std::string& cuePath, std::string* error) {
    auto refuse = [&](const std::string& why) -> std::optional<VirtualLayout> {
        if (error) *error = "CUE シート " + cuePath + why;
        return std::nullopt;
    };
    const std::string sheet = readWholeFile(cuePath);
    if (sheet.empty()) {
        if (error) *error = cuePath + " を読み込めません";
        return std::nullopt;
    }
    if (sheet.size() > kMaxCueSheetBytes) {
        if (error) *error = cuePath + " は CUE シートではありません（大きすぎます）";
        return std::nullopt;
    }
    if (sheet.find('\0') != std::string::npos) {
        if (error) *error = cuePath + " は CUE シートではありません";
        return std::nullopt;
    }
    if (const std::string why = checkCueSheet(sheet); !why.empty()) return refuse(why);
    if (parserRefused(cuePath, sheet)) return refuse(" は正しい CUE シートではありません");
    g_parserRuns.fetch_add(1, std::memory_order_relaxed);
    // libcue refuses a sheet whose last line has no line end, as many editors save it.
    Cd* cd = cue_parse_string(sheet.ends_with('\n') ? sheet.c_str() : (sheet + '\n').c_str());
    if (!cd) {
        rememberParserRefusal(cuePath, sheet);
        return refuse(" は正しい CUE シートではありません");
    }
    std::vector<CueTrack> tracks;
    for (int i = 1; i <= cd_get_ntrack(cd); ++i) {
        Track* t = cd_get_track(cd, i);
        CueTrack ct;
        ct.file = track_get_filename(t) ? track_get_filename(t) : "";
        ct.index1 = track_get_index(t, 1);
        ct.index0 = track_get_index(t, 0);
        const long pre = track_get_zero_pre(t);
        // libcue reports an INDEX 00 gap and a PREGAP alike; only the latter is generated.
        if (ct.index0 < 0 && pre > 0) ct.pregap = pre;
        ct.postgap = std::max(0L, track_get_zero_post(t));
        ct.audio = track_get_mode(t) == MODE_AUDIO;
        tracks.push_back(std::move(ct));
    }
    cd_delete(cd);
    DiscText text = cueSheetText(sheet);
    text.trackTitles.resize(tracks.size());
    text.trackPerformers.resize(tracks.size());
    if (tracks.empty()) return refuse(" にはトラックがありません");

    const fs::path dir = fs::path(cuePath).parent_path();
    Builder b;
    std::size_t k = 0;
    while (k < tracks.size()) {
        const std::string name = tracks[k].file;
        if (!staysInFolder(name))
            return refuse(" の音声ファイル " + name + " はディスクのフォルダーの外にあります");
        const auto resolved = resolveFile(dir, name);
        if (!resolved) return refuse(" の音声ファイル " + name + " が見つかりません");
        std::string why;
        const std::int64_t frames = audioFileFrames(resolved->string(), &why);
        if (frames < 0) {
            if (error) *error = why;
            return std::nullopt;
        }
        const std::int64_t fileSectors = framesToSectorsCeil(frames);
        const int file = static_cast<int>(b.layout.files.size());
        b.layout.files.push_back(resolved->string());
        std::int64_t cut = 0;
        long previousIndex1 = -1;  // of the track before, in this file
        long pendingPostgap = 0;
        for (; k < tracks.size() && tracks[k].file == name; ++k) {
            const CueTrack& t = tracks[k];
            const std::string track = " のトラック " + std::to_string(k + 1);
            // Every track of a CD has audio of its own: its indexes come after the previous
            // track's INDEX 01, in order, and inside the file.
            if (t.index1 < 0) return refuse(track + " に INDEX 01 がありません");
            if (t.index0 > t.index1)
                return refuse(track + " の INDEX 00 が INDEX 01 より後にあります");
            const std::int64_t cutAt = t.index0 >= 0 ? t.index0 : t.index1;
            if (cutAt <= previousIndex1)
                return refuse(track + " の INDEX が前のトラックと重なっています");
            if (t.index1 >= fileSectors)
                return refuse(track + " の INDEX 01 が音声ファイル " + name +
                              " の終わりを越えています");
            b.fileSpan(file, cut, cutAt);
            b.silence(pendingPostgap);
            b.silence(t.pregap);
            cut = cutAt;
            b.layout.toc.push_back({b.cursor / kFramesPerSector + (t.index1 - cut), t.audio});
            pendingPostgap = t.postgap;
            previousIndex1 = t.index1;
        }
        b.fileSpan(file, cut, fileSectors);
        b.silence(pendingPostgap);
    }
    b.layout.leadOutSector = b.cursor / kFramesPerSector;
    b.layout.text = std::move(text);
    return std::move(b.layout);
}

std::optional<VirtualLayout> layoutFromFiles(const std::vector<std::string>& paths,
                                             std::string* error) {
    Builder b;
    for (const auto& p : paths) {
        std::string why;
        const std::int64_t frames = audioFileFrames(p, &why);
        if (frames < 0) {
            if (error) *error = why;
            return std::nullopt;
        }
        const int file = static_cast<int>(b.layout.files.size());
        b.layout.files.push_back(p);
        b.layout.toc.push_back({b.cursor / kFramesPerSector, true});
        b.fileSpan(file, 0, framesToSectorsCeil(frames));
        b.layout.text.trackTitles.push_back(fs::path(p).stem().string());
    }
    if (b.layout.toc.empty()) {
        if (error) *error = "音声ファイルがありません";
        return std::nullopt;
    }
    b.layout.leadOutSector = b.cursor / kFramesPerSector;
    return std::move(b.layout);
}

std::size_t cueParserRuns() {
    return g_parserRuns.load(std::memory_order_relaxed);
}

DiscImage discFromLayout(VirtualLayout layout) {
    DiscImage disc;
    disc.toc = layout.toc;
    disc.leadOutSector = layout.leadOutSector;
    disc.text = layout.text;
    disc.source =
        std::make_shared<VirtualSource>(std::move(layout.files), std::move(layout.segments));
    return disc;
}

}  // namespace lirafok::device::real
