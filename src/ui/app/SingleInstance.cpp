#include "ui/app/SingleInstance.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
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

#include "ui/desktop/X11WindowManager.h"

namespace lorvex {

namespace {

constexpr char kLockFileName[] = "lorvex.lock";
constexpr char kSocketFileName[] = "lorvex.socket";
// "activate", or "activate <X server time>", on one line.
constexpr QByteArrayView kRequest = "activate";
constexpr QByteArrayView kReply = "ok\n";
// How long a later copy waits for the running copy to answer.
constexpr int kAnswerTimeoutMs = 250;
// How long the running copy keeps a connection that has not sent its request.
constexpr int kRequestTimeoutMs = 1000;
constexpr qint64 kLongestRequest = 64;

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

// The user's time a request carries: 0 when it has none, nothing when it is no request.
std::optional<quint32> ParseRequest(const QByteArray& line) {
    if (!line.endsWith('\n')) return std::nullopt;
    const QByteArray words = line.chopped(1);
    if (words == kRequest) return 0;
    const QByteArray time = words.mid(kRequest.size() + 1);
    if (!words.startsWith(kRequest) || words.at(kRequest.size()) != ' ' || time.isEmpty() ||
        !std::all_of(time.begin(), time.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return std::nullopt;
    }
    bool inRange = false;
    const quint32 value = time.toUInt(&inRange);
    return inRange ? std::optional<quint32>(value) : std::nullopt;
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
    return lock_->error() == QLockFile::LockFailedError;
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
    const std::optional<quint32> userTime = ParseRequest(socket->readLine(kLongestRequest));
    if (!userTime) {
        socket->abort();
        return;
    }
    // Answer first: the later copy is waiting to end.
    socket->write(kReply.data(), kReply.size());
    socket->flush();
    socket->disconnectFromServer();
    emit ActivationRequested(*userTime);
}

bool LocalSingleInstanceGuard::BringRunningCopyToFront() {
    // The user has just answered this copy: the server's time now stands for that answer.
    const QByteArray request =
        kRequest.toByteArray() + ' ' + QByteArray::number(x11::ServerTime()) + '\n';
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

void BringToFront(QWidget* window, quint32 userTime) {
    if (window->isMinimized()) {
        // Clearing only the minimised flag brings a maximised window back maximised.
        window->setWindowState((window->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    }
    if (!window->isVisible()) window->show();
    window->raise();
    // A window manager with focus-stealing prevention (openbox, for one) refuses a plain
    // activateWindow(): that is the application's own request, and the user was just busy
    // in the later copy's box. On X11 the window manager is asked instead as for a request
    // the user made elsewhere (as from a taskbar), with the time of the user's answer. On
    // Wayland no client may raise or focus itself: activateWindow() asks the compositor
    // (xdg-activation), which without a token from the later copy's box may only mark the
    // window as wanting attention.
    QWindow* handle = window->windowHandle();
    if (handle != nullptr && x11::WindowManagerSupports("_NET_ACTIVE_WINDOW")) {
        x11::Activate(handle, userTime);
    } else {
        window->activateWindow();
    }
    if (!window->isActiveWindow()) QApplication::alert(window);
}

}  // namespace lorvex
