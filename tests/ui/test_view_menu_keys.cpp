// What a browser view offers by mouse and keyboard: the engine's context menu trimmed to the
// client's items, none on a page that cancels it, links to the system's browser; F5 and
// Ctrl+R, Alt+Left and Alt+Right, and the zoom keys and wheel of the view that has the
// focus. Right-clicks and keys go through the engine as a user's would.
#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QSignalSpy>
#include <QWebEngineHistory>
#include <QWheelEvent>

#include "support/PageInput.h"
#include "support/UiTestSupport.h"
#include "ui/web/ViewMenu.h"

using namespace lorvex;
using namespace lorvex::testing;

namespace {

// Writes a page of the client's own into the view and waits until it has loaded.
bool WriteDocument(BrowserView* view) {
    QSignalSpy loaded(view, &QWebEngineView::loadFinished);
    view->DocumentOpen();
    view->DocumentWrite("<p>自己的页面</p>");
    view->DocumentClose();
    return WaitUntil([&] { return !loaded.isEmpty(); }) && loaded.first().at(0).toBool();
}

// Counts the menus shown anywhere in the application.
class MenuWatch : public QObject {
  public:
    MenuWatch() { qApp->installEventFilter(this); }
    ~MenuWatch() override { qApp->removeEventFilter(this); }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show && qobject_cast<QMenu*>(watched) != nullptr) ++shown;
        return false;
    }
    int shown = 0;
};

// The names of the open context menu's items, separators left out.
QStringList ItemNames(QMenu* menu) {
    QStringList names;
    for (QAction* item : menu->actions()) {
        if (!item->isSeparator()) names << item->objectName();
    }
    return names;
}

}  // namespace

class ViewMenuKeysTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase();
    void cleanup();
    void menuOffersTheClientsItems_data();
    void menuOffersTheClientsItems();
    void pageThatCancelsItsMenuShowsNone();
    void reloadKeysReloadTheFocusedView_data();
    void reloadKeysReloadTheFocusedView();
    void altArrowsGoBackAndForward();
    void zoomKeysAndWheelZoomTheFocusedView();

  private:
    MainWindow& Window() { return *fixture_.window; }
    QString Address(const QString& path) const { return fixture_.portal.Origin() + path; }
    QString Load(BrowserView* view, const QString& path) {
        return LoadFresh(view, fixture_.portal.Origin(), path);
    }
    QMenu* RightClick(BrowserView* view, QPoint at);
    bool FocusView(BrowserView* view);

    PortalWindow fixture_;
};

void ViewMenuKeysTest::initTestCase() { QVERIFY(fixture_.Start()); }

void ViewMenuKeysTest::cleanup() {
    if (QWidget* popup = QApplication::activePopupWidget()) popup->close();
}

// Right-clicks the view's page at `at` and returns the menu that opened, or nullptr.
QMenu* ViewMenuKeysTest::RightClick(BrowserView* view, QPoint at) {
    QTest::mouseClick(view->focusProxy(), Qt::RightButton, Qt::NoModifier, at);
    QMenu* menu = nullptr;
    WaitUntil([&] { return (menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())); });
    return menu;
}

bool ViewMenuKeysTest::FocusView(BrowserView* view) {
    Window().activateWindow();
    view->setFocus(Qt::OtherFocusReason);
    return WaitUntil([&] {
        return QApplication::activeWindow() == &Window() &&
               QApplication::focusWidget() == view->focusProxy();
    });
}

void ViewMenuKeysTest::menuOffersTheClientsItems_data() {
    QTest::addColumn<QString>("target");
    QTest::addColumn<bool>("selectText");
    QTest::addColumn<QStringList>("items");
    const QStringList page{kMenuBack, kMenuForward, kMenuReload, kMenuSelectAll};
    QTest::newRow("page") << "h1" << false << page;
    QTest::newRow("selected text") << "h1" << true << QStringList{kMenuCopy, kMenuSelectAll};
    QTest::newRow("http link") << "#after" << false
                               << QStringList{kMenuBack,     kMenuForward,         kMenuReload,
                                              kMenuCopyLink, kMenuOpenLinkOutside, kMenuSelectAll};
    QTest::newRow("mailto link") << "#mailto" << false
                                 << QStringList{kMenuBack, kMenuForward, kMenuReload, kMenuCopyLink,
                                                kMenuSelectAll};
}

