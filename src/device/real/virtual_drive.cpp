#include "device/real/virtual_drive.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include <sys/stat.h>
#include <unistd.h>

#include "device/real/cdio_source.h"
#include "device/real/cdg_sources.h"
#include "device/real/change_stamp.h"
#include "device/real/karaoke_files.h"
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
    return e == ".cue" || e == ".nrg" || e == ".toc" || e == ".zip" || e == ".ccd";
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
    // CUE sheets, of audio files and of raw BIN images alike, are laid out here; libcdio reads
    // NRG and cdrdao TOC images.
    if (ext == ".cue") {
        auto layout = layoutFromCue(image.string(), error);
        if (!layout) return std::nullopt;
        if (files) {
            *files = layout->files;
            files->push_back(image.string());
        }
        return discFromLayout(std::move(*layout));
    }
    if (ext == ".zip" || ext == ".ccd") {
        auto layout = ext == ".zip" ? layoutFromZip(image.string(), defaultZipCache(), error)
                                    : layoutFromCcd(image.string(), error);
        if (!layout) return std::nullopt;
        if (files) {
            *files = layout->files;
            files->push_back(image.string());
        }
        return discFromLayout(std::move(*layout));
    }
    auto disc = readCdioDisc(image.string(), false, error);
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

// The disc placed last that could not be read: where it is, when it was placed and why.
struct Refusal {
    std::string path;
    std::int64_t placed = 0;
    std::string error;  // empty: nothing was refused
};

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

// `nameIsTitle`: the folder's name is offered as the disc's title (an album folder; not the
// drive's own folder, whose name says nothing about the disc).
std::optional<DiscImage> readAudioFolder(const fs::path& dir, std::vector<std::string>* files,
                                         std::string* error, bool nameIsTitle) {
    std::vector<std::string> paths;
    for (const auto& a : audioFilesIn(dir)) paths.push_back(a.string());
    if (paths.empty()) {
        if (error) *error = dir.string() + " にディスクがありません";
        return std::nullopt;
    }
    auto layout = layoutFromFiles(paths, error);
    if (!layout) return std::nullopt;
    if (nameIsTitle) layout->text.title = dir.filename().string();
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

// `driveFolder`: `dir` is the drive's own folder (its name is no disc title).
std::optional<DiscImage> readFolder(const fs::path& dir, bool withSubfolders, bool driveFolder,
                                    std::vector<std::string>* files, std::string* error,
                                    Refusal* refusal = nullptr) {
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
        Refusal inner{c.path.string(), c.placed, {}};
        if (!c.folder)
            disc = readImageFile(c.path, files, &why);
        else if (c.path == dir)
            disc = readAudioFolder(dir, files, &why, !driveFolder);
        else
            disc = readFolder(c.path, false, false, files, &why, &inner);
        if (disc) return disc;
        if (first.empty()) first = why;
        // A sub-folder with no disc in it (lyrics kept beside the discs) is nothing refused.
        const bool nothingThere = c.folder && c.path != dir && inner.error.empty();
        if (refusal && refusal->error.empty() && !nothingThere) {
            *refusal = inner;
            if (refusal->error.empty()) refusal->error = why;
        }
    }
    if (error) *error = first.empty() ? dir.string() + " にディスクがありません" : first;
    return std::nullopt;
}

}  // namespace

std::optional<DiscImage> readVirtualDisc(const std::string& path, std::vector<std::string>* files,
                                         std::string* error) {
    std::error_code ec;
    if (fs::is_regular_file(path, ec)) {
        // A karaoke pair: an audio file and the .cdg of the same stem, either of them named.
        const std::string ext = lowerExt(path);
        if (ext == ".cdg" || (isAudioExt(ext) && cdgBeside(path))) {
            auto layout = layoutFromPair(path, error);
            if (!layout) return std::nullopt;
            if (files) *files = layout->files;
            return discFromLayout(std::move(*layout));
        }
        if (!isImageExt(ext)) {
            if (error) *error = path + " は CUE シートでもディスクイメージでもありません";
            return std::nullopt;
        }
        return readImageFile(path, files, error);
    }
    if (!fs::is_directory(path, ec)) {
        if (error) *error = path + " が見つかりません";
        return std::nullopt;
    }
    return readFolder(path, true, false, files, error);
}

