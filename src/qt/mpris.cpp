#include "qt/mpris.h"

#include <algorithm>
#include <cmath>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QElapsedTimer>
#include <cstdlib>

#include "qt/qt_convert.h"

namespace lirafok::qt {

namespace {

const QString kObjectPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString kRootInterface = QStringLiteral("org.mpris.MediaPlayer2");
const QString kPlayerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");
const QString kNoTrack = QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack");
// A jump of the heard position this far from where steady play would have taken it counts as
// a seek.
constexpr qint64 kSeekToleranceMs = 1500;

qint64 monotonicMs() {
    static QElapsedTimer clock;
    if (!clock.isValid()) clock.start();
    return clock.elapsed();
}

bool sameTrack(const NowPlaying& a, const NowPlaying& b) {
    return a.discKey == b.discKey && a.track == b.track;
}

QString loopStatusText(LoopMode loop) {
    switch (loop) {
        case LoopMode::Track:
            return QStringLiteral("Track");
        case LoopMode::Playlist:
            return QStringLiteral("Playlist");
        case LoopMode::None:
            break;
    }
    return QStringLiteral("None");
}

}  // namespace

// --- MprisService ---

MprisService::MprisService(MediaTransport& transport, QString desktopEntry, int pollMs)
    : m_transport(transport), m_desktopEntry(std::move(desktopEntry)) {
    new MprisRootAdaptor(this);
    auto* player = new MprisPlayerAdaptor(this);
    connect(this, &MprisService::Seeked, player, &MprisPlayerAdaptor::Seeked);
    m_timer.setInterval(pollMs);
    connect(&m_timer, &QTimer::timeout, this, &MprisService::poll);
}

MprisService::~MprisService() {
    if (m_serviceName.isEmpty()) return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.unregisterObject(kObjectPath);
    bus.unregisterService(m_serviceName);
}

bool MprisService::registerOn(const QString& name) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return false;
    if (!bus.registerObject(kObjectPath, this, QDBusConnection::ExportAdaptors)) return false;
    QString service = QStringLiteral("org.mpris.MediaPlayer2.") + name;
    if (!bus.registerService(service)) {
        service +=
            QStringLiteral(".instance") + QString::number(QCoreApplication::applicationPid());
        if (!bus.registerService(service)) {
            bus.unregisterObject(kObjectPath);
            return false;
        }
    }
    m_serviceName = service;
    refresh();
    m_lastPolledAt = monotonicMs();
    m_timer.start();
    return true;
}

const NowPlaying& MprisService::refresh() {
    m_last = m_transport.nowPlaying();
    return m_last;
}

QString MprisService::playbackStatus(const NowPlaying& n) {
    switch (n.state) {
        case PlaybackState::Playing:
            return QStringLiteral("Playing");
        case PlaybackState::Paused:
            return QStringLiteral("Paused");
        default:
            return QStringLiteral("Stopped");
    }
}

QDBusObjectPath MprisService::trackId(const NowPlaying& n) {
    if (n.state == PlaybackState::NoDisc || n.track < 1) return QDBusObjectPath(kNoTrack);
    return QDBusObjectPath(
        QStringLiteral("/org/lirafok/disc_%1/track_%2").arg(toQ(n.discKey)).arg(n.track));
}

QVariantMap MprisService::metadata(const NowPlaying& n) const {
    QVariantMap m;
    m.insert(QStringLiteral("mpris:trackid"), QVariant::fromValue(trackId(n)));
    if (n.state == PlaybackState::NoDisc || n.track < 1) return m;
    m.insert(QStringLiteral("mpris:length"), qlonglong(n.lengthMs) * 1000);
    m.insert(QStringLiteral("xesam:trackNumber"), n.track);
    // Players' widgets show the title; a disc without names still says which track plays.
    m.insert(QStringLiteral("xesam:title"),
             n.title.empty() ? QStringLiteral("Track %1").arg(n.track, 2, 10, QLatin1Char('0'))
                             : toQ(n.title));
    if (!n.artist.empty()) m.insert(QStringLiteral("xesam:artist"), QStringList{toQ(n.artist)});
    if (!n.album.empty()) m.insert(QStringLiteral("xesam:album"), toQ(n.album));
    if (!n.lyricLine.empty()) m.insert(QStringLiteral("xesam:asText"), toQ(n.lyricLine));
    return m;
}

