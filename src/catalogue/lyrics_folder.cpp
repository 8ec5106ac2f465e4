#include "catalogue/lyrics_folder.h"

#include <cctype>
#include <filesystem>

namespace fs = std::filesystem;

namespace lirafok {

namespace {

constexpr const char* kCatalogue = "LIRAFOK.TXT";
// Each track's key, tempo and voice (written by the player).
constexpr const char* kKeyTempo = "LIRAFOK.KEY";

// "00012000.001", "00012000.001.xyz": a disc key's first eight digits, a dot, three digits.
bool discFileName(const std::string& name) {
    if (name.size() < 12 || name[8] != '.') return false;
    for (int i = 0; i < 12; ++i)
        if (i != 8 && !std::isdigit(static_cast<unsigned char>(name[static_cast<std::size_t>(i)])))
            return false;
    return name.size() == 12 || name[12] == '.';
}

}  // namespace

bool holdsCatalogue(const std::string& folder) {
    std::error_code ec;
    return fs::is_regular_file(fs::path(folder) / kCatalogue, ec);
}

FolderCopy copyLyricsFolder(const std::string& from, const std::string& to) {
    FolderCopy result;
    std::error_code ec;
    fs::directory_iterator it(from, ec);
    if (ec) {
        result.ok = false;
        result.error = from + " を読み込めません（" + ec.message() + "）";
        return result;
    }
    for (const auto& entry : it) {
        const std::string name = entry.path().filename().string();
        if (!entry.is_regular_file(ec) ||
            (name != kCatalogue && name != kKeyTempo && !discFileName(name)))
            continue;
        const fs::path target = fs::path(to) / name;
        if (fs::exists(target, ec)) {
            ++result.kept;
            continue;
        }
        const fs::path temp = fs::path(to) / (name + ".lirafok-copy");
        fs::copy_file(entry.path(), temp, fs::copy_options::overwrite_existing, ec);
        if (!ec) fs::rename(temp, target, ec);
        if (ec) {
            std::error_code ignored;
            fs::remove(temp, ignored);
            result.ok = false;
            result.error = name + " を " + to + " にコピーできません（" + ec.message() + "）";
            return result;
        }
        ++result.copied;
    }
    return result;
}

}  // namespace lirafok
