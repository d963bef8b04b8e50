// New windows of the two views, documents the client writes itself and what portal pages
// may not do, against real WebEngine views and the in-process demo portal.
#include <QApplication>
#include <QWebEngineHistory>

#include "support/UiTestSupport.h"
#include "ui/browsing/PopupHost.h"

using namespace lorvex;
using namespace lorvex::testing;

class BrowsingWindowsTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase();
    void blankLinkInSideColumnOpensInMainView_data();
    void blankLinkInSideColumnOpensInMainView();
    void mainViewPopUpsLoadInHiddenHost();
    void writtenDocumentIsGbkWithWorkingLinks();
    void largeWrittenDocumentLoadsWhole();
    void onlyWrittenPagesAreServed_data();
    void onlyWrittenPagesAreServed();
    void portalPagesCannotReachWrittenPages();
    void permissionRequestsAreDenied();

  private:
    MainWindow& Window() { return *fixture_.window; }
    QString Origin() const { return fixture_.portal.Origin(); }
    bool WaitForRequest(const QString& pathAndQuery) {
        return fixture_.WaitForRequest(pathAndQuery);
    }
    // Writes a document into a view the way the client does and waits for it to load.
    bool WriteDocument(BrowserView* view, const std::string& html) {
        view->DocumentOpen();
        // In pieces, as the library page is written.
        for (std::size_t at = 0; at < html.size(); at += 4096) {
            view->DocumentWrite(std::string_view(html).substr(at, 4096));
        }
        view->DocumentClose();
        return WaitForLoad(view, 30000);
    }
    int VisibleTopLevelWindows() const {
        int count = 0;
        for (QWidget* top : QApplication::topLevelWidgets()) count += top->isVisible();
        return count;
    }

    PortalWindow fixture_;
};

void BrowsingWindowsTest::initTestCase() {
    QVERIFY(fixture_.Start());
    QVERIFY(WaitUntilIdle(Window().SideColumn()));
    QVERIFY(WaitUntilIdle(Window().MainView()));
}

void BrowsingWindowsTest::blankLinkInSideColumnOpensInMainView_data() {
    QTest::addColumn<bool>("byMouse");
    QTest::addColumn<int>("song");
    QTest::addColumn<QString>("request");
    QTest::addColumn<QString>("shown");
    QTest::newRow("script click")
        << false << 0 << "/33/playwmv.asp?id=1024&g=%BA%A3%B1%DF%B5%C4%B7%E7&c=%C1%D6%D0%A1%D3%EA"
        << "/33/playwmv.asp?id=1024&g=海边的风&c=林小雨";
    QTest::newRow("mouse click")
        << true << 1
        << "/33/playrm.asp?id=1025&g=%D2%B9%BF%D5%CF%C2%B5%C4%D4%BC%B6%A8&c=%B3%C2%D7%D3%BA%BD"
        << "/33/playrm.asp?id=1025&g=夜空下的约定&c=陈子航";
}

void BrowsingWindowsTest::blankLinkInSideColumnOpensInMainView() {
    QFETCH(bool, byMouse);
    QFETCH(int, song);
    QFETCH(QString, request);
    QFETCH(QString, shown);
    BrowserView* side = Window().SideColumn();
    BrowserView* main = Window().MainView();
    const std::string categories = (Origin() + "/33/fl.htm").toStdString();
    if (side->LocationURL() != categories) {
        QTest::mouseClick(Window().Panel().categories, Qt::LeftButton);
        QVERIFY(WaitUntil([&] { return side->LocationURL() == categories; }));
    }
    QVERIFY(WaitUntilIdle(side));
    // A page without ".htm" must turn the collect button on: start from one that turns it off.
    main->Navigate(Origin() + "/33/news.htm");
    QVERIFY(WaitForLoad(main));
    QVERIFY(!Window().Panel().collect->isEnabled());
    fixture_.portal.ClearRequests();

    const QString link =
        QStringLiteral("document.querySelectorAll('a[target=_blank]')[%1]").arg(song);
    if (byMouse) {
        const QVariantList box =
            Evaluate(side, link + ".scrollIntoView(); var r = " + link +
                               ".getClientRects()[0]; [r.left + 4, r.top + r.height / 2]")
                .toList();
        QCOMPARE(box.size(), 2);
        const QPoint at(box[0].toInt(), box[1].toInt());
        const QString hit = QStringLiteral("document.elementFromPoint(%1, %2) === %3");
        QVERIFY(Evaluate(side, hit.arg(at.x()).arg(at.y()).arg(link)).toBool());
        QTest::mouseClick(side->focusProxy(), Qt::LeftButton, Qt::NoModifier, at);
    } else {
        Evaluate(side, link + ".click()");
    }

    QVERIFY(WaitForRequest(request));
    QVERIFY(WaitUntil([&] { return main->LocationURL() == (Origin() + shown).toStdString(); }));
    QVERIFY(WaitUntil([&] { return Window().Panel().collect->isEnabled(); }));
    QCOMPARE(side->LocationURL(), categories);
    QVERIFY(!Window().Browsing().HasPopup());
    QCOMPARE(VisibleTopLevelWindows(), 1);
    // The main view now shows the song's page, and stays the window's main view.
    QVERIFY(Evaluate(main, "document.querySelector('object[classid]') !== null").toBool());
    QCOMPARE(main->parentWidget(), &Window());
}

