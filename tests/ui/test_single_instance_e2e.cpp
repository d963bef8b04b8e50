// The real client started twice under the running X display: the second copy shows its
// one message box, starts no browser, asks the portal for nothing, hands the front to the
// first copy and ends with code 0. A copy killed outright does not block the next start.
//
// The client's portal is the build's default, http://127.0.0.1:8033, so the demo portal
// runs in this process on that port. Windows are found with xdotool.
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <vector>

#include "DemoPortal.h"
#include "support/UiTestSupport.h"

namespace {

constexpr quint16 kPortalPort = 8033;
const QString kDispPage = QStringLiteral("/33/disp.asp");
const QString kCategoriesPage = QStringLiteral("/33/fl.htm");

// Runs a short X tool and returns its output lines; empty when it fails.
QStringList RunTool(const QString& program, const QStringList& arguments) {
    QProcess tool;
    tool.start(program, arguments);
    if (!tool.waitForFinished(5000) || tool.exitStatus() != QProcess::NormalExit) return {};
    return QString::fromUtf8(tool.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
}

// The viewable top-level windows of a process.
QStringList VisibleWindows(qint64 pid) {
    return RunTool(QStringLiteral("xdotool"),
                   {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                    QStringLiteral("--pid"), QString::number(pid)});
}

QString WindowName(const QString& window) {
    const QStringList lines =
        RunTool(QStringLiteral("xdotool"), {QStringLiteral("getwindowname"), window});
    return lines.isEmpty() ? QString() : lines.first();
}

qint64 ActiveWindowPid() {
    const QStringList lines = RunTool(QStringLiteral("xdotool"), {QStringLiteral("getactivewindow"),
                                                                  QStringLiteral("getwindowpid")});
    return lines.isEmpty() ? -1 : lines.first().toLongLong();
}

// Processes whose parent is pid (a client that started a browser has some).
QList<qint64> ChildProcesses(qint64 pid) {
    QList<qint64> children;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString& entry : entries) {
        bool isPid = false;
        const qint64 candidate = entry.toLongLong(&isPid);
        if (!isPid) continue;
        QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
        if (!stat.open(QIODevice::ReadOnly)) continue;
        // "pid (name) state ppid ...": the name may hold spaces, so read after the ")".
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1 && fields[1].toLongLong() == pid) children << candidate;
    }
    return children;
}

}  // namespace

class TestSingleInstanceE2E : public QObject {
    Q_OBJECT

    QString binary_;
    QTemporaryDir home_;
    QTemporaryDir runtime_;
    lorvex::DemoPortal portal_;
    std::vector<std::unique_ptr<QProcess>> copies_;
    QProcess* first_ = nullptr;

    QProcess* StartCopy() {
        auto copy = std::make_unique<QProcess>();
        copy->setProcessEnvironment(
            lorvex::testing::ClientEnvironment(home_.path(), runtime_.path()));
        const QString log = home_.filePath(QStringLiteral("copy%1.log").arg(copies_.size() + 1));
        copy->setStandardOutputFile(log);
        copy->setStandardErrorFile(log);
        copy->start(binary_, {});
        copies_.push_back(std::move(copy));
        return copies_.back().get();
    }

    bool PortalSaw(const QString& path) const { return portal_.requests().contains(path); }

    // Waits until the portal has had no request for a second (at most ten seconds).
    void WaitForQuietPortal() {
        QElapsedTimer total;
        total.start();
        qsizetype seen = -1;
        QElapsedTimer quiet;
        while (total.elapsed() < 10000) {
            if (portal_.requests().size() != seen) {
                seen = portal_.requests().size();
                quiet.start();
            } else if (quiet.elapsed() >= 1000) {
                return;
            }
            QTest::qWait(50);
        }
    }

