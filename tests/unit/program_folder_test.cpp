// The per-user program folder: which folder a start uses, and its preparation from the shipped
// files with a stand-in generator (the real one: tests/real/program_folder_demo_test.cpp).
#include "core/program_folder.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <optional>
#include <string>

#include "../support/temp_folder.h"
#include "core/text.h"

namespace lirafok {
namespace {

namespace fs = std::filesystem;
using lirafok::testing::readRaw;
using lirafok::testing::TempFolder;
using lirafok::testing::writeRaw;

// Sets environment variables for one test and puts the old values back.
class Env {
public:
    void set(const char* name, const char* value) {
        if (!m_saved.count(name)) {
            const char* old = std::getenv(name);
            m_saved[name] = old ? std::optional<std::string>(old) : std::nullopt;
        }
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~Env() {
        for (auto& [name, value] : m_saved)
            if (value)
                ::setenv(name.c_str(), value->c_str(), 1);
            else
                ::unsetenv(name.c_str());
    }

private:
    std::map<std::string, std::optional<std::string>> m_saved;
};

TEST(ProgramFolderTest, TheUserFolderFollowsTheEnvironment) {
    Env env;
    env.set("LIRAFOK_HOME", nullptr);
    env.set("XDG_DATA_HOME", nullptr);
    env.set("HOME", "/home/hanako");
    EXPECT_EQ(core::userProgramFolder(), "/home/hanako/.local/share/lirafok");
    env.set("XDG_DATA_HOME", "/data/hanako/");
    EXPECT_EQ(core::userProgramFolder(), "/data/hanako/lirafok");
    env.set("LIRAFOK_HOME", "/srv/カラオケ/");
    EXPECT_EQ(core::userProgramFolder(), "/srv/カラオケ");
    // An empty variable counts as unset, as the shell starters treat it.
    env.set("LIRAFOK_HOME", "");
    env.set("XDG_DATA_HOME", "");
    EXPECT_EQ(core::userProgramFolder(), "/home/hanako/.local/share/lirafok");
}

TEST(ProgramFolderTest, AStartUsesAFolderWithSettingsItWasStartedIn) {
    TempFolder tmp{"start"};
    Env env;
    env.set("LIRAFOK_HOME", nullptr);
    env.set("XDG_DATA_HOME", (tmp / "data").c_str());
    const std::string own = tmp / "data/lirafok";
    fs::create_directories(tmp / "plain");
    fs::create_directories(tmp / "program");
    writeRaw(tmp / "program/LIRAFOK.INI", "KASIH=1\r\n");

    EXPECT_EQ(core::programFolderForStart(tmp / "plain"), own);
    EXPECT_EQ(core::programFolderForStart(""), own);
    EXPECT_EQ(core::programFolderForStart(tmp / "program"), tmp / "program");
    EXPECT_EQ(core::programFolderForStart(tmp / "program/"), tmp / "program");
    // LIRAFOK_HOME names the folder whatever the current one holds.
    env.set("LIRAFOK_HOME", (tmp / "elsewhere").c_str());
    EXPECT_EQ(core::programFolderForStart(tmp / "program"), tmp / "elsewhere");
}

// A shipped data folder and a stand-in generator that writes what the real one writes (a
// disc, a catalogue, a lyrics file and the cues), each file saying "demo".
class PrepareTest : public ::testing::Test {
protected:
    TempFolder tmp{"prepare"};
    core::ShippedFiles shipped{tmp / "share", tmp / "make-demo"};
    std::string folder = tmp / "home/lirafok";

