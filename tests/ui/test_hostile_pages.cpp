// Portal pages that misbehave: links to outside programs' schemes, floods of script
// dialogs, dialogs and sound from the hidden pop-up, a page that does not want to be left,
// escape sequences on the console. Real WebEngine views, real mouse clicks, the in-process
// demo portal.
//
// A page's dialog runs its own event loop until it is answered, so while a box is up the
// test's code waits underneath it; a PretendUser, driven by a timer, acts from inside.
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QPushButton>
#include <QScopeGuard>
#include <QTimer>

#include "support/UiTestSupport.h"
#include "support/XTools.h"
#include "ui/browsing/PopupHost.h"
#include "ui/dialogs/PageDialogs.h"

using namespace lorvex;
using namespace lorvex::testing;

namespace {

// The user, acting every few milliseconds wherever the event loop is. A modal box (which no
// page may cause) is noted and closed, so that a fault fails the test instead of hanging it.
class PretendUser {
  public:
    explicit PretendUser(std::function<void()> step) : step_(std::move(step)) {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                sawModalBox = true;
                modal->close();
                return;
            }
            step_();
        });
        timer_.start(25);
    }
    bool sawModalBox = false;

  private:
    std::function<void()> step_;
    QTimer timer_;
};

PageDialog* OpenDialog(QWidget* view) {
    for (PageDialog* dialog : view->findChildren<PageDialog*>()) {
        if (dialog->isVisible()) return dialog;
    }
    return nullptr;
}

void Press(PageDialog* dialog, const char* button) {
    QTest::mouseClick(dialog->findChild<QPushButton*>(QString::fromLatin1(button)), Qt::LeftButton);
}

// Counts the distinct boxes that appear in a view.
struct BoxCounter {
    // The box now up, counted when new; nullptr when none is up.
    PageDialog* Look(QWidget* view) {
        PageDialog* box = OpenDialog(view);
        if (box != nullptr && box != current) {
            current = box;
            titles << box->Title();
            messages << box->Message();
        }
        return box;
    }
    QPointer<PageDialog> current;
    QStringList titles;
    QStringList messages;
};

// The middle left of an element, in view coordinates; inside the frame `frame` when given.
std::optional<QPoint> PointOf(BrowserView* view, const QString& frame, const QString& id) {
    const QString script =
        QStringLiteral(
            "(function () { var f = %1, doc = f ? f.contentDocument : document;"
            "  var e = doc && doc.getElementById('%2'); if (!e) return null;"
            "  var o = f ? f.getBoundingClientRect() : {left: 0, top: 0};"
            "  var bx = f ? f.clientLeft : 0, by = f ? f.clientTop : 0;"
            "  var r = e.getBoundingClientRect();"
            "  return [o.left + bx + r.left + 4, o.top + by + r.top + r.height / 2]; })()")
            .arg(frame.isEmpty() ? QStringLiteral("null")
                                 : QStringLiteral("document.getElementById('%1')").arg(frame),
                 id);
    std::optional<QPoint> point;
    WaitUntil([&] {
        const QVariantList xy = Evaluate(view, script).toList();
        if (xy.size() == 2) point = QPoint(xy[0].toInt(), xy[1].toInt());
        return point.has_value();
    });
    return point;
}

bool Click(BrowserView* view, const QString& frame, const QString& id) {
    const std::optional<QPoint> point = PointOf(view, frame, id);
    if (point) QTest::mouseClick(view->focusProxy(), Qt::LeftButton, Qt::NoModifier, *point);
    return point.has_value();
}

QStringList consoleLines;
void KeepPageConsole(QtMsgType, const QMessageLogContext& context, const QString& text) {
    if (qstrcmp(context.category, "js") == 0) consoleLines << text;
}

}  // namespace

class HostilePagesTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase();
    void outsideSchemesStartNothing_data();
    void outsideSchemesStartNothing();
    void dialogFloodShowsThreeBoxesAndLeavesTheRestUsable();
    void answersReachThePage();
    void emptyRepliesKeepCountingDialogs();
    void sandboxedFrameAsksInItsPagesName();
    void popUpNeitherAsksNorSounds();
    void leavingQuestionNeverStopsTheClient();
    void pageConsoleIsQuietUnlessTurnedOn();
    void closingEndsTheProgramWhateverThePageAsks_data();
    void closingEndsTheProgramWhateverThePageAsks();

  private:
    MainWindow& Window() { return *fixture_.window; }
    QString Origin() const { return fixture_.portal.Origin(); }
    QString Host() const { return QStringLiteral("127.0.0.1 显示"); }

    PortalWindow fixture_;
};

