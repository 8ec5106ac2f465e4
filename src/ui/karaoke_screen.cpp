#include "ui/karaoke_screen.h"

#include <algorithm>

namespace lirafok::ui {

std::string KaraokeLine::text() const {
    std::string out;
    for (const KaraokePiece& p : pieces) out += p.text;
    return out;
}

double wipedPieces(const KaraokeLine& line, std::int32_t t) {
    double done = 0;
    for (const KaraokePiece& p : line.pieces) {
        if (t >= p.end && t >= p.start) {
            done += 1;
            continue;
        }
        if (t > p.start && p.end > p.start)
            done += static_cast<double>(t - p.start) / static_cast<double>(p.end - p.start);
        break;
    }
    return done;
}

KaraokeFrame karaokeFrameAt(const KaraokeScene& scene, std::int32_t t) {
    KaraokeFrame f;
    f.title = t < scene.titleUntil && !(scene.title.empty() && scene.artist.empty());
    for (std::size_t i = 0; i < scene.lines.size(); ++i) {
        const KaraokeLine& l = scene.lines[i];
        if (t < l.appear || t >= l.vanish) continue;
        KaraokeRowFrame& r = f.rows[static_cast<std::size_t>(l.row & 1)];
        r.line = static_cast<int>(i);
        if (t < l.start) {
            r.state = LineState::Coming;
            r.wiped = 0;
        } else if (t >= l.end) {
            r.state = LineState::Passed;
            r.wiped = static_cast<double>(l.pieces.size());
        } else {
            r.state = LineState::Singing;
            r.wiped = l.wipe ? wipedPieces(l, t) : static_cast<double>(l.pieces.size());
        }
        if (l.countIn && t < l.start && t >= l.start - kCountInMs) {
            f.dots = std::clamp((l.start - t + 999) / 1000, 1, kCountInDots);
            f.dotsRow = l.row & 1;
        }
    }
    return f;
}

void KaraokeScreen::userClickRow(int row) {
    const KaraokeFrame f = frame();
    if (row < 0 || row > 1 || !m_scene) return;
    const int line = f.rows[static_cast<std::size_t>(row)].line;
    if (line < 0) return;
    userClickLine(m_scene->lines[static_cast<std::size_t>(line)].lyricLine);
}

}  // namespace lirafok::ui
