#include "qt/raising_instance.h"

#include <QCryptographicHash>
#include <QLocalSocket>

namespace lirafok::qt {

namespace {
const QByteArray kRaise = QByteArrayLiteral("raise\n");
}

RaisingInstance::RaisingInstance(QString lockPath) : LockFileInstance(std::move(lockPath)) {
    QObject::connect(&m_server, &QLocalServer::newConnection, [this] {
        while (QLocalSocket* peer = m_server.nextPendingConnection()) {
            QObject::connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
            QObject::connect(peer, &QLocalSocket::readyRead, peer, [this, peer] {
                if (!peer->readAll().contains(kRaise.trimmed())) return;
                if (onRaiseRequest) onRaiseRequest();
                peer->disconnectFromServer();
            });
        }
    });
}

RaisingInstance::~RaisingInstance() {
    m_server.close();
}

QString RaisingInstance::socketName() const {
    // One socket per lock file; the name stays short enough for a socket path.
    return QStringLiteral("lirafok-") +
           QString::fromLatin1(QCryptographicHash::hash(path().toUtf8(), QCryptographicHash::Sha1)
                                   .toHex()
                                   .left(16));
}

bool RaisingInstance::acquire() {
    if (LockFileInstance::acquire()) {
        if (!m_server.isListening()) {
            // A socket left by a copy that crashed is in the way of a new one.
            QLocalServer::removeServer(socketName());
            m_server.setSocketOptions(QLocalServer::UserAccessOption);
            m_server.listen(socketName());
        }
        return true;
    }
    QLocalSocket socket;
    socket.connectToServer(socketName());
    m_asked = socket.waitForConnected(kAskTimeoutMs) && socket.write(kRaise) == kRaise.size() &&
              socket.waitForBytesWritten(kAskTimeoutMs);
    if (m_asked) socket.waitForDisconnected(kAskTimeoutMs);
    return false;
}

}  // namespace lirafok::qt
