#include "core/default_drive.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace lirafok::core {

std::string defaultDrivePath() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::string base;
    if (config && *config) {
        base = config;
    } else {
        const char* home = std::getenv("HOME");
        base = std::string(home && *home ? home : ".") + "/.config";
    }
    return base + "/lirafok/default_drive";
}

std::optional<std::string> readDefaultDriveData() {
    std::ifstream in(defaultDrivePath(), std::ios::binary);
    if (!in) return std::nullopt;
    std::string data(kDefaultDriveDataSize + 1, '\0');
    in.read(data.data(), static_cast<std::streamsize>(data.size()));
    if (in.gcount() != static_cast<std::streamsize>(kDefaultDriveDataSize)) return std::nullopt;
    data.resize(kDefaultDriveDataSize);
    return data;
}

bool writeDefaultDriveData(const std::string& data) {
    if (data.size() != kDefaultDriveDataSize) return false;
    const fs::path path = defaultDrivePath();
    std::error_code ec;
    fs::create_directories(path.parent_path(), ec);
    const std::string temp = path.string() + ".tmp";
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) return false;
    const bool written =
        ::write(fd, data.data(), data.size()) == static_cast<ssize_t>(data.size()) &&
        ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed || std::rename(temp.c_str(), path.c_str()) != 0) {
        std::remove(temp.c_str());
        return false;
    }
    return true;
}

bool ensureDefaultDriveData() {
    if (readDefaultDriveData()) return true;
    // Missing, or damaged (not 4 bytes): start again from the first drive.
    return writeDefaultDriveData(std::string(kDefaultDriveDataSize, '\0'));
}

}  // namespace lirafok::core
