#include "core/raw_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <dirent.h>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lirafok::rawfile {
namespace {

constexpr std::size_t kChunk = 256 * 1024;
// The smallest read buffer: most files read here (a lyrics file, a catalogue of a few discs)
// are a few KiB, and a chunk-sized buffer zero-filled for each of them costs more than the read.
constexpr std::size_t kMinChunk = 4 * 1024;

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

bool writeAll(int fd, std::string_view data) {
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

std::string_view stripCr(const char* p, std::size_t begin, std::size_t lf) {
    std::size_t end = lf;
    if (end > begin && p[end - 1] == '\r') --end;
    return std::string_view(p + begin, end - begin);
}

// The file a chain of symbolic links ends at (at most 40 links; a loop leaves the path as
// it is, and the rename then replaces the link).
std::string followLinks(std::string path) {
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
        std::string target(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 4096), '\0');
        const ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
        if (n <= 0) return path;
        target.resize(static_cast<std::size_t>(n));
        if (target.front() != '/') {
            const std::string folder = folderOf(path);
            target = (folder == "/" ? "" : folder) + "/" + target;
        }
        path = target;
    }
    return path;
}

// Temporary files of earlier saves of `path` that were killed before their rename
// ("<name>.tmpXXXXXX"). The program runs once per user, so no other save of the same file
// can be under way.
void removeStaleTemps(const std::string& path) {
    const std::string folder = folderOf(path);
    const std::size_t slash = path.find_last_of('/');
    const std::string prefix =
        (slash == std::string::npos ? path : path.substr(slash + 1)) + ".tmp";
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return;
    while (const dirent* e = ::readdir(dir)) {
        const std::string name = e->d_name;
        if (name.size() != prefix.size() + 6 || name.compare(0, prefix.size(), prefix) != 0)
            continue;
        const std::string stale = (folder == "/" ? "" : folder) + "/" + name;
        struct stat st {};
        if (::lstat(stale.c_str(), &st) == 0 && S_ISREG(st.st_mode)) ::unlink(stale.c_str());
    }
    ::closedir(dir);
}

}  // namespace

std::optional<std::string> readBytes(const std::string& path) {
    ChunkReader reader(path);
    if (!reader.isOpen()) return std::nullopt;
    std::string data;
    std::string_view chunk;
    while (reader.nextChunk(chunk)) data += chunk;
    if (reader.failed()) return std::nullopt;
    return data;
}

bool writeBytes(const std::string& path, std::string_view data) {
    SafeWriter writer(path);
    writer.write(data);
    return writer.commit();
}

std::vector<std::string_view> splitLines(std::string_view data) {
    std::vector<std::string_view> lines;
    const char* p = data.data();
    std::size_t start = 0;
    while (start < data.size()) {
        // LF is never the second byte of a CP932 character, so raw splitting is exact.
        const std::size_t lf = data.find('\n', start);
        if (lf == std::string_view::npos) {
            lines.push_back(data.substr(start));
            break;
        }
        lines.push_back(stripCr(p, start, lf));
        start = lf + 1;
    }
    return lines;
}

bool isWriteProtected(const std::string& path) {
    // Honoured even for the superuser, who would otherwise write through a read-only mark.
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && (st.st_mode & 0222) == 0) return true;
    return ::stat(folderOf(path).c_str(), &st) == 0 && (st.st_mode & 0222) == 0;
}

