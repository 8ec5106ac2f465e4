#pragma once
// The player on the session bus as an MPRIS 2 media player (org.mpris.MediaPlayer2 and its
// .Player interface at /org/mpris/MediaPlayer2), so that media keys, the desktop's player
// widgets and tools such as playerctl drive it.
//
// Positions on the bus are microseconds inside the current track. The service asks the
// transport for its state every `pollMs` and announces what changed (PropertiesChanged, and
// Seeked when the position jumped); calls from the bus act at once.
#include <QDBusAbstractAdaptor>
#include <QDBusObjectPath>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <QVariantMap>
#include <functional>

#include "common/media_transport.h"

namespace lirafok::qt {

class MprisService : public QObject {
    Q_OBJECT
public:
    // `desktopEntry` is the desktop file's name without ".desktop".
    MprisService(MediaTransport& transport, QString desktopEntry, int pollMs = 500);
    ~MprisService() override;

    // Registers on the session bus as org.mpris.MediaPlayer2.<name> (".instance<pid>" is
    // added when the name is taken). False without a session bus.
    bool registerOn(const QString& name = QStringLiteral("lirafok"));
    QString serviceName() const { return m_serviceName; }

    // Raise() from the bus.
    std::function<void()> onRaise;

    MediaTransport& transport() { return m_transport; }
    const QString& desktopEntry() const { return m_desktopEntry; }
    // The state as last announced, refreshed now.
    const NowPlaying& refresh();
    const NowPlaying& last() const { return m_last; }
    QVariantMap metadata(const NowPlaying& n) const;
    static QString playbackStatus(const NowPlaying& n);
    // The object path of the current track (the NoTrack path without one).
    static QDBusObjectPath trackId(const NowPlaying& n);
    // Tells the bus that the position jumped (after a seek made from the bus).
    void announceSeek();
    // Announces every property that differs from the state last announced, and (when
    // `detectSeeks`) a position jump within the track as Seeked.
    void announceChanges(bool detectSeeks);

signals:
    void Seeked(qlonglong position);

private:
    void poll();
    void propertiesChanged(const QString& interface, const QVariantMap& changed);

    MediaTransport& m_transport;
    QString m_desktopEntry;
    QString m_serviceName;
    QTimer m_timer;
    NowPlaying m_last;
    bool m_announced = false;
    qint64 m_lastPolledAt = 0;  // ms, monotonic
};

class MprisRootAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ canQuit)
    Q_PROPERTY(bool CanRaise READ canRaise)
    Q_PROPERTY(bool HasTrackList READ hasTrackList)
    Q_PROPERTY(QString Identity READ identity)
    Q_PROPERTY(QString DesktopEntry READ desktopEntry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ supportedUriSchemes)
    Q_PROPERTY(QStringList SupportedMimeTypes READ supportedMimeTypes)
public:
    explicit MprisRootAdaptor(MprisService* service);
    bool canQuit() const { return false; }
    bool canRaise() const { return true; }
    bool hasTrackList() const { return false; }
    QString identity() const { return QStringLiteral("LIRAFOK"); }
    QString desktopEntry() const { return m_service->desktopEntry(); }
    QStringList supportedUriSchemes() const { return {}; }
    QStringList supportedMimeTypes() const { return {}; }

public slots:
    void Raise();
    void Quit() {}

private:
    MprisService* m_service;
};

class MprisPlayerAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ playbackStatus)
    Q_PROPERTY(double Rate READ rate WRITE setRate)
    Q_PROPERTY(double MinimumRate READ minimumRate)
    Q_PROPERTY(double MaximumRate READ maximumRate)
    Q_PROPERTY(QVariantMap Metadata READ metadata)
    Q_PROPERTY(double Volume READ volume WRITE setVolume)
    Q_PROPERTY(qlonglong Position READ position)
    Q_PROPERTY(bool CanGoNext READ canGoNext)
    Q_PROPERTY(bool CanGoPrevious READ canGoPrevious)
    Q_PROPERTY(bool CanPlay READ canPlay)
    Q_PROPERTY(bool CanPause READ canPause)
    Q_PROPERTY(bool CanSeek READ canSeek)
    Q_PROPERTY(bool CanControl READ canControl)
    Q_PROPERTY(QString LoopStatus READ loopStatus WRITE setLoopStatus)
    Q_PROPERTY(bool Shuffle READ shuffle WRITE setShuffle)
public:
    explicit MprisPlayerAdaptor(MprisService* service);
    QString loopStatus() const;
    void setLoopStatus(const QString& status);
    bool shuffle() const;
    void setShuffle(bool on);
    QString playbackStatus() const;
    // The rate is the tempo: 0.8 plays at 80 %, in 5 % steps from 0.5 to 1.5.
    double rate() const;
    void setRate(double rate);
    double minimumRate() const { return 0.5; }
    double maximumRate() const { return 1.5; }
    QVariantMap metadata() const;
    double volume() const;
    void setVolume(double v);
    qlonglong position() const;
    bool canGoNext() const;
    bool canGoPrevious() const;
    bool canPlay() const;
    bool canPause() const;
    bool canSeek() const;
    bool canControl() const { return true; }

public slots:
    void Next();
    void Previous();
    void Pause();
    void PlayPause();
    void Stop();
    void Play();
    void Seek(qlonglong offset);
    void SetPosition(const QDBusObjectPath& trackId, qlonglong position);
    void OpenUri(const QString&) {}

signals:
    void Seeked(qlonglong position);

private:
    NowPlaying now() const;
    MprisService* m_service;
};

}  // namespace lirafok::qt
