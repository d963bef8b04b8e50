// The main window's start-up check with the single-instance guard: a later copy shows its
// one box, hands the front to the running copy and ends before any page exists; and
// BringToFront on a real window under the window manager.
#include <QWebEnginePage>

#include "support/UiTestSupport.h"
#include "ui/app/SingleInstance.h"

using lorvex::testing::Deadline;
using lorvex::testing::WaitUntil;

namespace {

class FakeGuard : public lorvex::SingleInstanceGuard {
  public:
    FakeGuard(bool running, QStringList& log) : running_(running), log_(log) {}
    bool OtherCopyRunning() override { return running_; }
    bool BringRunningCopyToFront() override {
        log_ << QStringLiteral("bring to front");
        return true;
    }

  private:
    bool running_;
    QStringList& log_;
};

class FakeMessageBoxes : public lorvex::MessageBoxes {
  public:
    explicit FakeMessageBoxes(QStringList& log) : log_(log) {}
    void ShowStop(QWidget* parent, const QString& caption, const QString& text) override {
        log_ << QStringLiteral("box %1 parent=%2: %3")
                    .arg(caption, parent ? QStringLiteral("window") : QStringLiteral("none"), text);
    }

  private:
    QStringList& log_;
};

struct ProcessEnded {
    int code;
};

const QString kAlreadyRunning = QStringLiteral("这程序已经运行,没必要打开这么多吧?");

}  // namespace

class SingleInstanceStartupTest : public QObject {
    Q_OBJECT

  private slots:
    void init() { QCoreApplication::setApplicationName(QStringLiteral("lorvex")); }

    void startupCheck_data() {
        QTest::addColumn<int>("guard");  // 0 none, 1 first copy, 2 later copy
        QTest::addColumn<QStringList>("expectedLog");
        QTest::newRow("no guard") << 0 << QStringList();
        QTest::newRow("first copy") << 1 << QStringList();
        QTest::newRow("later copy")
            << 2
            << QStringList{QStringLiteral("box lorvex parent=none: ") + kAlreadyRunning,
                           QStringLiteral("bring to front"), QStringLiteral("exit 0")};
    }
    void startupCheck() {
        QFETCH(int, guard);
        QFETCH(QStringList, expectedLog);
        QStringList log;
        FakeGuard fakeGuard(guard == 2, log);
        FakeMessageBoxes boxes(log);
        lorvex::Services services;
        services.messages = &boxes;
        services.guard = guard == 0 ? nullptr : &fakeGuard;
        services.exitProcess = [&log](int code) { log << QStringLiteral("exit %1").arg(code); };
        lorvex::MainWindow window("http://127.0.0.1:9", services);
        window.setWindowTitle(QStringLiteral("Lorvex"));

        window.CheckExist(&window);

        QCOMPARE(log, expectedLog);
        const bool ended = guard == 2;
        // Once cleared, the name falls back to the executable's.
        QCOMPARE(QCoreApplication::applicationName() != QLatin1String("lorvex"), ended);
        QCOMPARE(window.windowTitle().isEmpty(), ended);
    }

    // Load() of a later copy ends the process before any page exists, so no browser
    // process starts and the portal is asked for nothing.
    void laterCopyEndsBeforeAnyPage() {
        QStringList log;
        FakeGuard fakeGuard(true, log);
        FakeMessageBoxes boxes(log);
        lorvex::Services services;
        services.messages = &boxes;
        services.guard = &fakeGuard;
        services.exitProcess = [](int code) { throw ProcessEnded{code}; };
        lorvex::MainWindow window("http://127.0.0.1:9", services);
        int exitCode = -1;
        try {
            window.Load();
        } catch (const ProcessEnded& ended) {
            exitCode = ended.code;
        }
        QCOMPARE(exitCode, 0);
        QCOMPARE(log.size(), 2);
        QVERIFY(window.findChildren<QWebEnginePage*>().isEmpty());
        QVERIFY(!window.isVisible());
    }

    void bringToFront_data() {
        QTest::addColumn<bool>("maximised");
        QTest::newRow("normal window") << false;
        QTest::newRow("maximised window") << true;
    }
    void bringToFront() {
        QFETCH(bool, maximised);
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QSKIP("needs an X display with a window manager");
        QWidget window;
        window.resize(300, 200);
        maximised ? window.showMaximized() : window.showNormal();
        QVERIFY(QTest::qWaitForWindowExposed(&window, Deadline(10000)));
        window.showMinimized();
        QVERIFY(WaitUntil([&] { return window.isMinimized(); }));

        lorvex::BringToFront(&window);

        QVERIFY(WaitUntil([&] { return !window.isMinimized() && window.isActiveWindow(); }));
        QCOMPARE(window.isMaximized(), maximised);
    }
};

LORVEX_UI_TEST_MAIN(SingleInstanceStartupTest)
#include "test_single_instance_startup.moc"
