// The per-user default-drive value, the drive list and the sound-cue player.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "core/default_drive.h"
#include "device/real/drive_list.h"
#include "device/real/wave_player.h"
#include "test_discs.h"

namespace lirafok {
namespace {

class DefaultDrive : public ::testing::Test {
protected:
    void SetUp() override {
        dir = testing::makeTempDir("config");
        const char* old = std::getenv("XDG_CONFIG_HOME");
        saved = old ? std::optional<std::string>(old) : std::nullopt;
        setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
    }
    void TearDown() override {
        if (saved)
            setenv("XDG_CONFIG_HOME", saved->c_str(), 1);
        else
            unsetenv("XDG_CONFIG_HOME");
        std::filesystem::remove_all(dir);
    }
    std::string dir;
    std::optional<std::string> saved;
};

TEST_F(DefaultDrive, FourRawBytesRoundTripAndBadValuesReadAsMissing) {
    EXPECT_EQ(core::defaultDrivePath(), dir + "/lirafok/default_drive");
    EXPECT_FALSE(core::readDefaultDriveData());
    const std::string value("\x01\x00\xfe\x7f", 4);
    ASSERT_TRUE(core::writeDefaultDriveData(value));
    EXPECT_EQ(core::readDefaultDriveData(), value);
    EXPECT_FALSE(core::writeDefaultDriveData("abc"));
    EXPECT_EQ(core::readDefaultDriveData(), value) << "a refused write must not touch the value";
    for (const std::string& bad : {std::string("ab"), std::string("abcde")}) {
        std::ofstream(core::defaultDrivePath(), std::ios::binary | std::ios::trunc) << bad;
        EXPECT_FALSE(core::readDefaultDriveData()) << bad;
    }
    EXPECT_TRUE(core::ensureDefaultDriveData());
    EXPECT_EQ(core::readDefaultDriveData(), std::string(4, '\0'));
}

TEST_F(DefaultDrive, PicksTheIndexedDriveAndFallsBackToTheFirst) {
    const auto drives = device::real::findDrives("/tmp/some-folder");
    ASSERT_FALSE(drives.empty());
    EXPECT_TRUE(drives[0].isVirtual);
    EXPECT_EQ(drives[0].path, "/tmp/some-folder");
    std::vector<device::real::DriveEntry> three = {
        drives[0], {"/dev/sr0", "/dev/sr0", false}, {"/dev/sr1", "/dev/sr1", false}};
    struct Case {
        std::optional<char> first;
        std::size_t want;
    };
    for (const Case& c : {Case{std::nullopt, 0}, Case{'\x02', 2}, Case{'\x01', 1}, Case{'\x03', 0},
                          Case{'\xff', 0}}) {
        if (c.first) {
            ASSERT_TRUE(
                core::writeDefaultDriveData(std::string(1, *c.first) + std::string(3, '\0')));
        }
        EXPECT_EQ(device::real::defaultDriveIndex(three), c.want);
    }
}

TEST(WavePlayer, PlaysMonoCuesOnBothChannelsAndAMissingFileIsSilent) {
    const std::string dir = testing::makeTempDir("cue");
    testing::writeAudioFile(dir + "/LIRAFOK1.WAV", std::vector<std::int16_t>(4410, 1234), 22050, 1);
    auto sink = std::make_unique<testing::RecordingSink>();
    auto* rec = sink.get();
    device::real::WavePlayer player(std::move(sink));
    auto waitIdle = [&] {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
        while (player.busy() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return !player.busy();
    };
    player.play(dir + "/LIRAFOK2.WAV");
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(player.started(), 0);
    EXPECT_TRUE(rec->heard().empty());
    // Twice: the second time the decoded sound is reused, and replaces nothing (the first ended).
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        rec->clear();
        player.play(dir + "/LIRAFOK1.WAV");
        EXPECT_TRUE(player.busy());
        ASSERT_TRUE(waitIdle());
        EXPECT_EQ(player.started(), round + 1);
        const auto heard = rec->heard();
        // 0.2 s of mono at 22.05 kHz is 8820 stereo frames at 44.1 kHz, then silence.
        ASSERT_GE(heard.size(), 8820u * 2);
        EXPECT_EQ(heard[0], 1234);
        EXPECT_EQ(heard[1], 1234);
        EXPECT_EQ(heard[8818 * 2 + 1], 1234);
        EXPECT_EQ(heard[8821 * 2], 0);
    }
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace lirafok
