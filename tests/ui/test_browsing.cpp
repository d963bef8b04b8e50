// The side column's buttons, the system-browser buttons, the song search and what the
// main view does when a page completes, against real WebEngine views and the in-process
// demo portal.
#include <QWebEngineHistory>
#include <QWebEngineSettings>

#include "support/UiTestSupport.h"
#include "ui/app/build_config.h"

using namespace lorvex;
using namespace lorvex::testing;

class BrowsingTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase();
    void backAndForwardAtTheEndsDoNothing();
    void navigationButtonsLoadTheSideColumn_data();
    void navigationButtonsLoadTheSideColumn();
    void backAndForwardMoveOnlyTheSideColumn();
    void systemBrowserButtonsOpenFixedAddresses_data();
    void systemBrowserButtonsOpenFixedAddresses();
    void searchSendsTheEscapedKeyword_data();
    void searchSendsTheEscapedKeyword();
    void otherKeysInTheSearchBoxNeverSearch();
    void navigateSendsChineseAsGbk();
    void collectButtonFollowsCompletedPages_data();
    void collectButtonFollowsCompletedPages();
    void mainViewPagesCannotScroll();

  private:
    MainWindow& Window() { return *fixture_.window; }
    QString Origin() const { return fixture_.portal.Origin(); }
    std::string Address(const QString& path) const { return (Origin() + path).toStdString(); }
    bool WaitForRequest(const QString& pathAndQuery) {
        return fixture_.WaitForRequest(pathAndQuery);
    }

    PortalWindow fixture_;
};

void BrowsingTest::initTestCase() {
    QVERIFY(fixture_.Start());
    // Let the start pages finish.
    QVERIFY(WaitUntilIdle(Window().SideColumn()));
    QVERIFY(WaitUntilIdle(Window().MainView()));
}

void BrowsingTest::backAndForwardAtTheEndsDoNothing() {
    BrowserView* side = Window().SideColumn();
    side->history()->clear();
    QVERIFY(!side->history()->canGoBack() && !side->history()->canGoForward());
    const std::string sideBefore = side->LocationURL();
    const std::string mainBefore = Window().MainView()->LocationURL();
    fixture_.portal.ClearRequests();

    QTest::mouseClick(Window().Panel().back, Qt::LeftButton);
    QTest::mouseClick(Window().Panel().forward, Qt::LeftButton);

    QCOMPARE(fixture_.RequestsSoFar(side), QStringList());
    QCOMPARE(side->LocationURL(), sideBefore);
    QCOMPARE(Window().MainView()->LocationURL(), mainBefore);
    QVERIFY(fixture_.messages.boxes.empty());
}

void BrowsingTest::navigationButtonsLoadTheSideColumn_data() {
    QTest::addColumn<int>("button");
    QTest::addColumn<QString>("path");
    // The side column starts on the category page: the first row reloads it.
    QTest::newRow("categories again") << 1 << "/33/fl.htm";
    QTest::newRow("about") << 5 << "/33/about.htm";
    QTest::newRow("categories") << 1 << "/33/fl.htm";
}

void BrowsingTest::navigationButtonsLoadTheSideColumn() {
    QFETCH(int, button);
    QFETCH(QString, path);
    const std::string mainBefore = Window().MainView()->LocationURL();
    fixture_.portal.ClearRequests();

    QTest::mouseClick(Window().Panel().Button(button), Qt::LeftButton);

    QVERIFY(WaitForRequest(path));
    QVERIFY(WaitUntil([&] { return Window().SideColumn()->LocationURL() == Address(path); }));
    QVERIFY(WaitUntilIdle(Window().SideColumn()));
    QCOMPARE(Window().MainView()->LocationURL(), mainBefore);
}

void BrowsingTest::backAndForwardMoveOnlyTheSideColumn() {
    BrowserView* side = Window().SideColumn();
    const std::string mainBefore = Window().MainView()->LocationURL();
    side->history()->clear();
    // Two navigations after the cleared history: fl.htm -> about.htm -> fl.htm.
    for (int button : {5, 1}) {
        const QString path = button == 5 ? "/33/about.htm" : "/33/fl.htm";
        QTest::mouseClick(Window().Panel().Button(button), Qt::LeftButton);
        QVERIFY(WaitUntilDocumentIs(side, Origin() + path));
    }

    // Each step: the button and where the side column must end up.
    const struct {
        CommandButton* button;
        QString path;
    } steps[] = {{Window().Panel().back, "/33/about.htm"},
                 {Window().Panel().back, "/33/fl.htm"},
                 {Window().Panel().forward, "/33/about.htm"},
                 {Window().Panel().forward, "/33/fl.htm"}};
    for (const auto& step : steps) {
        QTest::mouseClick(step.button, Qt::LeftButton);
        QVERIFY2(WaitUntil([&] {
                     return side->LocationURL() == Address(step.path) && !side->page()->isLoading();
                 }),
                 qPrintable(step.button->objectName() + " to " + step.path));
        QCOMPARE(Window().MainView()->LocationURL(), mainBefore);
    }

    // At the newest page forward changes nothing.
    fixture_.portal.ClearRequests();
    QTest::mouseClick(Window().Panel().forward, Qt::LeftButton);
    QCOMPARE(fixture_.RequestsSoFar(side), QStringList());
    QCOMPARE(side->LocationURL(), Address("/33/fl.htm"));
}

