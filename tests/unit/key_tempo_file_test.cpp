// The per-track key/tempo file: its fixed columns, what a bad line does, and a rewrite that
// changes nothing but the track's own line.
#include "player/key_tempo_file.h"

#include "../support/temp_folder.h"
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <sys/stat.h>

#include "core/text.h"

namespace lirafok {
namespace {

using device::KeyTempo;
using device::VoiceMode;

struct LineCase {
    const char* line;
    bool parses;
    int track, semitones, tempo;
    VoiceMode voice;
};

TEST(KeyTempoLine, FixedColumnsAndClampedValues) {
    const LineCase cases[] = {
        {"000360000-03 +02 090 B", true, 3, 2, 90, VoiceMode::Both},
        {"000360000-99 -12 150 L", true, 99, -12, 150, VoiceMode::LeftOnly},
        {"000360000-01 +00 100 R", true, 1, 0, 100, VoiceMode::RightOnly},
        {"000360000-01 -00 100 V", true, 1, 0, 100, VoiceMode::Reduced},
        // Out of range: held to -12..+12 and 50..150, a tempo between steps to the nearest.
        {"000360000-04 +15 200 B", true, 4, 12, 150, VoiceMode::Both},
        {"000360000-04 -99 020 B", true, 4, -12, 50, VoiceMode::Both},
        {"000360000-04 +01 093 B", true, 4, 1, 95, VoiceMode::Both},
        {"000360000-04 +01 092 B", true, 4, 1, 90, VoiceMode::Both},
        // Not the shape: ignored.
        {"", false},
        {"000360000-03 +02 090 B ", false},
        {"000360000-03 +02 090", false},
        {"000360000-03  02 090 B", false},
        {"000360000-03 +2  090 B", false},
        {"000360000-03 +02 090 X", false},
        {"000360000-03 +02 090 b", false},
        {"000360000-00 +02 090 B", false},
        {"00036000A-03 +02 090 B", false},
        {"000360000 03 +02 090 B", false},
        {"000360000-3  +02 090 B", false},
        {"000360000-03 +02 9O0 B", false},
        {"000360000-03\t+02 090 B", false},
        {"００0360000-03 +02 090 B", false},
    };
    for (const LineCase& c : cases) {
        SCOPED_TRACE(c.line);
        const auto t = parseKeyTempoLine(c.line);
        ASSERT_EQ(t.has_value(), c.parses);
        if (!t) continue;
        EXPECT_EQ(t->discKey, "000360000");
        EXPECT_EQ(t->track, c.track);
        EXPECT_EQ(t->settings.semitones, c.semitones);
        EXPECT_EQ(t->settings.tempo, c.tempo);
        EXPECT_EQ(t->settings.voice, c.voice);
    }
}

TEST(KeyTempoLine, EveryValueWrittenReadsBackAsItself) {
    for (int semitones = -12; semitones <= 12; ++semitones)
        for (int tempo = 50; tempo <= 150; tempo += 5)
            for (VoiceMode v :
                 {VoiceMode::Both, VoiceMode::LeftOnly, VoiceMode::RightOnly, VoiceMode::Reduced}) {
                const KeyTempo k{semitones, tempo, v};
                const std::string line = formatKeyTempoLine("123456789", 42, k);
                ASSERT_EQ(line.size(), 22u) << line;
                const auto back = parseKeyTempoLine(line);
                ASSERT_TRUE(back) << line;
                EXPECT_EQ(back->settings, k) << line;
                EXPECT_EQ(back->track, 42);
            }
    EXPECT_EQ(formatKeyTempoLine("000360000", 3, {-3, 85, VoiceMode::Reduced}),
              "000360000-03 -03 085 V");
    // Written clamped.
    EXPECT_EQ(formatKeyTempoLine("000360000", 3, {20, 7, VoiceMode::Both}),
              "000360000-03 +12 050 B");
}

class KeyTempoFileTest : public ::testing::Test {
protected:
    lirafok::testing::TempFolder m_tmp{"keytempo"};
    std::string m_folder = m_tmp.path() + "/";
    std::string file() const { return keyTempoFilePath(m_folder); }
    std::string backup() const { return keyTempoBackupPath(m_folder); }
    static constexpr auto writeRaw = lirafok::testing::writeRaw;
    static constexpr auto readRaw = lirafok::testing::readRaw;
};

TEST_F(KeyTempoFileTest, ATrackStartsWithWhatWasChosenForItLast) {
    const std::string disc = "000360000";
    EXPECT_EQ(rememberedKeyTempo(m_folder, disc, 1), KeyTempo{});  // no file yet
    ASSERT_TRUE(rememberKeyTempo(m_folder, disc, 1, {2, 90, VoiceMode::Both}).ok);
    ASSERT_TRUE(rememberKeyTempo(m_folder, disc, 2, {-1, 100, VoiceMode::LeftOnly}).ok);
    ASSERT_TRUE(rememberKeyTempo(m_folder, "000999000", 1, {5, 120, VoiceMode::Reduced}).ok);
    ASSERT_TRUE(rememberKeyTempo(m_folder, disc, 1, {3, 85, VoiceMode::Both}).ok);
    EXPECT_EQ(readRaw(file()),
              "000360000-01 +03 085 B\r\n"
              "000360000-02 -01 100 L\r\n"
              "000999000-01 +05 120 V\r\n");
    EXPECT_EQ(rememberedKeyTempo(m_folder, disc, 1), (KeyTempo{3, 85, VoiceMode::Both}));
    EXPECT_EQ(rememberedKeyTempo(m_folder, disc, 2), (KeyTempo{-1, 100, VoiceMode::LeftOnly}));
    EXPECT_EQ(rememberedKeyTempo(m_folder, disc, 3), KeyTempo{});
    EXPECT_EQ(rememberedKeyTempo(m_folder, "000999000", 1), (KeyTempo{5, 120, VoiceMode::Reduced}));
    // The previous file is the backup.
    EXPECT_EQ(readRaw(backup()),
              "000360000-01 +02 090 B\r\n"
              "000360000-02 -01 100 L\r\n"
              "000999000-01 +05 120 V\r\n");
    // Back to the disc's own sound: the line goes.
    ASSERT_TRUE(rememberKeyTempo(m_folder, disc, 2, KeyTempo{}).ok);
    EXPECT_EQ(readRaw(file()),
              "000360000-01 +03 085 B\r\n"
              "000999000-01 +05 120 V\r\n");
    // No disc key or no track: nothing to remember, nothing written.
    ASSERT_TRUE(rememberKeyTempo(m_folder, "", 1, {1, 100, VoiceMode::Both}).ok);
    ASSERT_TRUE(rememberKeyTempo(m_folder, disc, 0, {1, 100, VoiceMode::Both}).ok);
    EXPECT_EQ(readRaw(file()),
              "000360000-01 +03 085 B\r\n"
              "000999000-01 +05 120 V\r\n");
}

TEST_F(KeyTempoFileTest, ForeignLinesSurviveByteForByteAndTheLastLineWins) {
    // Lines the program did not write: a comment, Japanese text, a bad byte, an out-of-range
    // line, a duplicate of track 1, and a final line without a line break.
    const std::string foreign = text::toCp932("# 自分で書いたメモ") + "\r\n" +
                                "000360000-01 +01 100 B\r\n"
                                "\x81\xFF broken\r\n"
                                "000360000-05 +30 300 R\r\n"
                                "000360000-01 -04 070 B\r\n"
                                "tail";
    writeRaw(file(), foreign);
    EXPECT_EQ(rememberedKeyTempo(m_folder, "000360000", 1), (KeyTempo{-4, 70, VoiceMode::Both}));
    EXPECT_EQ(rememberedKeyTempo(m_folder, "000360000", 5),
              (KeyTempo{12, 150, VoiceMode::RightOnly}));

    // Saving what the file already says writes nothing.
    ASSERT_TRUE(rememberKeyTempo(m_folder, "000360000", 5, {12, 150, VoiceMode::RightOnly}).ok);
    EXPECT_EQ(readRaw(file()), foreign);
    EXPECT_FALSE(std::filesystem::exists(backup()));

    // Track 1 changes in the place of its first line; the duplicate goes; everything else
    // stays as it was (the last line gains its line break).
    ASSERT_TRUE(rememberKeyTempo(m_folder, "000360000", 1, {2, 95, VoiceMode::Both}).ok);
    const std::string after = text::toCp932("# 自分で書いたメモ") + "\r\n" +
                              "000360000-01 +02 095 B\r\n"
                              "\x81\xFF broken\r\n"
                              "000360000-05 +30 300 R\r\n"
                              "tail\r\n";
    EXPECT_EQ(readRaw(file()), after);
    EXPECT_EQ(readRaw(backup()), foreign);

    // A file written by the program reads and writes back identically.
    ASSERT_TRUE(rememberKeyTempo(m_folder, "000360000", 7, {-2, 100, VoiceMode::Both}).ok);
    const std::string written = readRaw(file());
    ASSERT_TRUE(rememberKeyTempo(m_folder, "000360000", 7, {-2, 100, VoiceMode::Both}).ok);
    ASSERT_TRUE(
        rememberKeyTempo(m_folder, "000360000", 1, rememberedKeyTempo(m_folder, "000360000", 1))
            .ok);
    EXPECT_EQ(readRaw(file()), written);
}

TEST_F(KeyTempoFileTest, AFileThatCannotBeWrittenIsLeftWholeAndSaysWhy) {
    writeRaw(file(), "000360000-01 +01 100 B\r\n");
    ASSERT_EQ(::chmod(m_tmp.path().c_str(), 0500), 0);
    if (::geteuid() == 0) {
        // The superuser writes anyway: check the unreadable-file case instead below.
        ASSERT_EQ(::chmod(m_tmp.path().c_str(), 0700), 0);
    } else {
        const KeyTempoSave r =
            rememberKeyTempo(m_folder, "000360000", 1, {4, 100, VoiceMode::Both});
        EXPECT_FALSE(r.ok);
        EXPECT_FALSE(r.error.empty());
        ASSERT_EQ(::chmod(m_tmp.path().c_str(), 0700), 0);
        EXPECT_EQ(readRaw(file()), "000360000-01 +01 100 B\r\n");
    }
    // A folder in the file's place cannot be read: nothing replaces it, the error names it.
    std::filesystem::remove(file());
    std::filesystem::create_directory(file());
    const KeyTempoSave r = rememberKeyTempo(m_folder, "000360000", 1, {4, 100, VoiceMode::Both});
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("LIRAFOK.KEY"), std::string::npos) << r.error;
    EXPECT_TRUE(std::filesystem::is_directory(file()));
    // A lyrics folder that is not there.
    EXPECT_FALSE(
        rememberKeyTempo(m_folder + "gone/", "000360000", 1, {4, 100, VoiceMode::Both}).ok);
}

}  // namespace
}  // namespace lirafok
