// Milliseconds of a table of contents as the Windows CD-audio driver reports them: the figures
// that key every catalogue made on that platform.
#include <gtest/gtest.h>

#include "core/text.h"
#include "device/real/disc_image.h"

namespace lirafok::device::real {
namespace {

struct TocCase {
    const char* name;
    std::vector<TocEntry> toc;  // absolute sectors, lead-in included
    std::int64_t leadOut;
    std::int32_t startMs, lengthMs;
    const char* key;
    std::vector<TrackInfo> tracks;
};

const TocCase kCases[] = {
    {"one minute, one track", {{150}}, 150 + 4500, 2001, 59987, "000059987", {{2001, 59987}}},
    {"00:02:33 and sector counts that are not whole milliseconds",
     {{150}, {183}, {20000}},
     33333,
     2001,
     442427,  // the old rule, lead-out ms minus start ms, gave 442440
     "000442427",
     {{2001, 441}, {2441, 264227}, {266667, 177761}}},
    {"hidden track: track 1 starts 30 s into the pregap",
     {{150 + 2250}, {150 + 2250 + 7500}},
     150 + 2250 + 15000,
     32001,
     199987,
     "000199987",
     {{32001, 100001}, {132001, 99987}}},
    {"enhanced CD: the data track counts in the length",
     {{150}, {10000}, {30000, false}},
     40000,
     2001,
     531321,
     "000531321",
     {{2001, 131334}, {133334, 266667}, {400001, 133321}}},
    {"a long disc of 79:59:74",
     {{150}},
     150 + 79 * 4500 + 59 * 75 + 74,
     2001,
     4799974,
     "004799974",
     {{2001, 4799974}}},
};

TEST(CdTime, TablesOfContentsReadAsTheDriverReportsThem) {
    for (const TocCase& c : kCases) {
        SCOPED_TRACE(c.name);
        DiscImage disc;
        disc.toc = c.toc;
        disc.leadOutSector = c.leadOut;
        EXPECT_EQ(disc.startMs(), c.startMs);
        EXPECT_EQ(disc.lengthMs(), c.lengthMs);
        EXPECT_EQ(text::pad(disc.lengthMs(), 9), c.key);
        const auto tracks = disc.tracksMs();
        ASSERT_EQ(tracks.size(), c.tracks.size());
        for (std::size_t i = 0; i < tracks.size(); ++i) {
            EXPECT_EQ(tracks[i].startMs, c.tracks[i].startMs) << "track " << i + 1;
            EXPECT_EQ(tracks[i].lengthMs, c.tracks[i].lengthMs) << "track " << i + 1;
        }
        EXPECT_EQ(disc.endMs(), c.leadOut * 1000 / 75 + 1);
    }
}

TEST(CdTime, PositionsRoundTripAndTrackStartsLandOnTheirSector) {
    // Every millisecond of an 80-minute disc names a frame that reads back as itself, and the
    // start of any sector, given in milliseconds, plays from that sector's first frame.
    for (std::int64_t ms = 1; ms <= 80 * 60 * 1000 + 2001; ++ms)
        ASSERT_EQ(frameToDiscMs(discMsToFrame(ms)), ms) << ms;
    for (std::int64_t s = 0; s <= 80 * 4500 + 150; ++s) {
        ASSERT_EQ(discMsToFrame(sectorsToMciMs(s)), s * kFramesPerSector) << "sector " << s;
        ASSERT_EQ(frameToDiscMs(s * kFramesPerSector), sectorsToMciMs(s)) << "sector " << s;
    }
    EXPECT_EQ(sectorsToMciMs(150), 2001);  // 00:02:00
    EXPECT_EQ(sectorsToMciMs(183), 2441);  // 00:02:33
    EXPECT_EQ(discMsToFrame(0), 0);
}

}  // namespace
}  // namespace lirafok::device::real
