#include "device/real/virtual_source.h"

#include <algorithm>
#include <cstring>

namespace lirafok::device::real {

VirtualSource::VirtualSource(std::vector<std::string> files,
                             std::vector<std::optional<RawFormat>> rawFormats,
                             std::vector<Segment> segments)
    : m_files(std::move(files)),
      m_rawFormats(std::move(rawFormats)),
      m_segments(std::move(segments)),
      m_readers(m_files.size()) {
    m_rawFormats.resize(m_files.size());
}

bool VirtualSource::readFile(int file, std::int64_t first, std::int16_t* out, std::int64_t count) {
    const auto f = static_cast<std::size_t>(file);
    Reader& r = m_readers[f];
    if (m_rawFormats[f]) {
        if (!r.raw) r.raw = RawSectorReader::open(m_files[f], *m_rawFormats[f], &m_error);
        if (!r.raw) return false;
        if (r.raw->read(first, out, count)) return true;
    } else {
        if (!r.audio) r.audio = AudioFileReader::open(m_files[f], &m_error);
        if (!r.audio) return false;
        if (r.audio->read(first, out, count)) return true;
    }
    m_error = m_files[f] + ": read failed";
    return false;
}

bool VirtualSource::read(std::int64_t first, std::int16_t* out, std::int64_t count) {
    while (count > 0) {
        // The segment holding `first`: the last one that starts at or before it.
        auto it =
            std::upper_bound(m_segments.begin(), m_segments.end(), first,
                             [](std::int64_t f, const Segment& s) { return f < s.firstFrame; });
        std::int64_t n = count;
        const Segment* seg = nullptr;
        if (it == m_segments.begin()) {
            // Lead-in: silence up to the first segment.
            if (!m_segments.empty()) n = std::min(n, m_segments.front().firstFrame - first);
        } else {
            seg = &*std::prev(it);
            if (first >= seg->firstFrame + seg->frames) {
                seg = nullptr;  // past the lead-out
            } else {
                n = std::min(n, seg->firstFrame + seg->frames - first);
            }
        }
        if (seg && seg->file >= 0) {
            if (!readFile(seg->file, seg->fileFrame + (first - seg->firstFrame), out, n))
                return false;
        } else {
            std::memset(out, 0, static_cast<std::size_t>(n) * 4);
        }
        out += n * 2;
        first += n;
        count -= n;
    }
    return true;
}

}  // namespace lirafok::device::real