    // Starts a copy and waits until it has loaded both start pages and shows its window.
    QProcess* StartFirstCopy() {
        QProcess* copy = StartCopy();
        if (!copy->waitForStarted(10000)) return nullptr;
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 30000 && !(PortalSaw(kDispPage) && PortalSaw(kCategoriesPage) &&
                                            !VisibleWindows(copy->processId()).isEmpty())) {
            if (copy->state() == QProcess::NotRunning) return nullptr;
            QTest::qWait(100);
        }
        return clock.elapsed() < 30000 ? copy : nullptr;
    }

  private slots:
    void initTestCase() {
        if (qEnvironmentVariableIsEmpty("DISPLAY")) QSKIP("needs an X display (DISPLAY)");
        if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
            QSKIP("needs xdotool");
        binary_ = qEnvironmentVariable("LORVEX_BINARY");
        QVERIFY2(QFileInfo(binary_).isExecutable(), "LORVEX_BINARY names no program");
        QVERIFY(home_.isValid());
        QVERIFY(runtime_.isValid());
        if (portal_.start(kPortalPort) != kPortalPort)
            QSKIP("port 8033, the client's portal port, is taken");
    }

    void cleanupTestCase() {
        if (!binary_.isEmpty())
            RunTool(QStringLiteral("xdotool"), {QStringLiteral("keyup"), QStringLiteral("Return")});
        for (auto& copy : copies_) {
            if (copy->state() == QProcess::NotRunning) continue;
            copy->kill();
            copy->waitForFinished(5000);
        }
    }

    void secondCopyHandsOverToFirst() {
        first_ = StartFirstCopy();
        QVERIFY2(first_ != nullptr, "the first copy did not load its start pages");
        const qint64 firstPid = first_->processId();
        const QStringList firstWindows = VisibleWindows(firstPid);
        QCOMPARE(firstWindows.size(), 1);
        WaitForQuietPortal();
        portal_.clearRequests();
        // Minimised, so that coming to the front is visible.
        RunTool(QStringLiteral("xdotool"),
                {QStringLiteral("windowminimize"), QStringLiteral("--sync"), firstWindows[0]});
        QTRY_VERIFY_WITH_TIMEOUT(VisibleWindows(firstPid).isEmpty(), 5000);

        QProcess* second = StartCopy();
        QVERIFY(second->waitForStarted(10000));
        const qint64 secondPid = second->processId();
        QTRY_VERIFY_WITH_TIMEOUT(!VisibleWindows(secondPid).isEmpty(), 15000);
        QTest::qWait(300);  // anything else it would show has had time to appear

        // Its one window is the message box; the main window never appears.
        const QStringList windows = VisibleWindows(secondPid);
        QCOMPARE(windows.size(), 1);
        QCOMPARE(WindowName(windows[0]), QStringLiteral("lorvex"));
        QVERIFY(ChildProcesses(secondPid).isEmpty());
        QCOMPARE(second->state(), QProcess::Running);

        // OK: the box closes with the Return key. The key goes through the X server as
        // typed, to the box once it has the focus: a key sent to one window would leave
        // its release pending when the window goes away on the press.
        QTRY_COMPARE_WITH_TIMEOUT(ActiveWindowPid(), secondPid, 5000);
        RunTool(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("Return")});
        QTRY_COMPARE_WITH_TIMEOUT(second->state(), QProcess::NotRunning, 5000);
        QCOMPARE(second->exitStatus(), QProcess::NormalExit);
        QCOMPARE(second->exitCode(), 0);

        QCOMPARE(first_->state(), QProcess::Running);
        QTRY_COMPARE_WITH_TIMEOUT(VisibleWindows(firstPid), firstWindows, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(ActiveWindowPid(), firstPid, 5000);
        QCOMPARE(portal_.requests(), QStringList());
    }

    void killedCopyDoesNotBlockTheNext() {
        if (first_ == nullptr || first_->state() != QProcess::Running) {
            first_ = StartFirstCopy();
            QVERIFY2(first_ != nullptr, "the first copy did not load its start pages");
        }
        first_->kill();
        QVERIFY(first_->waitForFinished(5000));
        // What the killed copy leaves behind.
        QVERIFY(QFileInfo::exists(runtime_.filePath(QStringLiteral("lorvex.lock"))));
        QVERIFY(QFileInfo::exists(runtime_.filePath(QStringLiteral("lorvex.socket"))));
        portal_.clearRequests();

        QProcess* next = StartFirstCopy();
        QVERIFY2(next != nullptr, "the next copy did not start as the first");
        const QStringList windows = VisibleWindows(next->processId());
        QCOMPARE(windows.size(), 1);
        QVERIFY(WindowName(windows[0]).startsWith(QStringLiteral("Lorvex")));

        next->terminate();
        if (!next->waitForFinished(10000)) next->kill();
    }
};

QTEST_GUILESS_MAIN(TestSingleInstanceE2E)

#include "test_single_instance_e2e.moc"
