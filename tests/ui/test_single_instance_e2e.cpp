// The real client started twice under the running X display: the second copy shows its
// one message box, starts no browser, asks the portal for nothing, hands the front to the
// first copy and ends with code 0. A copy killed outright does not block the next start.
//
// The demo portal runs in this process on the port of the build's configured portal
// origin, where the client looks for it. Windows are found with xdotool.
#include <QDir>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QRect>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <memory>
#include <vector>

#include "DemoPortal.h"
#include "support/UiTestSupport.h"
#include "support/XTools.h"
#include "ui/app/build_config.h"

using namespace lorvex::testing;

namespace {

// The port of the portal the client was built for.
const QString kDispPage = QStringLiteral("/33/disp.asp");
const QString kCategoriesPage = QStringLiteral("/33/fl.htm");

// The viewable top-level windows of a process.
QStringList VisibleWindows(qint64 pid) {
    return XToolLines(QStringLiteral("xdotool"),
                      {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                       QStringLiteral("--pid"), QString::number(pid)});
}

QString WindowName(const QString& window) {
    const QStringList lines =
        XToolLines(QStringLiteral("xdotool"), {QStringLiteral("getwindowname"), window});
    return lines.isEmpty() ? QString() : lines.first();
}

// The active window's id, as xdotool gives window ids.
QString ActiveWindow() {
    const QStringList lines =
        XToolLines(QStringLiteral("xdotool"), {QStringLiteral("getactivewindow")});
    return lines.isEmpty() ? QString() : lines.first();
}

// Whether the window manager stacks `upper` above `lower`.
bool Above(const QString& upper, const QString& lower) {
    const QStringList lines =
        XToolLines(QStringLiteral("xprop"),
                   {QStringLiteral("-root"), QStringLiteral("_NET_CLIENT_LIST_STACKING")});
    if (lines.isEmpty()) return false;
    QList<qulonglong> order;  // bottom to top
    for (const QString& id : lines.first().section('#', 1).split(',')) {
        order << id.trimmed().toULongLong(nullptr, 16);
    }
    const qsizetype upperAt = order.indexOf(upper.toULongLong());
    const qsizetype lowerAt = order.indexOf(lower.toULongLong());
    return upperAt >= 0 && lowerAt >= 0 && upperAt > lowerAt;
}

}  // namespace

class SingleInstanceE2eTest : public QObject {
    Q_OBJECT

    QString binary_;
    QTemporaryDir home_;
    QTemporaryDir runtime_;
    lorvex::DemoPortal portal_;
    std::vector<std::unique_ptr<QProcess>> copies_;
    QProcess* first_ = nullptr;
    std::unique_ptr<QProcess> other_;  // another program's window
    int markers_ = 0;

    QProcess* StartCopy() {
        auto copy = std::make_unique<QProcess>();
        copy->setProcessEnvironment(ClientEnvironment(home_.path(), runtime_.path()));
        const QString log = home_.filePath(QStringLiteral("copy%1.log").arg(copies_.size() + 1));
        copy->setStandardOutputFile(log);
        copy->setStandardErrorFile(log);
        copy->start(binary_, {});
        copies_.push_back(std::move(copy));
        return copies_.back().get();
    }

    bool PortalSaw(const QString& path) const { return portal_.Requests().contains(path); }

    // Makes a request of the test's own and waits until the portal has it: every request
    // made before it has been received by then.
    bool PortalCaughtUp() {
        const QString marker = QStringLiteral("/caught-up-%1").arg(++markers_);
        QNetworkAccessManager network;
        std::unique_ptr<QNetworkReply> reply(
            network.get(QNetworkRequest(QUrl(portal_.Origin() + marker))));
        return WaitUntil([&] { return PortalSaw(marker); });
    }

    // Starts a copy and waits until it has loaded both start pages and shows its window.
    QProcess* StartFirstCopy() {
        QProcess* copy = StartCopy();
        if (!copy->waitForStarted(Deadline(10000))) return nullptr;
        const bool shown = WaitUntil([&] {
            return copy->state() == QProcess::NotRunning ||
                   (PortalSaw(kDispPage) && PortalSaw(kCategoriesPage) &&
                    !VisibleWindows(copy->processId()).isEmpty());
        });
        return shown && copy->state() == QProcess::Running ? copy : nullptr;
    }

    // Shows another program's window at `geometry` and gives it the focus; its id.
    QString ShowOtherProgram(const QRect& geometry) {
        const QString title = QStringLiteral("lorvex-test-other-program");
        other_ = std::make_unique<QProcess>();
        other_->start(QStringLiteral("xmessage"),
                      {QStringLiteral("-title"), title, QStringLiteral("-geometry"),
                       QStringLiteral("%1x%2+%3+%4")
                           .arg(geometry.width())
                           .arg(geometry.height())
                           .arg(geometry.x())
                           .arg(geometry.y()),
                       QStringLiteral("another program")});
        QString id;
        WaitUntil([&] {
            const QStringList found =
                XToolLines(QStringLiteral("xdotool"),
                           {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                            QStringLiteral("--name"), title});
            id = found.isEmpty() ? QString() : found.first();
            return !id.isEmpty();
        });
        if (id.isEmpty()) return id;
        Xdo({QStringLiteral("windowactivate"), id});
        return WaitUntil([&] { return ActiveWindow() == id; }) ? id : QString();
    }

