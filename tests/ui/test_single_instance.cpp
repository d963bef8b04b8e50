// The single-instance guard on its own: lock, socket, takeover after a crash, peers that
// do not answer, the folder it uses. The start-up check that uses it is in
// test_single_instance_startup.cpp.
//
// Helper copies run as this same binary with "--hold <mode> <dir>" (see RunHelper).
#include <unistd.h>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <cstdio>
#include <functional>
#include <memory>
#include <thread>

#include "support/UiTestSupport.h"
#include "ui/app/SingleInstance.h"
#include "ui/desktop/X11WindowManager.h"

using lorvex::LocalSingleInstanceGuard;
using lorvex::testing::Deadline;
using lorvex::testing::WaitUntil;

namespace {

// A helper copy holding the lock of <dir>:
//   serve    a proper first copy; prints "activated" for every request it answers
//   hung     takes the lock and listens, then never runs its event loop again
//   lockonly holds only the lock file, with no socket at all
// Prints "ready" once it holds the lock, then runs until killed.
int RunHelper(const QString& mode, const QString& directory) {
    if (mode == QLatin1String("lockonly")) {
        QLockFile lock(directory + QStringLiteral("/lorvex.lock"));
        if (!lock.tryLock(0)) return 2;
        std::puts("ready");
        std::fflush(stdout);
        for (;;) ::pause();
    }
    LocalSingleInstanceGuard guard(directory);
    if (guard.OtherCopyRunning()) return 2;
    QObject::connect(&guard, &LocalSingleInstanceGuard::ActivationRequested, [] {
        std::puts("activated");
        std::fflush(stdout);
    });
    std::puts("ready");
    std::fflush(stdout);
    if (mode == QLatin1String("hung")) {
        for (;;) ::pause();
    }
    return QCoreApplication::exec();
}

struct Helper {
    std::unique_ptr<QProcess> process = std::make_unique<QProcess>();

    bool Start(const QString& mode, const QString& directory) {
        process->start(QCoreApplication::applicationFilePath(),
                       {QStringLiteral("--hold"), mode, directory});
        return WaitForLine("ready", Deadline(10000));
    }
    bool WaitForLine(const QByteArray& line, int timeoutMs) {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < timeoutMs) {
            if (process->canReadLine()) {
                if (process->readLine().trimmed() == line) return true;
                continue;
            }
            process->waitForReadyRead(50);
            if (process->state() == QProcess::NotRunning && !process->canReadLine()) break;
        }
        return false;
    }
    // Ends the helper the way a crash would: no destructor runs, nothing is unlocked.
    void Kill() {
        process->kill();
        process->waitForFinished(Deadline(5000));
    }
    ~Helper() {
        if (process->state() != QProcess::NotRunning) Kill();
    }
};

// Runs a call on another thread while this thread keeps serving events, so a guard of
// this process can answer a request made in the same process.
bool OnOtherThread(const std::function<bool()>& call) {
    bool result = false;
    std::atomic<bool> done = false;
    std::thread worker([&] {
        result = call();
        done = true;
    });
    WaitUntil([&] { return done.load(); });
    worker.join();
    return result;
}

}  // namespace

class SingleInstanceTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir_;
    QString Dir() const { return dir_->path(); }

  private slots:
    void init() {
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
        QCoreApplication::setApplicationName(QStringLiteral("lorvex"));
    }

    void secondGuardFindsFirstAndActivatesIt() {
        LocalSingleInstanceGuard first(Dir());
        LocalSingleInstanceGuard second(Dir());
        QVERIFY(!first.OtherCopyRunning());
        QVERIFY(first.IsFirstCopy());
        // The later copy takes the token the desktop started it with out of its environment
        // (where its own box would spend it) and hands it to the running copy.
        qputenv("XDG_ACTIVATION_TOKEN", "desktop-token_42");
        QVERIFY(second.OtherCopyRunning());
        QVERIFY(qEnvironmentVariableIsEmpty("XDG_ACTIVATION_TOKEN"));
        QVERIFY(!second.IsFirstCopy());
        // Asking again changes nothing.
        QVERIFY(!first.OtherCopyRunning());
        QVERIFY(second.OtherCopyRunning());

        const QFileInfo socket(first.SocketPath());
        QVERIFY(socket.exists());
        QVERIFY(!(socket.permissions() & (QFile::ReadOther | QFile::WriteOther)));

        QSignalSpy activated(&first, &LocalSingleInstanceGuard::ActivationRequested);
        const quint32 before = lorvex::x11::ServerTime();
        QVERIFY(OnOtherThread([&] { return second.BringRunningCopyToFront(); }));
        QVERIFY(WaitUntil([&] { return activated.count() == 1; }));
        // The request carries the X server time it was made at, for the window manager.
        QCOMPARE_GE(activated.first().first().toUInt(), before);
        QCOMPARE(activated.first().first().toUInt() != 0, lorvex::x11::Available());
        QCOMPARE(activated.first().at(1).toString(), QStringLiteral("desktop-token_42"));
        QVERIFY(OnOtherThread([&] { return second.BringRunningCopyToFront(); }));
        QVERIFY(WaitUntil([&] { return activated.count() == 2; }));
    }

    void lockAndSocketGoWithTheGuard() {
        auto first = std::make_unique<LocalSingleInstanceGuard>(Dir());
        QVERIFY(!first->OtherCopyRunning());
        const QString socket = first->SocketPath();
        first.reset();
        QVERIFY(!QFileInfo::exists(socket));
        LocalSingleInstanceGuard next(Dir());
        QVERIFY(!next.OtherCopyRunning());
    }

    void lockOfKilledCopyIsTakenOver() {
        Helper crashed;
        QVERIFY(crashed.Start(QStringLiteral("serve"), Dir()));
        LocalSingleInstanceGuard guard(Dir());
        QVERIFY(guard.OtherCopyRunning());
        QVERIFY(guard.BringRunningCopyToFront());
        QVERIFY(crashed.WaitForLine("activated", Deadline(5000)));

        crashed.Kill();
        QVERIFY(QFileInfo::exists(guard.LockFilePath()));
        QVERIFY(QFileInfo::exists(guard.SocketPath()));
        // The same guard asked again now finds the owner gone and becomes the first copy,
        // listening on a fresh socket in place of the dead one.
        QVERIFY(!guard.OtherCopyRunning());
        QVERIFY(guard.IsFirstCopy());
        QSignalSpy activated(&guard, &LocalSingleInstanceGuard::ActivationRequested);
        LocalSingleInstanceGuard later(Dir());
        QVERIFY(later.OtherCopyRunning());
        QVERIFY(OnOtherThread([&] { return later.BringRunningCopyToFront(); }));
        QVERIFY(WaitUntil([&] { return activated.count() == 1; }));
    }

    void lockOfLongRunningCopyIsKept() {
        Helper running;
        QVERIFY(running.Start(QStringLiteral("serve"), Dir()));
        QFile lockFile(Dir() + QStringLiteral("/lorvex.lock"));
        QVERIFY(lockFile.open(QIODevice::ReadWrite));
        QVERIFY(lockFile.setFileTime(QDateTime::currentDateTime().addDays(-3),
                                     QFileDevice::FileModificationTime));
        lockFile.close();
        LocalSingleInstanceGuard guard(Dir());
        QVERIFY(guard.OtherCopyRunning());
        QVERIFY(guard.BringRunningCopyToFront());
    }

    void peerThatDoesNotAnswer_data() {
        QTest::addColumn<QString>("helperMode");
        QTest::addColumn<bool>("straySocket");
        QTest::newRow("copy that hangs") << QStringLiteral("hung") << false;
        QTest::newRow("lock without socket") << QStringLiteral("lockonly") << false;
        QTest::newRow("socket that never replies") << QStringLiteral("lockonly") << true;
    }
    void peerThatDoesNotAnswer() {
        QFETCH(QString, helperMode);
        QFETCH(bool, straySocket);
        Helper holder;
        QVERIFY(holder.Start(helperMode, Dir()));
        QLocalServer silent;
        if (straySocket) QVERIFY(silent.listen(Dir() + QStringLiteral("/lorvex.socket")));

        LocalSingleInstanceGuard guard(Dir());
        QVERIFY(guard.OtherCopyRunning());
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!guard.BringRunningCopyToFront());
        // It gives up after its own short wait, long before the test's deadline.
        QCOMPARE_LT(clock.elapsed(), Deadline(5000));
        QVERIFY(guard.OtherCopyRunning());
        QCOMPARE(holder.process->state(), QProcess::Running);
    }

    void requestOtherThanActivateIsDropped_data() {
        QTest::addColumn<QByteArray>("request");
        QTest::newRow("unknown word") << QByteArray("quit\n");
        QTest::newRow("overlong line") << QByteArray(300, 'a');
        QTest::newRow("time that is no number") << QByteArray("activate soon\n");
        QTest::newRow("token with a control character") << QByteArray("activate 5 a\x01b\n");
        QTest::newRow("a word after the token") << QByteArray("activate 5 token more\n");
    }
    void requestIsRead_data() {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<quint32>("userTime");
        QTest::addColumn<QString>("token");
        QTest::newRow("bare") << QByteArray("activate\n") << 0u << QString();
        QTest::newRow("with a time") << QByteArray("activate 77\n") << 77u << QString();
        QTest::newRow("with a token")
            << QByteArray("activate 77 kde-1a2b:c.d\n") << 77u << QStringLiteral("kde-1a2b:c.d");
    }
    void requestIsRead() {
        QFETCH(QByteArray, request);
        QFETCH(quint32, userTime);
        QFETCH(QString, token);
        LocalSingleInstanceGuard first(Dir());
        QVERIFY(!first.OtherCopyRunning());
        QSignalSpy activated(&first, &LocalSingleInstanceGuard::ActivationRequested);
        QLocalSocket client;
        client.connectToServer(first.SocketPath());
        QVERIFY(client.waitForConnected(Deadline(5000)));
        client.write(request);
        QVERIFY(WaitUntil([&] { return activated.count() == 1; }));
        QCOMPARE(activated.first().at(0).toUInt(), userTime);
        QCOMPARE(activated.first().at(1).toString(), token);
    }

    void requestOtherThanActivateIsDropped() {
        QFETCH(QByteArray, request);
        LocalSingleInstanceGuard first(Dir());
        QVERIFY(!first.OtherCopyRunning());
        QSignalSpy activated(&first, &LocalSingleInstanceGuard::ActivationRequested);
        QLocalSocket client;
        QSignalSpy closed(&client, &QLocalSocket::disconnected);
        client.connectToServer(first.SocketPath());
        QVERIFY(client.waitForConnected(Deadline(5000)));
        client.write(request);
        QVERIFY(WaitUntil([&] { return closed.count() == 1; }));
        QCOMPARE(client.readAll(), QByteArray());
        QCOMPARE(activated.count(), 0);
    }

    void defaultDirectory_data() {
        QTest::addColumn<QString>("runtimeDir");  // relative to the test folder; "" = unset
        QTest::addColumn<bool>("runtimeDirExists");
        QTest::addColumn<bool>("usesRuntimeDir");
        QTest::newRow("runtime dir") << QStringLiteral("run") << true << true;
        QTest::newRow("no runtime dir") << QString() << false << false;
        QTest::newRow("runtime dir missing") << QStringLiteral("gone") << false << false;
        QTest::newRow("socket path too long") << QString(100, QLatin1Char('d')) << true << false;
    }
    void defaultDirectory() {
        QFETCH(QString, runtimeDir);
        QFETCH(bool, runtimeDirExists);
        QFETCH(bool, usesRuntimeDir);
        const QByteArray savedRuntime = qgetenv("XDG_RUNTIME_DIR");
        const QByteArray savedTemp = qgetenv("TMPDIR");
        auto restore = qScopeGuard([&] {
            savedRuntime.isNull() ? qunsetenv("XDG_RUNTIME_DIR")
                                  : qputenv("XDG_RUNTIME_DIR", savedRuntime);
            savedTemp.isNull() ? qunsetenv("TMPDIR") : qputenv("TMPDIR", savedTemp);
        });
        const QString temp = Dir() + QStringLiteral("/tmp");
        QVERIFY(QDir().mkpath(temp));
        qputenv("TMPDIR", QFile::encodeName(temp));
        const QString runtime = runtimeDir.isEmpty() ? QString() : Dir() + '/' + runtimeDir;
        if (runtimeDirExists) QVERIFY(QDir().mkpath(runtime));
        runtime.isEmpty() ? qunsetenv("XDG_RUNTIME_DIR")
                          : qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));

        const QString chosen = LocalSingleInstanceGuard::DefaultDirectory();
        if (usesRuntimeDir) {
            QCOMPARE(chosen, runtime);
        } else {
            QVERIFY2(chosen.startsWith(temp + QStringLiteral("/lorvex-")), qPrintable(chosen));
            QVERIFY(chosen.size() > temp.size() + 8);
        }
        // The first copy makes the folder when it is missing, for its owner only.
        LocalSingleInstanceGuard guard;
        QVERIFY(!guard.OtherCopyRunning());
        QVERIFY(QFileInfo::exists(chosen + QStringLiteral("/lorvex.lock")));
        if (!usesRuntimeDir) {
            const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup |
                                              QFile::ExeGroup | QFile::ReadOther |
                                              QFile::WriteOther | QFile::ExeOther;
            QCOMPARE(QFileInfo(chosen).permissions() & others, QFile::Permissions());
        }
    }

    void folderOfAnotherUserIsNotUsed() {
        if (::geteuid() != 0) QSKIP("needs root to give a folder to another user");
        const QString foreign = Dir() + QStringLiteral("/foreign");
        QVERIFY(QDir().mkpath(foreign));
        QVERIFY(::chown(QFile::encodeName(foreign).constData(), 65534, 65534) == 0);
        LocalSingleInstanceGuard guard(foreign);
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression(QStringLiteral("no usable directory")));
        QVERIFY(!guard.OtherCopyRunning());
        QVERIFY(!guard.IsFirstCopy());
        QVERIFY(!QFileInfo::exists(guard.LockFilePath()));
    }
};

int main(int argc, char* argv[]) {
    if (argc == 4 && qstrcmp(argv[1], "--hold") == 0) {
        int helperArgc = 1;
        QCoreApplication app(helperArgc, argv);
        return RunHelper(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    }
    return lorvex::testing::RunUiTest(argc, argv, [](int c, char** v) {
        SingleInstanceTest test;
        return QTest::qExec(&test, c, v);
    });
}

#include "test_single_instance.moc"
