// A local stand-in for the music-video portal. This is a development and test tool, not
// part of the client: it serves GB2312 pages on 127.0.0.1 so the client can be run and
// tested end to end on one machine, and it keeps a log of the last requests it received.
#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QPair>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <deque>
#include <vector>

class QHttpServer;
class QHttpServerRequest;
class QHttpServerResponder;
class QTcpSocket;
class QTimer;

namespace lorvex {

class DemoPortal : public QObject {
    Q_OBJECT

  public:
    explicit DemoPortal(QObject* parent = nullptr);
    ~DemoPortal() override;

    // Listens on 127.0.0.1 only; port 0 picks a free port. Returns the port, 0 on failure.
    // Calling it again once listening just returns the current port.
    quint16 Start(quint16 port = 0);

    quint16 Port() const { return port_; }
    // "http://127.0.0.1:<port>"
    QString Origin() const;

    // The last requests, up to the log's limit, oldest first, as path plus raw query exactly
    // as received, e.g. "/33/search.asp?keyword=R%26B". Includes 404s, stylesheets and
    // images. Qt parses the request target into a QUrl first, so hex escapes come back upper
    // case and escapes of plain letters and digits ("%41") come back decoded.
    QStringList Requests() const;
    void ClearRequests() { log_.clear(); }

    // How many requests the log keeps (their paths and headers); older ones are dropped. 0
    // keeps none. RequestReceived is emitted for every request either way.
    static constexpr qsizetype kDefaultLoggedRequests = 5000;
    void SetLoggedRequests(qsizetype limit);

    // A header (name in any case) of the last logged request for this path and query; empty
    // when there is none.
    QByteArray Header(const QString& pathAndQuery, const QByteArray& name) const;

    // While set, a request for `path` is answered with a redirect to `target`; an empty
    // target removes it.
    void SetRedirect(const QString& path, const QString& target);

    // While set, a request for `path` is answered with this page (sent as UTF-8), so a test
    // can try markup of its own on the portal's origin; an empty page removes it.
    void SetPage(const QString& path, const QString& html);

    // Files (down.asp) are sent in pieces: the first at once, the rest paced. While held,
    // every file stops after its first piece until released.
    static constexpr qsizetype kFirstPiece = qsizetype{256} * 1024;
    void HoldDownloads(bool held) { downloadsHeld_ = held; }

    // While set, every HTML page asks for "/painted?<its path>&at=<when>" once the browser
    // has first painted it (<when>: the paint on the wall clock, ms since the epoch), so a
    // benchmark finds the paint in the request log.
    void ReportPaints(bool on) { paintsReported_ = on; }

  signals:
    void RequestReceived(const QString& pathAndQuery);

  private:
    struct Logged {
        QString pathAndQuery;
        QList<QPair<QByteArray, QByteArray>> headers;
    };

    struct Stream {
        QPointer<QTcpSocket> socket;
        QByteArray body;
        qsizetype sent = 0;
        qsizetype end = 0;   // the body's size, or where a cut-off file stops
        bool reset = false;  // a cut-off file: reset, else closed in order
    };

    void Record(const QString& pathAndQuery, const QHttpServerRequest& request);
    void Respond(const QHttpServerRequest& request, QHttpServerResponder&& responder);
    void SendPieces();

    QHttpServer* server_;
    quint16 port_ = 0;
    std::deque<Logged> log_;
    qsizetype loggedLimit_ = kDefaultLoggedRequests;
    QHash<QString, QString> redirects_;
    QHash<QString, QString> pages_;
    std::vector<Stream> streams_;
    QTimer* pacer_;
    bool downloadsHeld_ = false;
    bool paintsReported_ = false;
};

}  // namespace lorvex
