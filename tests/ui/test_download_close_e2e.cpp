// Closing the real client while a page starts download after download: with the question
// where to save open, and with a download running as well, the close picture and Alt+F4 on
// the main window end the program with exit code 0, without a crash, leaving no partial
// file behind. Twenty runs, since the end of the program races the engine's downloads.
//
// The demo portal runs in this process on the port of the build's portal origin; the idle
// page sends the client to a page that starts a download every quarter of a second, and
// the portal holds every file after its first piece, so an accepted download stays running.
#include <QDir>
#include <QDirIterator>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include "DemoPortal.h"
#include "support/UiTestSupport.h"
#include "support/XTools.h"
#include "ui/app/build_config.h"

using namespace lorvex::testing;

namespace {

constexpr int kRuns = 20;
// Under the sanitizers a run takes some thirty seconds: there, one run of each way to
// close at each stage.
constexpr int kRunsWhenSlow = 6;

// When the client is closed: while it asks where to save the first download; while it asks
// about the next one, having accepted the first; or while the accepted download runs and
// nothing is asked (the user said no to the next).
enum class Stage { Asking, AskingAgain, Downloading };

quint16 PortalPort() {
    const std::string_view origin = lorvex::kBuildPortalOrigin;
    const QUrl url(QString::fromUtf8(origin.data(), static_cast<qsizetype>(origin.size())));
    return static_cast<quint16>(url.port(url.scheme() == QLatin1String("https") ? 443 : 80));
}

// A visible window of the process with exactly this name (xdotool's search matches more:
// names it cannot decode), other than `except`; empty when none comes.
QString FindWindow(qint64 pid, const QString& name, const QString& except = {}) {
    QString id;
    WaitUntil([&] {
        for (const QString& found : XToolLines("xdotool", {"search", "--onlyvisible", "--pid",
                                                           QString::number(pid), "--name", name})) {
            const QString candidate = found.trimmed();
            if (candidate != except &&
                XToolLines("xdotool", {"getwindowname", candidate}).value(0) == name) {
                id = candidate;
                return true;
            }
        }
        return false;
    });
    return id;
}

QStringList FilesUnder(const QString& folder) {
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) files << QDir(folder).relativeFilePath(it.next());
    return files;
}

}  // namespace

Q_DECLARE_METATYPE(Stage)

class DownloadCloseE2ETest : public QObject {
    Q_OBJECT

    lorvex::DemoPortal portal_;

  private slots:
    void initTestCase() {
        if (qEnvironmentVariableIsEmpty("LORVEX_BINARY")) QSKIP("LORVEX_BINARY is not set");
        if (!HavePrograms({"xdotool"})) QSKIP("xdotool is needed");
        const quint16 port = PortalPort();
        QVERIFY2(portal_.Start(port) == port,
                 qPrintable(QStringLiteral("port %1 of LORVEX_PORTAL_ORIGIN is taken").arg(port)));
        portal_.SetRedirect(QStringLiteral("/33/disp.asp"), QStringLiteral("/33/stream.asp"));
        portal_.HoldDownloads(true);
    }

    void closingDuringADownloadStream_data() {
        QTest::addColumn<bool>("withKeyboard");
        QTest::addColumn<Stage>("stage");
        const int runs = Deadline(1000) > 1000 ? kRunsWhenSlow : kRuns;
        for (int run = 1; run <= runs; ++run) {
            QTest::addRow("run %d", run) << (run % 2 == 0) << Stage(run % 3);
        }
    }

