#include "qt/online_client.h"

#include <QDateTime>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <memory>

#include "device/real/disc_ids.h"
#include "qt/online_parse.h"
#include "qt/proof_of_work.h"

namespace lirafok::qt {

namespace {

// gnudb entries read when a query lists several.
constexpr std::size_t kMaxCddbReads = 5;
const char* const kReleaseIncludes = "inc=recordings+artist-credits+labels&cdstubs=no&fmt=json";

QByteArray enc(const std::string& s) {
    return QUrl::toPercentEncoding(QString::fromStdString(s));
}

QUrl url(const std::string& base, const QByteArray& rest) {
    return QUrl::fromEncoded(QByteArray::fromStdString(base) + rest, QUrl::StrictMode);
}

// The disc as the disc-ID functions take it.
device::real::DiscImage imageOf(const DiscToc& toc) {
    device::real::DiscImage d;
    for (std::size_t i = 0; i < toc.trackSectors.size(); ++i)
        d.toc.push_back({toc.trackSectors[i], i >= toc.audio.size() || toc.audio[i]});
    d.leadOutSector = toc.leadOutSector;
    return d;
}

ui::OnlineOutcome outcomeOf(int status, QNetworkReply::NetworkError error, bool timedOut,
                            bool tooLarge, const QByteArray& retryAfter) {
    ui::OnlineOutcome o;
    o.httpStatus = status;
    if (timedOut) {
        o.status = ui::OnlineStatus::TimedOut;
    } else if (tooLarge) {
        o.status = ui::OnlineStatus::TooLarge;
    } else if (status == 0) {
        o.status = ui::OnlineStatus::Offline;  // no HTTP answer at all
    } else if (status == 429 || status == 503) {
        o.status = ui::OnlineStatus::Busy;
        o.retryAfterSec = retryAfterSeconds(retryAfter, QDateTime::currentSecsSinceEpoch());
    } else if (status >= 200 && status < 300) {
        // A 2xx answer the connection cut short is no answer to read.
        o.status =
            error == QNetworkReply::NoError ? ui::OnlineStatus::Found : ui::OnlineStatus::BadAnswer;
    } else if (status == 404) {
        o.status = ui::OnlineStatus::NotFound;
    } else {
        o.status = ui::OnlineStatus::ServerError;
    }
    return o;
}

}  // namespace

class QtOnlineLookup::Job : public QObject {
public:
    ui::OnlineRequestId id = 0;
    std::shared_ptr<std::atomic<bool>> stop = std::make_shared<std::atomic<bool>>(false);
    QPointer<QNetworkReply> reply;
    QByteArray buffer;
    bool tooLarge = false, timedOut = false;
    int retries = 0;
    ui::OnlineServers servers;
    // Titles of a disc.
    DiscToc toc;
    std::string musicBrainzId;
    int audioTracks = 0;
    bool failed = false;
    ui::OnlineOutcome firstFailure;  // told when no later step finds anything
    std::vector<CddbMatch> matches;
    std::vector<ui::ReleaseCandidate> found;
    std::function<void(ui::DiscLookupResult)> discDone;
    // Lyrics.
    ui::LyricsQuery query;
    std::function<void(ui::LyricsResult)> lyricsDone;
    // Publishing.
    ui::PublishRequest publish;
    std::function<void(ui::PublishResult)> publishDone;
};

QtOnlineLookup::QtOnlineLookup(QObject* parent) : QtOnlineLookup(Limits{}, parent) {}

QtOnlineLookup::QtOnlineLookup(Limits limits, QObject* parent) : QObject(parent), m_limits(limits) {
    m_clock.start();
    m_pool.setMaxThreadCount(2);
    // Redirects to a less safe scheme are refused; same-scheme ones are followed.
    m_nam.setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
}

QtOnlineLookup::~QtOnlineLookup() {
    for (auto& [id, job] : m_jobs) {
        job->stop->store(true);
        if (job->reply) {
            job->reply->disconnect(job);
            job->reply->abort();
        }
    }
    // A worker may still be solving or reading; it stops at its next check.
    m_pool.waitForDone();
    for (auto& [id, job] : m_jobs) delete job;
}

QtOnlineLookup::Job& QtOnlineLookup::newJob() {
    auto* job = new Job;
    job->setParent(this);
    job->id = ++m_last;
    m_jobs[job->id] = job;
    return *job;
}

void QtOnlineLookup::cancel(ui::OnlineRequestId id) {
    auto it = m_jobs.find(id);
    if (it == m_jobs.end()) return;
    Job* job = it->second;
    m_jobs.erase(it);
    job->stop->store(true);
    if (QNetworkReply* r = job->reply) {
        r->disconnect(job);
        r->abort();
        r->deleteLater();
    }
    job->deleteLater();
}

void QtOnlineLookup::finish(Job& job, std::function<void()> deliver) {
    const ui::OnlineRequestId id = job.id;
    QMetaObject::invokeMethod(
        this,
        [this, id, deliver = std::move(deliver)] {
            auto it = m_jobs.find(id);
            if (it == m_jobs.end()) return;  // cancelled meanwhile
            it->second->deleteLater();
            m_jobs.erase(it);
            deliver();
        },
        Qt::QueuedConnection);
}

template <class R>
void QtOnlineLookup::offThread(Job& job, std::function<R()> work, std::function<void(R)> then) {
    QPointer<Job> guard(&job);
    m_pool.start([this, guard, work = std::move(work), then = std::move(then)] {
        R result = work();
        QMetaObject::invokeMethod(
            this,
            [guard, then, result = std::move(result)] {
                if (guard && !guard->stop->load()) then(result);
            },
            Qt::QueuedConnection);
    });
}

void QtOnlineLookup::request(Job& job, Server server, const QUrl& u, const QByteArray& post,
                             const QByteArray& token, Then then) {
    if (server != Server::MusicBrainz) return send(job, server, u, post, token, std::move(then));
    const qint64 now = m_clock.elapsed();
    const qint64 at = std::max(now, m_musicBrainzNext);
    m_musicBrainzNext = at + m_limits.musicBrainzGapMs;
    QTimer::singleShot(at - now, &job, [this, &job, server, u, post, token, then] {
        send(job, server, u, post, token, then);
    });
}

void QtOnlineLookup::send(Job& job, Server server, const QUrl& u, const QByteArray& post,
                          const QByteArray& token, Then then) {
    QNetworkRequest req(u);
    req.setHeader(QNetworkRequest::UserAgentHeader, QString::fromStdString(ui::userAgent()));
    req.setRawHeader("Accept", server == Server::Gnudb ? "text/plain" : "application/json");
    if (!token.isEmpty()) req.setRawHeader("X-Publish-Token", token);
    QNetworkReply* reply;
    if (post.isNull()) {
        reply = m_nam.get(req);
    } else {
        req.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
        reply = m_nam.post(req, post);
    }
    job.reply = reply;
    job.buffer.clear();
    job.tooLarge = job.timedOut = false;
    auto* timer = new QTimer(reply);
    timer->setSingleShot(true);
    // A coarse timer may fire 5 % early; the limit is the limit.
    timer->setTimerType(Qt::PreciseTimer);
    connect(timer, &QTimer::timeout, &job, [&job, reply] {
        job.timedOut = true;
        reply->abort();
    });
    timer->start(m_limits.timeoutMs);
    const qint64 max = m_limits.maxBytes;
    connect(reply, &QNetworkReply::metaDataChanged, &job, [&job, reply, max] {
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if (length.isValid() && length.toLongLong() > max && !job.tooLarge) {
            job.tooLarge = true;
            reply->abort();
        }
    });
    connect(reply, &QNetworkReply::readyRead, &job, [&job, reply, max] {
        if (job.tooLarge) return;
        job.buffer += reply->readAll();
        if (job.buffer.size() > max) {
            job.tooLarge = true;
            job.buffer.clear();
            reply->abort();
        }
    });
    connect(reply, &QNetworkReply::finished, &job,
            [this, &job, reply, timer, server, u, post, token, then] {
                timer->stop();
                if (!job.tooLarge) job.buffer += reply->readAll();
                Reply r;
                r.outcome = outcomeOf(
                    reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(),
                    reply->error(), job.timedOut, job.tooLarge, reply->rawHeader("Retry-After"));
                r.body = job.tooLarge ? QByteArray() : std::move(job.buffer);
                job.buffer.clear();
                job.reply = nullptr;
                reply->deleteLater();
                const int wait = r.outcome.retryAfterSec;
                if (r.outcome.status == ui::OnlineStatus::Busy && job.retries == 0 && wait > 0 &&
                    wait <= m_limits.maxRetryWaitSec) {
                    ++job.retries;
                    QTimer::singleShot(wait * 1000, &job,
                                       [this, &job, server, u, post, token, then] {
                                           request(job, server, u, post, token, then);
                                       });
                    return;
                }
                then(r);
            });
}

// --- titles of a disc ---

ui::OnlineRequestId QtOnlineLookup::lookupDisc(const ui::OnlineServers& servers, const DiscToc& toc,
                                               std::function<void(ui::DiscLookupResult)> done) {
    Job& job = newJob();
    job.servers = servers;
    job.toc = toc;
    job.discDone = std::move(done);
    job.audioTracks = static_cast<int>(std::count(toc.audio.begin(), toc.audio.end(), true));
    if (toc.empty()) {
        finish(job, [d = job.discDone] { d({{ui::OnlineStatus::NotFound}, {}}); });
        return job.id;
    }
    job.musicBrainzId = device::real::musicBrainzDiscId(imageOf(toc));
    discById(job);
    return job.id;
}

void QtOnlineLookup::discFailed(Job& job, const ui::OnlineOutcome& why) {
    if (!job.failed) {
        job.failed = true;
        job.firstFailure = why;
    }
}

void QtOnlineLookup::discById(Job& job) {
    if (job.musicBrainzId.empty()) return discByToc(job);
    const QUrl u = url(job.servers.musicBrainz,
                       "/ws/2/discid/" + enc(job.musicBrainzId) + "?" + kReleaseIncludes);
    request(job, Server::MusicBrainz, u, {}, {}, [this, &job](const Reply& r) {
        if (r.outcome.status == ui::OnlineStatus::NotFound) return discByToc(job);
        if (r.outcome.status != ui::OnlineStatus::Found) {
            discFailed(job, r.outcome);
            return gnudbQuery(job);
        }
        const QByteArray body = r.body;
        const std::string id = job.musicBrainzId;
        const int tracks = job.audioTracks;
        offThread<ReleasesParse>(
            job, [body, id, tracks] { return parseMusicBrainz(body, id, tracks); },
            [this, &job](ReleasesParse p) {
                if (p.status == ui::OnlineStatus::Found) {
                    job.found = std::move(p.releases);
                    return discEnd(job);
                }
                if (p.status == ui::OnlineStatus::NotFound) return discByToc(job);
                discFailed(job, {p.status});
                gnudbQuery(job);
            });
    });
}

void QtOnlineLookup::discByToc(Job& job) {
    const std::string toc = ui::musicBrainzToc(job.toc);
    if (toc.empty()) return gnudbQuery(job);
    const QUrl u =
        url(job.servers.musicBrainz,
            "/ws/2/discid/-?toc=" + QByteArray::fromStdString(toc) + "&" + kReleaseIncludes);
    request(job, Server::MusicBrainz, u, {}, {}, [this, &job](const Reply& r) {
        if (r.outcome.status != ui::OnlineStatus::Found) {
            if (r.outcome.status != ui::OnlineStatus::NotFound) discFailed(job, r.outcome);
            return gnudbQuery(job);
        }
        const QByteArray body = r.body;
        const int tracks = job.audioTracks;
        offThread<ReleasesParse>(
            job, [body, tracks] { return parseMusicBrainz(body, {}, tracks); },
            [this, &job](ReleasesParse p) {
                if (p.status == ui::OnlineStatus::Found) {
                    job.found = std::move(p.releases);
                    return discEnd(job);
                }
                if (p.status != ui::OnlineStatus::NotFound) discFailed(job, {p.status});
                gnudbQuery(job);
            });
    });
}

void QtOnlineLookup::gnudbQuery(Job& job) {
    const device::real::DiscImage image = imageOf(job.toc);
    QByteArray cmd = "cddb+query+" +
                     QByteArray::fromStdString(device::real::freedbDiscIdText(image)) + "+" +
                     QByteArray::number(job.toc.trackSectors.size());
    for (const std::int64_t s : job.toc.trackSectors) cmd += "+" + QByteArray::number(s);
    cmd += "+" + QByteArray::number(job.toc.leadOutSector / 75);
    const QUrl u = url(job.servers.gnudb, "/~cddb/cddb.cgi?cmd=" + cmd +
                                              "&hello=anonymous+localhost+LIRAFOK+" +
                                              enc(ui::programVersion()) + "&proto=6");
    request(job, Server::Gnudb, u, {}, {}, [this, &job](const Reply& r) {
        if (r.outcome.status != ui::OnlineStatus::Found) {
            if (r.outcome.status != ui::OnlineStatus::NotFound) discFailed(job, r.outcome);
            return discEnd(job);
        }
        const QByteArray body = r.body;
        offThread<CddbQueryParse>(
            job, [body] { return parseCddbQuery(body); },
            [this, &job](CddbQueryParse p) {
                if (p.status == ui::OnlineStatus::Found) {
                    job.matches = std::move(p.matches);
                    if (job.matches.size() > kMaxCddbReads) job.matches.resize(kMaxCddbReads);
                    return gnudbRead(job, 0);
                }
                if (p.status != ui::OnlineStatus::NotFound)
                    discFailed(job, {p.status, 0, 200, p.serverText});
                discEnd(job);
            });
    });
}

void QtOnlineLookup::gnudbRead(Job& job, std::size_t match) {
    if (match >= job.matches.size()) return discEnd(job);
    const CddbMatch& m = job.matches[match];
    const QUrl u =
        url(job.servers.gnudb, "/~cddb/cddb.cgi?cmd=cddb+read+" + enc(m.category) + "+" +
                                   enc(m.discId) + "&hello=anonymous+localhost+LIRAFOK+" +
                                   enc(ui::programVersion()) + "&proto=6");
    request(job, Server::Gnudb, u, {}, {}, [this, &job, match](const Reply& r) {
        if (r.outcome.status != ui::OnlineStatus::Found) {
            discFailed(job, r.outcome);
            return gnudbRead(job, match + 1);
        }
        const QByteArray body = r.body;
        offThread<ReleasesParse>(
            job, [body] { return parseCddbRead(body); },
            [this, &job, match](ReleasesParse p) {
                if (p.status == ui::OnlineStatus::Found)
                    for (auto& rel : p.releases) job.found.push_back(std::move(rel));
                else if (p.status != ui::OnlineStatus::NotFound)
                    discFailed(job, {p.status});
                gnudbRead(job, match + 1);
            });
    });
}

void QtOnlineLookup::discEnd(Job& job) {
    ui::DiscLookupResult result;
    if (!job.found.empty()) {
        result.outcome.status = ui::OnlineStatus::Found;
        result.releases = std::move(job.found);
    } else {
        result.outcome =
            job.failed ? job.firstFailure : ui::OnlineOutcome{ui::OnlineStatus::NotFound};
    }
    finish(job, [d = job.discDone, result = std::move(result)] { d(result); });
}

// --- lyrics ---

ui::OnlineRequestId QtOnlineLookup::lookupLyrics(const ui::OnlineServers& servers,
                                                 const ui::LyricsQuery& q,
                                                 std::function<void(ui::LyricsResult)> done) {
    Job& job = newJob();
    job.servers = servers;
    job.query = q;
    job.lyricsDone = std::move(done);
    lyricsStep(job, 0);
    return job.id;
}

// Step 0: the cached record; 1: the full look-up; 2: the search, matched by duration.
void QtOnlineLookup::lyricsStep(Job& job, int step) {
    const ui::LyricsQuery& q = job.query;
    static const char* const kPaths[] = {"/api/get-cached?", "/api/get?", "/api/search?"};
    QByteArray query = "track_name=" + enc(q.track) + "&artist_name=" + enc(q.artist) +
                       "&album_name=" + enc(q.album);
    if (step < 2) query += "&duration=" + QByteArray::number(q.durationSec);
    const QUrl u = url(job.servers.lrclib, kPaths[step] + query);
    auto deliver = [this, &job](ui::LyricsResult r) {
        finish(job, [d = job.lyricsDone, r = std::move(r)] { d(r); });
    };
    request(job, Server::Lrclib, u, {}, {}, [this, &job, step, deliver](const Reply& r) {
        if (r.outcome.status == ui::OnlineStatus::NotFound && step < 2)
            return lyricsStep(job, step + 1);
        if (r.outcome.status != ui::OnlineStatus::Found) return deliver({r.outcome, {}, {}, false});
        const QByteArray body = r.body;
        const int duration = job.query.durationSec;
        offThread<ui::LyricsResult>(
            job,
            [body, step, duration] {
                return step < 2 ? parseLrclibRecord(body) : parseLrclibSearch(body, duration);
            },
            [this, &job, step, deliver](ui::LyricsResult p) {
                const bool empty = p.outcome.status == ui::OnlineStatus::Found &&
                                   p.synced.empty() && p.plain.empty() && !p.instrumental;
                if (empty && step < 2) return lyricsStep(job, step + 1);
                if (empty) p.outcome.status = ui::OnlineStatus::NotFound;
                deliver(std::move(p));
            });
    });
}

// --- publishing ---

ui::OnlineRequestId QtOnlineLookup::publishLyrics(const ui::OnlineServers& servers,
                                                  const ui::PublishRequest& what,
                                                  std::function<void(ui::PublishResult)> done) {
    Job& job = newJob();
    job.servers = servers;
    job.publish = what;
    job.publishDone = std::move(done);
    auto fail = [this, &job](ui::OnlineOutcome o) {
        finish(job, [d = job.publishDone, o] { d({o}); });
    };
    request(job, Server::Lrclib, url(servers.lrclib, "/api/request-challenge"), QByteArray(""), {},
            [this, &job, fail](const Reply& r) {
                if (r.outcome.status != ui::OnlineStatus::Found) return fail(r.outcome);
                const std::optional<Challenge> c = parseChallenge(r.body);
                if (!c) return fail({ui::OnlineStatus::BadAnswer});
                const auto stop = job.stop;
                const Challenge challenge = *c;
                offThread<std::optional<std::uint64_t>>(
                    job,
                    [challenge, stop] {
                        return solveChallenge(challenge.prefix, challenge.target, *stop);
                    },
                    [this, &job, prefix = challenge.prefix, fail](std::optional<std::uint64_t> n) {
                        if (!n) return fail({ui::OnlineStatus::BadAnswer});
                        publishSolved(job, prefix, *n);
                    });
            });
    return job.id;
}

void QtOnlineLookup::publishSolved(Job& job, const std::string& prefix, std::uint64_t nonce) {
    const QByteArray token = QByteArray::fromStdString(prefix) + ":" + QByteArray::number(nonce);
    const QByteArray body = QByteArray::fromStdString(ui::publishBody(job.publish));
    request(job, Server::Lrclib, url(job.servers.lrclib, "/api/publish"), body, token,
            [this, &job](const Reply& r) {
                ui::OnlineOutcome o = r.outcome;
                if (o.status == ui::OnlineStatus::ServerError && o.httpStatus == 400) {
                    o.status = ui::OnlineStatus::Refused;
                    o.detail = lrclibErrorText(r.body);
                }
                finish(job, [d = job.publishDone, o] { d({o}); });
            });
}

}  // namespace lirafok::qt