void BrowsingTest::systemBrowserButtonsOpenFixedAddresses_data() {
    QTest::addColumn<int>("button");
    QTest::addColumn<QString>("address");
    QTest::newRow("ringtones") << 9 << "/html/cai0.htm";
    QTest::newRow("movies") << 10 << "/html/movie.htm";
    QTest::newRow("animation") << 11 << "/html/donghua.htm";
    QTest::newRow("home") << 14 << "/html/index.htm";
    QTest::newRow("forum") << 12
                           << QString::fromUtf8(kBuildForumOrigin.data(),
                                                qsizetype(kBuildForumOrigin.size())) +
                                  "/f?ct=&tn=&rn=&pn=&lm=&kw=Lorvex&rs2=0&myselectvalue=1"
                                  "&word=Lorvex&tb=on";
}

void BrowsingTest::systemBrowserButtonsOpenFixedAddresses() {
    QFETCH(int, button);
    QFETCH(QString, address);
    if (address.startsWith('/')) address.prepend(Origin());
    const std::string sideBefore = Window().SideColumn()->LocationURL();
    const std::string mainBefore = Window().MainView()->LocationURL();
    fixture_.launcher.browserAddresses.clear();
    fixture_.portal.ClearRequests();

    QTest::mouseClick(Window().Panel().Button(button), Qt::LeftButton);

    QCOMPARE(fixture_.launcher.browserAddresses, QStringList{address});
    QCOMPARE(fixture_.RequestsSoFar(Window().MainView()), QStringList());
    QCOMPARE(Window().SideColumn()->LocationURL(), sideBefore);
    QCOMPARE(Window().MainView()->LocationURL(), mainBefore);
}

void BrowsingTest::searchSendsTheEscapedKeyword_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("query");
    QTest::newRow("reserved") << "R&B"
                              << "keyword=R%26B";
    QTest::newRow("chinese") << "海边"
                             << "keyword=%BA%A3%B1%DF";
    QTest::newRow("spaces kept") << " a "
                                 << "keyword=%20a%20";
    QTest::newRow("mixed") << "a+b#1 风"
                           << "keyword=a%2Bb%231%20%B7%E7";
    QTest::newRow("empty") << ""
                           << "keyword=";
}

void BrowsingTest::searchSendsTheEscapedKeyword() {
    QFETCH(QString, typed);
    QFETCH(QString, query);
    const QString expected = "/33/search.asp?" + query;
    const std::string mainBefore = Window().MainView()->LocationURL();
    Window().Panel().searchBox->setText(typed);

    // The same search by the Return key and by the button.
    for (bool byReturn : {true, false}) {
        fixture_.portal.ClearRequests();
        if (byReturn) {
            QTest::keyClick(Window().Panel().searchBox, Qt::Key_Return);
        } else {
            QTest::mouseClick(Window().Panel().search, Qt::LeftButton);
        }
        QVERIFY2(WaitForRequest(expected), byReturn ? "by Return" : "by button");
        QVERIFY(WaitUntilIdle(Window().SideColumn()));
        QVERIFY(QString::fromStdString(Window().SideColumn()->LocationURL())
                    .startsWith(Origin() + "/33/search.asp?keyword="));
        QCOMPARE(Window().Panel().searchBox->text(), typed);
        QCOMPARE(Window().MainView()->LocationURL(), mainBefore);
    }
}

// Only Return searches: no other key in the box (the keypad's Enter aside) moves a view.
void BrowsingTest::otherKeysInTheSearchBoxNeverSearch() {
    QLineEdit* box = Window().Panel().searchBox;
    box->setText(QStringLiteral("海边"));
    const std::string sideBefore = Window().SideColumn()->LocationURL();
    const std::string mainBefore = Window().MainView()->LocationURL();
    fixture_.portal.ClearRequests();
    for (Qt::Key key : {Qt::Key_A, Qt::Key_Space, Qt::Key_Escape, Qt::Key_Tab, Qt::Key_Up,
                        Qt::Key_Backspace, Qt::Key_F5}) {
        box->setFocus();
        QTest::keyClick(box, key);
        QCOMPARE(Window().SideColumn()->LocationURL(), sideBefore);
    }
    QCOMPARE(fixture_.RequestsSoFar(Window().SideColumn()), QStringList());
    QCOMPARE(Window().MainView()->LocationURL(), mainBefore);
}