    // NOLINTNEXTLINE(readability-function-size): one straight sequence of steps, read top to bottom
    void closingDuringADownloadStream() {
        QFETCH(bool, withKeyboard);
        QFETCH(Stage, stage);
        QTemporaryDir home;
        QTemporaryDir runtime;
        QVERIFY(home.isValid() && runtime.isValid());
        QProcess client;
        client.setProcessEnvironment(ClientEnvironment(home.path(), runtime.path()));
        client.setProcessChannelMode(QProcess::MergedChannels);
        client.start(qEnvironmentVariable("LORVEX_BINARY"), {});
        QVERIFY(client.waitForStarted(Deadline(10000)));
        const auto ended = [&] { return client.state() == QProcess::NotRunning; };
        const qint64 pid = client.processId();
        QString main;
        WaitUntil([&] {
            main = XToolLines("xdotool", {"search", "--onlyvisible", "--pid", QString::number(pid),
                                          "--name", "Lorvex"})
                       .value(0)
                       .trimmed();
            return !main.isEmpty();
        });
        QVERIFY2(!main.isEmpty(), "the client showed no window");
        QString question = FindWindow(pid, QStringLiteral("保存文件"));
        QVERIFY2(!question.isEmpty(), "the client asked nothing");

        if (stage != Stage::Asking) {
            // Saved where offered (the home folder: there is no download folder); the page
            // starts the next download at once, and that asks again.
            // A key that comes before the dialog has the focus is lost: pressed again while
            // the dialog stays.
            const auto stays = [&] {
                for (const QString& found :
                     XToolLines("xdotool", {"search", "--onlyvisible", "--pid",
                                            QString::number(pid), "--name", "保存文件"})) {
                    if (found.trimmed() == question) return true;
                }
                return false;
            };
            for (int attempt = 0; attempt < 3; ++attempt) {
                if (!Xdo({"windowactivate", "--sync", question}) || !Xdo({"key", "Return"})) {
                    break;  // gone meanwhile
                }
                if (WaitUntil([&] { return !stays(); }, 10000)) break;
            }
            QVERIFY2(!stays(), "the question stayed after Return");
            const QString first = question;
            question.clear();
            question = FindWindow(pid, QStringLiteral("保存文件"), first);
            QVERIFY2(!question.isEmpty(), "the next download asked nothing");
        }
        if (stage == Stage::Downloading) {
            // No to the next: the page asks no more, and the accepted download runs.
            QVERIFY(Xdo({"windowactivate", "--sync", question}));
            QVERIFY(Xdo({"key", "Escape"}));
            QVERIFY(
                WaitUntil([&] { return FilesUnder(home.path()).filter(".download").size() == 1; }));
        }

        if (withKeyboard) {
            QVERIFY(Xdo({"windowactivate", "--sync", main}));
            QVERIFY(Xdo({"key", "alt+F4"}));
        } else {
            // The question may cover the close picture: moved aside, as a user would.
            if (stage != Stage::Downloading) {
                QVERIFY(Xdo({"windowmove", "--sync", question, "0", "0"}));
            }
            // The close picture sits at (604, 8), 13 x 13, in the 626 x 418 window.
            const QPoint close = XGeometry(main).topLeft() + QPoint(610, 14);
            QVERIFY(Xdo({"mousemove", QString::number(close.x()), QString::number(close.y()),
                         "click", "1"}));
        }
        const bool finished = WaitUntil(ended);
        if (!finished) client.kill();
        const QString output = QString::fromLocal8Bit(client.readAll());
        QVERIFY2(finished, qPrintable("the client is still running: " + output.right(2000)));
        QVERIFY2(client.exitStatus() == QProcess::NormalExit && client.exitCode() == 0,
                 qPrintable(QStringLiteral("status %1, code %2:\n%3")
                                .arg(client.exitStatus())
                                .arg(client.exitCode())
                                .arg(output.right(3000))));
        for (const char* crash : {"Segmentation fault", "Received signal", "core dumped"}) {
            QVERIFY2(!output.contains(crash), qPrintable(output.right(3000)));
        }
        // Nothing saved: the running download went with its partial file.
        const QStringList saved =
            FilesUnder(home.path()).filter(QRegularExpression("wmv|download"));
        QVERIFY2(saved.isEmpty(), qPrintable(saved.join(u',')));
    }
};

LORVEX_UI_TEST_MAIN(DownloadCloseE2ETest)
#include "test_download_close_e2e.moc"
