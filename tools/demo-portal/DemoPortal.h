// A local stand-in for the music-video portal. This is a development and test tool, not
// part of the client: it serves GB2312 pages on 127.0.0.1 so the client can be run and
// tested end to end on one machine, and it records every request it receives.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QHttpServer;

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

    // Every request so far, as path plus raw query exactly as received,
    // e.g. "/33/search.asp?keyword=R%26B". Includes 404s, stylesheets and images.
    // Qt parses the request target into a QUrl first, so hex escapes come back upper case
    // and escapes of plain letters and digits ("%41") come back decoded.
    QStringList Requests() const { return requests_; }
    void ClearRequests() { requests_.clear(); }

  signals:
    void RequestReceived(const QString& pathAndQuery);

  private:
    void Record(const QString& pathAndQuery);

    QHttpServer* server_;
    quint16 port_ = 0;
    QStringList requests_;
};

}  // namespace lorvex
