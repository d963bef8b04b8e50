// The start-up trace with its logging on: both views' first paint is noted once, and
// answers to the paint questions that arrive after the note are harmless. And the window
// system the client chooses to run on before it starts.
#include <QLoggingCategory>

#include "support/UiTestSupport.h"
#include "ui/desktop/Platform.h"
#include "ui/desktop/StartupTrace.h"

using namespace lorvex;
using namespace lorvex::testing;

namespace {

QStringList traced;

void Collect(QtMsgType, const QMessageLogContext& context, const QString& message) {
    if (context.category != nullptr && QByteArray(context.category) == "lorvex.startup") {
        traced << message;
    }
}

}  // namespace

class StartupTraceTest : public QObject {
    Q_OBJECT

  private slots:
    void eachViewsPaintIsNotedOnce();
    void platformChoice_data();
    void platformChoice();
};

void StartupTraceTest::platformChoice_data() {
    QTest::addColumn<QByteArray>("qtPlatform");
    QTest::addColumn<QByteArray>("waylandDisplay");
    QTest::addColumn<QByteArray>("sessionType");
    QTest::addColumn<QByteArray>("xDisplay");
    QTest::addColumn<QByteArray>("asked");  // what the client asks Qt for
    QTest::addColumn<bool>("x11");
    QTest::newRow("X session") << QByteArray() << QByteArray() << QByteArray("x11")
                               << QByteArray(":0") << QByteArray() << true;
    QTest::newRow("Wayland session with XWayland")
        << QByteArray() << QByteArray("wayland-0") << QByteArray("wayland") << QByteArray(":0")
        << QByteArray("xcb") << true;
    QTest::newRow("Wayland display only, with XWayland")
        << QByteArray() << QByteArray("wayland-0") << QByteArray() << QByteArray(":1")
        << QByteArray("xcb") << true;
    QTest::newRow("Wayland session without an X server")
        << QByteArray() << QByteArray("wayland-0") << QByteArray("wayland") << QByteArray()
        << QByteArray() << false;
    QTest::newRow("the user's Wayland")
        << QByteArray("wayland") << QByteArray("wayland-0") << QByteArray("wayland")
        << QByteArray(":0") << QByteArray() << false;
    QTest::newRow("the user's list, X first")
        << QByteArray("xcb;wayland") << QByteArray("w") << QByteArray("wayland") << QByteArray(":0")
        << QByteArray() << true;
    QTest::newRow("the user's offscreen") << QByteArray("offscreen") << QByteArray() << QByteArray()
                                          << QByteArray(":0") << QByteArray() << false;
    QTest::newRow("no display at all")
        << QByteArray() << QByteArray() << QByteArray() << QByteArray() << QByteArray() << false;
}

void StartupTraceTest::platformChoice() {
    QFETCH(QByteArray, qtPlatform);
    QFETCH(QByteArray, waylandDisplay);
    QFETCH(QByteArray, sessionType);
    QFETCH(QByteArray, xDisplay);
    QFETCH(QByteArray, asked);
    QFETCH(bool, x11);
    const PlatformChoice choice =
        ChoosePlatform({qtPlatform, waylandDisplay, sessionType, xDisplay});
    QCOMPARE(choice.platform, asked);
    QCOMPARE(choice.x11, x11);
}

void StartupTraceTest::eachViewsPaintIsNotedOnce() {
    QLoggingCategory::setFilterRules(QStringLiteral("lorvex.startup.info=true"));
    const QtMessageHandler previous = qInstallMessageHandler(Collect);
    PortalWindow fixture;
    QVERIFY(fixture.Create());
    MainWindow& window = *fixture.window;
    TraceFirstPaint(window.MainView(), "main view");
    TraceFirstPaint(window.SideColumn(), "side column");
    QVERIFY(fixture.Start());

    const auto painted = [](const char* view) {
        return traced.filter(QStringLiteral("%1 painted").arg(QLatin1StringView(view))).size();
    };
    QVERIFY(WaitUntil([&] { return painted("main view") > 0 && painted("side column") > 0; }));
    // An answer is delivered after every question asked before it: once these are back,
    // so are all the paint questions still on their way.
    for (int round = 0; round < 10; ++round) {
        Evaluate(window.MainView(), QStringLiteral("0"));
        Evaluate(window.SideColumn(), QStringLiteral("0"));
    }
    qInstallMessageHandler(previous);
    QLoggingCategory::setFilterRules(QString());
    QCOMPARE(painted("main view"), 1);
    QCOMPARE(painted("side column"), 1);
}

LORVEX_UI_TEST_MAIN(StartupTraceTest)
#include "test_startup_trace.moc"
