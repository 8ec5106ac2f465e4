// Tables of the readers of the services' answers and of the publish challenge.
#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QDateTime>
#include <atomic>

#include "qt/online_parse.h"
#include "qt/proof_of_work.h"

namespace lirafok::qt {
namespace {

using ui::OnlineStatus;

TEST(OnlineParseTest, CddbQueryTable) {
    struct Case {
        const char* name;
        QByteArray text;
        OnlineStatus status;
        std::size_t matches;
    };
    const std::vector<Case> cases = {
        {"exact", "200 rock 7a0b8c09 Band / Album\r\n", OnlineStatus::Found, 1},
        {"exact list",
         "210 Found exact matches\r\nrock 7a0b8c09 A / B\r\njazz 7a0b8c09 C / D\r\n.\r\n",
         OnlineStatus::Found, 2},
        {"inexact list, LF only", "211 inexact\nmisc 01 X\n.\n", OnlineStatus::Found, 1},
        {"none", "202 No match for disc ID 7a0b8c09.\r\n", OnlineStatus::NotFound, 0},
        {"list cut short", "211 inexact\r\nrock 7a0b8c09 A / B\r\n", OnlineStatus::BadAnswer, 0},
        {"empty list", "210 exact\r\n.\r\n", OnlineStatus::NotFound, 0},
        {"refused", "500 Command syntax error\r\n", OnlineStatus::Refused, 0},
        {"not CDDB", "<html>", OnlineStatus::BadAnswer, 0},
        {"nothing", "", OnlineStatus::BadAnswer, 0},
    };
    for (const Case& c : cases) {
        const CddbQueryParse p = parseCddbQuery(c.text);
        EXPECT_EQ(p.status, c.status) << c.name;
        EXPECT_EQ(p.matches.size(), c.matches) << c.name;
    }
    const CddbQueryParse one = parseCddbQuery("200 rock 7a0b8c09 Band / Album\r\n");
    EXPECT_EQ(one.matches[0].category, "rock");
    EXPECT_EQ(one.matches[0].discId, "7a0b8c09");
    EXPECT_EQ(one.matches[0].title, "Band / Album");
}

TEST(OnlineParseTest, CddbReadJoinsContinuedLinesAndSplitsArtists) {
    const ReleasesParse p = parseCddbRead(
        "210 rock 7a0b8c09 CD database entry follows (until terminating `.')\r\n"
        "# xmcd\r\n#\r\nDISCID=7a0b8c09\r\nDTITLE=夜空の / 歌\r\nDYEAR=2001\r\n"
        "TTITLE0=星の\r\nTTITLE0=降る夜\r\nTTITLE1=ゲスト / "
        "風の丘\r\nTTITLE3=skipped\r\nEXTD=\r\n.\r\n");
    ASSERT_EQ(p.status, OnlineStatus::Found);
    const ui::ReleaseCandidate& r = p.releases.at(0);
    EXPECT_EQ(r.source, "gnudb");
    EXPECT_EQ(r.artist, "夜空の");
    EXPECT_EQ(r.title, "歌");
    EXPECT_EQ(r.date, "2001");
    ASSERT_EQ(r.tracks.size(), 2u);  // numbering stops at the first gap
    EXPECT_EQ(r.tracks[0].title, "星の降る夜");
    EXPECT_EQ(r.tracks[1].artist, "ゲスト");
    EXPECT_EQ(r.tracks[1].title, "風の丘");
    EXPECT_EQ(parseCddbRead("210 rock x\r\nDTITLE=A / B\r\n").status, OnlineStatus::BadAnswer);
    EXPECT_EQ(parseCddbRead("401 rock x No such CD entry in database.\r\n").status,
              OnlineStatus::NotFound);
}

TEST(OnlineParseTest, MusicBrainzPicksTheMediumOfTheDisc) {
    const QByteArray json = R"({"releases":[{"title":"Box","media":[
        {"discs":[{"id":"other"}],"tracks":[{"title":"wrong 1"}]},
        {"discs":[{"id":"ThisDisc"}],"tracks":[{"title":"","recording":{"title":"from recording",
          "artist-credit":[{"name":"R","joinphrase":" feat. "},{"artist":{"name":"S"}}]}}]},
        {"discs":[],"tracks":[{"title":"a"},{"title":"b"}]}]}]})";
    EXPECT_EQ(parseMusicBrainz(json, "ThisDisc", 7).releases.at(0).tracks.at(0).title,
              "from recording");
    EXPECT_EQ(parseMusicBrainz(json, "ThisDisc", 7).releases.at(0).tracks.at(0).artist,
              "R feat. S");
    // Unknown disc: the medium with as many tracks as the disc, else the first.
    EXPECT_EQ(parseMusicBrainz(json, "", 2).releases.at(0).tracks.at(1).title, "b");
    EXPECT_EQ(parseMusicBrainz(json, "", 5).releases.at(0).tracks.at(0).title, "wrong 1");
    // A CD stub answers too; an object of neither kind is unreadable.
    const ReleasesParse stub = parseMusicBrainz(
        R"({"id":"x","title":"Stub","artist":"Anon","tracks":[{"title":"t1","artist":null}]})", "",
        1);
    ASSERT_EQ(stub.status, OnlineStatus::Found);
    EXPECT_EQ(stub.releases[0].title, "Stub");
    EXPECT_EQ(parseMusicBrainz(R"({"error":"Not Found"})", "", 1).status, OnlineStatus::BadAnswer);
}

