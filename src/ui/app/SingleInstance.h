// Only one copy of the client runs per user. The first copy holds a per-user lock and
// listens on a per-user local socket; a later copy finds the lock held, asks the running
// copy over the socket to come to the front, and ends. The request carries the X server
// time of the user's answer in the later copy, and on Wayland the activation token the
// desktop started the later copy with, so that the running copy can take the focus as the
// user asked.
#pragma once

#include <QObject>
#include <QString>
#include <memory>

class QLocalServer;
class QLocalSocket;
class QLockFile;
class QWidget;

namespace lorvex {

class SingleInstanceGuard : public QObject {
    Q_OBJECT
  public:
    using QObject::QObject;
    // True when another copy of the program is already running for this user.
    virtual bool OtherCopyRunning() = 0;
    // Asks the running copy to bring its window to the front. Returns whether it answered.
    virtual bool BringRunningCopyToFront() = 0;

  signals:
    // Raised in the running copy when a later copy asks it to come to the front; `userTime`
    // is the X server time just after the user answered the later copy (0 when unknown),
    // `activationToken` the later copy's xdg-activation token (empty when it had none).
    void ActivationRequested(quint32 userTime, const QString& activationToken);
};

// What a later copy's request carries.
struct ActivationRequest {
    quint32 userTime = 0;
    QString activationToken;
};

// The guard of the desktop client: "lorvex.lock" (a QLockFile) and "lorvex.socket" (a
// QLocalServer) in a per-user directory. A lock left behind by a copy that was killed is
// taken over, since its owner process is gone.
class LocalSingleInstanceGuard : public SingleInstanceGuard {
    Q_OBJECT
  public:
    // Uses DefaultDirectory().
    explicit LocalSingleInstanceGuard(QObject* parent = nullptr);
    // Uses the given directory, created when missing.
    explicit LocalSingleInstanceGuard(const QString& directory, QObject* parent = nullptr);
    ~LocalSingleInstanceGuard() override;

    // Takes the lock when free and then answers later copies; true when a live process
    // holds it, and then takes $XDG_ACTIVATION_TOKEN out of the environment for the
    // request. Without a usable directory every copy counts as the first.
    bool OtherCopyRunning() override;
    // Sends "activate <X server time now> [<activation token>]" and waits a quarter of a
    // second at most for the answer "ok".
    bool BringRunningCopyToFront() override;

    // $XDG_RUNTIME_DIR when it is usable, else <temp>/lorvex-<user name>.
    static QString DefaultDirectory();

    QString LockFilePath() const;
    QString SocketPath() const;
    // Whether this guard holds the lock, i.e. this is the running copy.
    bool IsFirstCopy() const;

  private:
    void Listen();
    void AcceptConnections();
    void Answer(QLocalSocket* socket);

    QString directory_;
    QString activationToken_;
    std::unique_ptr<QLockFile> lock_;
    QLocalServer* server_ = nullptr;
};

// Brings a top-level window to the front: restores it when minimised (keeping it
// maximised if it was), raises it and asks for the focus, as the user asked at X server
// time `userTime` (0 when unknown) or, on Wayland, with the xdg-activation token
// `activationToken`. When the window system keeps the focus elsewhere, the window asks
// for attention instead.
void BringToFront(QWidget* window, quint32 userTime = 0, const QString& activationToken = {});

// On Wayland: activates the window with the token; where the compositor does not
// activate it within half a second, shows the window anew, which compositors map on top.
void ActivateOnWayland(QWidget* window, const QString& activationToken);

}  // namespace lorvex
