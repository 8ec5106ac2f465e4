#include "demo_cdg.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>

#include "cdg/encoder.h"

namespace lirafok::tools {

namespace {

using cdg::Screen;

// The colour table: index -> 0xRGB.
enum Colour : std::uint8_t { kBackground = 0, kInk = 1, kSung = 2, kOutline = 3, kTitle = 4 };
constexpr std::array<std::uint16_t, 8> kColours = {0x114, 0xFFF, 0xF80, 0x000,
                                                   0x8CF, 0x226, 0x000, 0x000};
constexpr int kPixelSize = 22;          // glyph size for lyric lines
constexpr int kLineTop[2] = {72, 132};  // pixel rows of the two lyric lines (tile aligned)

std::vector<char32_t> codePoints(const std::string& s) {
    std::vector<char32_t> out;
    for (std::size_t i = 0; i < s.size();) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        const int n = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        char32_t v = n == 1 ? c : c & (0x3F >> (n - 1));
        for (int k = 1; k < n && i + static_cast<std::size_t>(k) < s.size(); ++k)
            v = v << 6 | (static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]) & 0x3F);
        out.push_back(v);
        i += static_cast<std::size_t>(n);
    }
    return out;
}

// A line of text as a mask: which pixels are ink, within a box of the screen's width.
struct Mask {
    int width = 0, height = 0;
    std::vector<std::uint8_t> ink;
    bool at(int x, int y) const {
        return x >= 0 && y >= 0 && x < width && y < height &&
               ink[static_cast<std::size_t>(y * width + x)];
    }
};

class Fonts {
public:
    bool open(const std::string& path, std::string* error) {
        if (FT_Init_FreeType(&m_lib) != 0 || FT_New_Face(m_lib, path.c_str(), 0, &m_face) != 0) {
            if (error) *error = "cannot use the font " + path;
            return false;
        }
        return true;
    }
    ~Fonts() {
        if (m_face) FT_Done_Face(m_face);
        if (m_lib) FT_Done_FreeType(m_lib);
    }
    Mask line(const std::string& text, int pixels) {
        FT_Set_Pixel_Sizes(m_face, 0, static_cast<FT_UInt>(pixels));
        Mask m;
        m.height = pixels + pixels / 3;
        m.width = cdg::kWidth;
        m.ink.assign(static_cast<std::size_t>(m.width * m.height), 0);
        const int baseline = pixels;
        // Lay the glyphs out once to measure, then centre.
        int pen = 0;
        struct Placed {
            int x, y, w, h;
            std::vector<std::uint8_t> bits;
        };
        std::vector<Placed> placed;
        for (const char32_t c : codePoints(text)) {
            if (FT_Load_Char(m_face, c, FT_LOAD_RENDER) != 0) continue;
            const FT_GlyphSlot g = m_face->glyph;
            Placed p{pen + g->bitmap_left,
                     baseline - g->bitmap_top,
                     static_cast<int>(g->bitmap.width),
                     static_cast<int>(g->bitmap.rows),
                     {}};
            for (int y = 0; y < p.h; ++y)
                for (int x = 0; x < p.w; ++x)
                    p.bits.push_back(g->bitmap.buffer[y * g->bitmap.pitch + x] >= 110);
            placed.push_back(std::move(p));
            pen += static_cast<int>(g->advance.x >> 6);
        }
        const int offset = std::max(0, (m.width - pen) / 2);
        for (const Placed& p : placed)
            for (int y = 0; y < p.h; ++y)
                for (int x = 0; x < p.w; ++x) {
                    const int tx = offset + p.x + x, ty = p.y + y;
                    if (p.bits[static_cast<std::size_t>(y * p.w + x)] && tx >= 0 && ty >= 0 &&
                        tx < m.width && ty < m.height)
                        m.ink[static_cast<std::size_t>(ty * m.width + tx)] = 1;
                }
        m.width = std::max(m.width, 1);
        m_left = offset;
        m_right = offset + pen;
        return m;
    }
    int left() const { return m_left; }
    int right() const { return m_right; }

private:
    FT_Library m_lib = nullptr;
    FT_Face m_face = nullptr;
    int m_left = 0, m_right = 0;
};

// Draws `mask` at row `top`: ink in `ink` left of `split` (pixels) and `rest` right of it, a
// one-pixel outline round the ink.
void drawLine(Screen& s, const Mask& mask, int top, int split, std::uint8_t ink,
              std::uint8_t rest) {
    for (int y = 0; y < mask.height; ++y) {
        const int sy = top + y;
        if (sy < cdg::kBorderHeight || sy >= cdg::kHeight - cdg::kBorderHeight) continue;
        for (int x = cdg::kBorderWidth; x < cdg::kWidth - cdg::kBorderWidth; ++x) {
            std::uint8_t c = kBackground;
            if (mask.at(x, y))
                c = x < split ? ink : rest;
            else if (mask.at(x - 1, y) || mask.at(x + 1, y) || mask.at(x, y - 1) ||
                     mask.at(x, y + 1))
                c = kOutline;
            s.pixels[static_cast<std::size_t>(sy * cdg::kWidth + x)] = c;
        }
    }
}