void MprisService::announceSeek() {
    // Whatever else changed since the last poll is told first: taking the new state without
    // telling it would hide, say, a track change from every listener.
    announceChanges(false);
    emit Seeked(qlonglong(m_last.positionMs) * 1000);
}

void MprisService::poll() {
    announceChanges(true);
}

void MprisService::announceChanges(bool detectSeeks) {
    const NowPlaying before = m_last;
    const qint64 now = monotonicMs();
    const qint64 elapsed = now - m_lastPolledAt;
    m_lastPolledAt = now;
    const NowPlaying& n = refresh();

    QVariantMap player;
    if (playbackStatus(n) != playbackStatus(before))
        player.insert(QStringLiteral("PlaybackStatus"), playbackStatus(n));
    const QVariantMap meta = metadata(n), oldMeta = metadata(before);
    if (meta != oldMeta) player.insert(QStringLiteral("Metadata"), meta);
    if (n.volume != before.volume) player.insert(QStringLiteral("Volume"), n.volume);
    if (n.canGoNext != before.canGoNext) player.insert(QStringLiteral("CanGoNext"), n.canGoNext);
    if (n.canGoPrevious != before.canGoPrevious)
        player.insert(QStringLiteral("CanGoPrevious"), n.canGoPrevious);
    const bool canPlay = n.state != PlaybackState::NoDisc && n.canControl;
    const bool couldPlay = before.state != PlaybackState::NoDisc && before.canControl;
    if (canPlay != couldPlay) {
        player.insert(QStringLiteral("CanPlay"), canPlay);
        player.insert(QStringLiteral("CanPause"), canPlay);
    }
    if (n.canSeek != before.canSeek) player.insert(QStringLiteral("CanSeek"), n.canSeek);
    if (n.loop != before.loop) player.insert(QStringLiteral("LoopStatus"), loopStatusText(n.loop));
    if (n.shuffle != before.shuffle) player.insert(QStringLiteral("Shuffle"), n.shuffle);
    if (n.tempo != before.tempo) player.insert(QStringLiteral("Rate"), n.tempo / 100.0);
    if (!player.isEmpty()) propertiesChanged(kPlayerInterface, player);

    // Within one track, a position away from where playing on would have taken it is a seek
    // (the slider, the arrow keys, a repeat loop).
    if (detectSeeks && sameTrack(n, before) && n.state != PlaybackState::NoDisc &&
        before.state != PlaybackState::NoDisc) {
        const qint64 expected =
            before.positionMs + (before.state == PlaybackState::Playing ? elapsed : 0);
        if (std::llabs(n.positionMs - expected) > kSeekToleranceMs &&
            n.state != PlaybackState::Stopped)
            emit Seeked(qlonglong(n.positionMs) * 1000);
    }
}

void MprisService::propertiesChanged(const QString& interface, const QVariantMap& changed) {
    QDBusMessage signal =
        QDBusMessage::createSignal(kObjectPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                   QStringLiteral("PropertiesChanged"));
    signal << interface << changed << QStringList();
    QDBusConnection::sessionBus().send(signal);
}

// --- MprisRootAdaptor ---

MprisRootAdaptor::MprisRootAdaptor(MprisService* service)
    : QDBusAbstractAdaptor(service), m_service(service) {}

void MprisRootAdaptor::Raise() {
    if (m_service->onRaise) m_service->onRaise();
}

// --- MprisPlayerAdaptor ---

MprisPlayerAdaptor::MprisPlayerAdaptor(MprisService* service)
    : QDBusAbstractAdaptor(service), m_service(service) {
    setAutoRelaySignals(false);
}

NowPlaying MprisPlayerAdaptor::now() const {
    return m_service->transport().nowPlaying();
}

