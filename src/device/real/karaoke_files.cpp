#include "device/real/karaoke_files.h"

#include <zip.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "cdg/packet.h"
#include "device/real/cdg_sources.h"

namespace fs = std::filesystem;

namespace lirafok::device::real {

namespace {

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool isAudioName(const std::string& name) {
    static const char* const kAudio[] = {".flac", ".wav", ".ogg", ".oga", ".opus", ".aiff",
                                         ".aif",  ".wv",  ".mp3", ".au",  ".caf",  ".w64"};
    const std::string ext = lower(fs::path(name).extension().string());
    return std::any_of(std::begin(kAudio), std::end(kAudio),
                       [&](const char* a) { return ext == a; });
}

struct Zip {
    zip_t* z = nullptr;
    ~Zip() {
        if (z) zip_discard(z);
    }
};

bool readMember(zip_t* z, zip_uint64_t index, std::uint64_t size, std::vector<std::uint8_t>& out) {
    zip_file_t* f = zip_fopen_index(z, index, 0);
    if (!f) return false;
    out.resize(size);
    std::uint64_t done = 0;
    while (done < size) {
        const zip_int64_t got = zip_fread(f, out.data() + done, size - done);
        if (got <= 0) break;
        done += static_cast<std::uint64_t>(got);
    }
    zip_fclose(f);
    return done == size;
}

// Keys of a .ccd section ("INDEX 1" -> "0"), keys in upper case.
using Section = std::map<std::string, std::string>;

std::map<std::string, Section> readIni(const std::string& path) {
    std::ifstream in(path);
    std::map<std::string, Section> out;
    std::string line, current;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.size() > 2 && line.front() == '[' && line.back() == ']') {
            current = line.substr(1, line.size() - 2);
            for (char& c : current)
                c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            continue;
        }
        const auto eq = line.find('=');
        if (eq == std::string::npos) continue;
        std::string key = line.substr(0, eq);
        for (char& c : key) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        out[current][key] = line.substr(eq + 1);
    }
    return out;
}

std::optional<fs::path> besideWithExt(const fs::path& of, const std::string& ext) {
    std::error_code ec;
    const std::string stem = lower(of.stem().string());
    for (const auto& e : fs::directory_iterator(of.parent_path(), ec))
        if (e.is_regular_file(ec) && lower(e.path().stem().string()) == stem &&
            lower(e.path().extension().string()) == ext)
            return e.path();
    return std::nullopt;
}

}  // namespace

std::string defaultZipCache() {
    if (const char* x = std::getenv("XDG_CACHE_HOME"); x && *x)
        return std::string(x) + "/lirafok/zip";
    if (const char* h = std::getenv("HOME"); h && *h) return std::string(h) + "/.cache/lirafok/zip";
    return (fs::temp_directory_path() / "lirafok-zip").string();
}

std::optional<VirtualLayout> layoutFromZip(const std::string& zipPath,
                                           const std::string& cacheFolder, std::string* error) {
    auto refuse = [&](const std::string& why) -> std::optional<VirtualLayout> {
        if (error) *error = "ZIP ファイル " + zipPath + why;
        return std::nullopt;
    };
    int code = 0;
    Zip zip{zip_open(zipPath.c_str(), ZIP_RDONLY, &code)};
    if (!zip.z) return refuse(" を読み込めません");
    std::vector<zip_uint64_t> audio, cdg;
    const zip_int64_t count = zip_get_num_entries(zip.z, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        const char* name = zip_get_name(zip.z, static_cast<zip_uint64_t>(i), 0);
        if (!name || std::string(name).ends_with('/')) continue;
        if (lower(fs::path(name).extension().string()) == ".cdg")
            cdg.push_back(static_cast<zip_uint64_t>(i));
        else if (isAudioName(name))
            audio.push_back(static_cast<zip_uint64_t>(i));
    }
    if (cdg.empty()) return refuse(" には CD+G (.cdg) ファイルがありません");
    if (cdg.size() > 1) return refuse(" には CD+G (.cdg) ファイルが複数あります");
    if (audio.empty()) return refuse(" には音声ファイルがありません");
    if (audio.size() > 1) return refuse(" には音声ファイルが複数あります");

    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(zip.z, cdg[0], 0, &st) != 0) return refuse(" を読み込めません");
    auto packets = std::make_shared<std::vector<std::uint8_t>>();
    if (!readMember(zip.z, cdg[0], st.size, *packets)) return refuse(" を読み込めません");

    // The audio goes to the cache under the ZIP's name, size and time, so that a changed ZIP
    // is copied again and an unchanged one is not.
    zip_stat_t ast;
    zip_stat_init(&ast);
    if (zip_stat_index(zip.z, audio[0], 0, &ast) != 0) return refuse(" を読み込めません");
    std::error_code ec;
    const auto zipSize = fs::file_size(zipPath, ec);
    const auto zipTime = fs::last_write_time(zipPath, ec).time_since_epoch().count();
    const fs::path dir =
        fs::path(cacheFolder) / (fs::path(zipPath).stem().string() + "-" + std::to_string(zipSize) +
                                 "-" + std::to_string(zipTime));
    const fs::path audioPath = dir / fs::path(ast.name).filename();
    if (!fs::is_regular_file(audioPath, ec) || fs::file_size(audioPath, ec) != ast.size) {
        fs::create_directories(dir, ec);
        std::vector<std::uint8_t> bytes;
        if (!readMember(zip.z, audio[0], ast.size, bytes)) return refuse(" を読み込めません");
        const fs::path partial = audioPath.string() + ".part";
        {
            std::ofstream out(partial, std::ios::binary);
            out.write(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<std::streamsize>(bytes.size()));
            if (!out) return refuse(" の音声を " + dir.string() + " に書き出せません");
        }
        fs::rename(partial, audioPath, ec);
        if (ec) return refuse(" の音声を " + dir.string() + " に書き出せません");
    }
    auto layout = layoutFromFiles({audioPath.string()}, error);
    if (!layout) return std::nullopt;
    CdgPiece piece;
    piece.kind = CdgPiece::Kind::Packets;
    piece.path = zipPath;
    piece.bytes = std::move(packets);
    piece.sectors = layout->leadOutSector - layout->toc[0].startSector;
    layout->graphics = std::make_shared<FileGraphics>(std::vector<CdgPiece>{std::move(piece)});
    layout->text.trackTitles = {fs::path(ast.name).stem().string()};
    return layout;
}