void HostilePagesTest::initTestCase() {
    // A favourites file, so the library button works.
    QVERIFY(QDir().mkpath(fixture_.documents));
    QFile favourites(fixture_.documents + QStringLiteral("/lorvex.ini"));
    QVERIFY(favourites.open(QIODevice::WriteOnly));
    favourites.write("$$DD77&g=Blue Moon&c=Ann\r\n");
    favourites.close();
    QVERIFY(fixture_.Start());
    QVERIFY(Window().Panel().library->isEnabled());
}

void HostilePagesTest::outsideSchemesStartNothing_data() {
    QTest::addColumn<QString>("frame");
    QTest::newRow("page") << QString();
    QTest::newRow("frame") << QStringLiteral("frame");
    QTest::newRow("srcdoc") << QStringLiteral("srcdoc");
}

void HostilePagesTest::outsideSchemesStartNothing() {
    QFETCH(QString, frame);
    SchemeProbe probe;
    for (const char* scheme : {"mailto", "smb"}) {
        QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), &probe, "Open");
    }
    const auto unset = qScopeGuard([] {
        for (const char* scheme : {"mailto", "smb"}) {
            QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
        }
    });
    BrowserView* main = Window().MainView();
    main->Navigate(Origin() + (frame.isEmpty() ? "/33/links.asp" : "/33/frames.asp"));
    QVERIFY(WaitForLoad(main));

    QVERIFY(Click(main, frame, "mailto"));
    QVERIFY(Click(main, frame, "smb"));
    QVERIFY(WaitUntil([&] { return Evaluate(main, "top.clicked.join()") == "mailto,smb"; }));
    // A later click of the same document reaches the portal: the earlier ones were handled.
    fixture_.portal.ClearRequests();
    QVERIFY(Click(main, frame, "after"));
    QVERIFY(fixture_.WaitForRequest("/33/news.htm?from=" + (frame.isEmpty() ? "page" : frame)));
    QVERIFY2(probe.opened.isEmpty(), qPrintable(probe.opened.value(0).toString()));
}

void HostilePagesTest::dialogFloodShowsThreeBoxesAndLeavesTheRestUsable() {
    BrowserView* main = Window().MainView();
    BrowserView* side = Window().SideColumn();
    const std::string categories = (Origin() + "/33/fl.htm").toStdString();
    side->Navigate(Origin() + "/33/about.htm");
    QVERIFY(WaitForLoad(side));

    BoxCounter boxes;
    bool clickedCategories = false;
    bool boxInView = false;
    PretendUser user([&] {
        PageDialog* box = boxes.Look(main);
        if (box == nullptr) return;
        // While the first box is up, the panel's buttons and the side column work.
        if (!clickedCategories) {
            boxInView = box->parentWidget() == main && !box->isWindow();
            QTest::mouseClick(Window().Panel().categories, Qt::LeftButton);
            clickedCategories = true;
            return;
        }
        if (side->LocationURL() != categories || side->page()->isLoading()) return;
        Press(box, "accept");
    });

    // 30 alerts, then the title; after navigating, the next page gets three boxes again,
    // also when it calls the engine's own alert.
    for (const QString query : {"n=30", "n=4", "n=5&via=frame"}) {
        main->Navigate(Origin() + "/33/alerts.asp?" + query);
        const QString done = "完" + query.section('&', 0, 0).mid(2);
        QVERIFY(WaitUntil([&] { return main->title() == done; }, 60000));
    }
    QVERIFY(!user.sawModalBox);
    QVERIFY(boxInView);
    QCOMPARE(boxes.titles, QStringList(9, Host()));
    QCOMPARE(boxes.messages, (QStringList{"1", "2", "3", "1", "2", "3", "1", "2", "3"}));
    QCOMPARE(side->LocationURL(), categories);
}

void HostilePagesTest::answersReachThePage() {
    BrowserView* main = Window().MainView();
    main->Navigate(Origin() + "/33/about.htm");
    QVERIFY(WaitForLoad(main));
    BoxCounter boxes;
    QString input;
    PretendUser user([&] {
        PageDialog* box = boxes.Look(main);
        if (box == nullptr) return;
        if (auto* field = box->findChild<QLineEdit*>("input")) {
            input = field->text();
            field->setText("张三 & 李四");
        }
        Press(box, boxes.titles.size() == 3 ? "reject" : "accept");
    });
    main->page()->runJavaScript(
        "document.title = [confirm('确定？'),"
        "  prompt('名字 & <b>粗</b>', '默认'), confirm('再来？')].join('|')");
    QVERIFY(WaitUntil([&] { return main->title().startsWith("true|"); }));
    QCOMPARE(main->title(), QStringLiteral("true|张三 & 李四|false"));
    QCOMPARE(boxes.messages, (QStringList{"确定？", "名字 & <b>粗</b>", "再来？"}));
    QCOMPARE(input, QStringLiteral("默认"));
}

