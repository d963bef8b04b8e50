// The real client started, closed and started again with the same home folder: the login
// cookie the portal set (it has an expiry) is sent again, the session cookie is not; pages
// are asked for in Chinese; the profile lives in the user's data folder; the idle page is
// on screen (under Xvfb the client composites in software); and the engine has nothing to
// complain about at exit.
//
// The demo portal runs in this process on the port of the build's configured portal
// origin, where the client looks for it. The first run is sent from the idle page to the
// login page, which sets the two cookies.
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QScreen>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <functional>
#include <optional>

#include "DemoPortal.h"
#include "support/UiTestSupport.h"
#include "support/XTools.h"
#include "ui/app/build_config.h"
#include "ui/web/WebProfile.h"

using namespace lorvex::testing;

namespace {

const QString kIdlePage = QStringLiteral("/33/disp.asp");
const QString kLoginPage = QStringLiteral("/33/login.asp");

// Whether the main view of the client's window shows a page: the upper left below the
// title holds the idle page's heading and text, in many colours; a view left unpainted is
// one colour.
bool ShowsPage(const QString& window) {
    const QRect frame = XGeometry(window);
    if (frame.isEmpty()) return false;
    const QImage shot =
        QGuiApplication::primaryScreen()
            ->grabWindow(0, frame.x() + 8, frame.y() + 40, frame.width() / 2, frame.height() / 3)
            .toImage();
    QSet<QRgb> colours;
    for (int y = 0; y < shot.height(); ++y) {
        for (int x = 0; x < shot.width(); ++x) colours.insert(shot.pixel(x, y));
    }
    return colours.size() >= 8;
}

}  // namespace

class RestartE2eTest : public QObject {
    Q_OBJECT

    lorvex::DemoPortal portal_;
    QTemporaryDir home_;
    QTemporaryDir runtime_;

    // Runs the client until `ready` holds for its window, then closes it with Alt+F4 as a
    // user would; returns what it wrote to its output, or nothing when it did not end well.
    std::optional<QString> RunUntil(const std::function<bool(const QString& window)>& ready) {
        QProcess client;
        client.setProcessEnvironment(ClientEnvironment(home_.path(), runtime_.path()));
        client.setProcessChannelMode(QProcess::MergedChannels);
        client.start(qEnvironmentVariable("LORVEX_BINARY"), {});
        if (!client.waitForStarted(Deadline(10000))) return std::nullopt;
        QString window;
        const bool loaded = WaitUntil([&] {
            const auto found =
                RunXTool("xdotool", {"search", "--onlyvisible", "--pid",
                                     QString::number(client.processId()), "--name", "Lorvex"});
            if (found) window = found->section('\n', 0, 0).trimmed();
            return !window.isEmpty() && ready(window);
        });
        if (loaded) {
            Xdo({"windowactivate", "--sync", window});
            Xdo({"key", "alt+F4"});
        }
        // The client may end while the events of the key press are served, before any
        // wait here; waitForFinished would then say it did not.
        const bool ended = WaitUntil([&] { return client.state() == QProcess::NotRunning; });
        if (!ended) client.kill();
        const QString output = QString::fromLocal8Bit(client.readAll());
        if (!loaded || !ended || client.exitStatus() != QProcess::NormalExit ||
            client.exitCode() != 0) {
            qWarning().noquote() << "the client's run failed (loaded" << loaded << "ended" << ended
                                 << "status" << client.exitStatus() << "code" << client.exitCode()
                                 << "); its output:\n"
                                 << output.right(3000);
            return std::nullopt;
        }
        return output;
    }

  private slots:
    void initTestCase() {
        if (qEnvironmentVariableIsEmpty("LORVEX_BINARY")) QSKIP("LORVEX_BINARY is not set");
        if (QStandardPaths::findExecutable("xdotool").isEmpty()) QSKIP("xdotool is needed");
        QVERIFY(home_.isValid() && runtime_.isValid());
        const quint16 port = BuildPortalPort();
        QVERIFY2(portal_.Start(port) == port,
                 qPrintable(QStringLiteral("port %1 of LORVEX_PORTAL_ORIGIN is taken").arg(port)));
    }

    void loginOutlivesTheProgramAndTheVisitDoesNot() {
        portal_.SetRedirect(kIdlePage, kLoginPage);
        // Logged in once the login page's style sheet is asked for with the cookies.
        const std::optional<QString> first = RunUntil([&](const QString&) {
            return portal_.Header("/33/mtv.css", "Cookie").contains("visit=1");
        });
        QVERIFY(first.has_value());
        portal_.SetRedirect(kIdlePage, {});
        // The profile's folder, under the user's data folder in the client's home.
        const QString storage = home_.filePath(QStringLiteral(".local/share/lorvex/QtWebEngine/") +
                                               lorvex::kWebProfileName);
        QVERIFY2(QFileInfo::exists(storage + "/Cookies"), qPrintable(storage));

        portal_.ClearRequests();
        const std::optional<QString> second = RunUntil([&](const QString& window) {
            return portal_.Requests().contains(kIdlePage) && ShowsPage(window);
        });
        QVERIFY(second.has_value());
        const QByteArray cookies = portal_.Header(kIdlePage, "Cookie");
        QVERIFY2(cookies.contains("member=1024"), cookies.constData());
        QVERIFY2(!cookies.contains("visit="), cookies.constData());
        const QByteArray language = portal_.Header(kIdlePage, "Accept-Language");
        QVERIFY2(language.startsWith("zh-CN"), language.constData());

        // Pages go before their profile: the engine warns when one outlives it.
        for (const QString& output : {*first, *second}) {
            QVERIFY2(!output.contains("still not deleted"), qPrintable(output.right(2000)));
        }
    }
};

LORVEX_UI_TEST_MAIN(RestartE2eTest)
#include "test_restart_e2e.moc"