  private slots:
    void initTestCase() {
        if (qEnvironmentVariableIsEmpty("DISPLAY")) QSKIP("needs an X display (DISPLAY)");
        if (!HavePrograms({"xdotool", "xprop", "xmessage"}))
            QSKIP("needs xdotool, xprop and xmessage");
        binary_ = qEnvironmentVariable("LORVEX_BINARY");
        QVERIFY2(QFileInfo(binary_).isExecutable(), "LORVEX_BINARY names no program");
        QVERIFY(home_.isValid());
        QVERIFY(runtime_.isValid());
        // A build that shares its port with another running build fails here rather than
        // testing against the other build's portal.
        const quint16 port = BuildPortalPort();
        QVERIFY2(portal_.Start(port) == port,
                 qPrintable(QStringLiteral("port %1 of LORVEX_PORTAL_ORIGIN is taken").arg(port)));
    }

    void cleanup() {
        if (other_) {
            other_->kill();
            other_->waitForFinished(Deadline(5000));
            other_.reset();
        }
    }

    void cleanupTestCase() {
        if (!binary_.isEmpty()) Xdo({QStringLiteral("keyup"), QStringLiteral("Return")});
        for (auto& copy : copies_) {
            if (copy->state() == QProcess::NotRunning) continue;
            copy->kill();
            copy->waitForFinished(5000);
        }
    }

    void secondCopyHandsOverToFirst_data() {
        QTest::addColumn<QString>("firstCopy");
        QTest::newRow("minimised") << QStringLiteral("minimised");
        QTest::newRow("behind another program") << QStringLiteral("behind");
        QTest::newRow("beside the active program") << QStringLiteral("unfocused");
    }

    // The second copy shows its one box, asks the portal for nothing and ends with code 0
    // after OK; the first copy's window is then in front and active, whatever its state.
    void secondCopyHandsOverToFirst() {
        QFETCH(QString, firstCopy);
        if (first_ == nullptr || first_->state() != QProcess::Running) first_ = StartFirstCopy();
        QVERIFY2(first_ != nullptr, "the first copy did not load its start pages");
        const qint64 firstPid = first_->processId();
        const QStringList firstWindows = VisibleWindows(firstPid);
        QCOMPARE(firstWindows.size(), 1);
        const QString& window = firstWindows[0];
        QString other;
        if (firstCopy == QLatin1String("minimised")) {
            Xdo({QStringLiteral("windowminimize"), window});
            QVERIFY(WaitUntil([&] { return VisibleWindows(firstPid).isEmpty(); }));
        } else {
            const QRect bounds = XGeometry(window);
            // Over the whole window, or clear of it in the screen's top-left corner.
            const QRect at = firstCopy == QLatin1String("behind") ? bounds : QRect(0, 0, 120, 60);
            QCOMPARE(at.intersects(bounds), firstCopy == QLatin1String("behind"));
            other = ShowOtherProgram(at);
            QVERIFY2(!other.isEmpty(), "the other program's window did not become active");
        }

        portal_.ClearRequests();
        QProcess* second = StartCopy();
        QVERIFY(second->waitForStarted(Deadline(10000)));
        const qint64 secondPid = second->processId();
        QVERIFY(WaitUntil([&] { return !VisibleWindows(secondPid).isEmpty(); }));
        // Its one window is the message box: the main window would have been shown before
        // the box, never while it is open.
        const QStringList windows = VisibleWindows(secondPid);
        QCOMPARE(windows.size(), 1);
        QCOMPARE(WindowName(windows[0]), QStringLiteral("lorvex"));
        QVERIFY(ChildProcesses(secondPid).isEmpty());
        QCOMPARE(second->state(), QProcess::Running);

        // OK: the box closes with the Return key. The key goes through the X server as
        // typed, to the box once it has the focus: a key sent to one window would leave
        // its release pending when the window goes away on the press.
        QVERIFY(WaitUntil([&] { return ActiveWindow() == windows[0]; }));
        Xdo({QStringLiteral("key"), QStringLiteral("Return")});
        QVERIFY(WaitUntil([&] { return second->state() == QProcess::NotRunning; }));
        QCOMPARE(second->exitStatus(), QProcess::NormalExit);
        QCOMPARE(second->exitCode(), 0);

        QCOMPARE(first_->state(), QProcess::Running);
        QVERIFY2(WaitUntil([&] { return ActiveWindow() == window; }),
                 qPrintable(QStringLiteral("active: %1").arg(ActiveWindow())));
        QCOMPARE(VisibleWindows(firstPid), firstWindows);
        if (!other.isEmpty()) QVERIFY(Above(window, other));
        // Whatever the second copy asked for has arrived by now.
        QVERIFY(PortalCaughtUp());
        QVERIFY(!PortalSaw(kDispPage));
        QVERIFY(!PortalSaw(kCategoriesPage));
    }

    void killedCopyDoesNotBlockTheNext() {
        if (first_ == nullptr || first_->state() != QProcess::Running) {
            first_ = StartFirstCopy();
            QVERIFY2(first_ != nullptr, "the first copy did not load its start pages");
        }
        first_->kill();
        QVERIFY(first_->waitForFinished(Deadline(10000)));
        // What the killed copy leaves behind.
        QVERIFY(QFileInfo::exists(runtime_.filePath(QStringLiteral("lorvex.lock"))));
        QVERIFY(QFileInfo::exists(runtime_.filePath(QStringLiteral("lorvex.socket"))));
        portal_.ClearRequests();

        QProcess* next = StartFirstCopy();
        QVERIFY2(next != nullptr, "the next copy did not start as the first");
        const QStringList windows = VisibleWindows(next->processId());
        QCOMPARE(windows.size(), 1);
        QVERIFY(WindowName(windows[0]).startsWith(QStringLiteral("Lorvex")));

        next->terminate();
        if (!next->waitForFinished(10000)) next->kill();
    }
};

QTEST_GUILESS_MAIN(SingleInstanceE2eTest)

#include "test_single_instance_e2e.moc"
