// A local stand-in for the music-video portal. This is a development and test tool, not
// part of the client.
#include "DemoPortal.h"

#include <QHostAddress>
#include <QHttpServer>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QHttpServerResponse>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>

#include <algorithm>

#ifdef Q_OS_UNIX
#include <sys/socket.h>
#endif

#include "PortalContent.h"
#include "PortalMedia.h"

namespace lorvex {

namespace {

// The pieces after the first: one per tick, about 3 MB a second.
constexpr qsizetype kPiece = qsizetype{64} * 1024;
constexpr int kPieceIntervalMs = 20;

// The path with its query as the client sent it: the query stays percent-encoded so a test
// can tell a GBK escape (%BA%A3) from a UTF-8 one or a bare '&' from "%26".
QString PathAndQuery(const QUrl& url) {
    QString text = url.path(QUrl::FullyEncoded);
    if (url.hasQuery()) text += u'?' + url.query(QUrl::FullyEncoded);
    return text;
}

// Asks for "/painted?<path>&at=<when>" once the page's first contentful paint is observed,
// <when> being the paint's time on the wall clock in milliseconds since the epoch.
const QByteArray kPaintReport =
    "<script>new PerformanceObserver(function (list) {"
    " list.getEntries().forEach(function (entry) {"
    " if (entry.name === 'first-contentful-paint')"
    " new Image().src = '/painted?' + encodeURIComponent(location.pathname) + '&at=' +"
    " Math.round(performance.timeOrigin + entry.startTime); });"
    " }).observe({type: 'paint', buffered: true});</script>";

QHttpServerResponse ToResponse(const portal::Reply& reply) {
    QHttpServerResponse response(reply.contentType, reply.body,
                                 static_cast<QHttpServerResponse::StatusCode>(reply.status));
    for (const auto& [name, value] : reply.headers) response.addHeader(name, value);
    return response;
}

// The file name twice: plain ASCII for old browsers, and in UTF-8 (RFC 6266).
QByteArray Attachment(const QString& fileName) {
    return "attachment; filename=\"download.bin\"; filename*=UTF-8''" +
           fileName.toUtf8().toPercentEncoding();
}

// Ends a connection the way a broken line does: with a reset, not an orderly close.
void CutOff(QTcpSocket* socket) {
    socket->flush();
#ifdef Q_OS_UNIX
    const linger reset{1, 0};
    ::setsockopt(static_cast<int>(socket->socketDescriptor()), SOL_SOCKET, SO_LINGER, &reset,
                 sizeof reset);
#endif
    socket->abort();
}

}  // namespace

DemoPortal::DemoPortal(QObject* parent)
    : QObject(parent), server_(new QHttpServer(this)), pacer_(new QTimer(this)) {
    // One catch-all route: every request is logged, then looked up in the page table,
    // which answers unknown paths with a 404 page.
    server_->route("/<arg>", [this](const QUrl&, const QHttpServerRequest& request,
                                    QHttpServerResponder&& responder) {
        Record(PathAndQuery(request.url()), request);
        Respond(request, std::move(responder));
    });
    // Request targets that are not a path at all (e.g. "*") never reach the route above.
    server_->setMissingHandler(
        [this](const QHttpServerRequest& request, QHttpServerResponder&& responder) {
            Record(PathAndQuery(request.url()), request);
            ToResponse(portal::ReplyFor({}, {})).write(std::move(responder));
        });
    pacer_->setInterval(kPieceIntervalMs);
    connect(pacer_, &QTimer::timeout, this, &DemoPortal::SendPieces);
}

DemoPortal::~DemoPortal() = default;

quint16 DemoPortal::Start(quint16 port) {
    if (port_ == 0) port_ = server_->listen(QHostAddress::LocalHost, port);
    return port_;
}

QString DemoPortal::Origin() const { return QStringLiteral("http://127.0.0.1:%1").arg(port_); }

QStringList DemoPortal::Requests() const {
    QStringList requests;
    requests.reserve(static_cast<qsizetype>(log_.size()));
    for (const Logged& request : log_) requests.append(request.pathAndQuery);
    return requests;
}

void DemoPortal::SetLoggedRequests(qsizetype limit) {
    loggedLimit_ = std::max<qsizetype>(0, limit);
    while (static_cast<qsizetype>(log_.size()) > loggedLimit_) log_.pop_front();
}

QByteArray DemoPortal::Header(const QString& pathAndQuery, const QByteArray& name) const {
    // The latest request for the address.
    const auto request = std::find_if(log_.rbegin(), log_.rend(), [&](const Logged& logged) {
        return logged.pathAndQuery == pathAndQuery;
    });
    if (request == log_.rend()) return {};
    for (const auto& [key, value] : request->headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0) return value;
    }
    return {};
}

