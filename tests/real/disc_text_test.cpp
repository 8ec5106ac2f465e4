// A rip the catalogue does not know, in the virtual drive: its CUE sheet's TITLE and PERFORMER
// (Shift-JIS, as Japanese rippers write them) show on the main window and fill the
// registration window, through the whole program on the real drive.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "core/program_folder.h"
#include "core/text.h"
#include "editors/cddata.h"
#include "player/cdoke.h"
#include "program_on_drive.h"
#include "test_discs.h"

namespace lirafok {
namespace {

using testing::ProgramOnVirtualDrive;

TEST(DiscTextTest, CueTitlesOfAnUnregisteredRipPrefillTheRecord) {
    const std::string dir = testing::makeTempDir("disctext");
    const std::string discDir = dir + "/disc";
    std::filesystem::create_directories(discDir);
    const std::int64_t second = 44100;
    testing::writeRip(discDir, {{440, 20 * second, 0}, {660, 30 * second, 0}}, false, "wav");
    // The ripper's sheet: disc title and performer, a title per track, one track by a guest.
    std::ostringstream cue;
    cue << std::ifstream(discDir + "/rip.cue", std::ios::binary).rdbuf();
    std::string sheet = cue.str();
    sheet.replace(sheet.find("TITLE \"Rip\""), 11,
                  text::toCp932("TITLE \"港の灯り\"\r\nPERFORMER \"歌手Ａ\""));
    const std::string track2 = "  TRACK 02 AUDIO\r\n";
    sheet.insert(sheet.find(track2) + track2.size(),
                 text::toCp932("    TITLE \"夜明け\"\r\n    PERFORMER \"歌手Ａ\"\r\n"));
    const std::string track1 = "  TRACK 01 AUDIO\r\n";
    sheet.insert(sheet.find(track1) + track1.size(), text::toCp932("    TITLE \"朝の歌\"\r\n"));
    std::ofstream(discDir + "/rip.cue", std::ios::binary) << sheet;
    std::ofstream(dir + "/LIRAFOK.INI", std::ios::binary) << "KASID=cat/\r\n";
    std::ofstream(dir + "/LIRAFOK.FOT", std::ios::binary) << "00NNoto Sans CJK JP\r\n";

    {
        ProgramOnVirtualDrive p(dir, discDir);
        App& app = *p.app;
        auto& drive = p.drive;
        ASSERT_TRUE(app.run(""));
        ASSERT_EQ(app.state.TrackCount, 2) << drive.lastError();
        EXPECT_EQ(app.state.DiscUnregistered, 1);
        CDOKE& w = cdoke(app);
        EXPECT_EQ(w.TITLE[0].caption(), text::padBytes("港の灯り", 26));
        EXPECT_EQ(w.List1.list(0), " 01 00:20 朝の歌");
        EXPECT_EQ(w.List1.list(1), " 02 00:29 夜明け");  // the last track ends a sector early

        w.DATAX.userClick();
        auto* data = app.loaded<CDDATA>();
        ASSERT_NE(data, nullptr);
        EXPECT_EQ(data->TITLE1.text(), text::padBytes("港の灯り", 26));
        EXPECT_EQ(data->ARTIST.text(), "歌手Ａ");
        EXPECT_EQ(data->KYOKU[0].text(), "朝の歌");
        EXPECT_EQ(data->KYOKU[1].text(), "夜明け");
        // Nothing is stored before the user saves.
        EXPECT_FALSE(std::filesystem::exists(dir + "/cat/LIRAFOK.TXT"));
    }
    std::filesystem::remove_all(dir);
}

TEST(DiscTextTest, ADiscThatCannotBeReadIsToldInAMessageBoxOnceAndTheOneBesideIsUsed) {
    const std::string dir = testing::makeTempDir("told");
    const std::string discDir = dir + "/disc";
    std::filesystem::create_directories(discDir);
    testing::writeRip(discDir, {{440, 20 * 44100, 0}, {660, 30 * 44100, 0}}, false, "wav");
    std::ofstream(dir + "/LIRAFOK.INI", std::ios::binary) << "KASID=cat/\r\n";
    std::ofstream(dir + "/LIRAFOK.FOT", std::ios::binary) << "00NNoto Sans CJK JP\r\n";
    // Placed last, so it would be the disc; its sheet has more tracks than a CD.
    std::string sheet = "FILE \"rip.wav\" WAVE\r\n";
    for (int i = 1; i <= 120; ++i)
        sheet += "  TRACK 01 AUDIO\r\n    INDEX 01 " + std::to_string(i) + "\r\n";
    std::ofstream(discDir + "/more.cue", std::ios::binary) << sheet;
    {
        ProgramOnVirtualDrive p(dir, discDir);
        App& app = *p.app;
        auto& drive = p.drive;
        auto& m = p.m;
        ASSERT_TRUE(app.run(""));
        ASSERT_EQ(app.state.TrackCount, 2) << drive.lastError();
        EXPECT_TRUE(m.dialogs.shown.empty());
        m.sched.advance(20000);
        ASSERT_EQ(m.dialogs.shown.size(), 1u);
        EXPECT_EQ(m.dialogs.shown[0].text,
                  "CUE シート " + discDir +
                      "/more.cue の 200 行目のトラックが 99 を超えています（CD "
                      "のトラックは 99 まで）");
        EXPECT_EQ(m.dialogs.shown[0].title, "LIRAFOK");
        EXPECT_EQ(app.state.TrackCount, 2);
        EXPECT_TRUE(drive.mediaPresent());
    }
    std::filesystem::remove_all(dir);
}

TEST(DiscTextTest, TheDemoDiscIsFoundByTheKeyItsDriveReports) {
    // The demo generator keys its record and lyrics by the length the virtual drive reports
    // (the CD-audio driver's rule); a new user's first start finds them.
    const std::string dir = testing::makeTempDir("demo");
    ASSERT_EQ(std::system((std::string(LIRAFOK_MAKE_DEMO) + " '" + dir + "' >/dev/null").c_str()),
              0);
    std::ofstream(dir + "/LIRAFOK.INI", std::ios::binary) << "KASID=" << dir << "/lyrics/\r\n";
    std::ofstream(dir + "/LIRAFOK.FOT", std::ios::binary) << "00NNoto Sans CJK JP\r\n";
    {
        ProgramOnVirtualDrive p(dir, dir + "/disc");
        App& app = *p.app;
        ASSERT_TRUE(app.run(""));
        ASSERT_EQ(app.state.TrackCount, 4) << p.drive.lastError();
        EXPECT_EQ(app.state.DiscUnregistered, 0) << "key " << app.state.DiscKey;
        EXPECT_EQ(app.state.DiscStartMs, 2001);
        EXPECT_EQ(cdoke(app).ART.caption(), "リラフォク合唱団 ");  // shown with its trailing blank
        EXPECT_TRUE(std::filesystem::exists(dir + "/lyrics/" + app.state.DiscKey.substr(0, 8) +
                                            "." + app.state.DiscKey.substr(8) + "01"));
    }
    std::filesystem::remove_all(dir);
}

TEST(DiscTextTest, AFolderPreparedAtTheFirstStartPlaysTheDemoWithItsLyrics) {
    // What a new user's first start makes from the shipped files and the real generator: the
    // settings find the catalogue and the lyrics, and automatic play starts the demo disc.
    const std::string dir = testing::makeTempDir("firststart") + "/lirafok";
    std::string why;
    ASSERT_TRUE(core::prepareProgramFolder(dir, {LIRAFOK_SOURCE_DATA_DIR, LIRAFOK_MAKE_DEMO}, &why))
        << why;
    for (const char* f : {"LIRAFOK.INI", "LIRAFOK.FOX", "LIRAFOK.HLP", "LIRAFOK1.WAV",
                          "LIRAFOK2.WAV", "disc/demo.cue", "disc/01.cdg", "lyrics/LIRAFOK.TXT"})
        EXPECT_TRUE(std::filesystem::exists(dir + "/" + f)) << f;
    {
        ProgramOnVirtualDrive p(dir, dir + "/disc");
        App& app = *p.app;
        ASSERT_TRUE(app.run(""));
        EXPECT_EQ(app.state.KASID, dir + "/lyrics/");
        ASSERT_EQ(app.state.TrackCount, 4) << p.drive.lastError();
        EXPECT_EQ(app.state.DiscUnregistered, 0) << "key " << app.state.DiscKey;
        EXPECT_EQ(cdoke(app).ART.caption(), "リラフォク合唱団 ");
        p.m.sched.advance(3000);
        EXPECT_EQ(p.drive.mode(), device::DeviceMode::Playing);
        EXPECT_TRUE(p.m.dialogs.shown.empty());
    }
    std::filesystem::remove_all(std::filesystem::path(dir).parent_path());
}

TEST(DiscTextTest, OpenDiscPutsARipFromElsewhereIntoTheDrive) {
    // Ctrl+O with a rip's sheet, then with one of an album folder's files: each is the disc.
    const std::string dir = testing::makeTempDir("open");
    std::filesystem::create_directories(dir + "/disc");
    std::filesystem::create_directories(dir + "/rips/album");
    testing::writeRip(dir + "/rips", {{440, 20 * 44100, 0}, {660, 30 * 44100, 0}}, false, "wav");
    testing::writeAudioFile(dir + "/rips/album/01 One.wav", std::vector<std::int16_t>(88200, 0));
    std::ofstream(dir + "/LIRAFOK.INI", std::ios::binary) << "KASID=cat/\r\n";
    std::ofstream(dir + "/LIRAFOK.FOT", std::ios::binary) << "00NNoto Sans CJK JP\r\n";
    {
        ProgramOnVirtualDrive p(dir, dir + "/disc");
        App& app = *p.app;
        ASSERT_TRUE(app.run(""));
        EXPECT_EQ(app.state.TrackCount, 0);
        p.m.dialogs.files.push_back({std::string(dir + "/rips/rip.cue")});
        EXPECT_TRUE(cdoke(app).userKeyDown('O', ui::key::kCtrlMask));
        p.m.sched.advance(2500);
        EXPECT_EQ(app.state.TrackCount, 2) << p.drive.lastError();
        p.m.dialogs.files.push_back({std::string(dir + "/rips/album/01 One.wav")});
        EXPECT_TRUE(cdoke(app).userKeyDown('O', ui::key::kCtrlMask));
        p.m.sched.advance(4500);
        EXPECT_EQ(app.state.TrackCount, 1) << p.drive.lastError();
        EXPECT_TRUE(p.m.dialogs.shown.empty());
    }
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace lirafok
