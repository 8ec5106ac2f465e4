#include "qt/qt_services.h"

#include <QClipboard>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusReply>
#include <QDir>
#include <QGuiApplication>
#include <QLockFile>
#include <QStandardPaths>

#include "qt/font_resolver.h"
#include "qt/qt_convert.h"

namespace lirafok::qt {

// --- QtClipboard ---

std::string QtClipboard::text() {
    return fromQ(toModelLineBreaks(QGuiApplication::clipboard()->text()));
}

void QtClipboard::setText(const std::string& t) {
    QGuiApplication::clipboard()->setText(toWidgetLineBreaks(toQ(t)));
}

// --- QtSoundCues ---

QtSoundCues::QtSoundCues(std::unique_ptr<device::AudioSink> sink) : m_player(std::move(sink)) {}

QtSoundCues::~QtSoundCues() = default;

void QtSoundCues::play(const std::string& wavPath) {
    m_player.play(wavPath);
}

// --- DBusScreenSaver ---

namespace {

constexpr const char* kService = "org.freedesktop.ScreenSaver";
constexpr const char* kPath = "/org/freedesktop/ScreenSaver";

std::unique_ptr<QDBusInterface> saverInterface() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface()) return nullptr;
    if (!bus.interface()->isServiceRegistered(QString::fromLatin1(kService)).value())
        return nullptr;
    auto iface =
        std::make_unique<QDBusInterface>(QString::fromLatin1(kService), QString::fromLatin1(kPath),
                                         QString::fromLatin1(kService), bus);
    if (!iface->isValid()) return nullptr;
    iface->setTimeout(2000);
    return iface;
}

}  // namespace

DBusScreenSaver::DBusScreenSaver() = default;

DBusScreenSaver::~DBusScreenSaver() {
    setSuppressed(false);
}

void DBusScreenSaver::setSuppressed(bool suppressed) {
    if (suppressed == (m_cookie != 0)) return;
    auto iface = saverInterface();
    if (!iface) {
        m_cookie = 0;
        return;
    }
    if (suppressed) {
        QDBusReply<uint> reply = iface->call(QStringLiteral("Inhibit"), QStringLiteral("LIRAFOK"),
                                             QString::fromUtf8("CD 再生中"));
        if (reply.isValid()) m_cookie = reply.value();
    } else {
        iface->call(QStringLiteral("UnInhibit"), m_cookie);
        m_cookie = 0;
    }
}

// --- QtInstalledFonts ---

bool QtInstalledFonts::isInstalled(const std::string& faceName) {
    return isFontInstalled(faceName);
}

// --- LockFileInstance ---

LockFileInstance::LockFileInstance(QString path) : m_path(std::move(path)) {
    if (m_path.isEmpty()) {
        QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
        if (dir.isEmpty()) dir = QDir::tempPath();
        m_path = QDir(dir).filePath(QStringLiteral("lirafok.lock"));
    }
}

LockFileInstance::~LockFileInstance() {
    if (m_lock && m_held) m_lock->unlock();
}

bool LockFileInstance::acquire() {
    if (m_held) return true;
    if (!m_lock) {
        m_lock = std::make_unique<QLockFile>(m_path);
        // Only a dead owner makes the lock stale, never its age.
        m_lock->setStaleLockTime(0);
    }
    m_held = m_lock->tryLock(0);
    return m_held;
}

}  // namespace lirafok::qt
