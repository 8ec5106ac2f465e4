#include "device/real/virtual_drive.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

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
    if (ext == ".cue" && !cueUsesBinaryFiles(image.string())) {
        auto layout = layoutFromCue(image.string(), error);
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

}  // namespace

std::optional<DiscImage> readVirtualDisc(const std::string& path, std::vector<std::string>* files,
                                         std::string* error) {
    std::error_code ec;
    if (fs::is_regular_file(path, ec)) return readImageFile(path, files, error);
    std::vector<fs::path> images;
    std::vector<fs::path> audio;
    for (const auto& e : fs::directory_iterator(path, ec)) {
        if (!e.is_regular_file(ec)) continue;
        const std::string ext = lowerExt(e.path());
        if (isImageExt(ext)) images.push_back(e.path());
        if (isAudioExt(ext)) audio.push_back(e.path());
    }
    if (ec) {
        if (error) *error = path + ": " + ec.message();
        return std::nullopt;
    }
    // A CUE sheet describes the disc best; an NRG or TOC image next; bare audio files last.
    std::sort(images.begin(), images.end(), [](const fs::path& a, const fs::path& b) {
        const bool ac = lowerExt(a) == ".cue", bc = lowerExt(b) == ".cue";
        return ac != bc ? ac : a.filename() < b.filename();
    });
    if (!images.empty()) return readImageFile(images.front(), files, error);
    if (audio.empty()) {
        if (error) *error = path + ": no disc";
        return std::nullopt;
    }
    std::sort(audio.begin(), audio.end(),
              [](const fs::path& a, const fs::path& b) { return a.filename() < b.filename(); });
    std::vector<std::string> paths;
    for (const auto& a : audio) paths.push_back(a.string());
    auto layout = layoutFromFiles(paths, error);
    if (!layout) return std::nullopt;
    if (files) *files = layout->files;
    return discFromLayout(std::move(*layout));
}

VirtualDrive::VirtualDrive(std::string folder, std::string name, ui::Scheduler& scheduler,
                           SinkFactory makeSink)
    : PcmDrive(scheduler, std::move(makeSink)),
      m_folder(std::move(folder)),
      m_name(std::move(name)) {}

std::string VirtualDrive::watchedFolder() const {
    return m_image.empty() ? m_folder : fs::path(m_image).parent_path().string();
}

int VirtualDrive::loadImage(const std::string& path) {
    std::error_code ec;
    std::string folder;
    std::string image;
    if (fs::is_directory(path, ec)) {
        folder = path;
    } else if (fs::is_regular_file(path, ec) && isImageExt(lowerExt(path))) {
        image = path;
    } else {
        return errors::kInvalidFile;
    }
    std::string why;
    if (!readVirtualDisc(path, nullptr, &why)) return errors::kInvalidFile;
    const bool hadDisc = hasDisc();
    if (hadDisc) dropDisc(true);
    if (!folder.empty()) m_folder = folder;
    m_image = image;
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

int VirtualDrive::ejectMedium() {
    m_ejectStamp = folderStamp(watchedFolder());
    return errors::kNone;
}

}  // namespace lirafok::device::real
