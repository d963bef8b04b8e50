// Full screen for the main view's pages: a page's own button fills the screen with the main
// view; Esc, the page's button or leaving the page bring the skinned window back exactly as
// it was (bounds, maximised, stay on top, region, frame, keyboard order). The side column
// refuses. Each full screen opens with the client's notice; after Esc the page gets the
// screen back only with a later click. The window manager's view of the windows comes from
// xprop and xdotool.
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>

#include "support/PageInput.h"
#include "support/UiTestSupport.h"
#include "support/XTools.h"
#include "ui/browsing/FullScreenHost.h"

using namespace lorvex;
using namespace lorvex::testing;

namespace {

// The top-level windows from bottom to top, as the window manager stacks them.
QList<WId> Stacking() {
    const QString list =
        RunXTool("xprop", {"-root", "_NET_CLIENT_LIST_STACKING"}).value_or(QString());
    QList<WId> windows;
    for (const QString& id : list.section('#', 1).split(',', Qt::SkipEmptyParts)) {
        windows << id.trimmed().toULongLong(nullptr, 16);
    }
    return windows;
}

QString Text(const QRect& r) {
    return QStringLiteral("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

// Everything of the main window a full screen must give back, one fact a line: bounds,
// states (its own and the window manager's), region, each child's place in stacking order,
// the keyboard order.
QStringList Picture(MainWindow& window) {
    const QString wmState = NetWmState(window);
    QStringList facts{
        "bounds " + Text(window.geometry()),
        QStringLiteral("states %1").arg(int(window.windowState() & ~Qt::WindowActive)),
        QStringLiteral("maximised for the window manager %1")
            .arg(wmState.contains("_NET_WM_STATE_MAXIMIZED_VERT")),
        QStringLiteral("above for the window manager %1")
            .arg(wmState.contains("_NET_WM_STATE_ABOVE")),
        QStringLiteral("stay-on-top flag %1")
            .arg(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint)),
        "region " + Text(window.mask().boundingRect()) +
            QStringLiteral(" in %1 rows").arg(window.mask().rectCount())};
    for (QWidget* child : window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        facts << "child " + child->objectName() + " " + Text(child->geometry());
    }
    QString keys = "keys";
    for (QWidget* next = window.nextInFocusChain(); next != &window;
         next = next->nextInFocusChain()) {
        if (next->focusPolicy() & Qt::TabFocus) {
            keys += " " + (next->objectName().isEmpty() ? next->parentWidget()->objectName()
                                                        : next->objectName());
        }
    }
    return facts << keys;
}

QString FirstDifference(const QStringList& now, const QStringList& before) {
    for (qsizetype i = 0; i < now.size() && i < before.size(); ++i) {
        if (now[i] != before[i]) return now[i] + " instead of " + before[i];
    }
    return QStringLiteral("%1 facts instead of %2").arg(now.size()).arg(before.size());
}

}  // namespace

class FullScreenTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase();
    void pageFullScreenGivesTheWindowBack_data();
    void pageFullScreenGivesTheWindowBack();
    void leavingAfterAResizePlacesTheViewByTheLayout();
    void sideColumnRefusesFullScreen();
    void fullScreenOpensWithItsNotice();
    void pageComesBackOnlyWithALaterClick();

  private:
    MainWindow& Window() { return *fixture_.window; }
    FullScreenHost& Host() { return Window().Browsing().FullScreen(); }
    bool LoadVideoPage(BrowserView* view);
    bool SetWindowStates(bool maximised, bool onTop);
    bool EnterFullScreen(BrowserView* main);
    bool LeaveFullScreen(BrowserView* main, const QString& leaveBy);

    PortalWindow fixture_;
    QRect start_;
    QElapsedTimer sinceEsc_;  // the user's last Esc out of full screen
};

void FullScreenTest::initTestCase() {
    if (QStandardPaths::findExecutable("xdotool").isEmpty() ||
        QStandardPaths::findExecutable("xprop").isEmpty()) {
        QSKIP("xdotool and xprop are needed");
    }
    QVERIFY(fixture_.Start());
    start_ = Window().geometry();
}

bool FullScreenTest::LoadVideoPage(BrowserView* view) {
    return !LoadFresh(view, fixture_.portal.Origin(), "/33/video.asp").isEmpty() &&
           ElementCentre(view, "#full").has_value();
}

void FullScreenTest::pageFullScreenGivesTheWindowBack_data() {
    QTest::addColumn<bool>("maximised");
    QTest::addColumn<bool>("onTop");
    QTest::addColumn<QString>("leaveBy");
    QTest::newRow("normal, Esc") << false << false << "Esc";
    QTest::newRow("maximised, the page's button") << true << false << "button";
    QTest::newRow("on top, leaving the page") << false << true << "navigation";
    QTest::newRow("maximised and on top, Esc") << true << true << "Esc";
}

