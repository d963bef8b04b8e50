// Closing the real client: the close picture and the window manager's Alt+F4 both end the
// process with exit code 0 and without a crash. The binary comes from LORVEX_BINARY; its
// portal is not running, so its pages simply fail to load.
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "support/UiTestSupport.h"
#include "support/XTools.h"

using namespace lorvex::testing;

namespace {

// The id of the client's visible window, once it has one.
QString ClientWindow(qint64 pid) {
    QString id;
    WaitUntil([&] {
        const QStringList found = XToolLines("xdotool", {"search", "--onlyvisible", "--pid",
                                                         QString::number(pid), "--name", "Lorvex"});
        id = found.value(0).trimmed();
        return !id.isEmpty();
    });
    return id;
}

}  // namespace

class SkinCloseTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase();
    void closingEndsTheProgram_data();
    void closingEndsTheProgram();
};

void SkinCloseTest::initTestCase() {
    if (qEnvironmentVariableIsEmpty("LORVEX_BINARY")) QSKIP("LORVEX_BINARY is not set");
    if (!HavePrograms({"xdotool"})) QSKIP("xdotool is needed");
}

void SkinCloseTest::closingEndsTheProgram_data() {
    QTest::addColumn<bool>("withKeyboard");
    QTest::newRow("close picture") << false;
    QTest::newRow("Alt+F4") << true;
}

void SkinCloseTest::closingEndsTheProgram() {
    QFETCH(bool, withKeyboard);
    QTemporaryDir home;
    QTemporaryDir runtime;  // created private to the user, as the runtime folder must be
    QVERIFY(home.isValid() && runtime.isValid());
    QProcess client;
    client.setProcessEnvironment(ClientEnvironment(home.path(), runtime.path()));
    client.start(qEnvironmentVariable("LORVEX_BINARY"), {});
    QVERIFY(client.waitForStarted(Deadline(10000)));
    const QString id = ClientWindow(client.processId());
    QVERIFY2(!id.isEmpty(), "the client showed no window");
    QCOMPARE(client.state(), QProcess::Running);  // nothing but the close ends it

    if (withKeyboard) {
        QVERIFY(Xdo({"windowactivate", "--sync", id}));
        QVERIFY(Xdo({"key", "alt+F4"}));
    } else {
        // The close picture sits at (604, 8), 13 x 13, in the 626 x 418 window.
        const QPoint close = XGeometry(id).topLeft() + QPoint(610, 14);
        QVERIFY(Xdo(
            {"mousemove", QString::number(close.x()), QString::number(close.y()), "click", "1"}));
    }

    // On a busy machine the window manager may not have moved the focus to the window yet
    // when the keys came: they are pressed again while the window stays.
    QElapsedTimer sinceKeys;
    sinceKeys.start();
    const bool finished = WaitUntil([&] {
        if (client.state() == QProcess::NotRunning) return true;
        if (withKeyboard && sinceKeys.elapsed() > Deadline(3000)) {
            Xdo({"windowactivate", "--sync", id});
            Xdo({"key", "alt+F4"});
            sinceKeys.restart();
        }
        return false;
    });
    if (!finished) client.kill();
    const QString output =
        QString::fromLocal8Bit(client.readAllStandardError() + client.readAllStandardOutput());
    QVERIFY2(finished, "the client is still running");
    QCOMPARE(client.exitStatus(), QProcess::NormalExit);
    QCOMPARE(client.exitCode(), 0);
    for (const char* crash : {"Segmentation fault", "Received signal", "core dumped", "ASSERT"}) {
        QVERIFY2(!output.contains(crash), qPrintable(output.right(2000)));
    }
}

LORVEX_UI_TEST_MAIN(SkinCloseTest)
#include "test_skin_close.moc"