VirtualDrive::VirtualDrive(std::string folder, std::string name, ui::Scheduler& scheduler,
                           SinkFactory makeSink)
    : PcmDrive(scheduler, std::move(makeSink)),
      m_folder(std::move(folder)),
      m_name(std::move(name)) {}

VirtualDrive::~VirtualDrive() {
    if (m_settleTask) scheduler().cancel(m_settleTask);
}

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
    m_failedStamp.reset();
    noteRefusal({}, {}, 0, {});
    return errors::kNone;
}

std::optional<DiscImage> VirtualDrive::loadDisc(std::string* error) {
    const std::string stamp = folderStamp(watchedFolder());
    if (m_image.empty() && m_failedStamp == stamp &&
        scheduler().nowMs() - m_failedAtMs < kRereadMs) {
        // Nothing was placed, taken out or changed since the folder gave no disc.
        if (error) *error = m_failedError;
        return std::nullopt;
    }
    std::vector<std::string> files;
    std::string why;
    Refusal refusal;
    auto disc = m_image.empty() ? readFolder(m_folder, true, true, &files, &why, &refusal)
                                : readVirtualDisc(m_image, &files, &why);
    if (disc) {
        m_loadedStamp = stamp;
        m_loadedFiles = std::move(files);
        m_loadedShape = shapeOf(*disc);
        m_failedStamp.reset();
    } else if (m_image.empty()) {
        m_failedStamp = stamp;
        m_failedError = why;
        m_failedAtMs = scheduler().nowMs();
    }
    if (m_image.empty()) noteRefusal(stamp, refusal.path, refusal.placed, refusal.error);
    if (error) *error = why;
    return disc;
}

std::vector<std::int64_t> VirtualDrive::shapeOf(const DiscImage& disc) {
    std::vector<std::int64_t> shape;
    for (const auto& t : disc.toc) shape.push_back(t.startSector);
    shape.push_back(disc.leadOutSector);
    return shape;
}

bool VirtualDrive::discStillThere() {
    std::error_code ec;
    return std::all_of(m_loadedFiles.begin(), m_loadedFiles.end(),
                       [&](const std::string& f) { return fs::is_regular_file(f, ec); });
}

bool VirtualDrive::mediumChanged() {
    const std::string stamp = folderStamp(watchedFolder());
    if (stamp == m_loadedStamp) return false;
    if (!m_image.empty()) return true;
    // Something was placed, taken out or changed. When the folder still gives the loaded disc
    // (a disc that cannot be read was placed beside it, say), the loaded one plays on.
    std::vector<std::string> files;
    Refusal refusal;
    const auto disc = readFolder(m_folder, true, true, &files, nullptr, &refusal);
    noteRefusal(stamp, refusal.path, refusal.placed, refusal.error);
    if (disc && files == m_loadedFiles && shapeOf(*disc) == m_loadedShape) {
        m_loadedStamp = stamp;
        return false;
    }
    return true;
}

void VirtualDrive::noteRefusal(const std::string& stamp, const std::string& path,
                               std::int64_t placed, const std::string& error) {
    const std::string key = path + '\t' + std::to_string(placed) + '\t' + error;
    if (error.empty() || m_told.count(key)) {
        m_pending.reset();
        if (m_settleTask) scheduler().cancel(m_settleTask);
        m_settleTask = 0;
        return;
    }
    if (m_pending && m_pending->key == key && m_pending->stamp == stamp) return;
    m_pending = Pending{key, stamp, error};
    // Told once the folder has stayed as it is for a moment, whether or not anyone polls.
    if (m_settleTask) scheduler().cancel(m_settleTask);
    // The destructor cancels the task: it never runs on a drive that is gone.
    m_settleTask = scheduler().schedule(kSettleMs, [this] {
        m_settleTask = 0;
        settle();
    });
}

void VirtualDrive::settle() {
    if (!m_pending) return;
    const std::string stamp = folderStamp(m_folder);
    if (stamp != m_pending->stamp) {
        // Still changing (a disc being copied in): look again, and wait again.
        Refusal refusal;
        readFolder(m_folder, true, true, nullptr, nullptr, &refusal);
        noteRefusal(stamp, refusal.path, refusal.placed, refusal.error);
        return;
    }
    if (m_told.size() >= 64) m_told.clear();
    m_told.insert(m_pending->key);
    const std::string message = m_pending->message;
    m_pending.reset();
    if (m_onUnreadable) m_onUnreadable(message);
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