TEST(OnlineParseTest, RepairUtf8Table) {
    struct Case {
        QByteArray in, out;
    };
    const QByteArray r = "\xEF\xBF\xBD";
    const std::vector<Case> cases = {
        {"plain", "plain"},
        {"歌", "歌"},
        {"a\xff"
         "b",
         "a" + r + "b"},
        {"\xc0\xaf", r + r},                  // overlong slash
        {"\xed\xa0\x80", r + r + r},          // a surrogate
        {"\xf4\x90\x80\x80", r + r + r + r},  // past U+10FFFF
        {"\xe3\x81", r + r},                  // cut short
        {"😀", "😀"},
    };
    for (const Case& c : cases) EXPECT_EQ(repairUtf8(c.in), c.out) << c.in.toHex().data();
}

TEST(OnlineParseTest, RetryAfterTable) {
    const qint64 now = QDateTime(QDate(2026, 1, 1), QTime(12, 0), Qt::UTC).toSecsSinceEpoch();
    EXPECT_EQ(retryAfterSeconds("120", now), 120);
    EXPECT_EQ(retryAfterSeconds(" 5 ", now), 5);
    EXPECT_EQ(retryAfterSeconds("", now), 0);
    EXPECT_EQ(retryAfterSeconds("soon", now), 0);
    EXPECT_EQ(retryAfterSeconds("-3", now), 0);
    EXPECT_EQ(retryAfterSeconds("99999999", now), 86400);
    EXPECT_EQ(retryAfterSeconds("Thu, 01 Jan 2026 12:00:30 GMT", now), 30);
    EXPECT_EQ(retryAfterSeconds("Thu, 01 Jan 2026 11:00:00 GMT", now), 0);
}

TEST(OnlineParseTest, ChallengeTable) {
    EXPECT_TRUE(parseChallenge(R"({"prefix":"p","target":")" + QByteArray(64, 'F') + "\"}"));
    EXPECT_FALSE(parseChallenge(R"({"prefix":"p","target":")" + QByteArray(63, 'F') + "\"}"));
    EXPECT_FALSE(parseChallenge(R"({"prefix":"p","target":")" + QByteArray(64, 'g') + "\"}"));
    EXPECT_FALSE(parseChallenge(R"({"prefix":"","target":")" + QByteArray(64, 'f') + "\"}"));
    EXPECT_FALSE(parseChallenge("[]"));
}

TEST(ProofOfWorkTest, TheNonceFoundIsTheFirstBelowTheTarget) {
    const QByteArray target = QByteArray::fromHex("00ff" + QByteArray(60, 'f'));
    std::atomic<bool> stop{false};
    const std::optional<std::uint64_t> n = solveChallenge("VXMwW2qP", target, stop);
    ASSERT_TRUE(n);
    auto hash = [](std::uint64_t k) {
        return QCryptographicHash::hash("VXMwW2qP" + QByteArray::number(static_cast<qulonglong>(k)),
                                        QCryptographicHash::Sha256);
    };
    EXPECT_TRUE(belowTarget(hash(*n), target));
    for (std::uint64_t k = 0; k < *n; ++k) ASSERT_FALSE(belowTarget(hash(k), target)) << k;
    // Equal is not below; the comparison is of unsigned bytes, most significant first.
    EXPECT_FALSE(belowTarget(target, target));
    EXPECT_TRUE(belowTarget(QByteArray(31, '\0') + '\x01', QByteArray(31, '\0') + '\x80'));
    EXPECT_FALSE(belowTarget(QByteArray(1, '\x80') + QByteArray(31, '\0'),
                             QByteArray(1, '\x7f') + QByteArray(31, '\xff')));
    EXPECT_FALSE(belowTarget("short", target));
}

TEST(ProofOfWorkTest, StopsWhenAskedOrWhenTheTriesRunOut) {
    std::atomic<bool> stop{true};
    EXPECT_FALSE(solveChallenge("p", QByteArray(32, '\0'), stop));
    std::atomic<bool> go{false};
    EXPECT_FALSE(solveChallenge("p", QByteArray(32, '\0'), go, 5000));
}

}  // namespace
}  // namespace lirafok::qt