void ViewMenuKeysTest::menuOffersTheClientsItems() {
    QFETCH(QString, target);
    QFETCH(bool, selectText);
    QFETCH(QStringList, items);
    BrowserView* main = Window().MainView();
    QVERIFY(!Load(main, "/33/links.asp").isEmpty());
    // A heading to right-click on: the page has only links.
    Evaluate(main, "document.body.insertAdjacentHTML('afterbegin', '<h1>外部链接</h1>'); 0");
    if (selectText) {
        Evaluate(main, "getSelection().selectAllChildren(document.querySelector('h1')); 0");
    }
    const std::optional<QPoint> at = ElementCentre(main, target);
    QVERIFY(at);

    QMenu* menu = RightClick(main, *at);
    QVERIFY(menu);
    QCOMPARE(ItemNames(menu), items);

    QAction* outside = menu->findChild<QAction*>(kMenuOpenLinkOutside);
    if (outside == nullptr) return;
    fixture_.launcher.browserAddresses.clear();
    menu->close();
    outside->trigger();
    QCOMPARE(fixture_.launcher.browserAddresses, QStringList{Address("/33/news.htm?from=page")});
}

// The library page cancels its menu (oncontextmenu). The engine then never asks the view
// for one: contextMenuEvent is not called, there is no request to see. The page's own
// listener shows the right-click arrived; once the page stops cancelling, the next
// right-click opens the one menu.
void ViewMenuKeysTest::pageThatCancelsItsMenuShowsNone() {
    QFile favourites(fixture_.documents + "/lorvex.ini");
    QVERIFY(QDir().mkpath(fixture_.documents));
    QVERIFY(favourites.open(QIODevice::WriteOnly));
    favourites.write("$$DD1024&g=a&c=b\r\n");
    favourites.close();
    BrowserView* side = Window().SideColumn();
    Window().Favourites().ShowLibrary();
    QVERIFY(WaitUntil([&] {
        return Evaluate(side, "document.body && document.body.getAttribute('oncontextmenu')")
                   .toString() == "return false";
    }));
    Evaluate(side,
             "window.cancelled = []; addEventListener('contextmenu', function (e) {"
             "  cancelled.push(e.defaultPrevented); }); 0");

    MenuWatch menus;
    const QPoint at(side->width() / 2, 20);
    QTest::mouseClick(side->focusProxy(), Qt::RightButton, Qt::NoModifier, at);
    QVERIFY(WaitUntil([&] { return Evaluate(side, "cancelled.join()").toString() == "true"; }));

    Evaluate(side, "document.body.oncontextmenu = null; 0");
    QVERIFY(RightClick(side, at));
    QCOMPARE(Evaluate(side, "cancelled.join()").toString(), QString("true,false"));
    QCOMPARE(menus.shown, 1);
}

void ViewMenuKeysTest::reloadKeysReloadTheFocusedView_data() {
    QTest::addColumn<QKeyCombination>("key");
    QTest::newRow("F5") << QKeyCombination(Qt::Key_F5);
    QTest::newRow("Ctrl+R") << (Qt::CTRL | Qt::Key_R);
}

void ViewMenuKeysTest::reloadKeysReloadTheFocusedView() {
    QFETCH(QKeyCombination, key);
    BrowserView* main = Window().MainView();
    BrowserView* side = Window().SideColumn();
    const QString mainPage = Load(main, "/33/news.htm");
    const QString sidePage = Load(side, "/33/about.htm");
    QVERIFY(!mainPage.isEmpty() && !sidePage.isEmpty());
    QVERIFY(FocusView(main));
    fixture_.portal.ClearRequests();

    QTest::keyClick(main->focusProxy(), key.key(), key.keyboardModifiers());

    QVERIFY(fixture_.WaitForRequest(mainPage));
    QVERIFY(WaitUntil([&] { return !main->page()->isLoading(); }));
    QVERIFY(!fixture_.RequestsSoFar(side).contains(sidePage));
}

