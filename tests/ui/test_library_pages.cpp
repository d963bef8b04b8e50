// Names that must survive the whole road, written pages that history must reach, and a
// portal origin configured in a form the engine does not keep.

#include "core/written/pages.h"
#include "support/UiTestSupport.h"
#include "ui/web/PortalOrigin.h"
#include "ui/written/WrittenPageStore.h"

using namespace lorvex;
using namespace lorvex::testing;

namespace {

// Clicks the side column's link to the song 默默 (a new window, so it plays in the main
// view) and waits until the main view has loaded its player page and collect follows it.
bool PlayMomo(PortalWindow& fixture) {
    MainWindow& window = *fixture.window;
    const QString link = QStringLiteral("[...document.links].find(a => a.text.startsWith('默默'))");
    if (!WaitUntil([&] { return Evaluate(window.SideColumn(), link + " !== undefined").toBool(); }))
        return false;
    Evaluate(window.SideColumn(), link + ".click()");
    return WaitUntil([&] {
        return window.MainView()->LocationURL().find("playwmv.asp?id=88") != std::string::npos &&
               !window.MainView()->page()->isLoading() && window.Panel().collect->isEnabled();
    });
}

// Writes a favourites file of the given number of songs into the fixture's documents.
QString WriteLibrary(PortalWindow& fixture, int songs) {
    const QString text = NumberedSongs(songs);
    return WriteBytes(fixture.documents + "/lorvex.ini", Gb18030(text)) ? text : QString();
}

}  // namespace

class LibraryPagesTest : public QObject {
    Q_OBJECT

  private slots:
    void collectKeepsNamesWhoseBytesAlsoReadAsUtf8();
    void backReachesEveryLibraryPageWritten();
    void aPagesOwnBackAndForwardReachWrittenPages();
    void aDroppedPageSaysSo();
    void aLargePageIsKeptPackedAndBackStillShowsIt();
    void farRowsAreWhereTheyStayWhenScrolledTo();
    void originIsWrittenAsTheEngineWritesIt_data();
    void originIsWrittenAsTheEngineWritesIt();
    void originInAnotherFormCollectsShortLines();
};

// 默默 by 茫茫 arrives as g=%C4%AC%C4%AC&c=%C3%A3%C3%A3, bytes that are valid UTF-8 too.
void LibraryPagesTest::collectKeepsNamesWhoseBytesAlsoReadAsUtf8() {
    PortalWindow fixture;
    QVERIFY(fixture.Start());
    MainWindow& window = *fixture.window;
    QVERIFY(PlayMomo(fixture));
    QVERIFY(fixture.WaitForRequest("/33/playwmv.asp?id=88&g=%C4%AC%C4%AC&c=%C3%A3%C3%A3"));

    QVERIFY(LoadAfter(window.SideColumn(), [&] { window.Panel().collect->click(); }));
    QCOMPARE(ReadBytes(fixture.documents + "/lorvex.ini"),
             "$$DD88&g=" + Gb18030(QStringLiteral("默默")) +
                 "&c=" + Gb18030(QStringLiteral("茫茫")) + "\r\n");

    // The library shows the name, and its search link asks the portal for it in GBK.
    QVERIFY(LoadAfter(window.SideColumn(), [&] { window.Panel().library->click(); }));
    QVERIFY(BodyText(window.SideColumn()).contains(QStringLiteral("88 默默【茫茫】")));
    fixture.portal.ClearRequests();
    Evaluate(window.SideColumn(), "document.querySelector('a[href*=\"keyword\"]').click()");
    QVERIFY(fixture.WaitForRequest("/33/search.asp?keyword=%C3%A3%C3%A3"));
    QVERIFY(
        WaitUntil([&] { return BodyText(window.SideColumn()).contains(QStringLiteral("默默")); }));
}

// Going back in the side column reaches each of ten library pages, not an error page.
void LibraryPagesTest::backReachesEveryLibraryPageWritten() {
    PortalWindow fixture;
    QVERIFY(fixture.Start());
    MainWindow& window = *fixture.window;
    QVERIFY(PlayMomo(fixture));
    QVERIFY(LoadAfter(window.SideColumn(), [&] { window.Panel().collect->click(); }));
    QList<QUrl> written;
    for (int i = 0; i < 10; ++i) {
        QVERIFY(LoadAfter(window.SideColumn(), [&] { window.Panel().library->click(); }));
        written << window.SideColumn()->url();
    }
    for (int i = 8; i >= 0; --i) {
        QVERIFY(LoadAfter(window.SideColumn(), [&] { window.Panel().back->click(); }));
        QCOMPARE(window.SideColumn()->url(), written[i]);
        QVERIFY(BodyText(window.SideColumn()).contains(QStringLiteral("默默【茫茫】")));
    }
}

