#include "cdg/screen_png.h"

#include <zlib.h>

#include <cstdint>
#include <vector>

namespace lirafok::cdg {

namespace {

void put32(std::string& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>(v >> shift));
}

void chunk(std::string& out, const char* type, const std::string& data) {
    put32(out, static_cast<std::uint32_t>(data.size()));
    const std::string body = std::string(type, 4) + data;
    out += body;
    put32(out, static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(body.data()),
                                                static_cast<uInt>(body.size()))));
}

}  // namespace

std::string screenToPng(const Screen& s) {
    // Each row: filter type 0, then R G B per pixel.
    std::vector<std::uint8_t> raw;
    raw.reserve(static_cast<std::size_t>(kHeight) * (1 + kWidth * 3));
    for (int y = 0; y < kHeight; ++y) {
        raw.push_back(0);
        for (int x = 0; x < kWidth; ++x) {
            const std::uint32_t rgb = s.rgbAt(x, y);
            raw.push_back(static_cast<std::uint8_t>(rgb >> 16));
            raw.push_back(static_cast<std::uint8_t>(rgb >> 8));
            raw.push_back(static_cast<std::uint8_t>(rgb));
        }
    }
    uLongf size = compressBound(static_cast<uLong>(raw.size()));
    std::string packed(size, '\0');
    compress2(reinterpret_cast<Bytef*>(packed.data()), &size, raw.data(),
              static_cast<uLong>(raw.size()), 6);
    packed.resize(size);

    std::string out("\x89PNG\r\n\x1a\n", 8);
    std::string header;
    put32(header, kWidth);
    put32(header, kHeight);
    header +=
        std::string("\x08\x02\x00\x00\x00", 5);  // 8 bits, RGB, deflate, no filter, no interlace
    chunk(out, "IHDR", header);
    chunk(out, "IDAT", packed);
    chunk(out, "IEND", "");
    return out;
}

}  // namespace lirafok::cdg