void ViewMenuKeysTest::altArrowsGoBackAndForward() {
    BrowserView* main = Window().MainView();
    const QString first = Load(main, "/33/about.htm");
    const QString second = Load(main, "/33/news.htm");
    QVERIFY(!first.isEmpty() && !second.isEmpty());
    QVERIFY(FocusView(main));

    const std::pair<Qt::Key, QString> steps[] = {{Qt::Key_Left, first}, {Qt::Key_Right, second}};
    for (const auto& step : steps) {
        const QString& path = step.second;
        QTest::keyClick(main->focusProxy(), step.first, Qt::AltModifier);
        QVERIFY2(WaitUntil([&] {
                     return main->LocationURL() == Address(path).toStdString() &&
                            !main->page()->isLoading();
                 }),
                 qPrintable(path));
    }
}

// Each step changes the view's factor and the page's; a new page keeps it; the other view
// keeps its own. A page of the client's own comes with a new renderer and a new surface for
// the keys, which keeps the focus.
void ViewMenuKeysTest::zoomKeysAndWheelZoomTheFocusedView() {
    BrowserView* main = Window().MainView();
    BrowserView* side = Window().SideColumn();
    QVERIFY(!Load(main, "/33/about.htm").isEmpty());
    QVERIFY(FocusView(main));
    auto pageFactor = [main] {
        return Evaluate(main, "window.devicePixelRatio").toDouble() / main->devicePixelRatioF();
    };
    auto wheel = [main](int delta) {
        QWidget* surface = main->focusProxy();
        const QPointF at(surface->width() / 2.0, surface->height() / 2.0);
        QWheelEvent event(at, surface->mapToGlobal(at), {}, {0, delta}, Qt::NoButton,
                          Qt::ControlModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(surface, &event);
        return true;
    };
    // Ctrl and a key to the view's surface, once it has the focus.
    auto key = [main](Qt::Key k) {
        const bool focused =
            WaitUntil([main] { return QApplication::focusWidget() == main->focusProxy(); });
        if (focused) QTest::keyClick(main->focusProxy(), k, Qt::ControlModifier);
        return focused;
    };
    const struct {
        std::function<bool()> act;
        double factor;
    } steps[] = {
        {[&] { return key(Qt::Key_Plus); }, 1.1},
        {[&] { return !Load(main, "/33/news.htm").isEmpty(); }, 1.1},
        {[&] { return WriteDocument(main); }, 1.1},  // a page of the client's: a new renderer
        {[&] { return key(Qt::Key_Equal); }, 1.25},
        {[&] { return key(Qt::Key_Minus); }, 1.1},
        {[&] { return key(Qt::Key_0); }, 1.0},
        {[&] { return wheel(-120); }, 0.9},
        {[&] { return wheel(60); }, 0.9},  // half a notch
        {[&] { return wheel(60); }, 1.0},
        {[&] { return !Load(main, "/33/about.htm").isEmpty(); }, 1.0},
    };
    int number = 0;
    for (const auto& step : steps) {
        ++number;
        QVERIFY(step.act());
        QVERIFY2(WaitUntil([&] {
                     return qAbs(main->ZoomFactor() - step.factor) < 0.001 &&
                            qAbs(main->page()->zoomFactor() - step.factor) < 0.001 &&
                            qAbs(pageFactor() - step.factor) < 0.01;
                 }),
                 qPrintable(QStringLiteral("step %1: %2").arg(number).arg(pageFactor())));
        QCOMPARE(side->ZoomFactor(), 1.0);
        QCOMPARE(side->page()->zoomFactor(), 1.0);
    }
}

LORVEX_UI_TEST_MAIN(ViewMenuKeysTest)
#include "test_view_menu_keys.moc"
