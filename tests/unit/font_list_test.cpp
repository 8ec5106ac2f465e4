#include "core/font_list.h"

#include "../support/temp_folder.h"
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/text.h"

namespace lirafok {
namespace {

namespace fs = std::filesystem;

class FontListTest : public ::testing::Test {
protected:
    lirafok::testing::TempFolder m_tmp{"fonts"};
    std::string m_dir = m_tmp.path();
};

std::string fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// A table whose every field differs between entries.
FontTable sampleTable() {
    const char* names[] = {"ＭＳ Ｐゴシック", "ＭＳ 明朝", "ﾒｲﾘｵ", "IPAexGothic",
                           "Noto Sans CJK JP"};
    FontTable t;
    for (int s = 0; s < kFontSetCount; ++s) {
        for (int r = 0; r < kFontRowCount; ++r) {
            FontEntry& e = t.entry[s][r];
            e.name = names[(s + r) % 5];
            e.size = kFontMinSize[r] + (s % 3);
            e.bold = (s + r) % 2 == 0;
            e.italic = (s * r) % 3 == 1;
        }
    }
    return t;
}

TEST(FontSets, Captions) {
    const char* expected[] = {"ﾌｫﾝﾄ標準", "ﾌｫﾝﾄ01", "ﾌｫﾝﾄ02", "ﾌｫﾝﾄ03", "ﾌｫﾝﾄ04", "ﾌｫﾝﾄ05"};
    for (int s = 0; s < kFontSetCount; ++s) EXPECT_EQ(fontSetCaption(s), expected[s]);
}

TEST_F(FontListTest, WrittenFileHas168LinesAndReadsBackTheSame) {
    FontTable t = sampleTable();
    t.entry[0][1] = {"ＭＳ Ｐゴシック", 24, false, false};
    t.entry[5][0].size = 8;
    const std::string path = m_dir + "/LIRAFOK.FOT";
    ASSERT_TRUE(writeFontList(path, t));

    const auto lines = text::readLines(path);
    ASSERT_TRUE(lines.has_value());
    ASSERT_EQ(lines->size(), 168u);
    const std::vector<std::string> set0row1(lines->begin() + 4, lines->begin() + 8);
    const std::vector<std::string> expected = {"01NＭＳ Ｐゴシック", "01B00", "01I00", "01S24"};
    EXPECT_EQ(set0row1, expected);
    EXPECT_EQ((*lines)[5 * 28 + 3], "50S08");
    EXPECT_EQ((*lines)[0 * 28 + 1], "00B-01");  // bold on
    EXPECT_EQ(lines->back().substr(0, 3), "56S");
    // Bytes on disk are CP932 with CR LF.
    EXPECT_EQ(fileBytes(path).substr(0, 19),
              "00N\x82\x6C\x82\x72 \x82\x6F\x83\x53\x83\x56\x83\x62\x83\x4E\r");

    const std::optional<FontTable> back = readFontList(path);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(*back, t);
    EXPECT_EQ(back->entry[5][0].size, 8);
}

TEST_F(FontListTest, ReadingOlderAndIrregularFiles) {
    const std::string path = m_dir + "/LIRAFOK.FOT";
    // Three lines per entry: sizes keep their row defaults.
    std::vector<std::string> old;
    for (int s = 0; s < kFontSetCount; ++s)
        for (int r = 0; r < kFontRowCount; ++r) {
            const std::string p = std::to_string(s) + std::to_string(r);
            old.push_back(p + "Nフォント" + p);
            old.push_back(p + (r == 2 ? "B-01" : "B00"));
            old.push_back(p + (r == 3 ? "I-01" : "I00"));
        }
    ASSERT_TRUE(text::writeLines(path, old));
    std::optional<FontTable> t = readFontList(path);
    ASSERT_TRUE(t.has_value());
    for (int s = 0; s < kFontSetCount; ++s)
        for (int r = 0; r < kFontRowCount; ++r) {
            const std::string p = std::to_string(s) + std::to_string(r);
            EXPECT_EQ(t->entry[s][r].name, "フォント" + p);
            EXPECT_EQ(t->entry[s][r].size, kFontDefaultSize[r]);
            EXPECT_EQ(t->entry[s][r].bold, r == 2);
            EXPECT_EQ(t->entry[s][r].italic, r == 3);
        }

    // Mixed: a size line for some entries only; letters and digits are not checked.
    ASSERT_TRUE(text::writeLines(path, {"xxNArial", "xxB1", "xxI00", "xxS9", "00NCourier", "00B00",
                                        "00I-01", "00NHelvetica", "00B00", "00I00", "00S13.6"}));
    t = readFontList(path);
    ASSERT_TRUE(t.has_value());
    EXPECT_EQ(t->entry[0][0], (FontEntry{"Arial", 9, true, false}));
    EXPECT_EQ(t->entry[0][1], (FontEntry{"Courier", 24, false, true}));
    EXPECT_EQ(t->entry[0][2], (FontEntry{"Helvetica", 14, false, false}));
    // The file ended: the rest keeps the defaults.
    EXPECT_EQ(t->entry[0][3], (FontEntry{"", 14, false, false}));
    EXPECT_EQ(t->entry[5][6], (FontEntry{"", 12, false, false}));

    // Ends inside an entry: what was read stays.
    ASSERT_TRUE(text::writeLines(path, {"00NArial", "00B-01"}));
    t = readFontList(path);
    ASSERT_TRUE(t.has_value());
    EXPECT_EQ(t->entry[0][0], (FontEntry{"Arial", 12, true, false}));

    // Sizes of a foreign list: not positive gives the default; the rest is held to the
    // row's dialog range (row 1: 14..24) and still reads the same after a write.
    const struct {
        const char* line;
        double size;
    } sizes[] = {
        {"01S00", 24}, {"01S-7", 24},  {"01S999999", 24}, {"01S99999999999999999999999", 24},
        {"01S10", 14}, {"01S0.4", 14}, {"01S17.5", 18},   {"01Sabc", 24}};
    for (const auto& c : sizes) {
        ASSERT_TRUE(text::writeLines(
            path, {"00NA", "00B00", "00I00", "00S12", "01NArial", "01B00", "01I00", c.line}));
        t = readFontList(path);
        ASSERT_TRUE(t.has_value());
        EXPECT_EQ(t->entry[0][1].size, c.size) << c.line;
        ASSERT_TRUE(writeFontList(path, *t));
        EXPECT_EQ(readFontList(path)->entry[0][1].size, c.size) << c.line;
        EXPECT_EQ(text::readLines(path)->at(7), "01S" + std::to_string(int(c.size)));
    }

    ASSERT_TRUE(text::writeLines(path, {}));
    EXPECT_EQ(*readFontList(path), FontTable());
    EXPECT_FALSE(readFontList(m_dir + "/none.FOT").has_value());
}

TEST_F(FontListTest, MissingListIsCopiedFromTheDefaultList) {
    const std::string fox = m_dir + "/LIRAFOK.FOX";
    const std::string fot = m_dir + "/LIRAFOK.FOT";
    // Neither file: nothing to start from.
    EXPECT_FALSE(ensureFontList(m_dir));
    EXPECT_FALSE(loadFontList(m_dir).has_value());
    EXPECT_FALSE(fs::exists(fot));

    ASSERT_TRUE(writeFontList(fox, sampleTable()));
    ASSERT_TRUE(ensureFontList(m_dir));  // folder given without its trailing "/"
    EXPECT_EQ(fileBytes(fot), fileBytes(fox));
    // An existing list is never replaced by the default one.
    FontTable mine;
    mine.entry[2][2].name = "自分のフォント";
    ASSERT_TRUE(writeFontList(fot, mine));
    ASSERT_TRUE(ensureFontList(m_dir + "/"));
    const std::optional<FontTable> loaded = loadFontList(m_dir + "/");
    ASSERT_TRUE(loaded.has_value());
    EXPECT_EQ(*loaded, mine);

    // The list cannot be created (its name is taken by a folder): the default list is used.
    fs::remove(fot);
    fs::create_directory(fot);
    EXPECT_FALSE(ensureFontList(m_dir));
    const std::optional<FontTable> fallback = loadFontList(m_dir);
    ASSERT_TRUE(fallback.has_value());
    EXPECT_EQ(*fallback, sampleTable());
}

TEST(FontCheck, NamesInCheckOrderAndRecovery) {
    Settings s;
    s.GPT1N = "t1";
    s.GPT2N = "t2";
    s.GPASN = "as";
    s.GPBSN = "bs";
    s.GPOTN = "ot";
    s.FONTN = "ly";
    s.FBOLD = 1;
    FontTable t = sampleTable();
    t.entry[0][1].name = "first table row 1";
    t.entry[1][0].name = "second set row 0";
    const std::vector<std::string> names = fontNamesToCheck(s, t);
    ASSERT_EQ(names.size(), 48u);
    const std::vector<std::string> head(names.begin(), names.begin() + 6);
    EXPECT_EQ(head, (std::vector<std::string>{"t1", "t2", "as", "bs", "ot", "ly"}));
    EXPECT_EQ(names[7], "first table row 1");
    EXPECT_EQ(names[6 + 7], "second set row 0");
    EXPECT_EQ(names.back(), t.entry[5][6].name);

    applyRecoveryFont(s, t, "IPAゴシック");
    for (const std::string& n : fontNamesToCheck(s, t)) EXPECT_EQ(n, "IPAゴシック");
    const FontTable sizes = sampleTable();
    for (int set = 0; set < kFontSetCount; ++set)
        for (int r = 0; r < kFontRowCount; ++r) {
            EXPECT_FALSE(t.entry[set][r].bold);
            EXPECT_FALSE(t.entry[set][r].italic);
            EXPECT_EQ(t.entry[set][r].size, sizes.entry[set][r].size);
        }
    EXPECT_EQ(s.FBOLD, 1);  // the lyrics font flags are not table flags
}

}  // namespace
}  // namespace lirafok