void BrowsingWindowsTest::mainViewPopUpsLoadInHiddenHost() {
    BrowserView* main = Window().MainView();
    PopupHost* first = nullptr;
    for (const char* page : {"/33/popup.asp", "/33/popup.asp?again=1"}) {
        fixture_.portal.ClearRequests();
        main->Navigate(Origin() + page);
        QVERIFY(WaitForRequest("/33/popad.asp"));
        QVERIFY(Window().Browsing().HasPopup());
        PopupHost& host = Window().Browsing().Popup();
        if (first == nullptr) first = &host;
        QCOMPARE(&host, first);
        QVERIFY(WaitUntil([&] {
            return host.View()->LocationURL() == (Origin() + "/33/popad.asp").toStdString();
        }));
        // The main view keeps the page that opened the pop-up; nothing new appears.
        // Whatever window the pop-up was given had been shown by the time it asked for
        // its page.
        QCOMPARE(main->LocationURL(), (Origin() + page).toStdString());
        QVERIFY(!host.isVisible());
        QCOMPARE(VisibleTopLevelWindows(), 1);
    }
    int hosts = 0;
    for (QWidget* top : QApplication::topLevelWidgets())
        hosts += qobject_cast<PopupHost*>(top) != nullptr;
    QCOMPARE(hosts, 1);

    // The pop-up's own pop-ups go nowhere: the host's page and the main view stay.
    BrowserView* hidden = first->View();
    fixture_.portal.ClearRequests();
    Evaluate(hidden, "window.open('about.htm'), 0");
    QCOMPARE(fixture_.RequestsSoFar(hidden), QStringList());
    QCOMPARE(hidden->LocationURL(), (Origin() + "/33/popad.asp").toStdString());
    QCOMPARE(main->LocationURL(), (Origin() + "/33/popup.asp?again=1").toStdString());
    QCOMPARE(VisibleTopLevelWindows(), 1);
}

void BrowsingWindowsTest::writtenDocumentIsGbkWithWorkingLinks() {
    BrowserView* side = Window().SideColumn();
    fixture_.portal.ClearRequests();
    const std::string html =
        "<html><head><title>曲库</title><link rel=\"stylesheet\" href=\"" + Origin().toStdString() +
        "/33/mtv.css\"></head><body>"
        "<p id=\"text\">我的收藏：海边的风（林小雨）</p>"
        "<a id=\"search\" href=\"" +
        Origin().toStdString() + "/33/search.asp?keyword=海边\">找歌</a></body></html>";
    QVERIFY(WriteDocument(side, html));
    QCOMPARE(side->url().scheme(), QStringLiteral("lorvex"));
    const QString charset = Evaluate(side, "document.characterSet").toString().toLower();
    QVERIFY2(charset == "gbk" || charset == "gb2312" || charset == "gb18030", qPrintable(charset));
    QCOMPARE(Evaluate(side, "document.getElementById('text').textContent").toString(),
             QStringLiteral("我的收藏：海边的风（林小雨）"));
    QCOMPARE(Evaluate(side, "document.title").toString(), QStringLiteral("曲库"));
    // The portal's style sheet reaches the written page.
    QVERIFY(WaitForRequest("/33/mtv.css"));

    // A link of the written page sends its query in the page's code page.
    fixture_.portal.ClearRequests();
    Evaluate(side, "document.getElementById('search').click()");
    QVERIFY(WaitForRequest("/33/search.asp?keyword=%BA%A3%B1%DF"));
    QVERIFY(WaitUntilIdle(side));
}