// A portal page's own history.back() (a "返回" link) reaches the library page before it,
// and history.forward() the confirmation after it, as the client's buttons do.
void LibraryPagesTest::aPagesOwnBackAndForwardReachWrittenPages() {
    PortalWindow fixture;
    QVERIFY(fixture.Start());
    MainWindow& window = *fixture.window;
    BrowserView* side = window.SideColumn();
    QVERIFY(PlayMomo(fixture));
    QVERIFY(LoadAfter(side, [&] { window.Panel().collect->click(); }));
    const QUrl confirmation = side->url();
    QVERIFY(LoadAfter(side, [&] { window.Panel().library->click(); }));
    const QUrl library = side->url();
    QVERIFY(LoadAfter(side, [&] { side->Navigate(fixture.portal.Origin() + "/33/about.htm"); }));

    QVERIFY(LoadAfter(side, [&] { Evaluate(side, "history.back()"); }));
    QCOMPARE(side->url(), library);
    QVERIFY(BodyText(side).contains(QStringLiteral("默默【茫茫】")));
    // Back to the category page, before the confirmation.
    QVERIFY(LoadAfter(side, [&] { window.Panel().back->click(); }));
    QVERIFY(LoadAfter(side, [&] { window.Panel().back->click(); }));
    QCOMPARE(side->url().scheme(), QStringLiteral("http"));
    QVERIFY(LoadAfter(side, [&] { Evaluate(side, "history.forward()"); }));
    QCOMPARE(side->url(), confirmation);
}

// Past the store's budget an old page goes, and going back to it says so in the client's
// own words instead of showing the engine's error page.
void LibraryPagesTest::aDroppedPageSaysSo() {
    PortalWindow fixture;
    QVERIFY(fixture.Start());
    MainWindow& window = *fixture.window;
    QVERIFY(PlayMomo(fixture));
    WrittenPages& documents = window.WrittenPages().Pages();
    documents.SetBudget(1);
    for (std::size_t i = 0; i <= WrittenPages::kAlwaysKept; ++i) {
        QVERIFY(LoadAfter(window.SideColumn(), [&] { window.Panel().collect->click(); }));
    }
    for (std::size_t i = 0; i < WrittenPages::kAlwaysKept; ++i) {
        QVERIFY(LoadAfter(window.SideColumn(), [&] { window.Panel().back->click(); }));
    }
    QCOMPARE(BodyText(window.SideColumn()), QStringLiteral("此页已不再保存\n请重新打开【曲库】"));
    documents.SetBudget(WrittenPages::kDefaultBudget);
}

// A large page is kept packed once shown, and going back to it unpacks it whole.
void LibraryPagesTest::aLargePageIsKeptPackedAndBackStillShowsIt() {
    PortalWindow fixture;
    QVERIFY(fixture.Start());
    MainWindow& window = *fixture.window;
    const QString text = WriteLibrary(fixture, 3000);
    QVERIFY(!text.isEmpty());

    QVERIFY(LoadAfter(window.SideColumn(), [&] { window.Favourites().ShowLibrary(); }));
    const QUrl library = window.SideColumn()->url();
    const std::uint64_t number = library.path().section(u'/', -1).toULongLong();
    WrittenPageStore& store = window.WrittenPages();
    QVERIFY(store.Pages().Find(number) != nullptr);
    const std::size_t size = LibraryPage(window.Portal()).Document(text.toStdString()).size();
    QVERIFY(size >= WrittenPageStore::kPackFrom);
    QVERIFY(WaitUntil([&] { return store.Packed(number); }));
    QVERIFY(store.Pages().Find(number)->size() < size / 4);

    QVERIFY(LoadAfter(window.SideColumn(), [&] {
        window.SideColumn()->Navigate(fixture.portal.Origin() + QStringLiteral("/33/fl.htm"));
    }));
    QVERIFY(LoadAfter(window.SideColumn(), [&] { window.Panel().back->click(); }));
    QCOMPARE(window.SideColumn()->url(), library);
    const QString body = BodyText(window.SideColumn());
    QVERIFY(body.contains(QStringLiteral("1 歌曲1【歌手1】")));
    QVERIFY(body.contains(QStringLiteral("3000 歌曲3000【歌手3000】")));
}

