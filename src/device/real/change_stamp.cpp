#include "device/real/change_stamp.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <vector>

namespace fs = std::filesystem;

namespace lirafok::device::real {

bool isDiscFileExtension(std::string e) {
    for (char& c : e) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    static const char* const kExts[] = {".cue", ".bin", ".img", ".nrg",  ".toc",  ".flac",
                                        ".wav", ".ogg", ".oga", ".opus", ".aiff", ".aif",
                                        ".mp3", ".au",  ".caf", ".w64"};
    return std::any_of(std::begin(kExts), std::end(kExts), [&](const char* x) { return e == x; });
}

namespace {

// One line per disc file (name, size, modification and change times) and per sub-folder,
// whose own disc files are listed under its name. The change time tells a file put back after
// a move (which keeps the modification time) from one that never left.
void stampLines(const fs::path& folder, const std::string& prefix, bool withSubfolders,
                std::vector<std::string>& lines, std::error_code& ec) {
    for (const auto& e : fs::directory_iterator(folder, ec)) {
        struct stat st {};
        if (::stat(e.path().c_str(), &st) != 0) continue;
        const std::string name = prefix + e.path().filename().string();
        const std::string times =
            std::to_string(st.st_mtim.tv_sec) + '.' + std::to_string(st.st_mtim.tv_nsec) + '\t' +
            std::to_string(st.st_ctim.tv_sec) + '.' + std::to_string(st.st_ctim.tv_nsec);
        if (S_ISDIR(st.st_mode)) {
            if (!withSubfolders) continue;
            // Its name only: files written into it (lyrics kept beside a disc) are no new disc.
            lines.push_back(name + "/");
            std::error_code inner;
            stampLines(e.path(), name + "/", false, lines, inner);
            continue;
        }
        if (!S_ISREG(st.st_mode) || !isDiscFileExtension(e.path().extension().string())) continue;
        lines.push_back(name + '\t' + std::to_string(st.st_size) + '\t' + times);
    }
}

}  // namespace

std::string folderStamp(const std::string& folder) {
    std::error_code ec;
    std::vector<std::string> lines;
    stampLines(folder, "", true, lines, ec);
    if (ec) return {};
    std::sort(lines.begin(), lines.end());
    std::string stamp = "#";  // an existing, empty folder differs from a missing one
    for (const auto& l : lines) stamp += l + '\n';
    return stamp;
}

}  // namespace lirafok::device::real
