// lirafok-cdg: the screen at given times and after every packet, as PNG files.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "../support/png_reader.h"
#include "cdg/encoder.h"
#include "cdg/timeline.h"
#include "test_discs.h"

namespace lirafok::cdg {
namespace {

std::vector<std::uint8_t> stream() {
    std::vector<std::uint8_t> s;
    encode::append(
        s, encode::loadColours(false, {0x000, 0xF00, 0x0F0, 0x00F, 0xFF0, 0x0FF, 0xF0F, 0xFFF}));
    for (int n = 1; n < 700; ++n) {
        if (n % 90 == 0)
            encode::append(s, encode::memoryPreset((n / 90) % 8));
        else if (n % 3 == 0)
            encode::append(s, encode::tile(n % 18, n % 50, n % 8, (n + 3) % 8,
                                           {0x3F, 0x21, 0x21, 0x33, 0x2D, 0x21, 0x21, 0x2D, 0x33,
                                            0x21, 0x21, 0x3F},
                                           n % 2));
        else
            encode::append(s, encode::nothing());
    }
    return s;
}

bool sameAsScreen(const std::string& png, const Screen& s) {
    const auto img = testing::readPng(png);
    if (!img || img->width != kWidth || img->height != kHeight) return false;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            if (img->at(x, y) != s.rgbAt(x, y)) return false;
    return true;
}

int run(const std::string& args) {
    const int status =
        std::system((std::string(LIRAFOK_CDG) + " " + args + " >/dev/null 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(CdgTool, WritesTheScreenAtEachTimeGiven) {
    const std::string dir = testing::makeTempDir("cdg_tool_at");
    const auto bytes = stream();
    std::ofstream(dir + "/t.cdg", std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    ASSERT_EQ(run(dir + "/t.cdg --out " + dir + "/out --at 0,3,4,1000,2333,60000"), 0);
    Timeline t(bytes);
    // Packet n plays at n/300 s: by 3 ms packet 0 only, by 4 ms packet 1 too.
    const struct {
        int ms;
        std::size_t applied;
    } cases[] = {{0, 1}, {3, 1}, {4, 2}, {1000, 301}, {2333, 700}, {60000, 700}};
    for (const auto& c : cases)
        EXPECT_TRUE(sameAsScreen(dir + "/out/at_" + std::to_string(c.ms) + ".png",
                                 t.screenAfter(c.applied)))
            << c.ms;
    std::filesystem::remove_all(dir);
}

TEST(CdgTool, WritesOnePictureAfterEveryPacket) {
    const std::string dir = testing::makeTempDir("cdg_tool_every");
    auto bytes = stream();
    bytes.resize(120 * kPacketBytes);
    std::ofstream(dir + "/t.cdg", std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    ASSERT_EQ(run(dir + "/t.cdg --out " + dir + "/every --every-packet"), 0);
    Screen s;
    for (std::size_t n = 0; n < 120; ++n) {
        apply(s, bytes.data() + n * kPacketBytes);
        char name[16];
        std::snprintf(name, sizeof name, "%06zu.png", n);
        ASSERT_TRUE(sameAsScreen(dir + "/every/" + name, s)) << name;
    }
    EXPECT_FALSE(std::filesystem::exists(dir + "/every/000120.png"));
    std::filesystem::remove_all(dir);
}

TEST(CdgTool, AnswersHelpVersionAndWrongUse) {
    const struct {
        const char* args;
        int status;
    } cases[] = {{"--help", 0},
                 {"--version", 0},
                 {"x.cdg", 2},
                 {"x.cdg --out /tmp/x", 2},
                 {"x.cdg --out /tmp/x --at 1 --every-packet", 2},
                 {"/nonexistent.cdg --out /tmp/x --at 5", 1},
                 {"x.cdg --out /tmp/x --at 5,abc", 1}};
    for (const auto& c : cases) EXPECT_EQ(run(c.args), c.status) << c.args;
}

}  // namespace
}  // namespace lirafok::cdg
