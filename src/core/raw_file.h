#pragma once
// Byte-exact file access for the data files whose foreign lines must survive a rewrite
// untouched (catalogue records of other discs, lyric text kept by a timing save).
//
// The line rules match text::readLines: LF ends a line, a CR right before it belongs to the
// line break, a lone CR stays in the line, a final line without a break counts.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lirafok::rawfile {

// Whole file as bytes; std::nullopt when it cannot be opened or is a folder.
std::optional<std::string> readBytes(const std::string& path);

// Replaces `path` with `data` safely (see SafeWriter). False, old file untouched, on failure.
bool writeBytes(const std::string& path, std::string_view data);

// Lines of `data` without their line breaks; the views point into `data`.
std::vector<std::string_view> splitLines(std::string_view data);

// A file or folder the program must not write: the file, or the folder it is in, has no write
// permission bit (honoured for the superuser too).
bool isWriteProtected(const std::string& path);
// True for an existing file that is not a folder.
bool fileExists(const std::string& path);

// True when the folder part of `path` exists and is a folder ("" or no slash: the current
// directory).
bool parentFolderExists(const std::string& path);

// Reads a file in pieces of at most a fixed size (a small file in one piece of its own size),
// so that large files cost no large allocations and small ones no large buffer.
class ChunkReader {
public:
    explicit ChunkReader(const std::string& path);
    ~ChunkReader();
    ChunkReader(const ChunkReader&) = delete;
    ChunkReader& operator=(const ChunkReader&) = delete;

    bool isOpen() const { return m_fd >= 0; }
    // Next line without its line break; the view is valid until the next call. False at the
    // end of the file or on a read error (see failed()).
    bool nextLine(std::string_view& line);
    // Next piece of raw bytes, valid until the next call; false at the end or on error.
    bool nextChunk(std::string_view& chunk);
    bool failed() const { return m_failed; }

private:
    bool fill();

    int m_fd = -1;
    bool m_failed = false;
    bool m_eof = false;
    std::string m_buf;
    std::size_t m_begin = 0;  // unread bytes are m_buf[m_begin, m_end)
    std::size_t m_end = 0;
};

// Writes a replacement for `path`: bytes go to a temporary file in the same folder; commit()
// flushes it to disk and renames it over `path` (which keeps its permission bits). Until then,
// and whenever anything fails, `path` is untouched; an uncommitted temporary file is removed.
class SafeWriter {
public:
    explicit SafeWriter(std::string path);
    ~SafeWriter();
    SafeWriter(const SafeWriter&) = delete;
    SafeWriter& operator=(const SafeWriter&) = delete;

    void write(std::string_view bytes);
    bool commit();

private:
    bool flush();
    void abandon();

    std::string m_path;
    std::string m_temp;
    int m_fd = -1;
    unsigned m_mode = 0;
    bool m_ok = false;
    std::string m_buf;
};

}  // namespace lirafok::rawfile
