// A local stand-in for the music-video portal. This is a development and test tool, not
// part of the client.
#include "DemoPortal.h"

#include <QHostAddress>
#include <QHttpServer>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QHttpServerResponse>
#include <QUrl>

#include "PortalContent.h"

namespace lorvex {

namespace {

// The path with its query as the client sent it: the query stays percent-encoded so a test
// can tell a GBK escape (%BA%A3) from a UTF-8 one or a bare '&' from "%26".
QString PathAndQuery(const QUrl& url) {
    QString text = url.path(QUrl::FullyEncoded);
    if (url.hasQuery()) text += u'?' + url.query(QUrl::FullyEncoded);
    return text;
}

QHttpServerResponse ToResponse(const portal::Reply& reply) {
    return QHttpServerResponse(reply.contentType, reply.body,
                               static_cast<QHttpServerResponse::StatusCode>(reply.status));
}

}  // namespace

DemoPortal::DemoPortal(QObject* parent) : QObject(parent), server_(new QHttpServer(this)) {
    // One catch-all route: every request is logged, then looked up in the page table,
    // which answers unknown paths with a 404 page.
    server_->route("/<arg>", [this](const QUrl&, const QHttpServerRequest& request) {
        const QUrl& url = request.url();
        Record(PathAndQuery(url));
        return ToResponse(portal::ReplyFor(url.path(), url.query(QUrl::FullyEncoded).toLatin1()));
    });
    // Request targets that are not a path at all (e.g. "*") never reach the route above.
    server_->setMissingHandler(
        [this](const QHttpServerRequest& request, QHttpServerResponder&& responder) {
            Record(PathAndQuery(request.url()));
            ToResponse(portal::ReplyFor({}, {})).write(std::move(responder));
        });
}

DemoPortal::~DemoPortal() = default;

quint16 DemoPortal::Start(quint16 port) {
    if (port_ == 0) port_ = server_->listen(QHostAddress::LocalHost, port);
    return port_;
}

QString DemoPortal::Origin() const { return QStringLiteral("http://127.0.0.1:%1").arg(port_); }

void DemoPortal::Record(const QString& pathAndQuery) {
    requests_.append(pathAndQuery);
    emit RequestReceived(pathAndQuery);
}

}  // namespace lorvex
