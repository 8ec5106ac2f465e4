#pragma once
// A fresh folder under the system's temporary folder for one test, removed with everything in
// it when the test ends.
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

namespace lirafok::testing {

class TempFolder {
public:
    explicit TempFolder(const std::string& tag) {
        std::string pattern =
            (std::filesystem::temp_directory_path() / ("lirafok_" + tag + "_XXXXXX")).string();
        if (!::mkdtemp(pattern.data())) throw std::runtime_error("cannot make " + pattern);
        m_path = pattern;
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // The folder, without a trailing "/".
    const std::string& path() const { return m_path; }
    std::string operator/(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

// A file's bytes exactly as written / as stored ("" when it cannot be read).
inline void writeRaw(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}
inline std::string readRaw(const std::string& path) {
    std::ostringstream s;
    s << std::ifstream(path, std::ios::binary).rdbuf();
    return s.str();
}

}  // namespace lirafok::testing
