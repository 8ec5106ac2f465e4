#include "device/real/virtual_layout.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <filesystem>
#include <fstream>

#include "core/text.h"
#include "device/real/audio_file_reader.h"
#include "device/real/cdg_sources.h"
#include "device/real/virtual_source.h"
#include "cdg/packet.h"

namespace fs = std::filesystem;

namespace lirafok::device::real {

namespace {

// Far beyond any disc, far below the 596 hours that 32-bit milliseconds reach.
constexpr std::int64_t kMaxDiscSectors = 24 * 3600 * kSectorsPerSecond;

std::atomic<std::size_t> g_parserRuns{0};

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string slashes(std::string name) {
    std::replace(name.begin(), name.end(), '\\', '/');
    return name;
}

const char* const kAudioExtensions[] = {".flac", ".wav", ".ogg", ".oga", ".opus", ".aiff",
                                        ".aif",  ".wv",  ".mp3", ".au",  ".caf",  ".w64"};

// A sheet names files beside it or in its sub-folders. A path that leaves the folder (through
// "..", from the root or from a drive letter) is refused: the disc is what the user placed
// there. A symbolic link inside the folder is followed wherever it points, as the user made it.
bool staysInFolder(std::string name) {
    name = slashes(std::move(name));
    if (name.starts_with('/')) return false;
    if (name.size() >= 2 && std::isalpha(static_cast<unsigned char>(name[0])) && name[1] == ':')
        return false;
    const fs::path normal = fs::path(name).lexically_normal();
    return normal.empty() || *normal.begin() != "..";
}

// The readings of a FILE name, the sheet's own first: a sheet made on Japanese (or Western)
// Windows names its files in that code page, and the files copied to Linux are named in UTF-8
// or, copied byte for byte, in the code page's raw bytes. The raw bytes keep their
// backslashes, which may be the second byte of a CP932 character.
std::vector<std::string> nameReadings(const CueFile& file) {
    std::vector<std::string> out{slashes(file.name)};
    auto add = [&](std::string name) {
        if (staysInFolder(name) && std::find(out.begin(), out.end(), name) == out.end())
            out.push_back(std::move(name));
    };
    add(file.rawName);
    if (!text::validUtf8(file.rawName)) {
        add(slashes(text::fromCp932(file.rawName)));
        add(slashes(text::fromCp1252(file.rawName)));
    }
    return out;
}

// The file a FILE entry means: a reading of its name as written, else in another case, else
// (for audio) the same stem with another audio extension.
std::optional<fs::path> resolveFile(const fs::path& dir, const std::vector<std::string>& names,
                                    bool audio) {
    std::error_code ec;
    for (const auto& name : names) {
        if (fs::is_regular_file(dir / name, ec)) return dir / name;
    }
    for (const bool byStem : {false, true}) {
        if (byStem && !audio) break;
        for (const auto& name : names) {
            const fs::path p = dir / name;
            const std::string wanted = lower(p.filename().string());
            const std::string wantedStem = lower(p.stem().string());
            for (const auto& e : fs::directory_iterator(p.parent_path(), ec)) {
                if (!e.is_regular_file(ec)) continue;
                if (!byStem && lower(e.path().filename().string()) == wanted) return e.path();
                if (byStem && lower(e.path().stem().string()) == wantedStem) {
                    const std::string ext = lower(e.path().extension().string());
                    for (const char* a : kAudioExtensions) {
                        if (ext == a) return e.path();
                    }
                }
            }
        }
    }
    return std::nullopt;
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

std::string at(int line) {
    return " の " + std::to_string(line) + " 行目の";
}

std::string kindName(const CueFile& file) {
    return file.kind == CueFileKind::Audio ? "音声ファイル " : "イメージファイル ";
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
    std::int64_t sector() const { return cursor / kFramesPerSector; }
};

// Where each track's audio (its first index) begins, per file: (sector in the file, track).
struct Cuts {
    std::vector<std::vector<std::pair<std::int64_t, int>>> inFile;
    std::vector<int> ownerAtStart;  // per file: the track its first sector belongs to

    explicit Cuts(const CueSheet& sheet) : inFile(sheet.files.size()) {
        for (std::size_t k = 0; k < sheet.tracks.size(); ++k) {
            const CueIndex& first = sheet.tracks[k].first();
            inFile[static_cast<std::size_t>(first.file)].push_back(
                {first.sector, static_cast<int>(k)});
        }
        // Audio before track 1's first index is track 1's (a hidden track before it).
        int owner = 0;
        for (const auto& cuts : inFile) {
            ownerAtStart.push_back(owner);
            if (!cuts.empty()) owner = cuts.back().second;
        }
    }
};

// The sectors of a raw image file: each stretch has the sector size of the track it belongs
// to (an INDEX 00 gap is stored as its own track's sectors).
RawFormat rawFormat(const CueSheet& sheet, const Cuts& cuts, std::size_t file) {
    RawFormat format;
    format.bigEndian = sheet.files[file].kind == CueFileKind::Motorola;
    const auto bytesOf = [&](int track) {
        return sheet.tracks[static_cast<std::size_t>(track)].sectorBytes;
    };
    format.zones.push_back({0, 0, bytesOf(cuts.ownerAtStart[file])});
    for (const auto& [sector, track] : cuts.inFile[file]) {
        RawZone& last = format.zones.back();
        if (sector == last.firstSector) {
            last.sectorBytes = bytesOf(track);
        } else if (bytesOf(track) != last.sectorBytes) {
            format.zones.push_back(
                {sector, last.byteOffset + (sector - last.firstSector) * last.sectorBytes,
                 bytesOf(track)});
        }
    }
    return format;
}

// A track's graphics: the .cdg beside its audio file (from the track's INDEX 01 on), or the
// sub-channel of a CDG track in a raw image (96 bytes after each sector's 2352 of audio).
void attachGraphics(const CueSheet& sheet, VirtualLayout& layout) {
    std::vector<CdgPiece> pieces;
    bool any = false;
    for (std::size_t k = 0; k < sheet.tracks.size(); ++k) {
        const CueIndex& start = sheet.tracks[k].start();
        const auto f = static_cast<std::size_t>(start.file);
        CdgPiece piece;
        piece.sectors =
            (k + 1 < layout.toc.size() ? layout.toc[k + 1].startSector : layout.leadOutSector) -
            layout.toc[k].startSector;
        if (!layout.rawFormats[f]) {
            if (const auto cdg = cdgBeside(layout.files[f])) {
                piece.kind = CdgPiece::Kind::Packets;
                piece.path = *cdg;
                piece.first = start.sector * cdg::kPacketsPerSector;
            }
        } else {
            const RawFormat& format = *layout.rawFormats[f];
            const RawZone* zone = &format.zones.front();
            for (const RawZone& z : format.zones)
                if (z.firstSector <= start.sector) zone = &z;
            if (zone->sectorBytes == kBytesPerSector + cdg::kSubcodeBytesPerSector) {
                piece.kind = CdgPiece::Kind::SectorTail;
                piece.path = layout.files[f];
                piece.stride = zone->sectorBytes;
                piece.first = zone->byteOffset +
                              (start.sector - zone->firstSector) * zone->sectorBytes +
                              kBytesPerSector;
            }
        }
        any = any || piece.kind != CdgPiece::Kind::None;
        pieces.push_back(std::move(piece));
    }
    if (any) layout.graphics = std::make_shared<FileGraphics>(std::move(pieces));
}

std::optional<VirtualLayout> layOut(const CueSheet& sheet, const std::string& cuePath,
                                    std::string* error) {
    auto refuse = [&](const std::string& why) -> std::optional<VirtualLayout> {
        if (error) *error = "CUE シート " + cuePath + why;
        return std::nullopt;
    };
    const fs::path dir = fs::path(cuePath).parent_path();
    const Cuts cuts(sheet);
    const auto& tracks = sheet.tracks;
    Builder b;
    std::vector<std::int64_t> fileSectors;
    for (std::size_t f = 0; f < sheet.files.size(); ++f) {
        const CueFile& cf = sheet.files[f];
        const bool audio = cf.kind == CueFileKind::Audio;
        if (!staysInFolder(cf.name))
            return refuse(at(cf.line) + kindName(cf) + cf.name +
                          " はディスクのフォルダーの外にあります");
        const auto resolved = resolveFile(dir, nameReadings(cf), audio);
        if (!resolved) return refuse(at(cf.line) + kindName(cf) + cf.name + " が見つかりません");
        b.layout.files.push_back(resolved->string());
        if (audio) {
            std::string why;
            const std::int64_t frames = audioFileFrames(resolved->string(), &why);
            if (frames < 0) {
                if (error) *error = why;
                return std::nullopt;
            }
            fileSectors.push_back(framesToSectorsCeil(frames));
            b.layout.rawFormats.push_back(std::nullopt);
        } else {
            std::error_code ec;
            const auto bytes = fs::file_size(*resolved, ec);
            RawFormat format = rawFormat(sheet, cuts, f);
            fileSectors.push_back(ec ? 0
                                     : rawFileSectors(format, static_cast<std::int64_t>(bytes)));
            b.layout.rawFormats.push_back(std::move(format));
        }
    }
    for (std::size_t k = 0; k < tracks.size(); ++k) {
        for (const CueIndex& i : tracks[k].indexes) {
            const auto file = static_cast<std::size_t>(i.file);
            if (i.sector < fileSectors[file]) continue;
            return refuse(at(i.line) + "トラック " + std::to_string(k + 1) + " の INDEX " +
                          text::pad(i.number, 2) + " が" + kindName(sheet.files[file]) +
                          sheet.files[file].name + " の終わりを越えています");
        }
    }

    // The files end to end; at each track's first index, the previous track's POSTGAP and the
    // track's PREGAP. `anchors` maps each stretch of a file to the disc: (sector in the file,
    // disc sector).
    std::vector<std::vector<std::pair<std::int64_t, std::int64_t>>> anchors(sheet.files.size());
    for (std::size_t f = 0; f < sheet.files.size(); ++f) {
        const int file = static_cast<int>(f);
        int owner = cuts.ownerAtStart[f];
        std::int64_t from = 0;
        auto span = [&](std::int64_t to) {
            if (tracks[static_cast<std::size_t>(owner)].audio)
                b.fileSpan(file, from, to);
            else
                b.silence(to - from);  // a data track plays as silence
        };
        anchors[f].push_back({0, b.sector()});
        for (const auto& [sector, track] : cuts.inFile[f]) {
            span(sector);
            if (track > 0) b.silence(tracks[static_cast<std::size_t>(track) - 1].postgap);
            b.silence(tracks[static_cast<std::size_t>(track)].pregap);
            anchors[f].push_back({sector, b.sector()});
            from = sector;
            owner = track;
        }
        span(fileSectors[f]);
    }
    b.silence(tracks.back().postgap);
    if (b.sector() > kMaxDiscSectors) return refuse(" のディスクは CD として長すぎます");

    for (const CueTrack& t : tracks) {
        // No silence is inserted between a track's first index and its INDEX 01.
        const CueIndex& start = t.start();
        const auto& a = anchors[static_cast<std::size_t>(start.file)];
        const auto it = std::prev(
            std::upper_bound(a.begin(), a.end(), start.sector,
                             [](std::int64_t s, const std::pair<std::int64_t, std::int64_t>& x) {
                                 return s < x.first;
                             }));
        b.layout.toc.push_back({it->second + start.sector - it->first, t.audio});
        b.layout.text.trackTitles.push_back(t.title);
        b.layout.text.trackPerformers.push_back(t.performer);
    }
    b.layout.leadOutSector = b.sector();
    b.layout.text.title = sheet.title;
    b.layout.text.performer = sheet.performer;
    attachGraphics(sheet, b.layout);
    return std::move(b.layout);
}

}  // namespace

std::optional<VirtualLayout> layoutFromCue(const std::string& cuePath, std::string* error) {
    const std::string bytes = readWholeFile(cuePath);
    if (bytes.empty()) {
        if (error) *error = cuePath + " を読み込めません";
        return std::nullopt;
    }
    if (bytes.size() > kMaxCueSheetBytes) {
        if (error) *error = cuePath + " は CUE シートではありません（大きすぎます）";
        return std::nullopt;
    }
    g_parserRuns.fetch_add(1, std::memory_order_relaxed);
    CueRefusal refusal;
    const auto sheet = parseCueSheet(bytes, &refusal);
    if (!sheet) {
        if (error) *error = (refusal.notASheet ? cuePath : "CUE シート " + cuePath) + refusal.why;
        return std::nullopt;
    }
    return layOut(*sheet, cuePath, error);
}

std::string songFromFileName(const std::string& stem, int track) {
    std::size_t i = 0;
    while (i < stem.size() && i < 3 && std::isdigit(static_cast<unsigned char>(stem[i]))) ++i;
    if (i == 0 || std::stoi(stem.substr(0, i)) != track) return stem;
    std::size_t j = i;
    while (j < stem.size() &&
           (stem[j] == ' ' || stem[j] == '-' || stem[j] == '.' || stem[j] == '_' || stem[j] == ')'))
        ++j;
    // A separator must follow the number, and a name must follow the separator.
    if (j == i || j == stem.size()) return stem;
    return stem.substr(j);
}

std::optional<VirtualLayout> layoutFromFiles(const std::vector<std::string>& paths,
                                             std::string* error) {
    Builder b;
    std::vector<CdgPiece> pieces;
    bool any = false;
    for (const auto& p : paths) {
        std::string why;
        const std::int64_t frames = audioFileFrames(p, &why);
        if (frames < 0) {
            if (error) *error = why;
            return std::nullopt;
        }
        const int file = static_cast<int>(b.layout.files.size());
        b.layout.files.push_back(p);
        b.layout.rawFormats.push_back(std::nullopt);
        b.layout.toc.push_back({b.sector(), true});
        b.fileSpan(file, 0, framesToSectorsCeil(frames));
        b.layout.text.trackTitles.push_back(
            songFromFileName(fs::path(p).stem().string(), static_cast<int>(b.layout.toc.size())));
        CdgPiece piece;
        piece.sectors = framesToSectorsCeil(frames);
        if (const auto cdg = cdgBeside(p)) {
            piece.kind = CdgPiece::Kind::Packets;
            piece.path = *cdg;
            any = true;
        }
        pieces.push_back(std::move(piece));
    }
    if (any) b.layout.graphics = std::make_shared<FileGraphics>(std::move(pieces));
    if (b.layout.toc.empty()) {
        if (error) *error = "音声ファイルがありません";
        return std::nullopt;
    }
    b.layout.leadOutSector = b.sector();
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
    disc.graphics = layout.graphics;
    disc.source = std::make_shared<VirtualSource>(
        std::move(layout.files), std::move(layout.rawFormats), std::move(layout.segments));
    return disc;
}

}  // namespace lirafok::device::real