// Rows far down the library are laid out with stand-ins for their search pictures until the
// user scrolls near them: they must then be exactly where they were.
void LibraryPagesTest::farRowsAreWhereTheyStayWhenScrolledTo() {
    PortalWindow fixture;
    QVERIFY(fixture.Start());
    MainWindow& window = *fixture.window;
    QVERIFY(!WriteLibrary(fixture, 2000).isEmpty());
    QVERIFY(LoadAfter(window.SideColumn(), [&] { window.Favourites().ShowLibrary(); }));
    // Where the last rows and their search boxes are on the page, and how long the page is.
    const QString places = QStringLiteral(
        "[...document.querySelectorAll('tr')].slice(-4, -1).flatMap(row => {"
        "  const cell = row.cells[0].getBoundingClientRect();"
        "  const box = row.querySelector('div').getBoundingClientRect();"
        "  return [cell.top + scrollY, cell.width, cell.height, box.width, box.height];"
        "}).concat(document.documentElement.scrollHeight).join(' ')");
    const QString far = Evaluate(window.SideColumn(), places).toString();
    Evaluate(window.SideColumn(),
             QStringLiteral("scrollTo(0, document.documentElement.scrollHeight);"
                            "requestAnimationFrame(() => requestAnimationFrame(() =>"
                            " window.lorvexScrolled = true))"));
    QVERIFY(WaitUntil([&] {
        return Evaluate(window.SideColumn(), QStringLiteral("window.lorvexScrolled === true"))
            .toBool();
    }));
    QVERIFY(Evaluate(window.SideColumn(), QStringLiteral("scrollY")).toInt() > 0);
    QCOMPARE(Evaluate(window.SideColumn(), places).toString(), far);
}

void LibraryPagesTest::originIsWrittenAsTheEngineWritesIt_data() {
    QTest::addColumn<QString>("configured");
    QTest::addColumn<QString>("normal");
    QTest::newRow("plain") << "http://portal.example"
                           << "http://portal.example";
    QTest::newRow("capitals") << "HTTP://Portal.Example"
                              << "http://portal.example";
    QTest::newRow("default port") << "http://portal.example:80"
                                  << "http://portal.example";
    QTest::newRow("https default") << "https://portal.example:443/"
                                   << "https://portal.example";
    QTest::newRow("trailing slash") << "http://portal.example/"
                                    << "http://portal.example";
    QTest::newRow("other port") << "http://127.0.0.1:8033"
                                << "http://127.0.0.1:8033";
    QTest::newRow("IPv6") << "http://[::1]:80"
                          << "http://[::1]";
    QTest::newRow("IDN") << "http://Bücher.example"
                         << "http://xn--bcher-kva.example";
}

void LibraryPagesTest::originIsWrittenAsTheEngineWritesIt() {
    QFETCH(QString, configured);
    QFETCH(QString, normal);
    QCOMPARE(QString::fromStdString(NormaliseOrigin(configured.toStdString())), normal);
}

// The engine writes "HTTP://LOCALHOST:<port>/" as "http://localhost:<port>": a window
// configured the first way still removes the origin from what it collects.
void LibraryPagesTest::originInAnotherFormCollectsShortLines() {
    PortalWindow fixture;
    DemoPortal& portal = fixture.portal;
    QVERIFY(fixture.Create(QStringLiteral("HTTP://LOCALHOST:%1/").arg(portal.Start())));
    MainWindow& window = *fixture.window;
    QCOMPARE(QString::fromStdString(window.Portal().origin),
             QStringLiteral("http://localhost:%1").arg(portal.Port()));
    QVERIFY(fixture.Start());
    // Both first pages settle before the song is asked for, so that neither of their loads
    // can be taken for the song's or for the one collect starts.
    QVERIFY(WaitUntil([&] {
        const QStringList seen = portal.Requests();
        return seen.contains("/33/disp.asp") && seen.contains("/33/fl.htm") &&
               !window.MainView()->page()->isLoading() && !window.SideColumn()->page()->isLoading();
    }));
    window.MainView()->Navigate(
        QStringLiteral("http://localhost:%1/33/playrm.asp?id=1025&g=a&c=b").arg(portal.Port()));
    QVERIFY(WaitUntil([&] {
        return window.MainView()->LocationURL().find("playrm.asp?id=1025") != std::string::npos &&
               !window.MainView()->page()->isLoading() && window.Panel().collect->isEnabled();
    }));
    QVERIFY(LoadAfter(window.SideColumn(), [&] { window.Panel().collect->click(); }));
    QVERIFY(fixture.messages.boxes.empty());
    QCOMPARE(ReadBytes(fixture.documents + "/lorvex.ini"), QByteArray("$$DD1025&g=a&c=b\r\n"));
}

LORVEX_UI_TEST_MAIN(LibraryPagesTest)
#include "test_library_pages.moc"
