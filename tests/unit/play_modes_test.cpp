#include "player/play_modes.h"

#include "core/app_state.h"

#include "../support/temp_folder.h"
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <optional>
#include <string>
#include <vector>

namespace lirafok {
namespace {

bool isPermutation(const std::vector<int>& order, int count) {
    std::vector<int> sorted = order;
    std::sort(sorted.begin(), sorted.end());
    std::vector<int> want(static_cast<std::size_t>(count));
    std::iota(want.begin(), want.end(), 1);
    return sorted == want;
}

TEST(Shuffle, EveryTrackExactlyOnce) {
    for (int count : {0, 1, 2, 13, 99, 100})
        EXPECT_TRUE(isPermutation(shuffledTracks(count), count)) << count;
}

TEST(Shuffle, DrawsOutsideTheDiscOrAlreadyPickedAreDrawnAgain) {
    // A generator that repeats itself and strays beyond 1..count.
    std::vector<int> draws{3, 3, 0, 5, 1, 3, 2, 1};
    std::size_t next = 0;
    auto order = shuffledTracks(3, [&](int) { return draws[next++ % draws.size()]; });
    EXPECT_EQ(order, (std::vector<int>{3, 1, 2}));
}

TEST(Shuffle, NotTheSameOrderAtEveryStart) {
    // 20! orders: two equal draws from independently seeded generators do not happen.
    EXPECT_NE(shuffledTracks(20), shuffledTracks(20));
}

TEST(PrivateList, ReadsTrackNumbersAndRefusesWhatTheDiscCannotPlay) {
    lirafok::testing::TempFolder tmp{"privlist"};
    const std::string path = tmp / "00018000.000";
    struct Case {
        std::string bytes;
        std::optional<std::vector<int>> want;
    };
    const std::vector<Case> cases{
        {"05\r\n02\r\n05\r\n", std::vector<int>{5, 2, 5}},
        {"", std::vector<int>{}},
        {" 3 \r\n\r\n1", std::vector<int>{3, 1}},
        {"2\r\nx\r\n", std::nullopt},
        {"00\r\n", std::nullopt},
        {"06\r\n", std::nullopt},
        {"1\r\n2\r\n3\r\n4\r\n", std::nullopt},  // more entries than the list holds
    };
    for (const Case& c : cases) {
        lirafok::testing::writeRaw(path, c.bytes);
        EXPECT_EQ(readPrivateList(path, 5, 3), c.want) << c.bytes;
    }
    EXPECT_EQ(readPrivateList(tmp / "missing.000", 5, 3), std::nullopt);
}

TEST(PrivateList, WritesTwoDigitsPerLineWithCrLf) {
    lirafok::testing::TempFolder tmp{"privlist"};
    const std::string path = tmp / "00018000.000";
    ASSERT_TRUE(writePrivateList(path, {5, 2, 5, 12}));
    EXPECT_EQ(lirafok::testing::readRaw(path), "05\r\n02\r\n05\r\n12\r\n");
    EXPECT_FALSE(writePrivateList("", {1}));
}

}  // namespace
}  // namespace lirafok

namespace lirafok {
namespace {

// The loop a drive turns for each repeat: one track ends exactly where the next begins.
TEST(RepeatLoop, EachRepeatLoopsItsOwnSpan) {
    AppState s;
    s.TrackCount = 3;
    s.DiscStartMs = 2001;
    s.TrackStartMs[1] = 2001, s.TrackStartMs[2] = 62001, s.TrackStartMs[3] = 122001;
    using Loop = std::optional<std::pair<std::int32_t, std::int32_t>>;
    struct Case {
        const char* name;
        RepeatSwitch on;
        RepeatMode kind;
        int track;
        std::int32_t a, b;
        int listIndex;
        Loop want;
    };
    const Case cases[] = {
        {"off", RepeatSwitch::Off, RepeatMode::AB, 1, 5000, 9000, -1, std::nullopt},
        {"A-B", RepeatSwitch::On, RepeatMode::AB, 1, 5000, 9000, -1, Loop({5000, 9000})},
        {"A-B armed only", RepeatSwitch::Armed, RepeatMode::AB, 1, 5000, 9000, -1, std::nullopt},
        {"track 2", RepeatSwitch::On, RepeatMode::OneTrack, 2, 62001, 122002, -1,
         Loop({62001, 122001})},
        {"last track", RepeatSwitch::On, RepeatMode::OneTrack, 3, 122001, 182002, -1,
         Loop({122001, -1})},
        {"whole disc", RepeatSwitch::On, RepeatMode::WholeDisc, 1, 0, 0, -1, Loop({2001, -1})},
        {"in list play", RepeatSwitch::On, RepeatMode::OneTrack, 2, 62001, 122002, 1, std::nullopt},
    };
    for (const Case& c : cases) {
        s.RepeatOn = c.on;
        s.RepeatKind = c.kind;
        s.RepeatTrack = c.track;
        s.RepeatStartMs = c.a;
        s.RepeatEndMs = c.b;
        s.ListPlay = c.listIndex > 0 ? 1 : 0;
        EXPECT_EQ(repeatLoop(s), c.want) << c.name;
    }
}

}  // namespace
}  // namespace lirafok