void DemoPortal::SetRedirect(const QString& path, const QString& target) {
    if (target.isEmpty()) {
        redirects_.remove(path);
    } else {
        redirects_.insert(path, target);
    }
}

void DemoPortal::SetPage(const QString& path, const QString& html) {
    if (html.isEmpty()) {
        pages_.remove(path);
    } else {
        pages_.insert(path, html);
    }
}

void DemoPortal::Record(const QString& pathAndQuery, const QHttpServerRequest& request) {
    if (loggedLimit_ > 0) {
        if (static_cast<qsizetype>(log_.size()) >= loggedLimit_) log_.pop_front();
        log_.push_back({pathAndQuery, request.headers()});
    }
    emit RequestReceived(pathAndQuery);
}

void DemoPortal::Respond(const QHttpServerRequest& request, QHttpServerResponder&& responder) {
    const QUrl& url = request.url();
    const QByteArray rawQuery = url.query(QUrl::FullyEncoded).toLatin1();
    if (const QString target = redirects_.value(url.path()); !target.isEmpty()) {
        responder.write(QByteArray(), {{"Location", target.toUtf8()}},
                        QHttpServerResponder::StatusCode::Found);
        return;
    }
    if (const auto page = pages_.constFind(url.path()); page != pages_.cend()) {
        ToResponse({200, "text/html; charset=utf-8", page->toUtf8(), {}})
            .write(std::move(responder));
        return;
    }
    // Clips and play lists: a clip only for the portal's own pages, in byte ranges.
    if (std::optional<portal::Reply> media = portal::MediaReplyFor(
            url.path(), request.value("Referer"), request.value("Range"), Origin())) {
        ToResponse(*media).write(std::move(responder));
        return;
    }
    std::optional<portal::Download> file = portal::FindDownload(url.path(), rawQuery);
    if (!file) {
        portal::Reply reply = portal::ReplyFor(url.path(), rawQuery, request.value("Cookie"));
        if (paintsReported_ && reply.contentType.startsWith("text/html")) {
            reply.body.replace("</head>", kPaintReport + "</head>");
        }
        ToResponse(reply).write(std::move(responder));
        return;
    }
    responder.writeStatusLine();
    responder.writeHeader("Content-Type", file->contentType);
    responder.writeHeader("Content-Disposition", Attachment(file->fileName));
    responder.writeHeader("Content-Length", QByteArray::number(file->body.size()));
    const bool cut = file->cut != portal::Cut::None;
    Stream stream{responder.socket(), file->body, kFirstPiece,
                  cut ? file->body.size() / 2 : file->body.size(), file->cut == portal::Cut::Reset};
    responder.writeBody(file->body.first(kFirstPiece));
    streams_.push_back(std::move(stream));
    pacer_->start();
}

void DemoPortal::SendPieces() {
    for (auto it = streams_.begin(); it != streams_.end();) {
        Stream& stream = *it;
        if (stream.socket.isNull() || stream.socket->state() != QAbstractSocket::ConnectedState) {
            it = streams_.erase(it);
            continue;
        }
        if (!downloadsHeld_) {
            const qsizetype size = std::min(kPiece, stream.end - stream.sent);
            stream.socket->write(stream.body.constData() + stream.sent, size);
            stream.sent += size;
        }
        if (stream.sent < stream.end) {
            ++it;
            continue;
        }
        if (stream.end < stream.body.size() && stream.reset) {
            CutOff(stream.socket);
        } else if (stream.end < stream.body.size()) {
            stream.socket->disconnectFromHost();
        }
        it = streams_.erase(it);
    }
    if (streams_.empty()) pacer_->stop();
}

}  // namespace lorvex
