#include "core/settings_file.h"

#include "../support/temp_folder.h"
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <utility>

#include "core/text.h"

namespace lirafok {
namespace {

namespace fs = std::filesystem;

class SettingsFileTest : public ::testing::Test {
protected:
    lirafok::testing::TempFolder m_tmp{"ini"};
    std::string m_dir = m_tmp.path();
    std::string m_path = m_tmp / "LIRAFOK.INI";

    // Reads `lines` as a settings file into default settings; volume lines are collected.
    SettingsReadResult read(const std::vector<std::string>& lines, Settings& s) {
        EXPECT_TRUE(text::writeLines(m_path, lines));
        m_volumes.clear();
        return readSettings(m_path, s, [this](int channel, std::int32_t level) {
            m_volumes.emplace_back(channel, level);
        });
    }

    std::vector<std::pair<int, std::int32_t>> m_volumes;
};

std::string lineOf(const std::vector<std::string>& lines, const std::string& key) {
    for (const std::string& l : lines)
        if (l.compare(0, key.size(), key) == 0) return l;
    return "";
}

TEST_F(SettingsFileTest, WindowKeysNeedHozonBeforeThem) {
    struct Case {
        std::vector<std::string> lines;
        std::int32_t kasit;
    };
    const Case cases[] = {
        {{"HOZON=1", "KASIT=00100"}, 100},
        {{"KASIT=00100", "HOZON=1"}, 30},
        {{"HOZON=0", "KASIT=00100"}, 30},
        {{"HOZON=2", "KASIT=00100"}, 30},
        {{"HOZON=1", "HOZON=0", "KASIT=00100"}, 30},
    };
    for (const Case& c : cases) {
        Settings s;
        read(c.lines, s);
        EXPECT_EQ(s.KASIT, c.kasit) << c.lines[0] << " / " << c.lines[1];
    }
}

TEST_F(SettingsFileTest, ValueSlicesAndKeys) {
    struct Case {
        std::string line;
        std::int32_t Settings::*member;
        std::int32_t expected;
    };
    const Case cases[] = {
        {"KASIF=123", &Settings::KASIF, 12},  // two characters only
        {"SCANA=0123", &Settings::SCANA, 12},
        {"SCANS=05", &Settings::SCANS, 5},
        {"CYOUS=01234", &Settings::CYOUS, 123},
        {"KASIH=10", &Settings::KASIH, 1},
        {"KIDOU=7", &Settings::KIDOU, 7},
        {"CMAI5=16711680", &Settings::CMAI5, 16711680},
        {"CMAI2=abc", &Settings::CMAI2, 0},
        {"KASIF=", &Settings::KASIF, 0},
        {"KASIF", &Settings::KASIF, 0},
        {"SWVOL=2x", &Settings::SWVOL, 2},
        {"GPT1S=100", &Settings::GPT1S, 100},  // read to the end of the line
        {"GPSIZ=90", &Settings::GPSIZ, 90},
        {"kasih=1", &Settings::KASIH, 0},  // keys are case-sensitive
        {"KASIH 1", &Settings::KASIH, 1},  // the sixth character is not checked
        {" KASIH=1", &Settings::KASIH, 0},
    };
    for (const Case& c : cases) {
        Settings s;
        read({c.line}, s);
        EXPECT_EQ(s.*c.member, c.expected) << c.line;
    }
}

TEST_F(SettingsFileTest, TextValues) {
    Settings s;
    read(
        {"GPNR =DOLBY B", "KASID=/home/ユーザー/歌詞/", "FONTN=ＭＳ 明朝", "GPSTR=MONO ", "GPTYP="},
        s);
    EXPECT_EQ(s.GPNR, "DOLBY B");
    EXPECT_EQ(s.KASID, "/home/ユーザー/歌詞/");
    EXPECT_EQ(s.FONTN, "ＭＳ 明朝");
    EXPECT_EQ(s.GPSTR, "MONO ");
    EXPECT_EQ(s.GPTYP, "");

    Settings t;
    read({"GPNR=DOLBY B"}, t);  // without the blank the key is "GPNR="
    EXPECT_EQ(t.GPNR, "OFF");
}

TEST_F(SettingsFileTest, Ckas4FollowsCkas2UnlessPresent) {
    struct Case {
        std::vector<std::string> lines;
        std::int32_t ckas4;
    };
    const Case cases[] = {
        {{}, 0},
        {{"CKAS2=255"}, 255},
        {{"CKAS2=255", "CKAS4=100"}, 100},
        {{"CKAS4=100", "CKAS2=255"}, 100},
        {{"CKAS4=0", "CKAS2=255"}, 0},
    };
    for (const Case& c : cases) {
        Settings s;
        read(c.lines, s);
        EXPECT_EQ(s.CKAS4, c.ckas4) << c.lines.size();
    }
}

TEST_F(SettingsFileTest, LayoutLinesAndVolumeLines) {
    Settings s;
    SettingsReadResult r = read(
        {"VOLU2=051200", "GMNSN=10010000200", "VOLUM=030720", "GMNSR=0000451125", "VOLUM=x"}, s);
    EXPECT_TRUE(r.opened);
    EXPECT_EQ(r.layoutFlag, 0);  // the line read last wins
    EXPECT_EQ(r.fullLeft, 100);
    EXPECT_EQ(r.fullTop, 200);
    EXPECT_EQ(r.reducedLeft, 45);
    EXPECT_EQ(r.reducedTop, 1125);
    const std::vector<std::pair<int, std::int32_t>> volumes = {{1, 51200}, {0, 30720}, {0, 0}};
    EXPECT_EQ(m_volumes, volumes);

    SettingsReadResult none = read({"KASIH=1"}, s);
    EXPECT_EQ(none.layoutFlag, -1);
    EXPECT_EQ(none.fullLeft, 1350);
    EXPECT_EQ(none.fullTop, 585);
    EXPECT_EQ(none.reducedLeft, 0);
    EXPECT_EQ(none.reducedTop, 1125);
    EXPECT_TRUE(m_volumes.empty());

    // No callback: volume lines are skipped quietly.
    Settings u;
    EXPECT_TRUE(readSettings(m_path, u, nullptr).opened);
}

TEST_F(SettingsFileTest, MissingFileLeavesSettingsAlone) {
    Settings s;
    s.KASIF = 9;
    s.KASID = "/x/";
    const SettingsReadResult r = readSettings(m_dir + "/none.ini", s, nullptr);
    EXPECT_FALSE(r.opened);
    EXPECT_EQ(s.KASIF, 9);
    EXPECT_EQ(s.CKAS4, 0);

    s.KASIH = 1;
    s.SCANS = 30;
    s.HOZON = 1;
    applySettingsFallback(s);
    Settings expected;
    expected.KASIF = 12;
    EXPECT_EQ(s, expected);
}

TEST_F(SettingsFileTest, WrittenLinesInOrder) {
    Settings s;
    s.TRKLE = 1;
    s.TOTLE = 0;
    s.KIDOU = 5;
    s.KASIH = 2;
    s.GPT1S = 8;
    s.GPLEF = 5;
    const std::vector<std::string> lines = settingsLines(s, 1, 100, 200, -30, 1125, 30720, 65536);
    ASSERT_EQ(lines.size(), 70u);
    EXPECT_EQ(lines.front(), "KASIH=0");  // only 1 is written as 1
    EXPECT_EQ(lines[3], "KASIF=12");
    EXPECT_EQ(lines.back(), "SOUND=0");
    EXPECT_EQ(lineOf(lines, "KIDOU"), "KIDOU=1");
    EXPECT_EQ(lineOf(lines, "TRKLE"), "TRKLE=1");
    EXPECT_EQ(lineOf(lines, "TOTLE"), "TOTLE=1");  // written from TRKLE
    EXPECT_EQ(lineOf(lines, "SCANA"), "SCANA=000");
    EXPECT_EQ(lineOf(lines, "CYOUS"), "CYOUS=0300");
    EXPECT_EQ(lineOf(lines, "KASII"), "KASII=06885");
    EXPECT_EQ(lineOf(lines, "CMAI5"), "CMAI5=16776960");
    EXPECT_EQ(lineOf(lines, "GMNSN"), "GMNSN=10010000200");
    EXPECT_EQ(lineOf(lines, "GMNSR"), "GMNSR=10000001125");  // negative left written as 0
    EXPECT_EQ(lineOf(lines, "VOLUM"), "VOLUM=030720");
    EXPECT_EQ(lineOf(lines, "VOLU2"), "VOLU2=065536");
    EXPECT_EQ(lineOf(lines, "GPT1S"), "GPT1S=08");
    EXPECT_EQ(lineOf(lines, "GPLEF"), "GPLEF=005");
    EXPECT_EQ(lineOf(lines, "GPNR "), "GPNR =OFF");
    EXPECT_EQ(lineOf(lines, "FONTN"), "FONTN=ＭＳ Ｐゴシック");
    // HOZON precedes the window keys, so a saved file restores them.
    auto at = [&](const char* key) {
        for (std::size_t i = 0; i < lines.size(); ++i)
            if (lines[i].rfind(key, 0) == 0) return i;
        return lines.size();
    };
    EXPECT_LT(at("HOZON"), at("KASIT"));
    EXPECT_LT(at("HOZON"), at("SASIW"));
}

TEST_F(SettingsFileTest, FixedFieldsStayReadable) {
    // Numbers read through a fixed slice keep exactly their width when written, so that an
    // out-of-range or negative value cannot shift into a wrong number.
    struct Case {
        std::int32_t Settings::*member;
        std::int32_t value;
        const char* line;
        std::int32_t readBack;
    };
    const Case cases[] = {
        {&Settings::KASIL, -1500, "KASIL=-1500", -1500},
        {&Settings::KASIT, 123456, "KASIT=99999", 99999},
        {&Settings::SASIT, -123456, "SASIT=-9999", -9999},
        {&Settings::CYOUS, 12345, "CYOUS=9999", 9999},
        {&Settings::KASIF, 100, "KASIF=99", 99},
        {&Settings::SCANA, 5, "SCANA=005", 5},
    };
    for (const Case& c : cases) {
        Settings s;
        s.HOZON = 1;
        s.*c.member = c.value;
        ASSERT_TRUE(saveSettings(m_path, s, 0, 1350, 585, 0, 1125, 51200, 51200));
        const auto lines = text::readLines(m_path);
        ASSERT_TRUE(lines.has_value());
        EXPECT_EQ(lineOf(*lines, std::string(c.line).substr(0, 5)), c.line);
        Settings back;
        readSettings(m_path, back, nullptr);
        EXPECT_EQ(back.*c.member, c.readBack) << c.line;
    }

    Settings s;
    const auto lines = settingsLines(s, 0, 100000, -5, 0, -12345, 0, 0);
    EXPECT_EQ(lineOf(lines, "GMNSN"), "GMNSN=099999-0005");
    EXPECT_EQ(lineOf(lines, "GMNSR"), "GMNSR=000000-9999");
    ASSERT_TRUE(text::writeLines(m_path, lines));
    const SettingsReadResult r = readSettings(m_path, s, nullptr);
    EXPECT_EQ(r.fullLeft, 99999);
    EXPECT_EQ(r.fullTop, -5);
    EXPECT_EQ(r.reducedTop, -9999);
}

TEST_F(SettingsFileTest, SaveAndReadBackGivesTheSameSettings) {
    Settings s;
    s.KASIH = 1;
    s.KAIGY = 1;
    s.KASIF = 14;
    s.KASID = "/srv/歌詞/";
    s.SCANA = 30;
    s.SCANS = 15;
    s.CYOUS = 100;
    s.CMAI1 = 16711680;
    s.CKAS2 = 255;
    s.CKAS4 = 65535;
    s.HOZON = 1;
    s.TRKLE = 1;
    s.TOTLE = 1;
    s.KASIT = 100;
    s.KASIL = -300;
    s.SASIH = 240;
    s.FBOLD = -1;
    s.FONTN = "ＭＳ 明朝";
    s.SWVOL = 0;
    s.GPASN = "ﾒｲﾘｵ";
    s.GPBSI = 1;
    s.GPTOP = 12;
    s.GPNR = "DOLBY C";
    s.GPSIZ = 46;
    s.SOUND = 1;
    ASSERT_TRUE(saveSettings(m_path, s, 1, 2000, 3000, 4000, 5000, 30720, 51200));
    Settings back;
    std::vector<std::pair<int, std::int32_t>> volumes;
    const SettingsReadResult r = readSettings(m_path, back, [&](int channel, std::int32_t level) {
        volumes.emplace_back(channel, level);
    });
    EXPECT_EQ(back, s);
    EXPECT_EQ(r.layoutFlag, 1);
    EXPECT_EQ(r.fullLeft, 2000);
    EXPECT_EQ(r.fullTop, 3000);
    EXPECT_EQ(r.reducedLeft, 4000);
    EXPECT_EQ(r.reducedTop, 5000);
    const std::vector<std::pair<int, std::int32_t>> expected = {{0, 30720}, {1, 51200}};
    EXPECT_EQ(volumes, expected);

    EXPECT_FALSE(saveSettings(m_dir + "/no/LIRAFOK.INI", s, 0, 0, 0, 0, 0, 0, 0));
}

}  // namespace
}  // namespace lirafok