QString MprisPlayerAdaptor::playbackStatus() const {
    return MprisService::playbackStatus(now());
}

QVariantMap MprisPlayerAdaptor::metadata() const {
    return m_service->metadata(now());
}

double MprisPlayerAdaptor::volume() const {
    return now().volume;
}

void MprisPlayerAdaptor::setVolume(double v) {
    m_service->transport().setVolume(v);
}

QString MprisPlayerAdaptor::loopStatus() const {
    return loopStatusText(now().loop);
}

void MprisPlayerAdaptor::setLoopStatus(const QString& status) {
    if (status == QStringLiteral("Track"))
        m_service->transport().setLoop(LoopMode::Track);
    else if (status == QStringLiteral("Playlist"))
        m_service->transport().setLoop(LoopMode::Playlist);
    else if (status == QStringLiteral("None"))
        m_service->transport().setLoop(LoopMode::None);
    // Told at once: the next poll may come after the mode changed again.
    m_service->announceChanges(false);
}

bool MprisPlayerAdaptor::shuffle() const {
    return now().shuffle;
}

void MprisPlayerAdaptor::setShuffle(bool on) {
    m_service->transport().setShuffle(on);
    m_service->announceChanges(false);
}

double MprisPlayerAdaptor::rate() const {
    return now().tempo / 100.0;
}

void MprisPlayerAdaptor::setRate(double rate) {
    if (!std::isfinite(rate)) return;
    // A rate of 0 is a pause, as MPRIS defines it for players.
    if (rate <= 0) {
        m_service->transport().pause();
    } else {
        m_service->transport().setTempo(
            static_cast<int>(std::lround(std::clamp(rate, 0.0, 10.0) * 100)));
    }
    m_service->announceChanges(false);
}

qlonglong MprisPlayerAdaptor::position() const {
    return qlonglong(now().positionMs) * 1000;
}

bool MprisPlayerAdaptor::canGoNext() const {
    return now().canGoNext;
}

bool MprisPlayerAdaptor::canGoPrevious() const {
    return now().canGoPrevious;
}

bool MprisPlayerAdaptor::canPlay() const {
    const NowPlaying n = now();
    return n.state != PlaybackState::NoDisc && n.canControl;
}

bool MprisPlayerAdaptor::canPause() const {
    return canPlay();
}

bool MprisPlayerAdaptor::canSeek() const {
    return now().canSeek;
}

void MprisPlayerAdaptor::Next() {
    m_service->transport().next();
}

void MprisPlayerAdaptor::Previous() {
    m_service->transport().previous();
}

void MprisPlayerAdaptor::Pause() {
    m_service->transport().pause();
}

void MprisPlayerAdaptor::PlayPause() {
    m_service->transport().playPause();
}

void MprisPlayerAdaptor::Stop() {
    m_service->transport().stop();
}

void MprisPlayerAdaptor::Play() {
    m_service->transport().play();
}

void MprisPlayerAdaptor::Seek(qlonglong offset) {
    const NowPlaying n = now();
    if (!n.canSeek) return;
    const qint64 target = qint64(n.positionMs) + offset / 1000;
    // Past the end of the track means the next track.
    if (target >= n.lengthMs) {
        if (n.canGoNext) m_service->transport().next();
        return;
    }
    if (m_service->transport().seekInTrack(static_cast<std::int32_t>(std::max<qint64>(0, target))))
        m_service->announceSeek();
}

void MprisPlayerAdaptor::SetPosition(const QDBusObjectPath& trackId, qlonglong position) {
    const NowPlaying n = now();
    // A stale track id (the track changed meanwhile) or a position outside the track is
    // ignored, as the interface asks.
    if (!n.canSeek || trackId.path() != MprisService::trackId(n).path()) return;
    if (position < 0 || position / 1000 >= n.lengthMs) return;
    if (m_service->transport().seekInTrack(static_cast<std::int32_t>(position / 1000)))
        m_service->announceSeek();
}

}  // namespace lirafok::qt
