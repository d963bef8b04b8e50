// The start-up trace with its logging on: both views' first paint is noted once, and
// answers to the paint questions that arrive after the note are harmless.
#include <QLoggingCategory>

#include "support/UiTestSupport.h"
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
};

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
