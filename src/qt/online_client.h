#pragma once
// The online look-ups over HTTP (QtNetwork), on the window thread's event loop: requests and
// answers never block it, answers are read on a worker thread, the publish challenge is solved
// on one, and every result is posted back to the window thread (see ui/online.h for the
// contract). MusicBrainz is asked at most once a second across all requests.
#include <QElapsedTimer>
#include <QNetworkAccessManager>
#include <QObject>
#include <QThreadPool>
#include <QUrl>
#include <functional>
#include <map>

#include "ui/online.h"

namespace lirafok::qt {

class QtOnlineLookup final : public QObject, public ui::OnlineLookup {
    Q_OBJECT
public:
    // The bounds of every exchange; tests shorten them to keep their clocks short.
    struct Limits {
        int timeoutMs = ui::kRequestTimeoutMs;  // whole answer, from the request on
        qint64 maxBytes = ui::kMaxAnswerBytes;
        int musicBrainzGapMs = ui::kMusicBrainzGapMs;
        int maxRetryWaitSec = ui::kMaxRetryWaitSec;
    };
    explicit QtOnlineLookup(QObject* parent = nullptr);
    explicit QtOnlineLookup(Limits limits, QObject* parent = nullptr);
    ~QtOnlineLookup() override;

    ui::OnlineRequestId lookupDisc(const ui::OnlineServers& servers, const DiscToc& toc,
                                   std::function<void(ui::DiscLookupResult)> done) override;
    ui::OnlineRequestId lookupLyrics(const ui::OnlineServers& servers, const ui::LyricsQuery& q,
                                     std::function<void(ui::LyricsResult)> done) override;
    ui::OnlineRequestId publishLyrics(const ui::OnlineServers& servers,
                                      const ui::PublishRequest& request,
                                      std::function<void(ui::PublishResult)> done) override;
    void cancel(ui::OnlineRequestId id) override;

    // Requests whose result has not been delivered yet.
    int running() const { return static_cast<int>(m_jobs.size()); }

    // What one HTTP exchange gave (internal, shared with the request steps).
    struct Reply {
        ui::OnlineOutcome outcome;  // Found: a 2xx answer read in full
        QByteArray body;
    };

private:
    class Job;
    enum class Server { MusicBrainz, Gnudb, Lrclib };
    using Then = std::function<void(const Reply&)>;

    Job& newJob();
    // One GET or POST with the timeout, the size bound and one retry after a short
    // Retry-After; MusicBrainz requests wait for their turn first.
    void request(Job& job, Server server, const QUrl& url, const QByteArray& post,
                 const QByteArray& token, Then then);
    void send(Job& job, Server server, const QUrl& url, const QByteArray& post,
              const QByteArray& token, Then then);
    // Runs `work` on the worker pool and `then` with its result back on this thread, unless
    // the job was cancelled meanwhile.
    template <class R>
    void offThread(Job& job, std::function<R()> work, std::function<void(R)> then);
    // Posts the job's end: `deliver` runs later on this thread unless the job is cancelled.
    void finish(Job& job, std::function<void()> deliver);

    void discById(Job& job);
    void discByToc(Job& job);
    void discFailed(Job& job, const ui::OnlineOutcome& why);
    void gnudbQuery(Job& job);
    void gnudbRead(Job& job, std::size_t match);
    void discEnd(Job& job);
    void lyricsStep(Job& job, int step);
    void publishSolved(Job& job, const std::string& prefix, std::uint64_t nonce);

    Limits m_limits;
    QNetworkAccessManager m_nam;
    QThreadPool m_pool;
    QElapsedTimer m_clock;
    qint64 m_musicBrainzNext = 0;  // m_clock time of the next allowed MusicBrainz request
    ui::OnlineRequestId m_last = 0;
    std::map<ui::OnlineRequestId, Job*> m_jobs;
};

}  // namespace lirafok::qt
