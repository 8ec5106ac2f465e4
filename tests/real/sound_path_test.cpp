// The PCM pipeline's threads against slow and stalled outputs: the window thread never waits
// for the sink or the sound server, and a pause does not eat into the final drain.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <mutex>
#include <thread>

#include "device/real/pcm_player.h"
#include "device/real/pulse_sink.h"
#include "device/real/virtual_drive.h"
#include "sound_server.h"
#include "test_discs.h"
#include "ui/virtual_scheduler.h"

namespace lirafok::device::real {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// The server's playback streams' properties, those whose name has `key` (pactl, as the
// private server's client).
std::string serverStreams(const std::string& key = "media.name") {
    std::string names;
    if (FILE* p = popen(("pactl list sink-inputs 2>/dev/null | grep " + key).c_str(), "r")) {
        char line[256];
        while (std::fgets(line, sizeof line, p)) names += line;
        pclose(p);
    }
    return names;
}

// Waits (polling, at most `limit` of real time) until a pipeline thread has done what `done`
// looks for; false on time-out.
template <class Pred>
bool waitUntil(Pred done, std::chrono::milliseconds limit = 3000ms) {
    const auto deadline = Clock::now() + limit;
    while (!done()) {
        if (Clock::now() > deadline) return false;
        std::this_thread::sleep_for(200us);
    }
    return true;
}

// Disc frames that carry their own number, so that what was heard can be checked frame by frame.
class NumberedSource final : public PcmSource {
public:
    bool read(std::int64_t first, std::int16_t* out, std::int64_t count) override {
        for (std::int64_t i = 0; i < count; ++i)
            out[i * 2] = out[i * 2 + 1] = static_cast<std::int16_t>((first + i) % 30000 + 1);
        return true;
    }
};

TEST(FinalDrain, TimeSpentPausedDoesNotCountTowardsGivingUp) {
    // Half a second of span fits the sink whole (with 441 frames of the padding after it), so
    // the drain starts at once. Then the span is paused for 4 s, longer than the 3 s after
    // which a sink that never reports the end as heard is given up on.
    constexpr std::int64_t kSpan = 22050, kCapacity = kSpan + 441;
    struct Case {
        const char* name;
        bool sinkPlays;  // false: the sink's clock stands still, it never plays anything
        std::chrono::milliseconds playedBeforePause;
        std::chrono::milliseconds endsAfterResume;
    };
    for (const Case& c : {Case{"the sink plays the rest after the resume", true, 0ms, 500ms},
                          Case{"a sink that never plays is given up on after 3 s of play", false,
                               2000ms, 1000ms}}) {
        SCOPED_TRACE(c.name);
        testing::FakeClock clock, sinkClock;
        auto owned = std::make_unique<testing::RecordingSink>(kCapacity, sinkClock.clock());
        testing::RecordingSink* sink = owned.get();
        std::mutex m;
        std::vector<SpanEnd> ends;
        Clock::time_point endedAt{};
        PcmPlayer player(
            std::move(owned),
            [&](std::uint64_t, SpanEnd why) {
                std::lock_guard lk(m);
                ends.push_back(why);
                endedAt = clock.now();
            },
            clock.clock());
        auto ended = [&] {
            std::lock_guard lk(m);
            return !ends.empty();
        };
        auto advance = [&](std::chrono::milliseconds by, bool playing = true) {
            // Both clocks move together when the sink plays; then a playing writer must see the
            // new time (two readings later it has done a whole round with it).
            clock.advance(by);
            if (c.sinkPlays) sinkClock.advance(by);
            if (!playing) return;
            const long reads = clock.reads();
            ASSERT_TRUE(waitUntil([&] { return clock.reads() >= reads + 2 || ended(); }));
        };

        player.play(std::make_shared<NumberedSource>(), 0, kSpan);
        ASSERT_TRUE(waitUntil([&] { return sink->acceptedFrames() == kCapacity; }))
            << "the span and the first padding reach the sink";
        advance(c.playedBeforePause);
        player.pause();
        ASSERT_TRUE(waitUntil([&] { return sink->paused(); }));
        advance(4000ms, false);
        const Clock::time_point resumedAt = clock.now();
        player.resume();
        ASSERT_TRUE(waitUntil([&] { return !sink->paused(); }));
        for (int step = 0; step < 400 && !ended(); ++step) advance(10ms);

        ASSERT_TRUE(ended());
        EXPECT_EQ(ends, std::vector<SpanEnd>{SpanEnd::Reached});
        const auto after =
            std::chrono::duration_cast<std::chrono::milliseconds>(endedAt - resumedAt);
        EXPECT_NEAR(after.count(), c.endsAfterResume.count(), 10);
        EXPECT_EQ(player.position(), kSpan);
        if (c.sinkPlays) {
            // Nothing of the span was flushed: the listener heard every frame.
            const auto heard = sink->heard();
            ASSERT_GE(heard.size(), static_cast<std::size_t>(kSpan) * 2);
            for (std::int64_t i = 0; i < kSpan; ++i)
                ASSERT_EQ(heard[i * 2], i % 30000 + 1) << "frame " << i;
        }
    }
}

// A span's first audio comes from a small read, so that it is heard at once; steady play then
// reads in large steps, each of which costs a round of wakes in the pipeline; and the reader is
// never more than two seconds ahead of the sink, so that a jump queued that far ahead of its
// frame is still gapless.
TEST(ReadAhead, SmallFirstReadsThenLargeStepsAndNeverMoreThanTwoSecondsAhead) {
    constexpr std::int64_t kSector = 588, kTwoSeconds = 2 * 44100;
    struct Read {
        std::int64_t first, count, taken;  // `taken`: frames the sink had accepted by then
    };
    class LoggingSource final : public PcmSource {
    public:
        explicit LoggingSource(testing::RecordingSink* sink) : m_sink(sink) {}
        bool read(std::int64_t first, std::int16_t* out, std::int64_t count) override {
            const std::int64_t taken = m_sink->acceptedFrames();
            {
                std::lock_guard lk(m_mutex);
                m_reads.push_back({first, count, taken});
            }
            return m_numbers.read(first, out, count);
        }
        std::vector<Read> reads() {
            std::lock_guard lk(m_mutex);
            return m_reads;
        }

    private:
        testing::RecordingSink* m_sink;
        NumberedSource m_numbers;
        std::mutex m_mutex;
        std::vector<Read> m_reads;
    };
    auto owned = std::make_unique<testing::RecordingSink>(22050);
    auto source = std::make_shared<LoggingSource>(owned.get());
    PcmPlayer player(std::move(owned), [](std::uint64_t, SpanEnd) {});
    player.play(source, 0, 600 * 44100);
    std::this_thread::sleep_for(3s);
    player.stop();

    const std::vector<Read> reads = source->reads();
    ASSERT_FALSE(reads.empty());
    EXPECT_LE(reads.front().count, 4 * kSector) << "the first audio waits for a large read";
    std::int64_t read = 0;
    for (const Read& r : reads) {
        EXPECT_EQ(r.first, read) << "the span is read in order";
        read = r.first + r.count;
        EXPECT_LE(read - r.taken, kTwoSeconds) << "read too far ahead at frame " << r.first;
    }
    // Three seconds heard, half a second in the sink and two queued: 5.5 s read, in 16-sector
    // steps after the first half second or so (four-sector steps throughout would be 103).
    EXPECT_GE(read, 5 * 44100);
    EXPECT_LE(static_cast<std::int64_t>(reads.size()), read / (16 * kSector) + 25);
}

// Runs of consecutive frames in what a RecordingSink heard of a NumberedSource: {first, last}.
std::vector<std::pair<std::int64_t, std::int64_t>> heardRuns(
    const std::vector<std::int16_t>& heard) {
    std::vector<std::pair<std::int64_t, std::int64_t>> runs;
    for (std::size_t i = 0; i < heard.size(); i += 2) {
        if (heard[i] == 0) continue;  // the silence after a span's end
        const std::int64_t frame = heard[i] - 1;
        if (!runs.empty() && runs.back().second + 1 == frame)
            runs.back().second = frame;
        else
            runs.emplace_back(frame, frame);
    }
    return runs;
}

// A queued jump is heard sample-exact: the frame after `at - 1` is `from`, the span then ends
// at `to` with one end notice, and jumpsHeard() counts it; a jump queued after the reader went
// past its frame goes through a fresh reading of the span from the frame heard; a second jump
// replaces the first; stop drops it.
using Runs = std::vector<std::pair<std::int64_t, std::int64_t>>;

TEST(QueuedJump, TheFrameHeardAfterTheJumpIsTheJumpsFirst) {
    struct Case {
        const char* name;
        std::int64_t end;                                // the span is [0, end)
        std::vector<std::array<std::int64_t, 3>> jumps;  // at, from, to; queued in this order
        bool afterRead;  // queued once the reader has read the whole span
        // The last runs heard. The first of them is checked up to its last frame only: a jump
        // queued as the reader passes its frame reads the span afresh from the frame heard
        // (a few frames may then be heard twice or lost there, as at any seek).
        Runs heardTail;
    };
    const std::vector<Case> cases = {
        {"at the span's end", 11025, {{-1, 20000, 25000}}, false, {{0, 11024}, {20000, 24999}}},
        {"inside the span, as a B point",
         22050,
         {{13230, 2205, 8820}},
         false,
         {{0, 13229}, {2205, 8819}}},
        {"replaced before it was heard",
         22050,
         {{-1, 25000, 29000}, {11025, 5000, 6000}},
         false,
         {{0, 11024}, {5000, 5999}}},
        {"after the reader went past it",
         29000,
         {{15000, 100, 4000}},
         true,
         {{0, 14999}, {100, 3999}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto owned = std::make_unique<testing::RecordingSink>(4410);
        testing::RecordingSink* sink = owned.get();
        std::mutex m;
        std::vector<SpanEnd> ends;
        PcmPlayer player(std::move(owned), [&](std::uint64_t, SpanEnd why) {
            std::lock_guard lk(m);
            ends.push_back(why);
        });
        auto ended = [&] {
            std::lock_guard lk(m);
            return !ends.empty();
        };
        const std::uint64_t before = player.jumpsHeard();
        std::uint64_t span = player.play(std::make_shared<NumberedSource>(), 0, c.end);
        if (c.afterRead) {
            // The reader runs up to two seconds ahead: the whole span is read at once.
            ASSERT_TRUE(waitUntil([&] { return player.writtenFrames() > 0; }));
            std::this_thread::sleep_for(50ms);
        }
        for (const auto& j : c.jumps) {
            span = player.queueJump(span, j[0], j[1], j[2]);
            ASSERT_NE(span, 0u);
        }
        ASSERT_TRUE(waitUntil(ended, 5000ms));
        const std::int64_t to = c.jumps.back()[2];
        EXPECT_EQ(ends, std::vector<SpanEnd>{SpanEnd::Reached});
        EXPECT_EQ(player.position(), to);
        EXPECT_EQ(player.jumpsHeard(), before + 1);
        const Runs runs = heardRuns(sink->heard());
        ASSERT_GE(runs.size(), c.heardTail.size());
        const Runs tail(runs.end() - static_cast<std::ptrdiff_t>(c.heardTail.size()), runs.end());
        EXPECT_EQ(tail.front().second, c.heardTail.front().second);
        EXPECT_EQ(Runs(tail.begin() + 1, tail.end()),
                  Runs(c.heardTail.begin() + 1, c.heardTail.end()));
        EXPECT_EQ(runs.front().first, 0);
    }
    // A jump taken at every pass is an A-B loop; taken back, the span plays on to its end.
    {
        auto owned = std::make_unique<testing::RecordingSink>(4410);
        testing::RecordingSink* sink = owned.get();
        std::atomic<int> ends{0};
        PcmPlayer player(std::move(owned), [&](std::uint64_t, SpanEnd) { ++ends; });
        std::uint64_t span = player.play(std::make_shared<NumberedSource>(), 0, 22050);
        EXPECT_EQ(player.queueJump(span, 4410, 13230, 22050, true), 0u) << "does not come back";
        span = player.queueJump(span, 13230, 4410, 22050, true);
        ASSERT_NE(span, 0u);
        ASSERT_TRUE(waitUntil([&] { return player.jumpsHeard() >= 3; }, 5000ms));
        span = player.queueJump(span, -1, -1, -1);
        ASSERT_NE(span, 0u);
        ASSERT_TRUE(waitUntil([&] { return ends > 0; }, 5000ms));
        EXPECT_EQ(player.position(), 22050);
        const Runs runs = heardRuns(sink->heard());
        // From the start (read afresh if the reader was past B when the loop came) to B, then
        // A to B at least twice, then on to the end.
        const std::pair<std::int64_t, std::int64_t> loop{4410, 13229};
        const auto first = std::find(runs.begin(), runs.end(), loop);
        ASSERT_NE(first, runs.end());
        ASSERT_NE(first, runs.begin());
        ASSERT_GE(runs.end() - first, 3);
        EXPECT_EQ(runs.front().first, 0);
        EXPECT_EQ(std::prev(first)->second, 13229);
        EXPECT_EQ(*std::next(first), loop);
        EXPECT_EQ(runs.back().second, 22049);
    }
    // Stop drops a queued jump, even one the reader has taken; the next span knows nothing of
    // it, and it never counts as heard.
    PcmPlayer player(std::make_unique<testing::RecordingSink>(4410), nullptr);
    // A jump queued after the reader passed its frame goes on under a new span number.
    const std::uint64_t span =
        player.queueJump(player.play(std::make_shared<NumberedSource>(), 0, 22050), 11025, 0, 100);
    ASSERT_NE(span, 0u);
    std::this_thread::sleep_for(50ms);  // the reader, two seconds ahead, takes it at once
    EXPECT_EQ(player.queueJump(span + 1, 11025, 0, 100), 0u) << "another span's";
    EXPECT_EQ(player.queueJump(span, 30000, 0, 100), 0u) << "beyond the span";
    player.stop();
    EXPECT_EQ(player.queueJump(span, 11025, 0, 100), 0u) << "idle";
    player.play(std::make_shared<NumberedSource>(), 0, 4410);
    ASSERT_TRUE(waitUntil([&] { return player.state() == PlayerState::Idle; }));
    EXPECT_EQ(player.position(), 4410);
    EXPECT_EQ(player.jumpsHeard(), 0u);
}

// Through the stretcher (key +3, tempo 80 %) a jump still ends the span where it says, and a key
// change while it is queued keeps it: the disc time heard is [0, 11025) then [33075, 44100),
// 22050 disc frames, which take 27562 frames of audio at 80 %.
TEST(QueuedJump, AtAnotherKeyAndTempoTheSpanStillFollowsTheJump) {
    PcmPlayer player(std::make_unique<testing::RecordingSink>(4410), nullptr);
    player.setKeyTempo({3, 80, VoiceMode::Both});
    const auto start = Clock::now();
    std::uint64_t span = player.play(std::make_shared<NumberedSource>(), 0, 22050);
    span = player.queueJump(span, 11025, 33075, 44100);
    ASSERT_NE(span, 0u);
    std::this_thread::sleep_for(100ms);
    EXPECT_NE(player.setKeyTempo({2, 80, VoiceMode::Both}), 0u);
    ASSERT_TRUE(waitUntil([&] { return player.state() == PlayerState::Idle; }, 5000ms));
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    EXPECT_EQ(player.position(), 44100);
    EXPECT_EQ(player.jumpsHeard(), 1u);
    // The audio of 22050 disc frames at 80 % plays for 0.625 s, and the sink's buffer is
    // heard out after it (a key change restarts the stretcher: a little more).
    EXPECT_GT(seconds, 0.6);
    EXPECT_LT(seconds, 3.0);  // generous: a sanitizer build stretches slowly
}

// A sink whose every call waits, while the gate is shut, for the test to open it (at most 2 s:
// a sound server that answers late).
class GatedSink final : public AudioSink {
public:
    bool open() override { return gate(), m_inner.open(); }
    void close() override { gate(), m_inner.close(); }
    std::int64_t writableFrames() override { return gate(), m_inner.writableFrames(); }
    std::int64_t write(const std::int16_t* f, std::int64_t n) override {
        return gate(), m_inner.write(f, n);
    }
    std::int64_t bufferedFrames() override { return gate(), m_inner.bufferedFrames(); }
    void pause() override { gate(), m_inner.pause(); }
    void resume() override { gate(), m_inner.resume(); }
    void flush() override { gate(), m_inner.flush(); }

    void shut(bool shut) {
        {
            std::lock_guard lk(m_mutex);
            m_shut = shut;
        }
        m_cv.notify_all();
    }
    // A call is waiting at the gate.
    bool holding() {
        std::lock_guard lk(m_mutex);
        return m_waiting > 0;
    }

private:
    void gate() {
        std::unique_lock lk(m_mutex);
        ++m_waiting;
        m_cv.wait_for(lk, 2s, [&] { return !m_shut; });
        --m_waiting;
    }
    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_shut = true;
    int m_waiting = 0;
    testing::RecordingSink m_inner;
};

// Every call the window thread makes on a drive, each timed; the longest wait is kept (and
// recorded in the test's XML report: microseconds and the call). A call that waited for the
// stopped server would wait until it came back, seconds later; a sanitizer's build on two busy
// cores takes tens of milliseconds for a call that waits for nothing.
struct TimedCalls {
#if defined(__SANITIZE_THREAD__) || defined(__SANITIZE_ADDRESS__)
    static constexpr std::int64_t kLimitUs = 60'000;
#else
    static constexpr std::int64_t kLimitUs = 20'000;
#endif
    std::int64_t worstUs = 0;
    std::string worst;
    void run(const char* name, const std::function<void()>& call) {
        const auto t0 = Clock::now();
        call();
        const auto us = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - t0);
        if (us.count() > worstUs) {
            worstUs = us.count();
            worst = name;
        }
    }
    // Checks and records the longest wait of a phase, and starts the next one.
    void check(const char* key) {
        ::testing::Test::RecordProperty(key, std::to_string(worstUs) + " " + worst);
        EXPECT_LE(worstUs, kLimitUs) << worst << " waited (" << key << ")";
        worstUs = 0;
    }
    void transport(PcmDrive& drive) {
        const std::pair<const char*, std::function<void()>> calls[] = {
            {"play", [&] { drive.play(2000, -1, nullptr); }},
            {"position", [&] { drive.positionMs(); }},
            {"mode", [&] { drive.mode(); }},
            {"pause", [&] { drive.pause(); }},
            {"position while paused", [&] { drive.positionMs(); }},
            {"resume", [&] { drive.resume(); }},
            {"levels", [&] { drive.setVolumeWord(0x80004000u); }},
            {"mute", [&] { drive.setSilent(true); }},
            {"seek", [&] { drive.seek(3000); }},
            {"play from the seek", [&] { drive.play(3000, -1, nullptr); }},
            {"unmute", [&] { drive.setSilent(false); }},
            {"stop", [&] { drive.stop(); }},
            {"mode when stopped", [&] { drive.mode(); }},
        };
        for (const auto& [name, call] : calls) run(name, call);
    }
};

class SlowOutput : public ::testing::Test {
protected:
    void SetUp() override {
        dir = testing::makeTempDir("slow");
        testing::writeRip(dir, {{440, 150 * 588, 0}, {660, 150 * 588, 0}}, false, "wav");
    }
    void TearDown() override { std::filesystem::remove_all(dir); }
    // Plays a short span to its end: the pipeline took every command posted while it waited.
    void playsToTheEnd(PcmDrive& drive) {
        std::vector<SpanEnd> ends;
        ASSERT_EQ(drive.play(2000, 2300, [&](SpanEnd why) { ends.push_back(why); }), errors::kNone);
        ASSERT_TRUE(waitUntil([&] {
            scheduler.runDue();
            return !ends.empty();
        }));
        EXPECT_EQ(ends, std::vector<SpanEnd>{SpanEnd::Reached});
        EXPECT_EQ(drive.mode(), DeviceMode::Stopped);
        EXPECT_EQ(drive.positionMs(), 2300);
    }

    ui::VirtualScheduler scheduler;
    std::string dir;
};

TEST_F(SlowOutput, ASinkThatAnswersLateNeverHoldsTheWindowThread) {
    GatedSink* sink = nullptr;
    VirtualDrive drive(dir, "virtual", scheduler, [&] {
        auto s = std::make_unique<GatedSink>();
        sink = s.get();
        return s;
    });
    TimedCalls calls;
    calls.run("open", [&] { drive.open(); });
    ASSERT_TRUE(drive.mediaPresent()) << drive.lastError();
    ASSERT_TRUE(waitUntil([&] { return sink->holding(); })) << "the sink is opened";
    calls.transport(drive);
    calls.check("worst_us_while_the_sink_opens");

    sink->shut(false);
    ASSERT_EQ(drive.play(2000, -1, nullptr), errors::kNone);
    ASSERT_TRUE(waitUntil([&] { return drive.player()->writtenFrames() > 0; }));
    sink->shut(true);
    ASSERT_TRUE(waitUntil([&] { return sink->holding(); })) << "the sink is called while playing";
    calls.transport(drive);
    calls.check("worst_us_while_the_sink_plays");

    sink->shut(false);
    playsToTheEnd(drive);
}

// PipeWire runs every stream of a device in the shortest cycle any of them asks for: the sink
// asks for a desktop's usual one there, and for a tenth of its buffer from PulseAudio.
TEST(PulseSinkLatency, AServerThatRunsInCyclesIsAskedForADesktopsUsualCycle) {
    testing::PrivateSoundServer server;
    std::string why;
    if (!server.start(&why)) GTEST_SKIP() << "no sound server: " << why;
    const auto pulse = PulseConnection::connect("lirafok-test", &why);
    ASSERT_TRUE(pulse) << why;
    EXPECT_EQ(pulse->runsInCycles(), server.kind() == testing::SoundServerKind::PipeWire);
    PulseSink sink(pulse, "CD");
    ASSERT_TRUE(sink.open());
    ASSERT_TRUE(waitUntil([&] { return sink.ready(); }));
    if (pulse->runsInCycles())
        EXPECT_NE(serverStreams("node.latency").find("\"1024/44100\""), std::string::npos)
            << serverStreams("node.latency");
    sink.close();
}

TEST_F(SlowOutput, AStalledSoundServerNeverHoldsTheWindowThreadNorTheSink) {
    testing::PrivateSoundServer server;
    std::string why;
    if (!server.start(&why)) GTEST_SKIP() << "no sound server: " << why;
    const auto pulse = PulseConnection::connect("lirafok-test", &why);
    ASSERT_TRUE(pulse) << why;

    // The sink's own calls, while the server is stopped: none waits for its answer.
    server.freeze(true);
    TimedCalls sinkCalls;
    {
        PulseSink sink(pulse, "stalled");
        const std::vector<std::int16_t> frames(4410 * 2, 100);
        sinkCalls.run("open", [&] { EXPECT_TRUE(sink.open()); });
        sinkCalls.run("write", [&] { sink.write(frames.data(), 4410); });
        sinkCalls.run("buffered", [&] { sink.bufferedFrames(); });
        sinkCalls.run("pause", [&] { sink.pause(); });
        sinkCalls.run("resume", [&] { sink.resume(); });
        sinkCalls.run("flush", [&] { sink.flush(); });
        sinkCalls.run("levels", [&] { sink.setLevels(100, 200, false); });
        sinkCalls.run("close", [&] { sink.close(); });
    }
    sinkCalls.check("worst_us_of_the_sink_itself");

    // A drive opened and commanded while the server is stopped, for two seconds.
    PulseSink* sink = nullptr;
    VirtualDrive drive(dir, "virtual", scheduler, [&] {
        auto s = std::make_unique<PulseSink>(pulse, "CD");
        sink = s.get();
        return s;
    });
    TimedCalls calls;
    auto commandFor = [&](std::chrono::milliseconds span) {
        const auto end = Clock::now() + span;
        while (Clock::now() < end) {
            calls.transport(drive);
            scheduler.runDue();
            std::this_thread::sleep_for(50ms);
        }
    };
    calls.run("open", [&] { drive.open(); });
    ASSERT_TRUE(drive.mediaPresent()) << drive.lastError();
    commandFor(2000ms);
    server.freeze(false);
    calls.check("worst_us_while_the_stream_is_made");
    ASSERT_TRUE(waitUntil([&] { return sink->ready(); })) << "the late stream is used";
    playsToTheEnd(drive);
    EXPECT_EQ(serverStreams().find("stalled"), std::string::npos)
        << "a stream closed while the server was making it stays in the server";

    // Stalled in the middle of a span: the span goes on once the server does.
    ASSERT_EQ(drive.play(2000, -1, nullptr), errors::kNone);
    ASSERT_TRUE(waitUntil([&] { return drive.positionMs() > 2100; }));
    server.freeze(true);
    commandFor(2000ms);
    ASSERT_EQ(drive.play(2000, -1, nullptr), errors::kNone);
    server.freeze(false);
    calls.check("worst_us_while_the_server_is_stopped");
    ASSERT_TRUE(waitUntil([&] { return drive.positionMs() > 2100; }));
    EXPECT_TRUE(sink->ready()) << "the stream must outlive the stall";
    playsToTheEnd(drive);
    drive.close();
}

}  // namespace
}  // namespace lirafok::device::real