// Puts the window in the row's states and waits until its frame is laid out for them.
bool FullScreenTest::SetWindowStates(bool maximised, bool onTop) {
    MainWindow& window = Window();
    if (window.isMaximized() != maximised) window.Skin().ToggleMaximize();
    const QRect bounds = maximised ? window.screen()->availableGeometry() : start_;
    if ((window.Panel().stayOnTop->text() == "不置") != onTop) {
        QTest::mouseClick(window.Panel().stayOnTop, Qt::LeftButton);
    }
    return WaitUntil([&] {
        const QString wmState = NetWmState(window);
        return window.geometry() == bounds &&
               wmState.contains("_NET_WM_STATE_MAXIMIZED_VERT") == maximised &&
               wmState.contains("_NET_WM_STATE_ABOVE") == onTop &&
               window.mask().boundingRect().size() == bounds.size();
    });
}

// Clicks the page's full-screen button; true once the page's screen covers the display,
// the page has its answer, and the screen is on top of everything with the focus.
bool FullScreenTest::EnterFullScreen(BrowserView* main) {
    const QRect display = Window().screen()->geometry();
    // After Esc, the page may have the screen again only with a click a second later.
    if (sinceEsc_.isValid() && !WaitUntil([&] { return sinceEsc_.elapsed() >= 1000; })) {
        return false;
    }
    return ClickElement(main, "#full") && WaitUntil([&] {
               QWidget* screen = Host().Screen();
               return screen != nullptr && main->window() == screen && screen->isFullScreen() &&
                      screen->geometry() == display && main->size() == screen->size() &&
                      NetWmState(*screen).contains("_NET_WM_STATE_FULLSCREEN");
           }) &&
           WaitUntil([&] {
               return Evaluate(main,
                               "String(document.fullscreenElement && "
                               "document.fullscreenElement.id) + answers")
                          .toString() == "screenok";
           }) &&
           WaitUntil([&] {
               // Above the stay-on-top window too.
               return Stacking().value(Stacking().size() - 1) == Host().Screen()->winId();
           }) &&
           WaitUntil([&] { return main->hasFocus(); });
}

// Leaves full screen the row's way; true once the view is back in the window and its
// document has left full screen too (only the page's own button gets an answer).
bool FullScreenTest::LeaveFullScreen(BrowserView* main, const QString& leaveBy) {
    if (leaveBy == "Esc") {
        sinceEsc_.start();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    } else if (leaveBy == "button") {
        if (!ClickElement(main, "#leave")) return false;
    } else {
        main->Navigate(fixture_.portal.Origin() + "/33/about.htm");
    }
    if (!WaitUntil([&] { return Host().Screen() == nullptr && main->window() == &Window(); })) {
        return false;
    }
    if (leaveBy == "navigation") return WaitForLoad(main);
    const QString left = leaveBy == "button" ? "nullok,ok" : "nullok";
    return WaitUntil([&] {
        return Evaluate(main, "String(document.fullscreenElement) + answers").toString() == left;
    });
}

void FullScreenTest::pageFullScreenGivesTheWindowBack() {
    QFETCH(bool, maximised);
    QFETCH(bool, onTop);
    QFETCH(QString, leaveBy);
    MainWindow& window = Window();
    BrowserView* main = window.MainView();

    QVERIFY(SetWindowStates(maximised, onTop));
    QVERIFY(LoadVideoPage(main));
    const QStringList before = Picture(window);
    QVERIFY(EnterFullScreen(main));
    QVERIFY(LeaveFullScreen(main, leaveBy));
    QVERIFY(main->isVisible());
    QStringList after;
    QVERIFY2(WaitUntil([&] { return (after = Picture(window)) == before; }),
             qPrintable(FirstDifference(after, before)));
    QVERIFY(WaitUntil([&] { return main->hasFocus(); }));
}

// The window is resized while a page is in full screen: the page keeps the whole screen,
// and the view comes back where the window's content layout now puts it.
void FullScreenTest::leavingAfterAResizePlacesTheViewByTheLayout() {
    MainWindow& window = Window();
    BrowserView* main = window.MainView();
    QVERIFY(SetWindowStates(false, false));
    QVERIFY(LoadVideoPage(main));
    QVERIFY(EnterFullScreen(main));
    window.resize(start_.size() + QSize(90, 60));
    QVERIFY(WaitUntil([&] { return window.size() == start_.size() + QSize(90, 60); }));
    QCOMPARE(main->size(), Host().Screen()->size());
    QVERIFY(LeaveFullScreen(main, "Esc"));
    const QFrame* panel = window.Panel().panel;
    QCOMPARE(main->geometry(),
             QRect(8, 38, window.width() - panel->width() - 16, window.height() - 50));
    window.resize(start_.size());
    QVERIFY(WaitUntil([&] { return window.size() == start_.size(); }));
}