    void SetUp() override {
        fs::create_directories(tmp / "share");
        writeRaw(tmp / "share/LIRAFOK.FOX", "fox\r\n");
        writeRaw(tmp / "share/LIRAFOK.HLP", "<html>help</html>\r\n");
        generator(0);
    }
    void generator(int exitCode) {
        writeRaw(shipped.makeDemo,
                 "#!/bin/sh\n"
                 "[ \"$#\" -eq 1 ] || exit 9\n"
                 "mkdir -p \"$1/disc\" \"$1/lyrics\" || exit 8\n"
                 "for f in disc/demo.cue disc/01.wav lyrics/LIRAFOK.TXT lyrics/12345678.901 "
                 "LIRAFOK1.WAV LIRAFOK2.WAV; do printf demo > \"$1/$f\"; done\n"
                 "exit " + std::to_string(exitCode) + "\n");
        ::chmod(shipped.makeDemo.c_str(), 0755);
    }
    bool scratchLeft() const {
        for (const auto& e : fs::directory_iterator(folder))
            if (e.path().filename().string().starts_with(".prepare")) return true;
        return false;
    }
};

TEST_F(PrepareTest, ANewFolderGetsEverythingAndTheSettingsLast) {
    ASSERT_TRUE(core::needsPreparing(folder));
    std::string why;
    ASSERT_TRUE(core::prepareProgramFolder(folder, shipped, &why)) << why;
    EXPECT_FALSE(core::needsPreparing(folder));
    EXPECT_EQ(readRaw(folder + "/LIRAFOK.FOX"), "fox\r\n");
    EXPECT_EQ(readRaw(folder + "/LIRAFOK.HLP"), "<html>help</html>\r\n");
    for (const char* f : {"disc/demo.cue", "disc/01.wav", "lyrics/LIRAFOK.TXT",
                          "lyrics/12345678.901", "LIRAFOK1.WAV", "LIRAFOK2.WAV"})
        EXPECT_EQ(readRaw(folder + "/" + f), "demo") << f;
    EXPECT_FALSE(scratchLeft());

    // The settings file as the program reads it: CP932, CR LF, the lyrics folder inside the
    // program folder with its trailing separator.
    const std::string ini = readRaw(folder + "/LIRAFOK.INI");
    EXPECT_EQ(ini.substr(0, 19), "KASIH=1\r\nKASIF=12\r\n");
    EXPECT_NE(ini.find("\r\nKASID=" + folder + "/lyrics/\r\nAUTOX=1\r\nSOUND=1\r\n"),
              std::string::npos);
    EXPECT_NE(ini.find("\r\nCKAS1=0\r\nCKAS2=16777215\r\nCKAS3=65535\r\nCKAS4=8421504\r\n"),
              std::string::npos);
    EXPECT_NE(ini.find("\r\nFONTN=Noto Sans CJK JP\r\nFBOLD=-1\r\n"), std::string::npos);
    EXPECT_EQ(ini.substr(ini.size() - 24), "GPOTN=Noto Sans CJK JP\r\n");
    std::size_t lines = 0;
    for (std::size_t i = 0; i < ini.size(); ++i)
        if (ini[i] == '\n') {
            EXPECT_TRUE(i > 0 && ini[i - 1] == '\r') << "a bare LF at " << i;
            ++lines;
        }
    EXPECT_EQ(lines, core::firstSettings(folder).size());
}

TEST_F(PrepareTest, AFolderInAJapaneseNamedHomeGetsItsLyricsFolderInCp932) {
    folder = tmp / "ホーム/lirafok";
    std::string why;
    ASSERT_TRUE(core::prepareProgramFolder(folder, shipped, &why)) << why;
    const std::string ini = readRaw(folder + "/LIRAFOK.INI");
    EXPECT_NE(ini.find("KASID=" + text::toCp932(folder) + "/lyrics/\r\n"), std::string::npos);
    EXPECT_EQ(ini.find("ホーム"), std::string::npos);  // no UTF-8 in the file
}

TEST_F(PrepareTest, WhatTheUserHasIsKept) {
    // A folder that lost only its settings: own font list, own catalogue, own disc.
    fs::create_directories(folder + "/lyrics");
    fs::create_directories(folder + "/disc/album");
    writeRaw(folder + "/LIRAFOK.FOX", "my fox");
    writeRaw(folder + "/lyrics/LIRAFOK.TXT", "my catalogue");
    writeRaw(folder + "/disc/album/01.flac", "my disc");
    std::string why;
    ASSERT_TRUE(core::prepareProgramFolder(folder, shipped, &why)) << why;
    EXPECT_EQ(readRaw(folder + "/LIRAFOK.FOX"), "my fox");
    EXPECT_EQ(readRaw(folder + "/lyrics/LIRAFOK.TXT"), "my catalogue");
    // The demo's own files join the ones that are new, but the drive keeps its one disc.
    EXPECT_EQ(readRaw(folder + "/lyrics/12345678.901"), "demo");
    EXPECT_EQ(readRaw(folder + "/LIRAFOK.HLP"), "<html>help</html>\r\n");
    EXPECT_FALSE(fs::exists(folder + "/disc/demo.cue"));
    EXPECT_EQ(readRaw(folder + "/disc/album/01.flac"), "my disc");
    EXPECT_FALSE(scratchLeft());
    EXPECT_FALSE(core::needsPreparing(folder));
}

TEST_F(PrepareTest, ShippedCuesAreCopiedAndTheGeneratorsOnlyFillIn) {
    writeRaw(tmp / "share/LIRAFOK1.WAV", "shipped ok cue");
    std::string why;
    ASSERT_TRUE(core::prepareProgramFolder(folder, shipped, &why)) << why;
    EXPECT_EQ(readRaw(folder + "/LIRAFOK1.WAV"), "shipped ok cue");
    EXPECT_EQ(readRaw(folder + "/LIRAFOK2.WAV"), "demo");  // not shipped: the generator's
}

TEST_F(PrepareTest, AFailedGeneratorLeavesNoSettingsSoTheNextStartTriesAgain) {
    generator(1);
    std::string why;
    EXPECT_FALSE(core::prepareProgramFolder(folder, shipped, &why));
    EXPECT_NE(why.find("make-demo"), std::string::npos) << why;
    EXPECT_TRUE(core::needsPreparing(folder));
    EXPECT_FALSE(fs::exists(folder + "/disc"));  // nothing of a half-made demo moved over
    EXPECT_FALSE(scratchLeft());

    generator(0);
    why.clear();
    EXPECT_TRUE(core::prepareProgramFolder(folder, shipped, &why)) << why;
    EXPECT_EQ(readRaw(folder + "/disc/demo.cue"), "demo");
    EXPECT_FALSE(core::needsPreparing(folder));
}

TEST_F(PrepareTest, MissingShippedFilesAreTold) {
    std::string why;
    const core::ShippedFiles noGenerator{shipped.dataDir, tmp / "nowhere/make-demo"};
    EXPECT_FALSE(core::prepareProgramFolder(folder, noGenerator, &why));
    EXPECT_NE(why.find("nowhere/make-demo"), std::string::npos) << why;
    EXPECT_TRUE(core::needsPreparing(folder));

    why.clear();
    const core::ShippedFiles noData{tmp / "nowhere", shipped.makeDemo};
    EXPECT_FALSE(core::prepareProgramFolder(tmp / "other", noData, &why));
    EXPECT_NE(why.find("LIRAFOK.FOX"), std::string::npos) << why;
}

}  // namespace
}  // namespace lirafok
