#pragma once
// Which disc frame each frame given to the sink comes from. The writer notes, for every chunk
// it starts to give the sink, the output frame the chunk starts at, the disc frame its first
// frame plays and its output frames per disc frame; the frame the sink says is heard is then
// looked up here. A stretcher's start delay is already taken off the chunks (their first frame
// is audio of their disc frame), so the map is exact to the frame at any key and tempo, and
// a span whose stretcher could not be made maps one to one.
#include <cmath>
#include <cstdint>
#include <deque>

namespace lirafok::device::real {

class OutputMap {
public:
    void clear() { m_anchors.clear(); }
    // Output frames from `outFrame` on play disc frames from `discFrame` on, `ratio` output
    // frames per disc frame. Output frames must be marked in increasing order.
    void mark(std::int64_t outFrame, std::int64_t discFrame, double ratio) {
        m_anchors.push_back({outFrame, discFrame, ratio});
    }
    // The disc frame output frame `n` plays (nothing marked: `n` itself), and the ratio there.
    // Anchors wholly before `n` are dropped: the frames asked about never go back.
    std::int64_t discFrameOf(std::int64_t n) {
        while (m_anchors.size() > 1 && m_anchors[1].out <= n) m_anchors.pop_front();
        if (m_anchors.empty()) return n;
        const Anchor& a = m_anchors.front();
        return a.disc + std::llround(static_cast<double>(n - a.out) / a.ratio);
    }
    double ratio() const { return m_anchors.empty() ? 1.0 : m_anchors.front().ratio; }

private:
    struct Anchor {
        std::int64_t out, disc;
        double ratio;
    };
    std::deque<Anchor> m_anchors;
};

}  // namespace lirafok::device::real
