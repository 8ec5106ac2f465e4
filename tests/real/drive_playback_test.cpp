// Drives playing generated discs through the PCM pipeline into a recording sink: what the
// listener hears, when spans end, and what happens when the disc goes away.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "device/mm_control.h"
#include "device/real/cd_time.h"
#include "device/simulated_drive.h"
#include "ui/form.h"
#include "device/real/cdio_drive.h"
#include "device/real/virtual_drive.h"
#include "test_discs.h"
#include "ui/virtual_scheduler.h"

namespace lirafok::device::real {
namespace {

using testing::ToneTrack;
using Clock = std::chrono::steady_clock;

// Track 1 fills file 1 (2000..5000 ms); file 2 holds track 2's 2 s gap and its 2 s of tone.
const std::vector<ToneTrack> kTracks = {
    {440, 225 * 588, 0}, {660, 150 * 588, 150 * 588}, {880, 150 * 588, 0}};

std::int64_t ms(Clock::duration d) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(d).count();
}

class DrivePlayback : public ::testing::Test {
protected:
    void SetUp() override {
        dir = testing::makeTempDir("play");
        testing::writeRip(dir, kTracks, true);
        drive = makeVirtual(dir);
        ASSERT_TRUE(drive->mediaPresent()) << drive->lastError();
    }
    void TearDown() override {
        drive.reset();
        std::filesystem::remove_all(dir);
    }
    std::unique_ptr<VirtualDrive> makeVirtual(const std::string& folder) {
        auto d = std::make_unique<VirtualDrive>(folder, "virtual", scheduler, [this] {
            auto s = std::make_unique<testing::RecordingSink>();
            sink = s.get();
            return s;
        });
        EXPECT_EQ(d->open(), errors::kNone);
        return d;
    }
    // Runs the window thread's tasks until `done` holds; false after `limitMs` of real time.
    template <class Pred>
    bool waitFor(Pred done, int limitMs = 3000) {
        const auto deadline = Clock::now() + std::chrono::milliseconds(limitMs);
        while (!done()) {
            scheduler.runDue();
            if (Clock::now() > deadline) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return true;
    }
    // A handler that records how its span ended.
    SpanEndHandler recordEnd(std::vector<SpanEnd>& log) {
        return [&log](SpanEnd why) { log.push_back(why); };
    }

    ui::VirtualScheduler scheduler;
    std::string dir;
    testing::RecordingSink* sink = nullptr;
    std::unique_ptr<VirtualDrive> drive;
    const std::vector<std::int16_t> disc = testing::expectedDisc(kTracks);
};

TEST_F(DrivePlayback, SpanCrossesTheFileJoinWithoutAGapAtEachLevel) {
    struct Case {
        const char* name;
        std::uint32_t word;
        bool mute;
    };
    for (const Case& c :
         {Case{"full", 0xFFFFFFFFu, false}, Case{"left half, right quarter", 0x7FFF3FFFu, false},
          Case{"left off", 0x0000FFFFu, false}, Case{"muted", 0xFFFFFFFFu, true}}) {
        SCOPED_TRACE(c.name);
        drive->setVolumeWord(c.word);
        drive->setSilent(c.mute);
        sink->clear();
        std::vector<SpanEnd> ends;
        ASSERT_EQ(drive->play(4900, 5100, recordEnd(ends)), errors::kNone);
        ASSERT_TRUE(waitFor([&] { return !ends.empty(); }));
        EXPECT_EQ(ends, std::vector<SpanEnd>{SpanEnd::Reached});
        EXPECT_EQ(drive->positionMs(), 5100);
        const auto heard = sink->heard();
        const std::int64_t first = discMsToFrame(4900), count = discMsToFrame(5100) - first;
        ASSERT_GE(static_cast<std::int64_t>(heard.size()), count * 2);
        const std::int32_t left = c.mute ? 0 : c.word >> 16, right = c.mute ? 0 : c.word & 0xFFFF;
        for (std::int64_t i = 0; i < count; ++i) {
            const std::size_t at = static_cast<std::size_t>((first + i) * 2);
            ASSERT_EQ(heard[i * 2], disc[at] * left / 0xFFFF) << "frame " << first + i;
            ASSERT_EQ(heard[i * 2 + 1], disc[at + 1] * right / 0xFFFF) << "frame " << first + i;
        }
        // Whatever follows the span is silence (the pipeline's padding), never more disc.
        for (std::size_t i = static_cast<std::size_t>(count) * 2; i < heard.size(); ++i)
            ASSERT_EQ(heard[i], 0);
    }
}

TEST_F(DrivePlayback, PositionIsWhatTheListenerHears) {
    std::vector<SpanEnd> ends;
    const auto start = Clock::now();
    ASSERT_EQ(drive->play(2000, 2600, recordEnd(ends)), errors::kNone);
    EXPECT_EQ(drive->mode(), DeviceMode::Playing);
    for (int i = 0; i < 5; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(80));
        const std::int64_t heardFrames = static_cast<std::int64_t>(sink->heard().size() / 2);
        const std::int32_t pos = drive->positionMs();
        EXPECT_NEAR(pos, 2000 + frameToMs(heardFrames), 3);
        EXPECT_NEAR(pos - 2000, ms(Clock::now() - start), 40);
    }
    ASSERT_TRUE(waitFor([&] { return !ends.empty(); }));
    EXPECT_GE(ms(Clock::now() - start), 600);
    EXPECT_LT(ms(Clock::now() - start), 600 + 200);
    EXPECT_EQ(drive->mode(), DeviceMode::Stopped);
    EXPECT_EQ(drive->positionMs(), 2600);
}

struct NullHost : ui::FormHost {
    void showForm(ui::Form&, bool) override {}
    void hideForm(ui::Form&) override {}
    void unloadForm(ui::Form&) override {}
    void formChanged(ui::Form&) override {}
};

// A repeat loop given to the control's next Play is turned by the drive: the position folds
// back inside it turn after turn, a key change and Pause keep it, any other command ends it; a
// drive that cannot loop plays on as before and the caller turns by itself.
TEST_F(DrivePlayback, ALoopIsTurnedByTheDriveUntilAnotherCommand) {
    NullHost host;
    ui::Form form{host, "CDOKE"};
    MMControl mci{form, scheduler, "MMControl1"};
    mci.setDevice(drive.get());
    // The last half second of the disc (track 3 ends it at 11001 ms), from a second before.
    mci.setFrom(10001);
    mci.setLoop(10501, -1);
    ASSERT_EQ(mci.command(Command::Play), errors::kNone);
    EXPECT_EQ(mci.Loop(), std::make_pair(10501, -1));
    std::this_thread::sleep_for(std::chrono::milliseconds(1800));
    EXPECT_TRUE(drive->looping());
    EXPECT_EQ(drive->mode(), DeviceMode::Playing);
    EXPECT_GE(drive->positionMs(), 10501);
    EXPECT_LT(drive->positionMs(), 11001) << "the position did not fold back";
    // Another key goes on from the frame heard, still as the same loop.
    ASSERT_EQ(drive->setKeyTempo({2, 100, VoiceMode::Both}), errors::kNone);
    EXPECT_TRUE(drive->looping());
    EXPECT_TRUE(mci.Loop());
    ASSERT_EQ(drive->setKeyTempo({}), errors::kNone);
    ASSERT_EQ(mci.command(Command::Pause), errors::kNone);
    EXPECT_TRUE(mci.Loop());
    ASSERT_EQ(mci.command(Command::Pause), errors::kNone);
    EXPECT_TRUE(mci.Loop());
    ASSERT_EQ(mci.command(Command::Stop), errors::kNone);
    EXPECT_FALSE(mci.Loop());
    EXPECT_FALSE(drive->looping());
    // A loop the drive cannot place is refused, nothing plays.
    mci.setLoop(7000, 7000);
    EXPECT_EQ(mci.command(Command::Play), errors::kOutOfRange);
    EXPECT_FALSE(mci.Loop());

    SimulatedDrive simulated{scheduler, "Q:"};
    simulated.insertDisc({60000, 30000});
    mci.setDevice(&simulated);
    ASSERT_EQ(mci.command(Command::Open), errors::kNone);
    mci.setFrom(2001);
    mci.setLoop(2001, 62001);
    ASSERT_EQ(mci.command(Command::Play), errors::kNone);
    EXPECT_EQ(simulated.mode(), DeviceMode::Playing);
    EXPECT_FALSE(mci.Loop());
    mci.setDevice(nullptr);
}

TEST_F(DrivePlayback, EveryWayASpanEndsIsReportedOnce) {
    std::vector<SpanEnd> a, b;
    ASSERT_EQ(drive->play(2000, -1, recordEnd(a)), errors::kNone);
    ASSERT_EQ(drive->play(3000, -1, recordEnd(b)), errors::kNone);
    scheduler.runDue();
    EXPECT_EQ(a, std::vector<SpanEnd>{SpanEnd::Superseded});

    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    ASSERT_EQ(drive->pause(), errors::kNone);
    EXPECT_EQ(drive->mode(), DeviceMode::Paused);
    const std::int32_t paused = drive->positionMs();
    EXPECT_GT(paused, 3000);
    std::this_thread::sleep_for(std::chrono::milliseconds(120));
    EXPECT_EQ(drive->positionMs(), paused);
    ASSERT_EQ(drive->resume(), errors::kNone);
    EXPECT_EQ(drive->mode(), DeviceMode::Playing);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_GT(drive->positionMs(), paused + 50);

    ASSERT_EQ(drive->stop(), errors::kNone);
    const std::int32_t stopped = drive->positionMs();
    const std::size_t heardAtStop = sink->heard().size();
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    // The pipeline's writer drops the sink's 100 ms at once (within a few milliseconds: stop()
    // itself does not wait for the sink).
    EXPECT_LE(sink->heard().size() - heardAtStop, 5u * 44 * 2) << "sound goes on after stop";
    EXPECT_EQ(drive->positionMs(), stopped);
    EXPECT_EQ(drive->mode(), DeviceMode::Stopped);
    scheduler.runDue();
    EXPECT_EQ(b, std::vector<SpanEnd>{SpanEnd::Aborted});

    std::vector<SpanEnd> c;
    ASSERT_EQ(drive->play(2000, -1, recordEnd(c)), errors::kNone);
    ASSERT_EQ(drive->seek(7000), errors::kNone);
    EXPECT_EQ(drive->positionMs(), 7000);
    scheduler.runDue();
    EXPECT_EQ(c, std::vector<SpanEnd>{SpanEnd::Aborted});
    EXPECT_EQ(a.size() + b.size(), 2u);
}

TEST_F(DrivePlayback, ANewSpanIsHeardAtOnce) {
    ASSERT_EQ(drive->play(2000, -1, nullptr), errors::kNone);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const auto t0 = Clock::now();
    ASSERT_EQ(drive->play(9000, -1, nullptr), errors::kNone);
    // The sink holds 100 ms; the new span's first frame must be handed over within 50 ms.
    ASSERT_TRUE(waitFor([&] { return drive->player()->writtenFrames() > 0; }, 1000));
    EXPECT_LT(ms(Clock::now() - t0), 50);
    ASSERT_TRUE(waitFor([&] { return drive->positionMs() > 9000; }, 1000));
    EXPECT_LT(ms(Clock::now() - t0), 50 + 100 + 20);
}

TEST_F(DrivePlayback, RefusedCommands) {
    struct Case {
        const char* name;
        std::int32_t from, to;
        int error;
    };
    // The disc ends at its lead-out (sector 825); its length, as the driver reports it, stops
    // one sector short of it.
    const std::int32_t end = 825 * 1000 / 75 + 1;
    EXPECT_EQ(drive->discLengthMs(), (825 - 150 - 1) * 1000 / 75 + 1);
    for (const Case& c : {Case{"before the disc", -1, 3000, errors::kOutOfRange},
                          Case{"past the end", 2000, end + 1, errors::kOutOfRange},
                          Case{"backwards", 5000, 4000, errors::kOutOfRange},
                          Case{"the whole disc", 0, -1, errors::kNone}}) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(drive->play(c.from, c.to, nullptr), c.error);
    }
    EXPECT_EQ(drive->seek(end + 1), errors::kOutOfRange);
    drive->close();
    EXPECT_EQ(drive->play(2000, 3000, nullptr), errors::kDeviceNotOpen);
    EXPECT_EQ(drive->mode(), DeviceMode::NotReady);
}

