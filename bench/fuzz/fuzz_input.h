#pragma once
// The readers take file paths: each run's input is written to a file in a private folder on
// tmpfs (/dev/shm), so that the fuzzer measures the readers, not the disk.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

namespace lirafok::fuzz {

// The folder of this process, created on first use and emptied of nothing: every target
// writes the same few names, so it never grows.
inline const std::string& workFolder() {
    static const std::string folder = [] {
        std::string f = "/dev/shm/lirafok-fuzz-" + std::to_string(::getpid()) + "/";
        std::filesystem::create_directories(f);
        return f;
    }();
    return folder;
}

// Writes `data` to `name` inside the work folder and returns its path.
inline std::string inputFile(const std::string& name, const std::uint8_t* data, std::size_t size) {
    const std::string path = workFolder() + name;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) __builtin_trap();
    if (size && std::fwrite(data, 1, size, f) != size) __builtin_trap();
    std::fclose(f);
    return path;
}

inline std::string_view asText(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

}  // namespace lirafok::fuzz