std::optional<VirtualLayout> layoutFromCcd(const std::string& ccdPath, std::string* error) {
    auto refuse = [&](const std::string& why) -> std::optional<VirtualLayout> {
        if (error) *error = "CloneCD イメージ " + ccdPath + why;
        return std::nullopt;
    };
    const auto ini = readIni(ccdPath);
    const auto img = besideWithExt(ccdPath, ".img");
    if (!img) return refuse(" の .img ファイルが見つかりません");
    std::error_code ec;
    const std::int64_t sectors =
        static_cast<std::int64_t>(fs::file_size(*img, ec)) / kBytesPerSector;
    if (ec || sectors <= 0) return refuse(" の .img ファイルを読み込めません");

    struct Track {
        std::int64_t start;  // sector in the .img
        bool audio;
    };
    std::vector<Track> tracks;
    for (int n = 1; n <= 99; ++n) {
        const auto it = ini.find("TRACK " + std::to_string(n));
        if (it == ini.end()) break;
        const auto index = it->second.find("INDEX 1");
        if (index == it->second.end())
            return refuse(" の TRACK " + std::to_string(n) + " に INDEX 1 がありません");
        const std::int64_t start = std::atoll(index->second.c_str());
        const auto mode = it->second.find("MODE");
        if (start < 0 || start >= sectors || (!tracks.empty() && start <= tracks.back().start))
            return refuse(" の TRACK " + std::to_string(n) + " の位置が正しくありません");
        tracks.push_back({start, mode == it->second.end() || std::atoi(mode->second.c_str()) == 0});
    }
    if (tracks.empty()) return refuse(" にトラックがありません");

    VirtualLayout layout;
    layout.files = {img->string()};
    RawFormat raw;
    raw.zones.push_back({0, 0, static_cast<int>(kBytesPerSector)});
    layout.rawFormats = {raw};
    const auto sub = besideWithExt(ccdPath, ".sub");
    std::vector<CdgPiece> pieces;
    // Audio before track 1's INDEX 1 belongs to track 1, as on a CD.
    std::int64_t cursor = 0;
    for (std::size_t k = 0; k < tracks.size(); ++k) {
        const std::int64_t end = k + 1 < tracks.size() ? tracks[k + 1].start : sectors;
        const std::int64_t from = k == 0 ? 0 : tracks[k].start;
        layout.segments.push_back({(kLeadInSectors + from) * kFramesPerSector,
                                   (end - from) * kFramesPerSector, tracks[k].audio ? 0 : -1,
                                   tracks[k].audio ? from * kFramesPerSector : 0});
        layout.toc.push_back({kLeadInSectors + tracks[k].start, tracks[k].audio});
        CdgPiece piece;
        piece.sectors = end - tracks[k].start;
        if (sub && tracks[k].audio) {
            piece.kind = CdgPiece::Kind::ChannelFile;
            piece.path = sub->string();
            piece.first = tracks[k].start * cdg::kSubcodeBytesPerSector;
            piece.stride = cdg::kSubcodeBytesPerSector;
        }
        pieces.push_back(std::move(piece));
        cursor = end;
    }
    layout.leadOutSector = kLeadInSectors + cursor;
    if (sub) layout.graphics = std::make_shared<FileGraphics>(std::move(pieces));
    return layout;
}

std::optional<VirtualLayout> layoutFromPair(const std::string& path, std::string* error) {
    const bool isCdg = lower(fs::path(path).extension().string()) == ".cdg";
    const auto audio = isCdg ? audioBeside(path) : std::optional<std::string>(path);
    if (!audio || (!isCdg && !cdgBeside(path))) {
        if (error)
            *error = path + (isCdg ? " と同じ名前の音声ファイルがありません"
                                   : " と同じ名前の CD+G (.cdg) ファイルがありません");
        return std::nullopt;
    }
    return layoutFromFiles({*audio}, error);
}

}  // namespace lirafok::device::real