TEST_F(DrivePlayback, EjectedDiscStaysOutUntilTheFolderChanges) {
    ASSERT_EQ(drive->eject(), errors::kNone);
    EXPECT_EQ(drive->mode(), DeviceMode::DoorOpen);
    EXPECT_FALSE(drive->mediaPresent());
    drive->close();
    drive->open();
    EXPECT_FALSE(drive->mediaPresent());
    // The lyrics and catalogue files may live beside the disc; writing them is no new disc.
    std::ofstream(dir + "/LIRAFOK.TXT") << "000011400-00-x\r\n";
    EXPECT_FALSE(drive->mediaPresent());
    EXPECT_EQ(drive->mode(), DeviceMode::DoorOpen);
    std::filesystem::last_write_time(
        dir + "/rip.cue", std::filesystem::file_time_type::clock::now() + std::chrono::seconds(5));
    EXPECT_TRUE(drive->mediaPresent());
    EXPECT_EQ(drive->mode(), DeviceMode::Stopped);
}

TEST_F(DrivePlayback, LoadImageInsertsADroppedDisc) {
    const std::string other = testing::makeTempDir("drop");
    const std::string empty = testing::makeTempDir("empty");
    testing::writeRip(other, {{300, 75 * 588, 0}}, false, "wav");
    auto d = makeVirtual(empty);
    EXPECT_FALSE(d->mediaPresent());
    EXPECT_EQ(d->mode(), DeviceMode::NotReady);
    EXPECT_EQ(d->loadImage(empty + "/nothing.cue"), errors::kInvalidFile);
    EXPECT_EQ(d->loadImage(other + "/rip.cue"), errors::kNone);
    EXPECT_TRUE(d->mediaPresent());
    EXPECT_EQ(d->discLengthMs(), 74 * 1000 / 75 + 1);  // one second of audio, less a sector
    // A disc in the drive is taken out first, so the window sees the door open once.
    EXPECT_EQ(d->loadImage(dir), errors::kNone);
    EXPECT_EQ(d->mode(), DeviceMode::DoorOpen);
    d->close();
    d->open();
    EXPECT_TRUE(d->mediaPresent());
    EXPECT_EQ(d->discLengthMs(), drive->discLengthMs());
    std::filesystem::remove_all(other);
    std::filesystem::remove_all(empty);
}

