#include "core/default_drive.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "core/raw_file.h"

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
    // The safe writer keeps the old value on any failure and refuses a write-protected file or
    // folder, as every other data file of the program.
    return rawfile::writeBytes(path.string(), data);
}

bool ensureDefaultDriveData() {
    if (readDefaultDriveData()) return true;
    // Missing, or damaged (not 4 bytes): start again from the first drive.
    return writeDefaultDriveData(std::string(kDefaultDriveDataSize, '\0'));
}

}  // namespace lirafok::core
