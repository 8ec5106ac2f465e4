#pragma once
// A small HTTP/1.1 server on 127.0.0.1 for the online client's tests: each route answers with a
// canned reply (status, headers, body) and can misbehave as real servers do: answer late, cut
// its body short, declare or send a huge body. Every request is recorded with the time it came.
#include <QElapsedTimer>
#include <QMap>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>
#include <QUrlQuery>
#include <functional>
#include <map>
#include <vector>

namespace lirafok::qt::test {

struct CannedReply {
    int status = 200;
    QByteArray body;
    QList<QPair<QByteArray, QByteArray>> headers;
    int delayMs = 0;            // before anything is sent
    bool cutShort = false;      // declares the whole body, sends half, closes
    bool noLength = false;      // no Content-Length: the body ends when the connection closes
    qint64 generatedBytes = 0;  // a body of this many 'x' (for answers too large to keep)
};

struct SeenRequest {
    QByteArray method, path;  // path without the query
    QUrlQuery query;
    QMap<QByteArray, QByteArray> headers;  // names in lower case
    QByteArray body;
    qint64 atMs = 0;  // since the server started
};

class LoopbackHttp : public QObject {
public:
    using Handler = std::function<CannedReply(const SeenRequest&)>;

    LoopbackHttp() {
        m_clock.start();
        m_server.listen(QHostAddress::LocalHost, 0);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* s = m_server.nextPendingConnection()) accept(s);
        });
    }

    QString base() const {
        return QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort());
    }
    std::string baseUrl() const { return base().toStdString(); }

    // Requests whose path starts with `prefix` get the handler's reply (the longest prefix
    // wins); anything else a 404.
    void route(const QByteArray& prefix, Handler h) { m_routes[prefix] = std::move(h); }
    void route(const QByteArray& prefix, CannedReply r) {
        route(prefix, [r](const SeenRequest&) { return r; });
    }

    std::vector<SeenRequest> seen;

private:
    void accept(QTcpSocket* s) {
        auto buffer = std::make_shared<QByteArray>();
        connect(s, &QTcpSocket::readyRead, this, [this, s, buffer] {
            *buffer += s->readAll();
            const qsizetype end = buffer->indexOf("\r\n\r\n");
            if (end < 0) return;
            SeenRequest r;
            const QList<QByteArray> lines = buffer->left(end).split('\n');
            const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
            if (first.size() < 2) return;
            r.method = first[0];
            const QUrl target = QUrl::fromEncoded("http://x" + first[1]);
            r.path = target.path(QUrl::FullyEncoded).toLatin1();
            r.query = QUrlQuery(target.query(QUrl::FullyEncoded));
            for (qsizetype i = 1; i < lines.size(); ++i) {
                const qsizetype colon = lines[i].indexOf(':');
                if (colon > 0)
                    r.headers[lines[i].left(colon).trimmed().toLower()] =
                        lines[i].mid(colon + 1).trimmed();
            }
            const qsizetype length = r.headers.value("content-length", "0").toLongLong();
            if (buffer->size() < end + 4 + length) return;
            r.body = buffer->mid(end + 4, length);
            r.atMs = m_clock.elapsed();
            buffer->clear();
            seen.push_back(r);
            const CannedReply reply = handle(r);
            QPointer<QTcpSocket> socket(s);
            QTimer::singleShot(reply.delayMs, this, [socket, reply] {
                if (socket) answer(*socket, reply);
            });
        });
        connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
    }

    CannedReply handle(const SeenRequest& r) {
        const Handler* best = nullptr;
        qsizetype bestLength = -1;
        for (const auto& [prefix, h] : m_routes)
            if (r.path.startsWith(prefix) && prefix.size() > bestLength) {
                best = &h;
                bestLength = prefix.size();
            }
        if (best) return (*best)(r);
        CannedReply notFound;
        notFound.status = 404;
        notFound.body = R"({"error":"Not Found"})";
        return notFound;
    }

    static void answer(QTcpSocket& s, const CannedReply& r) {
        const qint64 size = r.generatedBytes ? r.generatedBytes : r.body.size();
        QByteArray head = "HTTP/1.1 " + QByteArray::number(r.status) + " X\r\n";
        if (!r.noLength) head += "Content-Length: " + QByteArray::number(size) + "\r\n";
        for (const auto& [name, value] : r.headers) head += name + ": " + value + "\r\n";
        head += "Connection: close\r\n\r\n";
        s.write(head);
        if (r.generatedBytes) {
            const QByteArray chunk(64 * 1024, 'x');
            for (qint64 sent = 0;
                 sent < r.generatedBytes && s.state() == QAbstractSocket::ConnectedState;
                 sent += chunk.size())
                s.write(chunk);
        } else {
            s.write(r.cutShort ? r.body.left(r.body.size() / 2) : r.body);
        }
        s.flush();
        s.disconnectFromHost();
    }

    QTcpServer m_server;
    QElapsedTimer m_clock;
    std::map<QByteArray, Handler> m_routes;
};

}  // namespace lirafok::qt::test
