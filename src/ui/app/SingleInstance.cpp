#include "ui/app/SingleInstance.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <optional>

#ifdef Q_OS_UNIX
#include <pwd.h>
#include <sys/un.h>
#include <unistd.h>
#endif

#include "ui/desktop/Platform.h"
#include "ui/desktop/X11WindowManager.h"

namespace lorvex {

namespace {

constexpr char kLockFileName[] = "lorvex.lock";
constexpr char kSocketFileName[] = "lorvex.socket";
// "activate", "activate <X server time>" or "activate <X server time> <activation token>",
// on one line.
constexpr QByteArrayView kRequest = "activate";
constexpr char kActivationTokenVariable[] = "XDG_ACTIVATION_TOKEN";
constexpr QByteArrayView kReply = "ok\n";
// How long a later copy waits for the running copy to answer.
constexpr int kAnswerTimeoutMs = 250;
// How long the running copy waits for a Wayland compositor's answer to an activation.
constexpr int kActivationAnswerMs = 500;
// How long the running copy keeps a connection that has not sent its request.
constexpr int kRequestTimeoutMs = 1000;
constexpr qint64 kLongestRequest = 256;

QString UserName() {
#ifdef Q_OS_UNIX
    if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_name)
        return QString::fromLocal8Bit(entry->pw_name);
    return QString::number(::getuid());
#else
    const QString name = qEnvironmentVariable("USERNAME", qEnvironmentVariable("USER"));
    return name.isEmpty() ? QStringLiteral("user") : name;
#endif
}

// A directory is usable when it is ours, writable, and short enough for a socket path.
bool Usable(const QString& directory) {
    const QFileInfo info(directory);
    if (!info.isDir() || !info.isWritable()) return false;
#ifdef Q_OS_UNIX
    // Anyone could have made a directory of this name first; only one of our own is safe.
    if (info.ownerId() != ::getuid()) return false;
    const QByteArray socketPath =
        QFile::encodeName(directory + QLatin1Char('/') + QLatin1String(kSocketFileName));
    return static_cast<std::size_t>(socketPath.size()) < sizeof(sockaddr_un::sun_path);
#else
    return true;
#endif
}

// What a request carries; nothing when it is no request. A token is printable ASCII
// without spaces, as Wayland compositors make them.
std::optional<ActivationRequest> ParseRequest(const QByteArray& line) {
    if (!line.endsWith('\n')) return std::nullopt;
    const QList<QByteArray> words = line.chopped(1).split(' ');
    if (words.first() != kRequest || words.size() > 3) return std::nullopt;
    ActivationRequest request;
    if (words.size() >= 2) {
        const QByteArray& time = words[1];
        if (time.isEmpty() ||
            !std::all_of(time.begin(), time.end(), [](char c) { return c >= '0' && c <= '9'; })) {
            return std::nullopt;
        }
        bool inRange = false;
        request.userTime = time.toUInt(&inRange);
        if (!inRange) return std::nullopt;
    }
    if (words.size() == 3) {
        const QByteArray& token = words[2];
        if (token.isEmpty() ||
            !std::all_of(token.begin(), token.end(), [](char c) { return c > ' ' && c < 0x7f; })) {
            return std::nullopt;
        }
        request.activationToken = QString::fromLatin1(token);
    }
    return request;
}

bool EnsureDirectory(const QString& directory) {
    if (!QFileInfo::exists(directory)) {
        constexpr auto kOwnerOnly =
            QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;
        const QFileInfo info(directory);
        QDir().mkpath(info.absolutePath());
        QDir().mkdir(directory, kOwnerOnly);
    }
    return Usable(directory);
}

}  // namespace

LocalSingleInstanceGuard::LocalSingleInstanceGuard(QObject* parent)
    : LocalSingleInstanceGuard(DefaultDirectory(), parent) {}

LocalSingleInstanceGuard::LocalSingleInstanceGuard(const QString& directory, QObject* parent)
    : SingleInstanceGuard(parent), directory_(directory) {}

LocalSingleInstanceGuard::~LocalSingleInstanceGuard() {
    // The socket goes before the lock: once the lock is free a new first copy may create
    // its own socket under the same name, which closing ours must not remove.
    delete server_;
    server_ = nullptr;
    lock_.reset();
}

QString LocalSingleInstanceGuard::DefaultDirectory() {
    QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && Usable(runtime)) return runtime;
    return QDir::tempPath() + QStringLiteral("/lorvex-") + UserName();
}

QString LocalSingleInstanceGuard::LockFilePath() const {
    return directory_ + QLatin1Char('/') + QLatin1String(kLockFileName);
}

QString LocalSingleInstanceGuard::SocketPath() const {
    return directory_ + QLatin1Char('/') + QLatin1String(kSocketFileName);
}

bool LocalSingleInstanceGuard::IsFirstCopy() const { return lock_ && lock_->isLocked(); }

