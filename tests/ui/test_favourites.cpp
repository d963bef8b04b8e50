// The favourites commands end to end, from no favourites file to a library of two songs:
// collect from the main view and the library page in the side column, against real
// WebEngine views and the in-process demo portal. The file's bytes are checked on disk.
#include <QFileInfo>

#include "support/FavouritesWindow.h"

using namespace lorvex;
using namespace lorvex::testing;

class FavouritesTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase();
    void init();

    // No favourites file yet.
    void libraryButtonDisabledAtStartup();
    void libraryWithoutFileShowsOnlyTheBox();
    void collectOnIdlePageWithoutFileShowsTheBox();

    // Collecting songs and viewing them.
    void collectPlayingSongAppendsItsLine();
    void collectRmSongAppendsItsOwnLine();
    void collectDisabledOnHtmPages();
    void libraryListsEveryCollectedSong();
    void librarySongLinkPlaysInMainView();
    void collectOnIdlePageShowsTheLibrary();

  private:
    MainWindow& Window() { return fixture_.Window(); }
    QString Origin() const { return fixture_.Origin(); }
    QString FilePath() const { return fixture_.FilePath(); }

    FavouritesWindow fixture_;
};

void FavouritesTest::initTestCase() { QVERIFY(fixture_.Start()); }

void FavouritesTest::init() { fixture_.messages.boxes.clear(); }

// --- No favourites file yet ------------------------------------------------------------

void FavouritesTest::libraryButtonDisabledAtStartup() {
    QVERIFY(!QFileInfo::exists(fixture_.documents));
    QVERIFY(!Window().Panel().library->isEnabled());
    QVERIFY(Window().Panel().collect->isEnabled());
    QVERIFY(Window().Panel().editFavourites->isEnabled());
}

void FavouritesTest::libraryWithoutFileShowsOnlyTheBox() {
    // The button is disabled, so the handler is run directly, as a stale state would.
    QVERIFY(fixture_.SideColumnStaysPut([&] { Window().Favourites().ShowLibrary(); }));
    QCOMPARE(fixture_.messages.boxes.size(), 1u);
    QCOMPARE(fixture_.messages.boxes[0].caption, QStringLiteral("lorvex"));
    QCOMPARE(fixture_.messages.boxes[0].text, QStringLiteral("无收藏记录\n请收藏歌曲！"));
    QVERIFY(!QFileInfo::exists(FilePath()));
}

void FavouritesTest::collectOnIdlePageWithoutFileShowsTheBox() {
    QCOMPARE(QString::fromStdString(Window().MainView()->LocationURL()),
             Origin() + QStringLiteral("/33/disp.asp"));
    QVERIFY(fixture_.SideColumnStaysPut([&] { Window().Panel().collect->click(); }));
    QCOMPARE(fixture_.messages.boxes.size(), 1u);
    QCOMPARE(fixture_.messages.boxes[0].text, QStringLiteral("无收藏记录\n请收藏歌曲！"));
    QVERIFY(!QFileInfo::exists(FilePath()));
    QVERIFY(!Window().Panel().library->isEnabled());
}

// --- Collecting songs and viewing them --------------------------------------------------

void FavouritesTest::collectPlayingSongAppendsItsLine() {
    // The song link in the side column opens in the main view, its query sent as GBK.
    fixture_.portal.ClearRequests();
    const QString song = Origin() + QStringLiteral("/33/playwmv.asp?id=1024&g=海边的风&c=林小雨");
    QVERIFY(fixture_.MainViewShowsAfter([&] { fixture_.ClickFirstSongLinkInSideColumn(); }, song));
    QVERIFY(fixture_.portal.Requests().contains(
        QStringLiteral("/33/playwmv.asp?id=1024&g=%BA%A3%B1%DF%B5%C4%B7%E7&c=%C1%D6%D0%A1%D3%EA")));
    QVERIFY(Window().Panel().collect->isEnabled());

    QVERIFY(LoadAfter(Window().SideColumn(), [&] { Window().Panel().collect->click(); }));
    QCOMPARE(ReadBytes(FilePath()), Gb18030(QStringLiteral("$$DD1024&g=海边的风&c=林小雨\r\n")));
    QVERIFY(BodyText(Window().SideColumn()).contains(QStringLiteral("已经收藏此曲")));
    QVERIFY(Window().Panel().library->isEnabled());
    QVERIFY(fixture_.messages.boxes.empty());
}