TEST_F(DrivePlayback, DiscRemovedWhilePlayingOpensTheDoor) {
    // The virtual rip, and a BIN/CUE image through libcdio.
    const std::string binDir = testing::makeTempDir("bin");
    testing::writeBinCue(binDir, kTracks);
    CdioDrive image(binDir + "/disc.cue", "", scheduler,
                    [] { return std::make_unique<testing::RecordingSink>(); });
    image.open();
    ASSERT_TRUE(image.mediaPresent()) << image.lastError();
    EXPECT_EQ(image.discLengthMs(), drive->discLengthMs());
    struct Case {
        const char* name;
        CdAudioDevice* device;
        std::string folder;
    };
    for (const Case& c : {Case{"virtual", drive.get(), dir}, Case{"image", &image, binDir}}) {
        SCOPED_TRACE(c.name);
        std::vector<SpanEnd> ends;
        ASSERT_EQ(c.device->play(2000, -1, recordEnd(ends)), errors::kNone);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        std::filesystem::remove_all(c.folder);
        EXPECT_EQ(c.device->mode(), DeviceMode::DoorOpen);
        scheduler.runDue();
        EXPECT_EQ(ends, std::vector<SpanEnd>{SpanEnd::Failed});
        EXPECT_EQ(c.device->play(2000, -1, nullptr), errors::kDeviceNotReady);
        EXPECT_FALSE(c.device->mediaPresent());
        EXPECT_TRUE(c.device->tracks().empty());
        c.device->close();
        c.device->open();
        EXPECT_NE(c.device->mode(), DeviceMode::Playing);
    }
}

}  // namespace
}  // namespace lirafok::device::real
