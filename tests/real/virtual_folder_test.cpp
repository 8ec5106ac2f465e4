// The virtual drive's folder as a tray: one disc at a time, the one placed last; damaged or
// unreadable files give way or are told by name; an ejected disc put back comes in again; a
// dropped disc leaves the watched folder alone. Real CUE+FLAC rips and audio files.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "device/real/drive_list.h"
#include "device/real/virtual_drive.h"
#include "device/real/virtual_layout.h"
#include "test_discs.h"
#include "ui/virtual_scheduler.h"

namespace lirafok::device::real {
namespace {

namespace fs = std::filesystem;
using testing::ToneTrack;

const std::vector<ToneTrack> kThree = {{440, 75 * 588, 0}, {660, 75 * 588, 0}, {880, 75 * 588, 0}};

std::int64_t changeTime(const fs::path& p) {
    struct stat st {};
    ::stat(p.c_str(), &st);
    return static_cast<std::int64_t>(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
}

// File times move in coarse steps: waits (without sleeping) until a file made now has a later
// change time than `after`, so that what is placed next counts as placed later.
void nextTimeStep(const fs::path& after) {
    const fs::path probe = after.parent_path() / ".probe";
    const std::int64_t before = changeTime(after);
    do {
        std::ofstream(probe) << "x";
    } while (changeTime(probe) <= before);
    fs::remove(probe);
}

void writeCue(const fs::path& cue, const std::string& audio) {
    std::ofstream(cue) << "FILE \"" << audio
                       << "\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n";
}

std::size_t trackCount(const std::string& path, std::string* error = nullptr) {
    auto disc = readVirtualDisc(path, nullptr, error);
    return disc ? disc->toc.size() : 0;
}

class VirtualFolder : public ::testing::Test {
protected:
    void SetUp() override { dir = testing::makeTempDir("tray"); }
    void TearDown() override {
        drive.reset();
        std::error_code ec;
        fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(dir, ec);
    }
    VirtualDrive& makeDrive(const std::string& folder) {
        drive = std::make_unique<VirtualDrive>(folder, driveName(folder, true), scheduler, [] {
            return std::make_unique<testing::RecordingSink>();
        });
        EXPECT_EQ(drive->open(), errors::kNone);
        return *drive;
    }
    ui::VirtualScheduler scheduler;
    std::string dir;
    std::unique_ptr<VirtualDrive> drive;
};

TEST_F(VirtualFolder, TheDiscPlacedLastIsTheDiscAndADamagedOneGivesWay) {
    // A CUE+FLAC rip of three tracks.
    testing::writeRip(dir, kThree, true);
    EXPECT_EQ(trackCount(dir), 3u);
    // A sub-folder of two audio files, placed later.
    nextTimeStep(dir + "/rip.cue");
    const fs::path album = fs::path(dir) / "album";
    const fs::path staging = testing::makeTempDir("staging");
    for (const char* name : {"01.flac", "02.flac"})
        testing::writeAudioFile((staging / name).string(),
                                std::vector<std::int16_t>(588 * 2 * 75, 100));
    fs::rename(staging, album);  // moved in whole, as a file manager does
    std::string error;
    EXPECT_EQ(trackCount(dir, &error), 2u) << error;
    // A one-track CUE sheet placed after that.
    nextTimeStep(album);
    testing::writeAudioFile(dir + "/single.wav", std::vector<std::int16_t>(588 * 2 * 75, 7));
    writeCue(dir + "/single.cue", "single.wav");
    EXPECT_EQ(trackCount(dir), 1u);
    // A damaged sheet placed last does not hide it.
    nextTimeStep(dir + "/single.cue");
    writeCue(dir + "/broken.cue", "gone.flac");
    EXPECT_EQ(trackCount(dir, &error), 1u) << error;
    // Alone, the damaged sheet is told by the file it misses.
    EXPECT_EQ(trackCount(dir + "/broken.cue", &error), 0u);
    EXPECT_EQ(error, "CUE シート " + dir +
                         "/broken.cue の 1 行目の音声ファイル gone.flac が見つかりません");
}

TEST_F(VirtualFolder, AnEjectedDiscPutBackComesInAgain) {
    testing::writeRip(dir, kThree, false);
    VirtualDrive& d = makeDrive(dir);
    ASSERT_TRUE(d.mediaPresent()) << d.lastError();
    ASSERT_EQ(d.eject(), errors::kNone);
    d.close();
    d.open();  // as the main window does after an eject
    EXPECT_EQ(d.mode(), DeviceMode::DoorOpen);
    EXPECT_FALSE(d.mediaPresent());
    // Taken out of the folder and put back: moves keep the files' modification times.
    const std::string away = testing::makeTempDir("away");
    for (const char* f : {"rip.cue", "rip.flac"}) fs::rename(dir + "/" + f, away + "/" + f);
    EXPECT_FALSE(d.mediaPresent());
    nextTimeStep(away + "/rip.cue");
    for (const char* f : {"rip.cue", "rip.flac"}) fs::rename(away + "/" + f, dir + "/" + f);
    EXPECT_TRUE(d.mediaPresent()) << d.lastError();
    EXPECT_EQ(d.tracks().size(), 3u);
    fs::remove_all(away);

    // LOAD puts an ejected disc straight back, as a closed tray.
    ASSERT_EQ(d.eject(), errors::kNone);
    d.close();
    d.open();
    EXPECT_EQ(d.mode(), DeviceMode::DoorOpen);
    ASSERT_EQ(d.closeTray(), errors::kNone);
    d.close();
    d.open();
    EXPECT_TRUE(d.mediaPresent()) << d.lastError();
    EXPECT_EQ(d.tracks().size(), 3u);
}

TEST_F(VirtualFolder, ADroppedDiscLeavesTheWatchedFolderAndBadDropsChangeNothing) {
    const std::string elsewhere = testing::makeTempDir("elsewhere");
    testing::writeRip(elsewhere, kThree, true);
    testing::writeAudioFile(dir + "/own.wav", std::vector<std::int16_t>(588 * 2 * 75, 3));
    VirtualDrive& d = makeDrive(dir);
    ASSERT_TRUE(d.mediaPresent());
    EXPECT_EQ(d.tracks().size(), 1u);

    EXPECT_EQ(d.loadImage(elsewhere + "/rip.cue"), errors::kNone);
    EXPECT_EQ(d.folder(), dir);
    EXPECT_EQ(d.mode(), DeviceMode::DoorOpen);  // once, so that the window reloads
    d.close();
    d.open();
    ASSERT_TRUE(d.mediaPresent()) << d.lastError();
    EXPECT_EQ(d.tracks().size(), 3u);

    // Each bad drop is told by name, and the dropped disc stays in.
    std::ofstream(elsewhere + "/notes.txt") << "not a disc";
    writeCue(elsewhere + "/missing.cue", "nowhere.wav");
    std::ofstream(elsewhere + "/locked.cue") << "FILE \"rip01.flac\" WAVE\n";
    fs::permissions(elsewhere + "/locked.cue", fs::perms::none);
    struct Case {
        std::string path, error;
    };
    for (const Case& c :
         {Case{elsewhere + "/notes.txt",
               elsewhere + "/notes.txt は CUE シートでもディスクイメージでもありません"},
          Case{elsewhere + "/missing.cue",
               "CUE シート " + elsewhere +
                   "/missing.cue の 1 行目の音声ファイル nowhere.wav が見つかりません"},
          Case{elsewhere + "/locked.cue", elsewhere + "/locked.cue を読み込めません"}}) {
        SCOPED_TRACE(c.path);
        std::string error;
        EXPECT_EQ(d.loadImage(c.path, &error), errors::kInvalidFile);
        EXPECT_EQ(error, c.error);
        EXPECT_EQ(d.mode(), DeviceMode::Stopped);
        EXPECT_TRUE(d.mediaPresent());
        EXPECT_EQ(d.tracks().size(), 3u);
    }

    // Ejected, the dropped disc is gone; the folder's own disc comes back when it is touched.
    ASSERT_EQ(d.eject(), errors::kNone);
    d.close();
    d.open();
    EXPECT_FALSE(d.mediaPresent());
    nextTimeStep(dir + "/own.wav");
    fs::last_write_time(dir + "/own.wav", fs::file_time_type::clock::now());
    EXPECT_TRUE(d.mediaPresent());
    EXPECT_EQ(d.tracks().size(), 1u);
    fs::permissions(elsewhere + "/locked.cue", fs::perms::owner_all);
    fs::remove_all(elsewhere);
}

TEST_F(VirtualFolder, ADiscThatCannotBeReadIsToldOncePerPlacementAndLeavesTheLoadedOnePlaying) {
    VirtualDrive& d = makeDrive(dir);
    std::vector<std::string> told;
    d.setUnreadableHandler([&](const std::string& m) { told.push_back(m); });
    auto poll = [&](int times) {
        bool present = false;
        for (int i = 0; i < times; ++i) {
            scheduler.advance(2000);
            present = d.mediaPresent();
            scheduler.runDue();
        }
        return present;
    };
    // A sheet copied in before its audio is not told as broken: the audio follows at once.
    writeCue(dir + "/a.cue", "a.wav");
    EXPECT_FALSE(d.mediaPresent());
    scheduler.advance(500);
    testing::writeAudioFile(dir + "/a.wav", std::vector<std::int16_t>(588 * 2 * 75, 5));
    EXPECT_TRUE(d.mediaPresent()) << d.lastError();
    EXPECT_TRUE(told.empty());

    // Placed beside the playing disc, a sheet whose audio is missing is told once; the disc
    // plays on, and the folder is not read again while it stays as it is.
    ASSERT_EQ(d.play(2000, -1, nullptr), errors::kNone);
    nextTimeStep(dir + "/a.cue");
    writeCue(dir + "/broken.cue", "gone.flac");
    const std::string message =
        "CUE シート " + dir + "/broken.cue の 1 行目の音声ファイル gone.flac が見つかりません";
    EXPECT_TRUE(poll(1));
    EXPECT_EQ(d.mode(), DeviceMode::Playing);
    EXPECT_TRUE(poll(5));
    EXPECT_EQ(d.mode(), DeviceMode::Playing);
    EXPECT_EQ(told, std::vector<std::string>{message});

    // Alone in the tray it is not told again for the same placement, nor read at every poll;
    // put in again, it is told again.
    fs::remove(dir + "/a.cue");
    fs::remove(dir + "/a.wav");
    EXPECT_FALSE(poll(1));
    const std::size_t parsed = cueParserRuns();
    EXPECT_FALSE(poll(10));
    EXPECT_EQ(cueParserRuns(), parsed);
    EXPECT_EQ(told.size(), 1u);
    const std::string away = testing::makeTempDir("away");
    fs::rename(dir + "/broken.cue", away + "/broken.cue");
    EXPECT_FALSE(poll(1));
    nextTimeStep(away + "/broken.cue");
    fs::rename(away + "/broken.cue", dir + "/broken.cue");
    EXPECT_FALSE(poll(3));
    EXPECT_EQ(told, (std::vector<std::string>{message, message}));
    fs::remove_all(away);
}

TEST(DriveNames, NamesAUserRecognisesAndTheWaysACommandLineNamesADrive) {
    const std::string folder = testing::makeTempDir("names");
    EXPECT_EQ(driveName(folder, true), "仮想ドライブ (" + folder + ")");
    EXPECT_EQ(driveName("/dev/no-such-drive", false), "/dev/no-such-drive");
    fs::create_symlink(folder, folder + "-link");
    const std::vector<DriveEntry> drives = {{driveName(folder, true), folder, true},
                                            {"/dev/sr0 (VENDOR MODEL)", "/dev/sr0", false}};
    for (const auto& [name, want] :
         std::vector<std::pair<std::string, int>>{{"仮想ドライブ", 0},
                                                  {folder, 0},
                                                  {folder + "-link", 0},
                                                  {driveName(folder, true), 0},
                                                  {"/dev/sr0", 1},
                                                  {"/dev/sr0 (VENDOR MODEL)", 1},
                                                  {"/dev/sr9", -1},
                                                  {"", -1}}) {
        EXPECT_EQ(findDrive(drives, name), want) << name;
    }
    fs::remove(folder + "-link");
    fs::remove_all(folder);
}

}  // namespace
}  // namespace lirafok::device::real
