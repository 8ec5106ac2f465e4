#include "device/real/virtual_source.h"

#include <algorithm>
#include <cstring>

namespace lirafok::device::real {

VirtualSource::VirtualSource(std::vector<std::string> files, std::vector<Segment> segments)
    : m_files(std::move(files)), m_segments(std::move(segments)), m_readers(m_files.size()) {}

AudioFileReader* VirtualSource::reader(int file) {
    auto& r = m_readers[static_cast<std::size_t>(file)];
    if (!r) r = AudioFileReader::open(m_files[static_cast<std::size_t>(file)], &m_error);
    return r.get();
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
            AudioFileReader* r = reader(seg->file);
            if (!r || !r->read(seg->fileFrame + (first - seg->firstFrame), out, n)) {
                if (r) m_error = m_files[static_cast<std::size_t>(seg->file)] + ": read failed";
                return false;
            }
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