bool fileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool parentFolderExists(const std::string& path) {
    struct stat st {};
    return ::stat(folderOf(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// ---------------------------------------------------------------- ChunkReader

ChunkReader::ChunkReader(const std::string& path) {
    m_fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (m_fd < 0) return;
    struct stat st {};
    if (::fstat(m_fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(m_fd);
        m_fd = -1;
        return;
    }
    // One byte over the size lets a whole regular file be read before end of file shows; a
    // file that grows meanwhile, or one without a size, doubles the buffer as it goes.
    std::size_t want = kChunk;
    if (S_ISREG(st.st_mode) && st.st_size >= 0 && static_cast<std::uint64_t>(st.st_size) < kChunk)
        want = std::max(kMinChunk, static_cast<std::size_t>(st.st_size) + 1);
    m_buf.resize(want);
}

ChunkReader::~ChunkReader() {
    if (m_fd >= 0) ::close(m_fd);
}

// Moves the unread bytes to the front and reads more behind them; false when nothing more
// could be read.
bool ChunkReader::fill() {
    if (m_eof || m_failed || m_fd < 0) return false;
    if (m_begin > 0) {
        std::memmove(m_buf.data(), m_buf.data() + m_begin, m_end - m_begin);
        m_end -= m_begin;
        m_begin = 0;
    }
    if (m_end == m_buf.size()) m_buf.resize(m_buf.size() * 2);  // one line longer than a chunk
    for (;;) {
        const ssize_t got = ::read(m_fd, m_buf.data() + m_end, m_buf.size() - m_end);
        if (got < 0) {
            if (errno == EINTR) continue;
            m_failed = true;
            return false;
        }
        if (got == 0) {
            m_eof = true;
            return false;
        }
        m_end += static_cast<std::size_t>(got);
        return true;
    }
}

bool ChunkReader::nextLine(std::string_view& line) {
    std::size_t searched = m_begin;
    for (;;) {
        const void* hit = std::memchr(m_buf.data() + searched, '\n', m_end - searched);
        if (hit) {
            const std::size_t lf =
                static_cast<std::size_t>(static_cast<const char*>(hit) - m_buf.data());
            line = stripCr(m_buf.data(), m_begin, lf);
            m_begin = lf + 1;
            return true;
        }
        const std::size_t pending = m_end - m_begin;
        if (!fill()) break;
        searched = pending;  // after fill() the unread bytes start at 0
    }
    if (m_failed || m_begin == m_end) return false;
    line = std::string_view(m_buf.data() + m_begin, m_end - m_begin);
    m_begin = m_end;
    return true;
}

bool ChunkReader::nextChunk(std::string_view& chunk) {
    if (m_begin == m_end && !fill()) return false;
    chunk = std::string_view(m_buf.data() + m_begin, m_end - m_begin);
    m_begin = m_end;
    return true;
}

// ---------------------------------------------------------------- SafeWriter

SafeWriter::SafeWriter(std::string path) : m_path(std::move(path)) {
    if (m_path.empty()) return;
    // A link is written through: the file it names is replaced, the link stays a link.
    m_path = followLinks(m_path);
    if (isWriteProtected(m_path)) return;
    removeStaleTemps(m_path);
    struct stat old {};
    if (::stat(m_path.c_str(), &old) == 0) {
        if (S_ISDIR(old.st_mode)) return;
        m_mode = old.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        m_mode = 0666 & ~mask;
    }
    m_temp = m_path + ".tmpXXXXXX";
    m_fd = ::mkostemp(m_temp.data(), O_CLOEXEC);
    m_ok = m_fd >= 0;
}

SafeWriter::~SafeWriter() {
    abandon();
}

void SafeWriter::write(std::string_view bytes) {
    if (!m_ok) return;
    if (m_buf.size() + bytes.size() > kChunk) {
        if (!flush()) return;
        if (bytes.size() > kChunk) {
            m_ok = writeAll(m_fd, bytes);
            return;
        }
    }
    m_buf += bytes;
}

bool SafeWriter::flush() {
    m_ok = m_ok && writeAll(m_fd, m_buf);
    m_buf.clear();
    return m_ok;
}

bool SafeWriter::commit() {
    bool ok = flush();
    ok = ok && ::fchmod(m_fd, m_mode) == 0;
    ok = ok && ::fsync(m_fd) == 0;
    if (m_fd >= 0) ok = (::close(m_fd) == 0) && ok;
    m_fd = -1;
    ok = ok && ::rename(m_temp.c_str(), m_path.c_str()) == 0;
    if (!ok) {
        m_ok = false;
        abandon();
        return false;
    }
    m_temp.clear();
    m_ok = false;  // nothing more may be written
    // Make the rename durable; a failure here does not undo the written file.
    const int dir = ::open(folderOf(m_path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

void SafeWriter::abandon() {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
    if (!m_temp.empty()) ::unlink(m_temp.c_str());
    m_temp.clear();
}

}  // namespace lirafok::rawfile