// A navigation answered with an empty reply (204) leaves the page as it is, and a step in
// its own history (pushState) keeps its document: its dialogs go on being counted, and only
// three of six reach the user. The page cannot reach the client's word on new documents.
void HostilePagesTest::emptyRepliesKeepCountingDialogs() {
    BrowserView* main = Window().MainView();
    const QString about = Origin() + "/33/about.htm";
    main->Navigate(about);
    QVERIFY(WaitForLoad(main));
    QCOMPARE(Evaluate(main, "typeof qt").toString(), QStringLiteral("undefined"));
    BoxCounter boxes;
    PretendUser user([&] {
        if (PageDialog* box = boxes.Look(main)) Press(box, "accept");
    });
    for (int i = 1; i <= 6; ++i) {
        if (i % 2 == 1) {
            const QString empty = QStringLiteral("/33/empty.asp?%1").arg(i);
            main->page()->runJavaScript(QStringLiteral("location.href = '%1'").arg(empty));
            QVERIFY(fixture_.WaitForRequest(empty));
        } else {
            main->page()->runJavaScript(
                QStringLiteral("history.pushState(null, '', '?%1')").arg(i));
        }
        main->page()->runJavaScript(QStringLiteral("alert('%1'); document.title = '%1'").arg(i));
        QVERIFY(WaitUntil([&] { return main->title() == QString::number(i); }));
    }
    QCOMPARE(boxes.messages, (QStringList{"1", "2", "3"}));
    QCOMPARE(main->LocationURL(), (about + "?6").toStdString());
    QVERIFY(!user.sawModalBox);
}

// A sandboxed frame has no origin of its own: its dialogs are titled with the page's host
// and say that a framed page asks.
void HostilePagesTest::sandboxedFrameAsksInItsPagesName() {
    BrowserView* main = Window().MainView();
    BoxCounter boxes;
    PretendUser user([&] {
        if (PageDialog* box = boxes.Look(main)) Press(box, "accept");
    });
    main->Navigate(Origin() + "/33/alerts.asp?n=2&via=sandbox");
    QVERIFY(WaitUntil([&] { return main->title() == "完2"; }));
    QCOMPARE(boxes.titles, QStringList(2, QStringLiteral("127.0.0.1 上的嵌入式网页显示")));
    QCOMPARE(boxes.messages, (QStringList{"1", "2"}));
    QVERIFY(!user.sawModalBox);
}

void HostilePagesTest::popUpNeitherAsksNorSounds() {
    PretendUser user([] {});
    fixture_.portal.ClearRequests();
    Window().MainView()->Navigate(Origin() + "/33/popask.asp");
    QVERIFY(fixture_.WaitForRequest("/33/ask.asp"));
    BrowserView* popup = Window().Browsing().Popup().View();
    // Alert, confirm and prompt were answered without a box: OK, cancel, cancel.
    QVERIFY(WaitUntil([&] { return popup->title() == "false,null"; }));
    QVERIFY(!user.sawModalBox);
    QVERIFY(popup->findChildren<PageDialog*>().isEmpty());
    QVERIFY(!Window().Browsing().Popup().isVisible());
    QVERIFY(popup->page()->isAudioMuted());
}

void HostilePagesTest::leavingQuestionNeverStopsTheClient() {
    BrowserView* side = Window().SideColumn();
    const QString leave = Origin() + "/33/leave.asp";
    side->Navigate(leave);
    QVERIFY(WaitForLoad(side));
    // Every question is answered "stay": one that reached a client navigation would stop it.
    BoxCounter boxes;
    PretendUser user([&] {
        if (PageDialog* box = boxes.Look(side)) Press(box, "reject");
    });

    // The page's own link: the user is asked (the click is the gesture the question needs).
    QVERIFY(Click(side, {}, "away"));
    QVERIFY(WaitUntil([&] { return boxes.titles.size() == 1; }));
    QCOMPARE(boxes.titles.front(), Host());
    QCOMPARE(side->LocationURL(), leave.toStdString());

    // The client's buttons are not asked about.
    QTest::mouseClick(Window().Panel().categories, Qt::LeftButton);
    QVERIFY(WaitUntil([&] {
        return side->LocationURL() == (Origin() + "/33/fl.htm").toStdString() &&
               !side->page()->isLoading();
    }));
    QCOMPARE(boxes.titles.size(), 1);
    side->Navigate(leave);
    QVERIFY(WaitForLoad(side));
    QVERIFY(Click(side, {}, "area"));
    QVERIFY(WaitUntil([&] { return Evaluate(side, "window.touched").toBool(); }));
    QTest::mouseClick(Window().Panel().library, Qt::LeftButton);
    QVERIFY(
        WaitUntil([&] { return side->url().scheme() == "lorvex" && !side->page()->isLoading(); }));
    QCOMPARE(boxes.titles.size(), 1);
    QVERIFY(!user.sawModalBox);
}