void FavouritesTest::collectRmSongAppendsItsOwnLine() {
    const QString song =
        Origin() + QStringLiteral("/33/playrm.asp?id=1025&g=夜空下的约定&c=陈子航");
    QVERIFY(fixture_.PlayInMainView(song, song));
    QVERIFY(LoadAfter(Window().SideColumn(), [&] { Window().Panel().collect->click(); }));
    QCOMPARE(ReadBytes(FilePath()),
             Gb18030(QStringLiteral("$$DD1024&g=海边的风&c=林小雨\r\n"
                                    "$$DD1025&g=夜空下的约定&c=陈子航\r\n")));
    QVERIFY(BodyText(Window().SideColumn()).contains(QStringLiteral("已经收藏此曲")));
}

void FavouritesTest::collectDisabledOnHtmPages() {
    const QByteArray before = ReadBytes(FilePath());
    const QString news = Origin() + QStringLiteral("/33/news.htm");
    QVERIFY(fixture_.PlayInMainView(news, news));
    QVERIFY(WaitUntil([&] { return !Window().Panel().collect->isEnabled(); }));
    Window().Panel().collect->click();  // a disabled button ignores the click
    QCOMPARE(ReadBytes(FilePath()), before);
}

void FavouritesTest::libraryListsEveryCollectedSong() {
    const QByteArray before = ReadBytes(FilePath());
    fixture_.portal.ClearRequests();
    QVERIFY(Window().Panel().library->isEnabled());
    QVERIFY(LoadAfter(Window().SideColumn(), [&] { Window().Panel().library->click(); }));

    const std::vector<LibraryRow> rows = fixture_.LibraryRows();
    QCOMPARE(rows.size(), 2u);
    const QString o = Origin();
    QVERIFY2(rows[0].text.contains(QStringLiteral("1024 海边的风【林小雨】")),
             qPrintable(rows[0].text));
    QCOMPARE(rows[0].hrefs, QStringList({o + "/33/mtvplayer.asp?id=1024",
                                         o + QStringLiteral("/33/search.asp?keyword=林小雨"),
                                         o + QStringLiteral("/33/search.asp?keyword=海边的风")}));
    QVERIFY(rows[1].text.contains(QStringLiteral("1025 夜空下的约定【陈子航】")));
    QCOMPARE(rows[1].hrefs[0], o + "/33/mtvplayer.asp?id=1025");
    // The record rows, the separator row, nothing else.
    QCOMPARE(fixture_.EvaluateInt(QStringLiteral("document.querySelectorAll('tr').length")), 3);

    // The page uses the portal's style sheet and search icon.
    QVERIFY(WaitUntil([&] {
        return fixture_.EvaluateInt(QStringLiteral(
                   "Array.from(document.images).filter(i => i.naturalWidth == 20).length")) == 2;
    }));
    QCOMPARE(Evaluate(Window().SideColumn(),
                      QStringLiteral("getComputedStyle(document.querySelector('a')).color"))
                 .toString(),
             QStringLiteral("rgb(32, 64, 144)"));
    const QStringList requests = fixture_.portal.Requests();
    QVERIFY2(requests.contains(QStringLiteral("/33/mtv.css")), qPrintable(requests.join(' ')));
    QVERIFY(requests.contains(QStringLiteral("/33/58.gif")));

    QCOMPARE(ReadBytes(FilePath()), before);
    QVERIFY(fixture_.messages.boxes.empty());
}

void FavouritesTest::librarySongLinkPlaysInMainView() {
    const std::string library = Window().SideColumn()->LocationURL();
    QVERIFY(fixture_.MainViewShowsAfter([&] { fixture_.ClickFirstSongLinkInSideColumn(); },
                                        Origin() + QStringLiteral("/33/mtvplayer.asp?id=1024")));
    QCOMPARE(Window().SideColumn()->LocationURL(), library);
    QCOMPARE(fixture_.LibraryRows().size(), 2u);
}

void FavouritesTest::collectOnIdlePageShowsTheLibrary() {
    const QByteArray before = ReadBytes(FilePath());
    const QString idle = Origin() + QStringLiteral("/33/disp.asp");
    QVERIFY(fixture_.PlayInMainView(idle, idle));
    QVERIFY(LoadAfter(Window().SideColumn(), [&] { Window().Panel().collect->click(); }));
    QCOMPARE(fixture_.LibraryRows().size(), 2u);
    QCOMPARE(ReadBytes(FilePath()), before);
}

LORVEX_UI_TEST_MAIN(FavouritesTest)
#include "test_favourites.moc"