void BrowsingTest::navigateSendsChineseAsGbk() {
    BrowserView* main = Window().MainView();
    fixture_.portal.ClearRequests();
    main->Navigate(Origin() + "/33/playwmv.asp?id=1024&g=海边的风&c=林小雨&n=R%26B");
    QVERIFY(WaitForRequest(
        "/33/playwmv.asp?id=1024&g=%BA%A3%B1%DF%B5%C4%B7%E7&c=%C1%D6%D0%A1%D3%EA&n=R%26B"));
    QVERIFY(WaitUntilIdle(main));
    QCOMPARE(main->LocationURL(), Address("/33/playwmv.asp?id=1024&g=海边的风&c=林小雨&n=R%26B"));
    QCOMPARE(Evaluate(main, "document.querySelector('.params').textContent").toString(),
             QStringLiteral("g=海边的风 c=林小雨"));
}

void BrowsingTest::collectButtonFollowsCompletedPages_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("enabled");
    // Alternating rows: each completed page must change the button.
    QTest::newRow("idle page") << "/33/disp.asp" << true;
    QTest::newRow("news") << "/33/news.htm" << false;
    QTest::newRow("player") << "/33/playwmv.asp?id=1024&g=海边的风&c=林小雨" << true;
    QTest::newRow(".htm inside the query") << "/33/mtvplayer.asp?id=1024&from=a.htm" << false;
    QTest::newRow("search") << "/33/search.asp?keyword=htm" << true;
    // A page that fails to load counts by its address, as one that loads does.
    QTest::newRow("failed .htm") << "http://127.0.0.1:1/33/news.htm" << false;
    QTest::newRow("failed player") << "http://127.0.0.1:1/33/playrm.asp?id=1" << true;
}

void BrowsingTest::collectButtonFollowsCompletedPages() {
    QFETCH(QString, path);
    QFETCH(bool, enabled);
    BrowserView* main = Window().MainView();
    const bool fails = path.startsWith("http:");
    main->Navigate(fails ? path : Origin() + path);
    QCOMPARE(WaitForLoad(main), !fails);
    QCOMPARE(Window().Panel().collect->isEnabled(), enabled);
}

void BrowsingTest::mainViewPagesCannotScroll() {
    BrowserView* main = Window().MainView();
    main->Navigate(Origin() + "/33/tall.asp");
    QVERIFY(WaitForLoad(main));
    QVERIFY(!main->page()->settings()->testAttribute(QWebEngineSettings::ShowScrollBars));
    QVERIFY(WaitUntil([&] {
        return Evaluate(main, "getComputedStyle(document.documentElement).overflowY").toString() ==
               "hidden";
    }));
    QCOMPARE(Evaluate(main, "getComputedStyle(document.body).overflowY").toString(), "hidden");
    QVERIFY(Evaluate(main,
                     "document.scrollingElement.scrollHeight > "
                     "document.scrollingElement.clientHeight")
                .toBool());

    // Neither the wheel nor the keyboard moves it, while the same input scrolls the side
    // column, whose scroll bars stay. Input sent before a view has drawn its page is lost,
    // so it is repeated until the side column has moved.
    BrowserView* side = Window().SideColumn();
    side->Navigate(Origin() + "/33/tall.asp");
    QVERIFY(WaitForLoad(side));
    auto scrollByHand = [](BrowserView* view) {
        QWidget* surface = view->focusProxy();
        const QPoint centre = surface->rect().center();
        QTest::mouseClick(surface, Qt::LeftButton, Qt::NoModifier, centre);
        QWheelEvent wheel(centre, surface->mapToGlobal(centre), QPoint(), QPoint(0, -360),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(surface, &wheel);
        QTest::keyClick(surface, Qt::Key_PageDown);
        QTest::keyClick(surface, Qt::Key_End);
    };
    QVERIFY(WaitUntil([&] {
        scrollByHand(side);
        return Evaluate(side, "window.scrollY").toInt() > 0;
    }));
    // A key typed after the input reaches the page only once the input before it has.
    Evaluate(main,
             "window.typed = ''; addEventListener('keydown', function (e) {"
             "  window.typed += e.key; }); 0");
    for (int round = 0; round < 3; ++round) scrollByHand(main);
    QTest::keyClick(main->focusProxy(), Qt::Key_X);
    QVERIFY(WaitUntil([&] { return Evaluate(main, "window.typed").toString().endsWith('x'); }));
    QCOMPARE(Evaluate(main, "window.scrollY").toInt(), 0);
}

LORVEX_UI_TEST_MAIN(BrowsingTest)
#include "test_browsing.moc"