void FullScreenTest::sideColumnRefusesFullScreen() {
    BrowserView* side = Window().SideColumn();
    QVERIFY(LoadVideoPage(side));
    QVERIFY(ClickElement(side, "#full"));
    QVERIFY(WaitUntil([&] {
        return Evaluate(side, "String(document.fullscreenElement) + answers").toString() ==
               "nullrefused";
    }));
    QVERIFY(Host().Screen() == nullptr);
    QCOMPARE(side->window(), &Window());
}

// The notice is the client's own, above the page, centred at the top of the screen; it names
// the page's host and how to leave, and goes after a few seconds.
void FullScreenTest::fullScreenOpensWithItsNotice() {
    BrowserView* main = Window().MainView();
    QVERIFY(LoadVideoPage(main));
    QVERIFY(!sinceEsc_.isValid() || WaitUntil([&] { return sinceEsc_.elapsed() >= 1000; }));
    QVERIFY(ClickElement(main, "#full"));
    QPointer<QLabel> notice;
    QVERIFY(WaitUntil([&] {
        return Host().Screen() != nullptr &&
               (notice = Host().Screen()->findChild<QLabel*>("FullScreenHint")) != nullptr;
    }));
    QVERIFY2(notice->text().contains("按 Esc 键退出全屏") && notice->text().contains("127.0.0.1"),
             qPrintable(notice->text()));
    const QRect display = Window().screen()->geometry();
    QVERIFY(WaitUntil([&] {
        QWidget* screen = Host().Screen();
        return notice != nullptr && screen->geometry() == display && notice->isVisible() &&
               std::abs(notice->geometry().center().x() - display.width() / 2) <= 1 &&
               notice->y() < display.height() / 8 &&
               screen->children().indexOf(notice) > screen->children().indexOf(main);
    }));
    QVERIFY(WaitUntil([&] { return notice == nullptr; }));
    QVERIFY(Host().Screen() != nullptr);
    QVERIFY(LeaveFullScreen(main, "button"));
}

// A page that asks for the screen again whenever it is out: a click at once after Esc does
// not give it back, nor does waiting; a click a second or more after Esc does, and the
// notice comes again.
void FullScreenTest::pageComesBackOnlyWithALaterClick() {
    BrowserView* main = Window().MainView();
    QVERIFY(SetWindowStates(false, false));
    QVERIFY(!LoadFresh(main, fixture_.portal.Origin(), "/33/video.asp?again=1").isEmpty());
    QVERIFY(EnterFullScreen(main));

    sinceEsc_.start();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QWidget* surface = main->focusProxy();
    const QPoint corner(surface->width() - 5, surface->height() - 5);
    QTest::mouseClick(surface, Qt::LeftButton, Qt::NoModifier, corner);
    const qint64 clickedAt = sinceEsc_.elapsed();
    QVERIFY(WaitUntil([&] { return Host().Screen() == nullptr && main->window() == &Window(); }));
    const auto refusals = [&] {
        return Evaluate(main, "answers.filter(function (a) { return a === 'refused'; }).length")
            .toInt();
    };
    int refusedLate = -1;
    QVERIFY(WaitUntil([&] {
        if (sinceEsc_.elapsed() < 1500) return false;
        if (refusedLate < 0) refusedLate = refusals();
        return refusals() >= refusedLate + 3;
    }));
    QVERIFY2(Host().Screen() == nullptr,
             qPrintable(QStringLiteral("back after a click %1 ms after Esc").arg(clickedAt)));
    QCOMPARE(Evaluate(main, "String(document.fullscreenElement)").toString(), "null");

    // On the player's text, clear of its buttons.
    const QVariantList text =
        Evaluate(main,
                 "(function () { var r = document.getElementById('screen')"
                 ".getBoundingClientRect(); return [r.left + 4, r.top + 4]; })()")
            .toList();
    QCOMPARE(text.size(), 2);
    QTest::mouseClick(main->focusProxy(), Qt::LeftButton, Qt::NoModifier,
                      QPoint(text[0].toInt(), text[1].toInt()));
    QVERIFY(WaitUntil([&] {
        return Host().Screen() != nullptr &&
               Host().Screen()->findChild<QLabel*>("FullScreenHint") != nullptr;
    }));
    QVERIFY(LeaveFullScreen(main, "navigation"));
}

LORVEX_UI_TEST_MAIN(FullScreenTest)
#include "test_full_screen.moc"