void clearRows(Screen& s, int top, int height) {
    for (int y = top; y < top + height; ++y)
        for (int x = cdg::kBorderWidth; x < cdg::kWidth - cdg::kBorderWidth; ++x)
            s.pixels[static_cast<std::size_t>(y * cdg::kWidth + x)] = kBackground;
}

// Packets laid out on the track's timeline: each batch starts at its packet and takes the next
// free places.
class Schedule {
public:
    explicit Schedule(std::int64_t packets) : m_slots(static_cast<std::size_t>(packets)) {}
    void put(std::int64_t at, const std::vector<cdg::Packet>& batch) {
        std::size_t i = static_cast<std::size_t>(std::max<std::int64_t>(at, 0));
        for (const cdg::Packet& p : batch) {
            while (i < m_slots.size() && m_used.count(i)) ++i;
            if (i >= m_slots.size()) return;
            m_slots[i] = p;
            m_used.insert({i, true});
        }
    }
    std::vector<std::uint8_t> bytes() const {
        std::vector<std::uint8_t> out;
        for (const cdg::Packet& p : m_slots) cdg::encode::append(out, p);
        return out;
    }

private:
    std::vector<cdg::Packet> m_slots;
    std::map<std::size_t, bool> m_used;
};

}  // namespace

std::string findJapaneseFont() {
    for (const char* p : {"/usr/share/fonts/opentype/noto/NotoSansCJK-Bold.ttc",
                          "/usr/share/fonts/opentype/noto/NotoSansCJK-Regular.ttc"})
        if (std::filesystem::exists(p)) return p;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(
        ::popen("fc-match -f '%{file}' 'Noto Sans CJK JP:bold' 2>/dev/null", "r"), ::pclose);
    std::string path;
    char buf[512];
    while (pipe && std::fgets(buf, sizeof buf, pipe.get())) path += buf;
    return path;
}

std::vector<std::uint8_t> renderSongCdg(const Song& song, const std::string& subtitle,
                                        std::int64_t packets, const std::string& fontPath,
                                        std::string* error) {
    Fonts fonts;
    if (!fonts.open(fontPath, error)) return {};
    Schedule schedule(packets);
    auto atMs = [](std::int64_t ms) { return ms * cdg::kPacketsPerSecond / 1000; };

    // The title screen, from the start: colours, a clear screen and border, then the title.
    Screen now, target;
    std::vector<cdg::Packet> opening = {cdg::encode::loadColours(false, kColours),
                                        cdg::encode::memoryPreset(kBackground),
                                        cdg::encode::borderPreset(kOutline)};
    for (auto& p : opening) cdg::apply(now, p.data());
    target = now;
    drawLine(target, fonts.line(song.title, 30), 72, cdg::kWidth, kTitle, kTitle);
    drawLine(target, fonts.line(subtitle, 16), 132, cdg::kWidth, kInk, kInk);
    auto title = cdg::encode::drawDifference(now, target);
    opening.insert(opening.end(), title.begin(), title.end());
    schedule.put(0, opening);

    const auto starts = phraseStartsMs(song);
    const double beatMs = 60000.0 / song.bpm;
    std::vector<std::size_t> sung;
    for (std::size_t p = 0; p < song.phrases.size(); ++p)
        if (!song.phrases[p].lyric.empty()) sung.push_back(p);
    if (sung.empty()) return schedule.bytes();

    // Lines are shown in pairs; a pair comes up two beats before its first line is sung.
    for (std::size_t k = 0; k < sung.size(); ++k) {
        const auto& phrase = song.phrases[sung[k]];
        const int slot = static_cast<int>(k % 2);
        const std::int64_t start = starts[sung[k]];
        if (slot == 0) {
            target = now;
            clearRows(target, 60, 108);
            drawLine(target, fonts.line(phrase.lyric, kPixelSize), kLineTop[0], 0, kSung, kInk);
            if (k + 1 < sung.size())
                drawLine(target, fonts.line(song.phrases[sung[k + 1]].lyric, kPixelSize),
                         kLineTop[1], 0, kSung, kInk);
            schedule.put(atMs(start - static_cast<std::int64_t>(2 * beatMs)),
                         cdg::encode::drawDifference(now, target));
        }
        // The wipe: over the notes that carry the line, tile column by tile column.
        double sungBeats = 0;
        for (const Note& n : phrase.notes)
            if (n.degree != 0) sungBeats += n.beats;
        const Mask mask = fonts.line(phrase.lyric, kPixelSize);
        const int left = fonts.left(), right = fonts.right();
        const double wipeMs = std::max(1.0, (sungBeats)*beatMs);
        for (int x = left - left % cdg::kTileWidth; x <= right + cdg::kTileWidth;
             x += cdg::kTileWidth) {
            target = now;
            drawLine(target, mask, kLineTop[slot], x + cdg::kTileWidth, kSung, kInk);
            const double f = static_cast<double>(x - left) / std::max(1, right - left);
            schedule.put(atMs(start + static_cast<std::int64_t>(std::clamp(f, 0.0, 1.0) * wipeMs)),
                         cdg::encode::drawDifference(
                             now, target, kLineTop[slot] / cdg::kTileHeight, 0,
                             (mask.height + cdg::kTileHeight - 1) / cdg::kTileHeight));
        }
    }
    return schedule.bytes();
}

}  // namespace lirafok::tools
