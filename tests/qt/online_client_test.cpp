// The online client the program uses, against servers on the loopback address that answer in
// the services' documented formats and fail as real servers fail. No test touches the internet.
#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>
#include <optional>

#include "catalogue/online_titles.h"
#include "device/real/disc_ids.h"
#include "qt/online_client.h"
#include "qt_test_support.h"
#include "loopback_http.h"

namespace lirafok::qt::test {
namespace {

using ui::OnlineStatus;

// Three tracks of 30 s: what a pressed CD of that layout carries.
DiscToc threeTracks() {
    DiscToc t;
    t.trackSectors = {150, 2400, 4650};
    t.audio = {true, true, true};
    t.leadOutSector = 6901;
    return t;
}

device::real::DiscImage imageOf(const DiscToc& toc) {
    device::real::DiscImage d;
    for (std::size_t i = 0; i < toc.trackSectors.size(); ++i)
        d.toc.push_back({toc.trackSectors[i], toc.audio[i]});
    d.leadOutSector = toc.leadOutSector;
    return d;
}

std::string discIdOf(const DiscToc& toc) {
    return device::real::musicBrainzDiscId(imageOf(toc));
}

QJsonArray credit(const QString& name) {
    return QJsonArray{QJsonObject{{"name", name}, {"joinphrase", ""}}};
}

// A MusicBrainz release of `tracks` tracks named "<title> n", on a medium carrying `discId`.
QJsonObject release(const QString& title, int tracks, const std::string& discId = {}) {
    QJsonArray list;
    for (int n = 1; n <= tracks; ++n)
        list.append(QJsonObject{{"position", n},
                                {"title", title + " " + QString::number(n)},
                                {"artist-credit", credit("歌手Ａ")}});
    QJsonArray discs;
    if (!discId.empty()) discs.append(QJsonObject{{"id", QString::fromStdString(discId)}});
    return QJsonObject{
        {"title", title},
        {"country", "JP"},
        {"date", "2001-02-03"},
        {"artist-credit", QJsonArray{QJsonObject{{"name", "歌手Ａ"}, {"joinphrase", " & "}},
                                     QJsonObject{{"name", "歌手Ｂ"}, {"joinphrase", ""}}}},
        {"label-info", QJsonArray{QJsonObject{{"catalog-number", "ABCD-123"},
                                              {"label", QJsonObject{{"name", "星レコード"}}}}}},
        {"media", QJsonArray{QJsonObject{{"position", 1}, {"discs", discs}, {"tracks", list}}}}};
}

CannedReply json(const QJsonDocument& doc, int status = 200) {
    CannedReply r;
    r.status = status;
    r.body = doc.toJson(QJsonDocument::Compact);
    r.headers = {{"Content-Type", "application/json"}};
    return r;
}

CannedReply releases(std::initializer_list<QJsonObject> list) {
    QJsonArray a;
    for (const auto& r : list) a.append(r);
    return json(QJsonDocument(QJsonObject{{"releases", a}}));
}

CannedReply text(int status, const QByteArray& body) {
    CannedReply r;
    r.status = status;
    r.body = body;
    return r;
}

// A value of a CGI query as the server reads it ("+" is a blank).
QString formValue(const QUrlQuery& q, const QString& key) {
    QString v = q.queryItemValue(key, QUrl::FullyEncoded);
    v.replace('+', ' ');
    return QUrl::fromPercentEncoding(v.toUtf8());
}

ui::OnlineServers serversAt(const LoopbackHttp& s) {
    return {s.baseUrl(), s.baseUrl(), s.baseUrl()};
}

QtOnlineLookup::Limits quick() {
    QtOnlineLookup::Limits l;
    l.timeoutMs = 800;
    l.musicBrainzGapMs = 20;
    return l;
}

template <class R, class Start>
R await(Start start, int waitMs = 5000) {
    std::optional<R> got;
    start([&got](R r) { got = std::move(r); });
    EXPECT_FALSE(got) << "a result must never come from inside the call";
    EXPECT_TRUE(waitUntil([&] { return got.has_value(); }, waitMs)) << "no result in time";
    return got.value_or(R{});
}

ui::DiscLookupResult disc(QtOnlineLookup& c, const ui::OnlineServers& s,
                          const DiscToc& toc = threeTracks(), int waitMs = 5000) {
    return await<ui::DiscLookupResult>([&](auto done) { c.lookupDisc(s, toc, done); }, waitMs);
}

class OnlineClientTest : public ::testing::Test {
protected:
    void SetUp() override { app(); }
};

TEST_F(OnlineClientTest, ADiscFoundByItsIdKeepsItsJapaneseTitlesAndSaysWhoAsks) {
    LoopbackHttp server;
    const std::string id = discIdOf(threeTracks());
    ASSERT_EQ(id.size(), 28u);
    QJsonObject r = release("夜空の歌", 3, id);
    server.route("/ws/2/discid/" + QByteArray::fromStdString(id), releases({r}));
    QtOnlineLookup client(quick());
    const ui::DiscLookupResult got = disc(client, serversAt(server));
    ASSERT_EQ(got.outcome.status, OnlineStatus::Found);
    ASSERT_EQ(got.releases.size(), 1u);
    const ui::ReleaseCandidate& c = got.releases[0];
    EXPECT_EQ(c.source, "MusicBrainz");
    EXPECT_EQ(c.title, "夜空の歌");
    EXPECT_EQ(c.artist, "歌手Ａ & 歌手Ｂ");
    EXPECT_EQ(c.country, "JP");
    EXPECT_EQ(c.date, "2001-02-03");
    EXPECT_EQ(c.label, "星レコード");
    EXPECT_EQ(c.catalogNumber, "ABCD-123");
    ASSERT_EQ(c.tracks.size(), 3u);
    EXPECT_EQ(c.tracks[2].title, "夜空の歌 3");
    EXPECT_EQ(c.tracks[2].artist, "歌手Ａ");
    ASSERT_EQ(server.seen.size(), 1u);
    const SeenRequest& q = server.seen[0];
    EXPECT_EQ(q.query.queryItemValue("inc"), "recordings+artist-credits+labels");
    EXPECT_EQ(q.query.queryItemValue("fmt"), "json");
    EXPECT_EQ(q.headers.value("user-agent"),
              QByteArray::fromStdString("LIRAFOK/" + ui::programVersion() + " ( " +
                                        ui::kProjectAddress + " )"));
    EXPECT_EQ(client.running(), 0);
}

TEST_F(OnlineClientTest, AnUnknownIdIsAskedByTableOfContentsThenGnudbAtMostOnceASecond) {
    LoopbackHttp server;
    server.route("/~cddb/cddb.cgi", [](const SeenRequest& r) {
        const QString cmd = formValue(r.query, "cmd");
        if (cmd.startsWith("cddb query"))
            return text(200,
                        "211 Found inexact matches, list follows (until terminating `.')\r\n"
                        "rock 1a0b2c03 Band / First\r\nmisc 1a0b2c03 Other / Second\r\n.\r\n");
        if (cmd == "cddb read rock 1a0b2c03")
            return text(200,
                        "210 rock 1a0b2c03 CD database entry follows\r\n# xmcd\r\n"
                        "DTITLE=Band / Fir\r\nDTITLE=st\r\nDYEAR=1999\r\nTTITLE0=One\r\n"
                        "TTITLE1=Guest / Two\r\nTTITLE2=Three\r\n.\r\n");
        return text(200,
                    "210 misc 1a0b2c03 CD database entry follows\r\nDTITLE=Second\r\n"
                    "TTITLE0=Uno\r\n.\r\n");
    });
    QtOnlineLookup client;  // the program's own limits: one MusicBrainz request a second
    const ui::DiscLookupResult got = disc(client, serversAt(server), threeTracks(), 8000);
    ASSERT_EQ(got.outcome.status, OnlineStatus::Found);
    ASSERT_EQ(server.seen.size(), 5u);
    EXPECT_EQ(server.seen[1].path, "/ws/2/discid/-");
    EXPECT_EQ(server.seen[1].query.queryItemValue("toc"), "1+3+6901+150+2400+4650");
    EXPECT_GE(server.seen[1].atMs - server.seen[0].atMs, 950);
    const QString query = formValue(server.seen[2].query, "cmd");
    EXPECT_EQ(query.toStdString(), "cddb query " +
                                       device::real::freedbDiscIdText(imageOf(threeTracks())) +
                                       " 3 150 2400 4650 92");
    EXPECT_EQ(server.seen[2].query.queryItemValue("proto"), "6");
    EXPECT_TRUE(
        formValue(server.seen[2].query, "hello").startsWith("anonymous localhost LIRAFOK "));
    ASSERT_EQ(got.releases.size(), 2u);
    const ui::ReleaseCandidate& a = got.releases[0];
    EXPECT_EQ(a.source, "gnudb");
    EXPECT_EQ(a.title, "First");
    EXPECT_EQ(a.artist, "Band");
    EXPECT_EQ(a.date, "1999");
    ASSERT_EQ(a.tracks.size(), 3u);
    EXPECT_EQ(a.tracks[1].title, "Two");
    EXPECT_EQ(a.tracks[1].artist, "Guest");
    EXPECT_EQ(got.releases[1].title, "Second");
    EXPECT_EQ(got.releases[1].artist, "");
}

TEST_F(OnlineClientTest, NothingAnywhereIsNotFound) {
    LoopbackHttp server;
    server.route("/ws/2/discid/-", json(QJsonDocument(QJsonObject{{"releases", QJsonArray{}}})));
    server.route("/~cddb/cddb.cgi", text(200, "202 No match for disc ID 1a0b2c03.\r\n"));
    QtOnlineLookup client(quick());
    EXPECT_EQ(disc(client, serversAt(server)).outcome.status, OnlineStatus::NotFound);
    EXPECT_EQ(server.seen.size(), 3u);
}

// How MusicBrainz fails, each with gnudb answering "no match": what the user is told.
struct Fault {
    const char* name;
    std::function<CannedReply()> reply;
    OnlineStatus status;
    int retryAfter = 0;
    int httpStatus = -1;  // -1: not checked
};

CannedReply withHeader(CannedReply r, const QByteArray& name, const QByteArray& value) {
    r.headers.append({name, value});
    return r;
}

class DiscFaultTest : public ::testing::TestWithParam<Fault> {
protected:
    void SetUp() override { app(); }
};

TEST_P(DiscFaultTest, IsToldAndNothingIsMadeUp) {
    const Fault& f = GetParam();
    LoopbackHttp server;
    server.route("/ws/2/discid/", [&f](const SeenRequest&) { return f.reply(); });
    server.route("/~cddb/cddb.cgi", text(200, "202 No match\r\n"));
    QtOnlineLookup client(quick());
    const ui::DiscLookupResult got = disc(client, serversAt(server));
    EXPECT_EQ(got.outcome.status, f.status) << f.name;
    EXPECT_TRUE(got.releases.empty());
    EXPECT_EQ(got.outcome.retryAfterSec, f.retryAfter) << f.name;
    if (f.httpStatus >= 0) {
        EXPECT_EQ(got.outcome.httpStatus, f.httpStatus) << f.name;
    }
    EXPECT_FALSE(ui::onlineMessage(got.outcome).empty());
}

const std::vector<Fault> kFaults = {
    {"busy for long", [] { return withHeader(text(503, ""), "Retry-After", "120"); },
     OnlineStatus::Busy, 120, 503},
    {"rate limited", [] { return withHeader(text(429, ""), "Retry-After", "3600"); },
     OnlineStatus::Busy, 3600, 429},
    {"busy, no wait named", [] { return text(503, ""); }, OnlineStatus::Busy, 0, 503},
    {"server error", [] { return text(500, "oops"); }, OnlineStatus::ServerError, 0, 500},
    {"answers after the timeout",
     [] {
         CannedReply r = releases({release("late", 3)});
         r.delayMs = 2500;
         return r;
     },
     OnlineStatus::TimedOut},
    {"malformed JSON", [] { return text(200, "{\"releases\": [ {\"title\": }"); },
     OnlineStatus::BadAnswer},
    {"not JSON at all", [] { return text(200, "<html>maintenance</html>"); },
     OnlineStatus::BadAnswer},
    {"JSON of the wrong kind", [] { return text(200, "[1,2,3]"); }, OnlineStatus::BadAnswer},
    {"truncated body",
     [] {
         CannedReply r = releases({release("cut", 50)});
         r.cutShort = true;
         return r;
     },
     OnlineStatus::BadAnswer},
    {"20 MB declared",
     [] {
         CannedReply r;
         r.generatedBytes = 20 * 1024 * 1024;
         return r;
     },
     OnlineStatus::TooLarge},
    {"20 MB without a length",
     [] {
         CannedReply r;
         r.generatedBytes = 20 * 1024 * 1024;
         r.noLength = true;
         return r;
     },
     OnlineStatus::TooLarge},
};

INSTANTIATE_TEST_SUITE_P(Faults, DiscFaultTest, ::testing::ValuesIn(kFaults), [](const auto& info) {
    std::string n = info.param.name;
    for (char& c : n)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return n;
});

TEST_F(OnlineClientTest, ARefusedConnectionIsOffline) {
    quint16 port = 0;
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        port = probe.serverPort();
    }
    const std::string base = "http://127.0.0.1:" + std::to_string(port);
    QtOnlineLookup client(quick());
    const ui::DiscLookupResult got = disc(client, {base, base, base});
    EXPECT_EQ(got.outcome.status, OnlineStatus::Offline);
    EXPECT_EQ(ui::onlineMessage(got.outcome),
              "サーバーに接続できません（オフラインか、サーバーが止まっています）。\n"
              "何も変更していません。");
}

TEST_F(OnlineClientTest, AServerThatAnswersAfter15SecondsMeetsThe10SecondTimeout) {
    LoopbackHttp server;
    CannedReply late = releases({release("late", 3)});
    late.delayMs = 15000;
    server.route("/ws/2/discid/", late);
    server.route("/~cddb/cddb.cgi", text(200, "202 No match\r\n"));
    QtOnlineLookup client;  // the program's own 10 s
    QElapsedTimer t;
    t.start();
    const ui::DiscLookupResult got = disc(client, serversAt(server), threeTracks(), 14000);
    EXPECT_EQ(got.outcome.status, OnlineStatus::TimedOut);
    EXPECT_GE(t.elapsed(), 9900);
    EXPECT_LT(t.elapsed(), 13000);
}

TEST_F(OnlineClientTest, AShortRetryAfterIsWaitedOutOnce) {
    LoopbackHttp server;
    const std::string id = discIdOf(threeTracks());
    int calls = 0;
    server.route("/ws/2/discid/", [&calls, id](const SeenRequest&) {
        return ++calls == 1 ? withHeader(text(503, ""), "Retry-After", "1")
                            : releases({release("after a wait", 3, id)});
    });
    QtOnlineLookup client(quick());
    const ui::DiscLookupResult got = disc(client, serversAt(server));
    ASSERT_EQ(got.outcome.status, OnlineStatus::Found);
    ASSERT_EQ(server.seen.size(), 2u);
    EXPECT_GE(server.seen[1].atMs - server.seen[0].atMs, 950);
}

TEST_F(OnlineClientTest, A120TrackReleaseKeeps100AndSaysHowManyItHad) {
    LoopbackHttp server;
    server.route("/ws/2/discid/", releases({release("box", 120)}));
    QtOnlineLookup client(quick());
    const ui::DiscLookupResult got = disc(client, serversAt(server));
    ASSERT_EQ(got.outcome.status, OnlineStatus::Found);
    ASSERT_EQ(got.releases[0].tracks.size(), 100u);
    EXPECT_EQ(got.releases[0].totalTracks, 120);
    EXPECT_EQ(got.releases[0].tracks[99].title, "box 100");
    OnlineTextNotes notes;
    const device::DiscText t = releaseToDiscText(got.releases[0], 3, notes);
    EXPECT_EQ(t.trackTitles.size(), 3u);
    EXPECT_EQ(onlineNotesText(notes),
              "・ディスクは 3 曲ですが、見つかった情報は 120 "
              "曲です。\n保存する前に内容を確かめてください。");
}

TEST_F(OnlineClientTest, BadCharactersInTitlesArriveVisiblyReplaced) {
    LoopbackHttp server;
    QByteArray body = releases({release("X", 3)}).body;
    // An invalid UTF-8 byte inside the title, an escaped control character in a track, and a
    // title too long for the catalogue.
    body.replace("\"title\":\"X\"",
                 "\"title\":\"Bad\xff"
                 "Byte\"");
    body.replace("\"X 1\"", "\"Ctl\\u0007Char\x01Raw\"");
    body.replace("\"X 2\"", "\"" + QByteArray("とても長い曲名").repeated(5) + "\"");
    CannedReply r = text(200, body);
    server.route("/ws/2/discid/", r);
    QtOnlineLookup client(quick());
    const ui::DiscLookupResult got = disc(client, serversAt(server));
    ASSERT_EQ(got.outcome.status, OnlineStatus::Found);
    OnlineTextNotes notes;
    const device::DiscText t = releaseToDiscText(got.releases[0], 3, notes);
    EXPECT_EQ(t.title, "Bad〓Byte");
    EXPECT_EQ(t.trackTitles[0], "Ctl〓Char〓Raw");
    EXPECT_EQ(t.trackTitles[1], "とても長い曲名とても長い曲名とても長い曲名とても長い曲名とても…");
    EXPECT_EQ(notes.replaced, 3);
    EXPECT_EQ(notes.cut, 1);
}

TEST_F(OnlineClientTest, ACancelledLookUpNeverAnswersAndDropsItsConnection) {
    LoopbackHttp server;
    CannedReply slow = releases({release("slow", 3)});
    slow.delayMs = 1500;
    server.route("/ws/2/discid/", slow);
    QtOnlineLookup client(quick());
    bool answered = false;
    const ui::OnlineRequestId id = client.lookupDisc(
        serversAt(server), threeTracks(), [&](ui::DiscLookupResult) { answered = true; });
    ASSERT_TRUE(waitUntil([&] { return !server.seen.empty(); }));
    client.cancel(id);
    client.cancel(id);  // twice is harmless
    EXPECT_EQ(client.running(), 0);
    pump(2000);
    EXPECT_FALSE(answered);
    EXPECT_EQ(server.seen.size(), 1u);
}

// --- lyrics ---

QJsonObject lyricsRecord(double duration, const QString& synced, const QString& plain,
                         bool instrumental = false) {
    return {{"id", 1},
            {"trackName", "星の降る夜"},
            {"artistName", "歌手Ａ"},
            {"duration", duration},
            {"instrumental", instrumental},
            {"plainLyrics", plain.isNull() ? QJsonValue() : QJsonValue(plain)},
            {"syncedLyrics", synced.isNull() ? QJsonValue() : QJsonValue(synced)}};
}

const CannedReply kTrackNotFound =
    json(QJsonDocument(QJsonObject{{"code", 404}, {"name", "TrackNotFound"}}), 404);

ui::LyricsResult lyrics(QtOnlineLookup& c, const LoopbackHttp& s, const ui::LyricsQuery& q) {
    return await<ui::LyricsResult>([&](auto done) { c.lookupLyrics(serversAt(s), q, done); });
}

const ui::LyricsQuery kQuery{"星の降る夜 & A+B", "歌手Ａ", "夜空の歌", 30};

TEST_F(OnlineClientTest, LyricsComeFromTheCacheFirstWithTheTrackSignature) {
    LoopbackHttp server;
    server.route("/api/get-cached",
                 json(QJsonDocument(lyricsRecord(30, "[00:01.00] 一\n[00:02.00] 二", "一\n二"))));
    QtOnlineLookup client(quick());
    const ui::LyricsResult got = lyrics(client, server, kQuery);
    ASSERT_EQ(got.outcome.status, OnlineStatus::Found);
    EXPECT_EQ(got.synced, "[00:01.00] 一\n[00:02.00] 二");
    EXPECT_EQ(got.plain, "一\n二");
    ASSERT_EQ(server.seen.size(), 1u);
    const QUrlQuery& q = server.seen[0].query;
    EXPECT_EQ(q.queryItemValue("track_name", QUrl::FullyDecoded), "星の降る夜 & A+B");
    EXPECT_EQ(q.queryItemValue("artist_name", QUrl::FullyDecoded), "歌手Ａ");
    EXPECT_EQ(q.queryItemValue("album_name", QUrl::FullyDecoded), "夜空の歌");
    EXPECT_EQ(q.queryItemValue("duration"), "30");
}

TEST_F(OnlineClientTest, LyricsFallBackToTheFullLookUpThenToASearchMatchedByDuration) {
    LoopbackHttp server;
    server.route("/api/get-cached", kTrackNotFound);
    server.route("/api/get", kTrackNotFound);
    QJsonArray found{lyricsRecord(95, "[00:01.00] wrong length", "wrong"),
                     lyricsRecord(31.5, QString(), "plain only"),
                     lyricsRecord(29, "[00:01.00] right", "right")};
    server.route("/api/search", json(QJsonDocument(found)));
    QtOnlineLookup client(quick());
    const ui::LyricsResult got = lyrics(client, server, kQuery);
    ASSERT_EQ(got.outcome.status, OnlineStatus::Found);
    EXPECT_EQ(got.synced, "[00:01.00] right");
    ASSERT_EQ(server.seen.size(), 3u);
    EXPECT_EQ(server.seen[1].path, "/api/get");
    EXPECT_EQ(server.seen[2].path, "/api/search");
    EXPECT_FALSE(server.seen[2].query.hasQueryItem("duration"));
}

TEST_F(OnlineClientTest, LyricsAnswersTable) {
    struct Case {
        const char* name;
        CannedReply search;
        OnlineStatus status;
        bool instrumental;
    };
    const std::vector<Case> cases = {
        {"nothing close in length",
         json(QJsonDocument(QJsonArray{lyricsRecord(40, "[00:01.00] x", "x")})),
         OnlineStatus::NotFound, false},
        {"empty search", json(QJsonDocument(QJsonArray{})), OnlineStatus::NotFound, false},
        {"instrumental", json(QJsonDocument(QJsonArray{lyricsRecord(30, {}, {}, true)})),
         OnlineStatus::Found, true},
        {"malformed", text(200, "[{\"duration\": 30, "), OnlineStatus::BadAnswer, false},
        {"busy", withHeader(text(429, ""), "Retry-After", "60"), OnlineStatus::Busy, false},
    };
    for (const Case& c : cases) {
        LoopbackHttp server;
        server.route("/api/get-cached", kTrackNotFound);
        server.route("/api/get", kTrackNotFound);
        server.route("/api/search", c.search);
        QtOnlineLookup client(quick());
        const ui::LyricsResult got = lyrics(client, server, kQuery);
        EXPECT_EQ(got.outcome.status, c.status) << c.name;
        EXPECT_EQ(got.instrumental, c.instrumental) << c.name;
        EXPECT_TRUE(got.synced.empty() && got.plain.empty()) << c.name;
    }
}

// --- publishing ---

const ui::PublishRequest kPublish{"星の降る夜", "歌手\"A\"", "夜空の歌",
                                  30,           "一\n二",    "[00:01.00] 一\n[00:02.00] 二"};

ui::PublishResult publish(QtOnlineLookup& c, const LoopbackHttp& s, int waitMs = 10000) {
    return await<ui::PublishResult>(
        [&](auto done) { c.publishLyrics(serversAt(s), kPublish, done); }, waitMs);
}

// A challenge about one hash in sixteen solves, and a publish that checks its token.
void publishServer(LoopbackHttp& server, const QByteArray& target) {
    server.route(
        "/api/request-challenge",
        json(QJsonDocument(QJsonObject{{"prefix", "PrEfIx"}, {"target", QString(target)}})));
    server.route("/api/publish", [target](const SeenRequest& r) {
        const QByteArray token = r.headers.value("x-publish-token");
        const QList<QByteArray> parts = token.split(':');
        const QByteArray hash =
            QCryptographicHash::hash(parts.value(0) + parts.value(1), QCryptographicHash::Sha256);
        if (parts.size() != 2 || parts[0] != "PrEfIx" || hash >= QByteArray::fromHex(target))
            return json(
                QJsonDocument(QJsonObject{{"code", 400},
                                          {"name", "IncorrectPublishToken"},
                                          {"message", "The provided publish token is incorrect"}}),
                400);
        return text(201, "");
    });
}

TEST_F(OnlineClientTest, PublishingSolvesTheChallengeAndSendsExactlyTheShownBody) {
    LoopbackHttp server;
    publishServer(server, "0fff" + QByteArray(60, 'f'));
    QtOnlineLookup client(quick());
    const ui::PublishResult got = publish(client, server);
    EXPECT_EQ(got.outcome.status, OnlineStatus::Found);
    ASSERT_EQ(server.seen.size(), 2u);
    EXPECT_EQ(server.seen[0].method, "POST");
    const SeenRequest& p = server.seen[1];
    EXPECT_EQ(p.method, "POST");
    EXPECT_EQ(p.body.toStdString(), ui::publishBody(kPublish));
    EXPECT_EQ(p.headers.value("content-type"), "application/json");
    const QJsonObject sent = QJsonDocument::fromJson(p.body).object();
    EXPECT_EQ(sent.value("artistName").toString(), "歌手\"A\"");
    EXPECT_EQ(sent.value("duration").toInt(), 30);
    EXPECT_EQ(sent.value("syncedLyrics").toString(), "[00:01.00] 一\n[00:02.00] 二");
}

TEST_F(OnlineClientTest, AWrongTokenIsRefusedWithTheServersWords) {
    LoopbackHttp server;
    publishServer(server, "0fff" + QByteArray(60, 'f'));
    server.route(
        "/api/publish",
        json(QJsonDocument(QJsonObject{{"code", 400},
                                       {"name", "IncorrectPublishToken"},
                                       {"message", "The provided publish token is incorrect"}}),
             400));
    QtOnlineLookup client(quick());
    const ui::PublishResult got = publish(client, server);
    EXPECT_EQ(got.outcome.status, OnlineStatus::Refused);
    EXPECT_EQ(got.outcome.detail, "The provided publish token is incorrect");
}

TEST_F(OnlineClientTest, AMalformedChallengeSendsNothing) {
    for (const QByteArray& body : {QByteArray("{\"prefix\":\"p\",\"target\":\"zz\"}"),
                                   QByteArray("{\"prefix\":\"\"}"), QByteArray("not json")}) {
        LoopbackHttp server;
        server.route("/api/request-challenge", text(200, body));
        QtOnlineLookup client(quick());
        EXPECT_EQ(publish(client, server).outcome.status, OnlineStatus::BadAnswer) << body.data();
        EXPECT_EQ(server.seen.size(), 1u);
    }
}

TEST_F(OnlineClientTest, CancellingWhileTheChallengeIsSolvedStopsTheWorkAndSendsNothing) {
    LoopbackHttp server;
    publishServer(server, QByteArray(64, '0'));  // no hash is below zero
    auto client = std::make_unique<QtOnlineLookup>(quick());
    bool answered = false;
    const ui::OnlineRequestId id = client->publishLyrics(
        serversAt(server), kPublish, [&](ui::PublishResult) { answered = true; });
    ASSERT_TRUE(waitUntil([&] { return !server.seen.empty(); }));
    pump(200);
    client->cancel(id);
    QElapsedTimer t;
    t.start();
    client.reset();  // waits for the worker, which must stop at once
    EXPECT_LT(t.elapsed(), 1000);
    pump(100);
    EXPECT_FALSE(answered);
    EXPECT_EQ(server.seen.size(), 1u);
}

// The window thread keeps ticking while a look-up runs: no gap between ticks of a 1 ms timer
// reaches 16 ms, and the answer is in hand well under a second.
TEST_F(OnlineClientTest, ALookUpNeverStallsTheWindowThread) {
    LoopbackHttp server;
    const std::string id = discIdOf(threeTracks());
    QJsonArray many;
    for (int i = 0; i < 25; ++i) many.append(release("候補 " + QString::number(i), 99, id));
    server.route("/ws/2/discid/", json(QJsonDocument(QJsonObject{{"releases", many}})));
    QtOnlineLookup client(quick());
    pump(50);
    QElapsedTimer clock;
    clock.start();
    qint64 last = 0, worst = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        worst = std::max(worst, now - last);
        last = now;
    });
    ticker.start(1);
    std::optional<qint64> answeredAt;
    client.lookupDisc(serversAt(server), threeTracks(), [&](ui::DiscLookupResult r) {
        EXPECT_EQ(r.releases.size(), 25u);
        answeredAt = clock.elapsed();
    });
    ASSERT_TRUE(waitUntil([&] { return answeredAt.has_value(); }, 5000));
    pump(50);
    ticker.stop();
    std::printf(
        "[ figures ] look-up answered after %lld ms; longest window-thread gap %lld ms "
        "(answer %lld bytes)\n",
        static_cast<long long>(*answeredAt), static_cast<long long>(worst),
        static_cast<long long>(QJsonDocument(QJsonObject{{"releases", many}}).toJson().size()));
    EXPECT_LT(*answeredAt, 1000);
    // Generous for a shared machine; the bench prints the figure under quiet conditions.
    EXPECT_LT(worst, 100);
}

}  // namespace
}  // namespace lirafok::qt::test
