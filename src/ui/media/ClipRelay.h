// Hands clips to the media player by a loopback address: the player (GStreamer's HTTP
// source) reads http://127.0.0.1:<port>/<unguessable path>, and each of its requests,
// byte ranges included, is made again to the clip's real address through ClipNetwork, so
// it carries the page's cookies, Referer, User-Agent and Accept-Language. Only this
// process knows the paths; a path is withdrawn when its player lets the clip go.
#pragma once

#include <QHash>
#include <QTcpServer>
#include <QUrl>

namespace lorvex {

class ClipNetwork;

class ClipRelay : public QObject {
    Q_OBJECT
  public:
    ClipRelay(ClipNetwork* network, QObject* parent = nullptr);

    // The loopback address the player reads `clip` by, for the page `referer`; an empty
    // address when the relay cannot listen.
    QUrl Offer(const QUrl& clip, const QUrl& referer);
    void Withdraw(const QUrl& relayed);

  signals:
    // The clip's server answered `relayed` with an error status, could not be reached
    // (status 0, lost false) or ended the connection before the clip did (lost true).
    void Failed(const QUrl& relayed, int httpStatus, bool lost);

  private:
    struct Upstream {
        QUrl clip;
        QUrl referer;
    };
    void Serve(class QTcpSocket* socket);

    ClipNetwork* network_;
    QTcpServer server_;
    QHash<QString, Upstream> clips_;  // by path
};

}  // namespace lorvex
