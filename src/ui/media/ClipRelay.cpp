#include "ui/media/ClipRelay.h"

#include <QNetworkReply>
#include <QPointer>
#include <QRandomGenerator>
#include <QTcpSocket>

#include "ui/media/ClipNetwork.h"

namespace lorvex {

namespace {

constexpr qsizetype kMaxRequestHead = qsizetype{16} * 1024;
// The player reads ahead this far before the relay reads more from the server.
constexpr qint64 kSocketBacklog = qint64{1024} * 1024;

QByteArray HeaderOf(const QByteArray& head, const QByteArray& name) {
    for (const QByteArray& line : head.split('\n')) {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && line.first(colon).trimmed().compare(name, Qt::CaseInsensitive) == 0) {
            return line.mid(colon + 1).trimmed();
        }
    }
    return {};
}

void Answer(QTcpSocket* socket, int status) {
    socket->write("HTTP/1.1 " + QByteArray::number(status) +
                  " Error\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
    socket->disconnectFromHost();
}

}  // namespace

ClipRelay::ClipRelay(ClipNetwork* network, QObject* parent) : QObject(parent), network_(network) {
    connect(&server_, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = server_.nextPendingConnection()) Serve(socket);
    });
}

QUrl ClipRelay::Offer(const QUrl& clip, const QUrl& referer) {
    if (!server_.isListening() && !server_.listen(QHostAddress::LocalHost)) return {};
    QString path = QStringLiteral("/");
    for (int i = 0; i < 4; ++i) {
        path += QString::number(QRandomGenerator::system()->generate64(), 36);
    }
    // The player's demuxers look at the extension; keep the clip's own.
    const QString name = clip.fileName();
    if (const qsizetype dot = name.lastIndexOf(u'.'); dot > 0) path += name.mid(dot);
    clips_.insert(path, {clip, referer});
    QUrl relayed;
    relayed.setScheme(QStringLiteral("http"));
    relayed.setHost(QStringLiteral("127.0.0.1"));
    relayed.setPort(server_.serverPort());
    relayed.setPath(path);
    return relayed;
}

void ClipRelay::Withdraw(const QUrl& relayed) { clips_.remove(relayed.path()); }

// NOLINTNEXTLINE(readability-function-size): one straight sequence of steps, read top to bottom
void ClipRelay::Serve(QTcpSocket* socket) {
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    auto head = std::make_shared<QByteArray>();
    connect(socket, &QTcpSocket::readyRead, this, [this, socket, head] {
        if (head->endsWith("\r\n\r\n") && head->size() > 4) return;  // already answered
        head->append(socket->readAll());
        if (head->size() > kMaxRequestHead) return Answer(socket, 431);
        if (!head->contains("\r\n\r\n")) return;
        head->truncate(head->indexOf("\r\n\r\n") + 4);
        const QList<QByteArray> request = head->first(head->indexOf("\r\n")).split(' ');
        if (request.size() != 3 || (request[0] != "GET" && request[0] != "HEAD")) {
            return Answer(socket, 405);
        }
        const QString path = QString::fromLatin1(request[1]);
        const auto found = clips_.constFind(path);
        if (found == clips_.cend()) return Answer(socket, 404);
        const bool bodyWanted = request[0] == "GET";
        const QUrl relayed = QUrl(QStringLiteral("http://127.0.0.1") + path);

        QPointer<QNetworkReply> reply =
            network_->Get(found->clip, found->referer, HeaderOf(*head, "Range"));
        reply->setReadBufferSize(kSocketBacklog);
        reply->setParent(socket);
        auto begun = std::make_shared<bool>(false);
        const auto pump = [socket, reply, bodyWanted] {
            if (!reply) return;
            while (bodyWanted && reply->bytesAvailable() > 0 &&
                   socket->bytesToWrite() < kSocketBacklog) {
                socket->write(reply->read(qint64{64} * 1024));
            }
            if (!bodyWanted) reply->readAll();
            if (reply->isFinished() && reply->bytesAvailable() == 0) socket->disconnectFromHost();
        };
        const auto begin = [this, socket, reply, begun, relayed] {
            if (*begun || !reply) return true;
            *begun = true;
            const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
            if (status == 0 || status >= 400) {
                emit Failed(relayed, status, false);
                Answer(socket, status == 0 ? 502 : status);
                return false;
            }
            QByteArray answer = "HTTP/1.1 " + QByteArray::number(status) + " OK\r\n";
            for (const char* name : {"Content-Type", "Content-Length", "Content-Range",
                                     "Accept-Ranges", "Last-Modified"}) {
                if (reply->hasRawHeader(name)) {
                    answer += QByteArray(name) + ": " + reply->rawHeader(name) + "\r\n";
                }
            }
            socket->write(answer + "Connection: close\r\n\r\n");
            return true;
        };
        connect(reply, &QNetworkReply::readyRead, socket, [begin, pump] {
            if (begin()) pump();
        });
        connect(socket, &QTcpSocket::bytesWritten, reply, pump);
        connect(reply, &QNetworkReply::finished, socket,
                [this, socket, reply, begin, pump, relayed] {
                    if (!reply) return;
                    const QNetworkReply::NetworkError error = reply->error();
                    if (error == QNetworkReply::OperationCanceledError) return;
                    if (error != QNetworkReply::NoError &&
                        reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() < 400) {
                        // Cut off before the clip ended (or never reached).
                        const bool lost =
                            reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() != 0;
                        emit Failed(relayed, 0, lost);
                        socket->abort();
                        return;
                    }
                    if (begin()) pump();
                });
        // The player hung up (a seek, or the clip let go): stop fetching.
        connect(socket, &QTcpSocket::disconnected, reply, [reply] {
            if (reply) reply->abort();
        });
    });
}

}  // namespace lorvex
