// Closing the real client: the close picture and the window manager's Alt+F4 both end the
// process with exit code 0 and without a crash. The binary comes from LORVEX_BINARY; its
// portal is not running, so its pages simply fail to load.
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <optional>

#include "support/UiTestSupport.h"

using namespace lorvex::testing;

namespace {

// Runs xdotool; its output when it succeeded, else nothing.
std::optional<QString> Xdo(const QStringList& arguments) {
    QProcess xdotool;
    xdotool.start("xdotool", arguments);
    if (!xdotool.waitForFinished(Deadline(10000)) || xdotool.exitCode() != 0) return std::nullopt;
    return QString::fromLatin1(xdotool.readAllStandardOutput());
}

// The id of the client's visible window, once it has one.
QString ClientWindow(qint64 pid) {
    QString id;
    WaitUntil(
        [&] {
            const auto found =
                Xdo({"search", "--onlyvisible", "--pid", QString::number(pid), "--name", "Lorvex"});
            if (found && !found->trimmed().isEmpty()) id = found->section('\n', 0, 0).trimmed();
            return !id.isEmpty();
        },
        30000);
    return id;
}

// The window's top-left corner on the screen.
QPoint WindowOrigin(const QString& id) {
    const auto shell = Xdo({"getwindowgeometry", "--shell", id});
    QPoint origin(-1, -1);
    if (!shell) return origin;
    for (const QString& line : shell->split('\n')) {
        if (line.startsWith("X=")) origin.setX(line.mid(2).toInt());
        if (line.startsWith("Y=")) origin.setY(line.mid(2).toInt());
    }
    return origin;
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
    if (QStandardPaths::findExecutable("xdotool").isEmpty()) QSKIP("xdotool is needed");
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
        const QPoint close = WindowOrigin(id) + QPoint(610, 14);
        QVERIFY(Xdo(
            {"mousemove", QString::number(close.x()), QString::number(close.y()), "click", "1"}));
    }

    const bool finished = client.waitForFinished(Deadline(30000));
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
