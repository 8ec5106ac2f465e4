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

std::string folderStamp(const std::string& folder) {
    std::error_code ec;
    std::vector<std::string> lines;
    for (const auto& e : fs::directory_iterator(folder, ec)) {
        if (!isDiscFileExtension(e.path().extension().string())) continue;
        struct stat st {};
        if (::stat(e.path().c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
        lines.push_back(e.path().filename().string() + '\t' + std::to_string(st.st_size) + '\t' +
                        std::to_string(st.st_mtim.tv_sec) + '.' +
                        std::to_string(st.st_mtim.tv_nsec));
    }
    if (ec) return {};
    std::sort(lines.begin(), lines.end());
    std::string stamp = "#";  // an existing, empty folder differs from a missing one
    for (const auto& l : lines) stamp += l + '\n';
    return stamp;
}

}  // namespace lirafok::device::real