void BrowsingWindowsTest::largeWrittenDocumentLoadsWhole() {
    BrowserView* side = Window().SideColumn();
    std::string html = "<html><body>";
    const std::string row = "<p>第一行歌曲：海边的风 - 林小雨 - 流行金曲 - 1024</p>\n";
    int rows = 0;
    while (html.size() < std::size_t{3} * 1024 * 1024) {
        html += row;
        ++rows;
    }
    html += "<p id=\"end\">完</p></body></html>";
    QVERIFY(WriteDocument(side, html));
    QCOMPARE(Evaluate(side, "document.getElementsByTagName('p').length").toInt(), rows + 1);
    QCOMPARE(Evaluate(side, "document.getElementById('end').textContent").toString(),
             QStringLiteral("完"));
}

void BrowsingWindowsTest::onlyWrittenPagesAreServed_data() {
    QTest::addColumn<QString>("address");
    QTest::newRow("unknown page") << "lorvex:page/999999";
    QTest::newRow("file path") << "lorvex:/etc/hostname";
    QTest::newRow("relative path") << "lorvex:../../etc/hostname";
    QTest::newRow("empty") << "lorvex:";
}

void BrowsingWindowsTest::onlyWrittenPagesAreServed() {
    QFETCH(QString, address);
    BrowserView* side = Window().SideColumn();
    side->Navigate(address);
    QVERIFY(!WaitForLoad(side));
    QVERIFY(BodyText(side).indexOf(QStringLiteral("localhost")) < 0);
}

void BrowsingWindowsTest::portalPagesCannotReachWrittenPages() {
    BrowserView* side = Window().SideColumn();
    QVERIFY(WriteDocument(side, "<html><body><p id=\"secret\">收藏</p></body></html>"));
    const QString written = side->url().toString();
    side->Navigate(Origin() + "/33/about.htm");
    QVERIFY(WaitForLoad(side));
    const std::string about = side->LocationURL();

    // Fetch, a frame and navigation of the top document all fail.
    Evaluate(side, QStringLiteral("window.outcome = 'pending';"
                                  "fetch('%1').then(function () { window.outcome = 'read'; },"
                                  "  function () { window.outcome = 'refused'; });"
                                  "var f = document.createElement('iframe'); f.id = 'frame';"
                                  "f.src = '%1'; document.body.appendChild(f);")
                       .arg(written));
    QVERIFY(WaitUntil([&] { return Evaluate(side, "window.outcome").toString() != "pending"; }));
    QCOMPARE(Evaluate(side, "window.outcome").toString(), QStringLiteral("refused"));
    // The frame's address was refused or let through when the frame went in, before the
    // page asked the portal for anything more.
    fixture_.RequestsSoFar(side);
    QVERIFY(Evaluate(side,
                     "var d = null; try { d = document.getElementById('frame').contentDocument; }"
                     "catch (e) {} !(d && d.getElementById('secret'))")
                .toBool());

    Evaluate(side, QStringLiteral("location.href = '%1'").arg(written));
    fixture_.RequestsSoFar(side);  // the page asked for more after the refused navigation
    QCOMPARE(side->LocationURL(), about);
    QCOMPARE(side->url().scheme(), QStringLiteral("http"));
    // No bridge from page scripts into the client either: the view's one web channel is in
    // the client's own script world.
    QCOMPARE(Evaluate(side, "typeof qt").toString(), QStringLiteral("undefined"));
}

void BrowsingWindowsTest::permissionRequestsAreDenied() {
    BrowserView* main = Window().MainView();
    main->Navigate(Origin() + "/33/disp.asp");
    QVERIFY(WaitForLoad(main));
    Evaluate(main,
             "window.answers = [];"
             "Notification.requestPermission().then(function (p) { window.answers.push(p); });"
             "navigator.geolocation.getCurrentPosition("
             "  function () { window.answers.push('located'); },"
             "  function (e) { window.answers.push('no position'); });");
    QVERIFY(WaitUntil([&] { return Evaluate(main, "window.answers.length").toInt() == 2; }));
    QStringList answers = Evaluate(main, "window.answers").toStringList();
    answers.sort();
    QCOMPARE(answers, (QStringList{"denied", "no position"}));
}

LORVEX_UI_TEST_MAIN(BrowsingWindowsTest)
#include "test_browsing_windows.moc"