void HostilePagesTest::pageConsoleIsQuietUnlessTurnedOn() {
    BrowserView* main = Window().MainView();
    consoleLines.clear();
    const QtMessageHandler previous = qInstallMessageHandler(KeepPageConsole);
    const auto restore = qScopeGuard([previous] {
        qInstallMessageHandler(previous);
        QLoggingCategory::setFilterRules(QString());
    });
    for (bool turnedOn : {false, true}) {
        if (turnedOn) QLoggingCategory::setFilterRules(QStringLiteral("js=true"));
        main->Navigate(Origin() + "/33/console.asp");
        QVERIFY(WaitForLoad(main));
        // A round trip to the page: its console messages came before the answer.
        QCOMPARE(Evaluate(main, "2 + 2").toInt(), 4);
        if (!turnedOn) QCOMPARE(consoleLines, QStringList());
    }
    QVERIFY(WaitUntil([] { return consoleLines.size() >= 2; }));
    QCOMPARE(consoleLines,
             (QStringList{"\\x1b[31m红色\\x1b[0m\\nnext line", "bell\\x07 csi\\u009b2J"}));
}

void HostilePagesTest::closingEndsTheProgramWhateverThePageAsks_data() {
    QTest::addColumn<bool>("withKeyboard");
    QTest::addColumn<int>("answered");  // boxes answered before closing
    QTest::addColumn<QString>("query");
    QTest::newRow("close picture, box up") << false << 0 << QString();
    QTest::newRow("close picture, engine's box up") << false << 0 << "?via=frame";
    QTest::newRow("Alt+F4, box up") << true << 0 << QString();
    QTest::newRow("close picture, three boxes answered") << false << 3 << QString();
}

// The window's close path with `for(;;) alert(1)` in the main view: the application's event
// loop, which main() returns from, ends with code 0.
void HostilePagesTest::closingEndsTheProgramWhateverThePageAsks() {
    QFETCH(bool, withKeyboard);
    QFETCH(int, answered);
    QFETCH(QString, query);
    if (withKeyboard && !HavePrograms({QStringLiteral("xdotool")})) QSKIP("xdotool is needed");
    PortalWindow fresh;
    QVERIFY(fresh.Start());
    MainWindow& closing = *fresh.window;
    BoxCounter boxes;
    int pressed = 0;
    bool closed = false;
    QElapsedTimer sinceKeys;
    PretendUser user([&] {
        if (closed) {
            // The window manager may not have moved the focus to the window yet when the
            // keys came: they are pressed again while the window stays.
            if (!withKeyboard || !closing.isVisible() || sinceKeys.elapsed() < 2000) return;
            Xdo({"windowactivate", "--sync", QString::number(closing.winId())});
            Xdo({"key", "alt+F4"});
            sinceKeys.start();
            return;
        }
        PageDialog* box = boxes.Look(closing.MainView());
        if (pressed < answered) {
            if (box != nullptr) {
                Press(box, "accept");
                ++pressed;
            }
            return;
        }
        if (answered == 0 && box == nullptr) return;
        closed = true;
        if (withKeyboard) {
            Xdo({"windowactivate", "--sync", QString::number(closing.winId())});
            Xdo({"key", "alt+F4"});
            sinceKeys.start();
        } else {
            QTest::mouseClick(closing.Frame().closeButton, Qt::LeftButton, Qt::NoModifier, {6, 6});
        }
    });
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(1); });
    watchdog.start(120000);

    closing.MainView()->Navigate(fresh.portal.Origin() + "/33/alerts.asp" + query);
    const int code = QApplication::exec();
    QCOMPARE(code, 0);
    QVERIFY(closed);
    QVERIFY(!user.sawModalBox);
    QVERIFY(!closing.isVisible());
    QCOMPARE(boxes.titles.size(), answered == 0 ? 1 : answered);
}

LORVEX_UI_TEST_MAIN(HostilePagesTest)
#include "test_hostile_pages.moc"
