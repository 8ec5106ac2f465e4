#pragma once
// Reads the PNG files other programs write (FFmpeg's frames, lirafok-cdg's screens) into RGB:
// 8-bit grey, RGB, palette, grey + alpha and RGBA images without interlacing. Alpha is dropped.
#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace lirafok::testing {

struct RgbImage {
    int width = 0, height = 0;
    std::vector<std::uint32_t> pixels;  // 0xRRGGBB, row by row
    std::uint32_t at(int x, int y) const {
        return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                      static_cast<std::size_t>(x)];
    }
};

inline std::optional<RgbImage> readPng(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::string f((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (f.size() < 8 || f.compare(0, 8, "\x89PNG\r\n\x1a\n", 8) != 0) return std::nullopt;
    auto u32 = [&](std::size_t at) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(f[at])) << 24 |
               static_cast<std::uint32_t>(static_cast<unsigned char>(f[at + 1])) << 16 |
               static_cast<std::uint32_t>(static_cast<unsigned char>(f[at + 2])) << 8 |
               static_cast<std::uint32_t>(static_cast<unsigned char>(f[at + 3]));
    };
    RgbImage img;
    int depth = 0, type = 0, interlace = 0;
    std::string idat, palette;
    for (std::size_t at = 8; at + 12 <= f.size();) {
        const std::uint32_t len = u32(at);
        const std::string kind = f.substr(at + 4, 4);
        const std::string data = f.substr(at + 8, len);
        if (kind == "IHDR") {
            img.width = static_cast<int>(u32(at + 8));
            img.height = static_cast<int>(u32(at + 12));
            depth = static_cast<unsigned char>(data[8]);
            type = static_cast<unsigned char>(data[9]);
            interlace = static_cast<unsigned char>(data[12]);
        } else if (kind == "PLTE") {
            palette = data;
        } else if (kind == "IDAT") {
            idat += data;
        }
        at += 12 + len;
    }
    const int channels = type == 0 ? 1 : type == 2 ? 3 : type == 3 ? 1 : type == 4 ? 2 : 4;
    if (depth != 8 || interlace != 0 || type == 1 || type == 5 || type > 6) return std::nullopt;
    const std::size_t stride = static_cast<std::size_t>(img.width) * channels;
    std::vector<unsigned char> raw((stride + 1) * static_cast<std::size_t>(img.height));
    uLongf size = static_cast<uLongf>(raw.size());
    if (uncompress(raw.data(), &size, reinterpret_cast<const Bytef*>(idat.data()),
                   static_cast<uLong>(idat.size())) != Z_OK ||
        size != raw.size())
        return std::nullopt;
    std::vector<unsigned char> prev(stride, 0), row(stride);
    img.pixels.resize(static_cast<std::size_t>(img.width) * static_cast<std::size_t>(img.height));
    for (int y = 0; y < img.height; ++y) {
        const unsigned char* line = raw.data() + static_cast<std::size_t>(y) * (stride + 1);
        const int filter = line[0];
        for (std::size_t i = 0; i < stride; ++i) {
            const int a = i >= static_cast<std::size_t>(channels) ? row[i - channels] : 0;
            const int b = prev[i];
            const int c = i >= static_cast<std::size_t>(channels) ? prev[i - channels] : 0;
            int predictor = 0;
            if (filter == 1) predictor = a;
            if (filter == 2) predictor = b;
            if (filter == 3) predictor = (a + b) / 2;
            if (filter == 4) {
                const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b),
                          pc = std::abs(p - c);
                predictor = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
            }
            row[i] = static_cast<unsigned char>(line[1 + i] + predictor);
        }
        for (int x = 0; x < img.width; ++x) {
            const unsigned char* px = row.data() + static_cast<std::size_t>(x) * channels;
            std::uint32_t rgb;
            if (type == 3) {
                const std::size_t k = static_cast<std::size_t>(px[0]) * 3;
                rgb =
                    k + 2 < palette.size()
                        ? static_cast<std::uint32_t>(static_cast<unsigned char>(palette[k])) << 16 |
                              static_cast<std::uint32_t>(static_cast<unsigned char>(palette[k + 1]))
                                  << 8 |
                              static_cast<unsigned char>(palette[k + 2])
                        : 0;
            } else if (type == 0 || type == 4) {
                rgb = static_cast<std::uint32_t>(px[0]) * 0x010101u;
            } else {
                rgb = static_cast<std::uint32_t>(px[0]) << 16 |
                      static_cast<std::uint32_t>(px[1]) << 8 | px[2];
            }
            img.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(img.width) +
                       static_cast<std::size_t>(x)] = rgb;
        }
        prev = row;
    }
    return img;
}

}  // namespace lirafok::testing