bool LocalSingleInstanceGuard::OtherCopyRunning() {
    if (IsFirstCopy()) return false;
    if (directory_.isEmpty() || !EnsureDirectory(directory_)) {
        qWarning("lorvex: no usable directory for the single-instance lock: %s",
                 qUtf8Printable(directory_));
        return false;
    }
    lock_ = std::make_unique<QLockFile>(LockFilePath());
    // A running copy may hold the lock for days: age alone never makes it stale. A lock
    // whose owner process is gone is still taken over.
    lock_->setStaleLockTime(0);
    if (lock_->tryLock(0)) {
        Listen();
        return false;
    }
    // Only a lock held by someone else means another copy; a lock that cannot be written
    // at all must not keep the program from starting.
    if (lock_->error() != QLockFile::LockFailedError) return false;
    // The token the desktop started this copy with (Wayland's xdg-activation) belongs to
    // the running copy now: taken out of the environment before this copy shows its box,
    // which would otherwise spend it on itself.
    if (activationToken_.isEmpty()) {
        activationToken_ = qEnvironmentVariable(kActivationTokenVariable);
        qunsetenv(kActivationTokenVariable);
    }
    return true;
}

void LocalSingleInstanceGuard::Listen() {
    // The lock proves no live copy owns a socket here: one left by a killed copy goes.
    QLocalServer::removeServer(SocketPath());
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_, &QLocalServer::newConnection, this,
            &LocalSingleInstanceGuard::AcceptConnections);
    if (!server_->listen(SocketPath())) {
        qWarning("lorvex: cannot listen on %s: %s", qUtf8Printable(SocketPath()),
                 qUtf8Printable(server_->errorString()));
    }
}

void LocalSingleInstanceGuard::AcceptConnections() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { Answer(socket); });
        QTimer::singleShot(kRequestTimeoutMs, socket, [socket] {
            socket->abort();
            socket->deleteLater();
        });
        if (socket->bytesAvailable() > 0) Answer(socket);
    }
}

void LocalSingleInstanceGuard::Answer(QLocalSocket* socket) {
    if (!socket->canReadLine()) {
        if (socket->bytesAvailable() > kLongestRequest) socket->abort();
        return;
    }
    const std::optional<ActivationRequest> request =
        ParseRequest(socket->readLine(kLongestRequest));
    if (!request) {
        socket->abort();
        return;
    }
    // Answer first: the later copy is waiting to end.
    socket->write(kReply.data(), kReply.size());
    socket->flush();
    socket->disconnectFromServer();
    emit ActivationRequested(request->userTime, request->activationToken);
}

bool LocalSingleInstanceGuard::BringRunningCopyToFront() {
    // The user has just answered this copy: the server's time now stands for that answer.
    QByteArray request = kRequest.toByteArray() + ' ' + QByteArray::number(x11::ServerTime());
    const QByteArray token = activationToken_.toLatin1();
    if (!token.isEmpty() && ParseRequest(request + ' ' + token + '\n')) request += ' ' + token;
    request += '\n';
    const QDeadlineTimer deadline(kAnswerTimeoutMs);
    auto remaining = [&deadline] { return static_cast<int>(deadline.remainingTime()); };
    QLocalSocket socket;
    socket.connectToServer(SocketPath());
    if (!socket.waitForConnected(remaining())) return false;
    socket.write(request);
    if (socket.bytesToWrite() > 0 && !socket.waitForBytesWritten(remaining())) return false;
    while (!socket.canReadLine()) {
        if (deadline.hasExpired() || !socket.waitForReadyRead(remaining())) return false;
    }
    return socket.readLine(kLongestRequest) == kReply;
}

void BringToFront(QWidget* window, quint32 userTime, const QString& activationToken) {
    if (window->isMinimized()) {
        // Clearing only the minimised flag brings a maximised window back maximised.
        window->setWindowState((window->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    }
    if (!window->isVisible()) window->show();
    window->raise();
    // A window manager with focus-stealing prevention (openbox, for one) refuses a plain
    // activateWindow(): that is the application's own request, and the user was just busy
    // in the later copy's box. On X11 the window manager is asked instead as for a request
    // the user made elsewhere (as from a taskbar), with the time of the user's answer.
    QWindow* handle = window->windowHandle();
    if (handle != nullptr && x11::WindowManagerSupports("_NET_ACTIVE_WINDOW")) {
        x11::Activate(handle, userTime);
    } else if (OnWayland()) {
        ActivateOnWayland(window, activationToken);
        return;
    } else {
        window->activateWindow();
    }
    if (!window->isActiveWindow()) QApplication::alert(window);
}

void ActivateOnWayland(QWidget* window, const QString& activationToken) {
    // No Wayland client may raise or focus itself. With the later copy's token the
    // compositor may (xdg-activation): Qt hands the token in the environment to the
    // compositor with the activation, and takes it out again.
    if (!activationToken.isEmpty()) qputenv(kActivationTokenVariable, activationToken.toLatin1());
    window->activateWindow();
    if (window->isActiveWindow()) return;
    // A compositor without xdg-activation, or one that refused the token, leaves the
    // window where it is. A window shown anew is mapped on top, and most compositors
    // give it the focus; failing that, it asks for attention.
    QPointer<QWidget> target(window);
    QTimer::singleShot(kActivationAnswerMs, window, [target] {
        if (target.isNull() || target->isActiveWindow()) return;
        qunsetenv(kActivationTokenVariable);
        const Qt::WindowStates states = target->windowState();
        target->hide();
        target->setWindowState(states & ~Qt::WindowMinimized);
        target->show();
        if (!target->isActiveWindow()) QApplication::alert(target);
    });
}

}  // namespace lorvex
