#include "device/real/virtual_drive.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include <sys/stat.h>
#include <unistd.h>

#include "device/real/cdio_source.h"
#include "device/real/change_stamp.h"
#include "device/real/virtual_layout.h"

namespace fs = std::filesystem;

namespace lirafok::device::real {

namespace {

std::string lowerExt(const fs::path& p) {
    std::string e = p.extension().string();
    for (char& c : e) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return e;
}

bool isAudioExt(const std::string& e) {
    static const char* const kExts[] = {".flac", ".wav", ".ogg", ".oga", ".opus", ".aiff",
                                        ".aif",  ".mp3", ".au",  ".caf", ".w64"};
    return std::any_of(std::begin(kExts), std::end(kExts), [&](const char* x) { return e == x; });
}

bool isImageExt(const std::string& e) {
    return e == ".cue" || e == ".nrg" || e == ".toc";
}

std::optional<DiscImage> readImageFile(const fs::path& image, std::vector<std::string>* files,
                                       std::string* error) {
    const std::string ext = lowerExt(image);
    // Read permission is honoured for the superuser too: a file the user marked unreadable
    // is not read behind the mark.
    struct stat st {};
    if (::stat(image.c_str(), &st) != 0 || (st.st_mode & 0444) == 0 ||
        ::access(image.c_str(), R_OK) != 0) {
        if (error) *error = image.string() + " を読み込めません";
        return std::nullopt;
    }
    if (ext == ".cue" && !cueUsesBinaryFiles(image.string())) {
        auto layout = layoutFromCue(image.string(), error);
        if (!layout) return std::nullopt;
        if (files) {
            *files = layout->files;
            files->push_back(image.string());
        }
        return discFromLayout(std::move(*layout));
    }
    std::string why;
    auto disc = readCdioDisc(image.string(), false, &why);
    if (!disc && error) *error = image.string() + " は読み込めるディスクイメージではありません";
    if (disc && files) *files = {image.string()};
    return disc;
}

// When a file or folder came into the folder: the change time, which a copy, a move and a
// rename all set (the modification time survives a move).
std::int64_t placedAt(const fs::path& p) {
    struct stat st {};
    if (::stat(p.c_str(), &st) != 0) return 0;
    return static_cast<std::int64_t>(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
}

struct Candidate {
    fs::path path;
    bool folder = false;  // a folder of audio files (or the drive folder's own audio files)
    bool cue = false;
    std::int64_t placed = 0;
};

// The audio files directly in `dir`, in name order.
std::vector<fs::path> audioFilesIn(const fs::path& dir) {
    std::error_code ec;
    std::vector<fs::path> audio;
    for (const auto& e : fs::directory_iterator(dir, ec))
        if (e.is_regular_file(ec) && isAudioExt(lowerExt(e.path()))) audio.push_back(e.path());
    std::sort(audio.begin(), audio.end(),
              [](const fs::path& a, const fs::path& b) { return a.filename() < b.filename(); });
    return audio;
}

std::optional<DiscImage> readAudioFolder(const fs::path& dir, std::vector<std::string>* files,
                                         std::string* error) {
    std::vector<std::string> paths;
    for (const auto& a : audioFilesIn(dir)) paths.push_back(a.string());
    if (paths.empty()) {
        if (error) *error = dir.string() + " にディスクがありません";
        return std::nullopt;
    }
    auto layout = layoutFromFiles(paths, error);
    if (!layout) return std::nullopt;
    if (files) *files = layout->files;
    return discFromLayout(std::move(*layout));
}

// The discs a folder holds: its images (CUE sheets, NRG and TOC images), each sub-folder
// with a disc of its own, and its own audio files when it has no image. The one placed last
// comes first.
std::vector<Candidate> candidatesIn(const fs::path& dir, bool withSubfolders, std::error_code& ec) {
    std::vector<Candidate> out;
    std::int64_t newestAudio = -1;
    bool images = false;
    for (const auto& e : fs::directory_iterator(dir, ec)) {
        std::error_code entry;
        if (e.is_directory(entry)) {
            if (withSubfolders) out.push_back({e.path(), true, false, placedAt(e.path())});
            continue;
        }
        if (!e.is_regular_file(entry)) continue;
        const std::string ext = lowerExt(e.path());
        if (isImageExt(ext)) {
            images = true;
            out.push_back({e.path(), false, ext == ".cue", placedAt(e.path())});
        } else if (isAudioExt(ext)) {
            newestAudio = std::max(newestAudio, placedAt(e.path()));
        }
    }
    // Audio files beside an image are the image's; alone, they are a disc of their own.
    if (!images && newestAudio >= 0) out.push_back({dir, true, false, newestAudio});
    std::sort(out.begin(), out.end(), [](const Candidate& a, const Candidate& b) {
        if (a.placed != b.placed) return a.placed > b.placed;
        if (a.cue != b.cue) return a.cue;
        return a.path.filename() < b.path.filename();
    });
    return out;
}

std::optional<DiscImage> readFolder(const fs::path& dir, bool withSubfolders,
                                    std::vector<std::string>* files, std::string* error) {
    std::error_code ec;
    const auto candidates = candidatesIn(dir, withSubfolders, ec);
    if (ec) {
        if (error) *error = dir.string() + " を読み込めません";
        return std::nullopt;
    }
    // A damaged sheet must not hide a good disc beside it: the next one is tried.
    std::string first;
    for (const auto& c : candidates) {
        std::string why;
        std::optional<DiscImage> disc;
        if (!c.folder)
            disc = readImageFile(c.path, files, &why);
        else if (c.path == dir)
            disc = readAudioFolder(dir, files, &why);
        else
            disc = readFolder(c.path, false, files, &why);
        if (disc) return disc;
        if (first.empty()) first = why;
    }
    if (error) *error = first.empty() ? dir.string() + " にディスクがありません" : first;
    return std::nullopt;
}

}  // namespace

std::optional<DiscImage> readVirtualDisc(const std::string& path, std::vector<std::string>* files,
                                         std::string* error) {
    std::error_code ec;
    if (fs::is_regular_file(path, ec)) {
        if (!isImageExt(lowerExt(path))) {
            if (error) *error = path + " は CUE シートでもディスクイメージでもありません";
            return std::nullopt;
        }
        return readImageFile(path, files, error);
    }
    if (!fs::is_directory(path, ec)) {
        if (error) *error = path + " が見つかりません";
        return std::nullopt;
    }
    return readFolder(path, true, files, error);
}

VirtualDrive::VirtualDrive(std::string folder, std::string name, ui::Scheduler& scheduler,
                           SinkFactory makeSink)
    : PcmDrive(scheduler, std::move(makeSink)),
      m_folder(std::move(folder)),
      m_name(std::move(name)) {}

std::string VirtualDrive::watchedFolder() const {
    if (m_image.empty()) return m_folder;
    std::error_code ec;
    return fs::is_directory(m_image, ec) ? m_image : fs::path(m_image).parent_path().string();
}

int VirtualDrive::loadImage(const std::string& path, std::string* error) {
    std::string why;
    // A dropped file that is no disc, or a disc that cannot be read, changes nothing.
    if (!readVirtualDisc(path, nullptr, &why)) {
        if (error) *error = why;
        return errors::kInvalidFile;
    }
    if (hasDisc()) dropDisc(true);
    // The drive keeps watching its own folder; the dropped disc is in until it is ejected.
    m_image = path;
    m_ejectStamp.reset();
    return errors::kNone;
}

std::optional<DiscImage> VirtualDrive::loadDisc(std::string* error) {
    const std::string stamp = folderStamp(watchedFolder());
    std::vector<std::string> files;
    auto disc = readVirtualDisc(m_image.empty() ? m_folder : m_image, &files, error);
    if (disc) {
        m_loadedStamp = stamp;
        m_loadedFiles = std::move(files);
    }
    return disc;
}

bool VirtualDrive::discStillThere() {
    std::error_code ec;
    return std::all_of(m_loadedFiles.begin(), m_loadedFiles.end(),
                       [&](const std::string& f) { return fs::is_regular_file(f, ec); });
}

bool VirtualDrive::mediumChanged() {
    return folderStamp(watchedFolder()) != m_loadedStamp;
}

bool VirtualDrive::doorOpen() {
    if (!m_ejectStamp) return false;
    if (folderStamp(watchedFolder()) != *m_ejectStamp) m_ejectStamp.reset();  // a new disc
    return m_ejectStamp.has_value();
}

int VirtualDrive::closeTray() {
    m_ejectStamp.reset();
    return errors::kNone;
}

int VirtualDrive::ejectMedium() {
    // A dropped disc goes out for good; the drive's folder is its tray again, and a disc put
    // into it (or put back) closes the door.
    m_image.clear();
    m_ejectStamp = folderStamp(watchedFolder());
    return errors::kNone;
}

}  // namespace lirafok::device::real
