// The favourites commands end to end: collect from the main view, the library page in the
// side column, and editing the favourites file, against real WebEngine views and the
// in-process demo portal. The file's bytes are checked directly on disk.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QStringEncoder>
#include <optional>

#include "support/UiTestSupport.h"

#ifndef _WIN32
#include <unistd.h>
#endif

using namespace lorvex;
using namespace lorvex::testing;

namespace {

QByteArray Gb18030(const QString& text) {
    QStringEncoder encoder("GB18030");
    return encoder.encode(text);
}

QByteArray ReadBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WriteBytes(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

// One record row of the library page as the browser sees it.
struct Row {
    QString text;
    QStringList hrefs;  // as written in the page, not resolved
};

}  // namespace

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

    // Whatever the file holds.
    void hostileMarkupIsShownAsText();
    void undecodableBytesAndOtherEncodingsShow_data();
    void undecodableBytesAndOtherEncodingsShow();
    void favouritesFolderInsteadOfFile();
    void unreadableFile();
    void largeLibrariesShowCompletely_data();
    void largeLibrariesShowCompletely();

    // Editing.
    void editCreatesMissingFileAndOpensEditor();
    void editKeepsExistingFile();
    void editorFailureShowsBox();
    void uncreatableFileShowsBoxWithoutEditor();

  private:
    MainWindow& Window() { return *fixture_.window; }
    QString Origin() const { return fixture_.portal.origin(); }
    QString FilePath() const { return fixture_.documents + QStringLiteral("/lorvex.ini"); }

    // Points the window at a fresh documents folder holding `content` as its favourites
    // file, or no file (and no folder) at all.
    void UseDocuments(const QString& name, const std::optional<QByteArray>& content);
    // Runs `action`, waits for the side column's next load; the elapsed ms, -1 on failure.
    qint64 SideColumnLoadAfter(const std::function<void()>& action, int timeoutMs = 30000);
    // Runs `action` and checks the side column neither starts a load nor changes address.
    bool SideColumnStaysPut(const std::function<void()>& action);
    // Loads an address into the main view and waits until it shows it.
    bool PlayInMainView(const QString& address, const QString& shownAs);
    // Runs `action` and waits until the main view has loaded and shows `shownAs`.
    bool MainViewShowsAfter(const std::function<void()>& action, const QString& shownAs);
    // Clicks the first link that opens a new window in the side column's page.
    void ClickFirstSongLinkInSideColumn() {
        const QString link = QStringLiteral("document.querySelector('a[target=_blank]')");
        WaitUntil([&] { return Evaluate(Window().SideColumn(), link + " !== null").toBool(); });
        Evaluate(Window().SideColumn(), link + ".click()");
    }

    QString SideText() {
        return Evaluate(Window().SideColumn(), QStringLiteral("document.body.innerText"))
            .toString();
    }
    std::vector<Row> LibraryRows();
    int EvaluateInt(const QString& script) {
        return Evaluate(Window().SideColumn(), script).toInt();
    }

    PortalWindow fixture_;
};

void FavouritesTest::initTestCase() { QVERIFY(fixture_.Start()); }

void FavouritesTest::init() {
    fixture_.messages.boxes.clear();
    fixture_.launcher.editorPaths.clear();
    fixture_.launcher.editorAnswers = true;
}

void FavouritesTest::UseDocuments(const QString& name, const std::optional<QByteArray>& content) {
    fixture_.documents = fixture_.home.path() + QLatin1Char('/') + name;
    if (content) QVERIFY(WriteBytes(FilePath(), *content));
}

qint64 FavouritesTest::SideColumnLoadAfter(const std::function<void()>& action, int timeoutMs) {
    QSignalSpy loaded(Window().SideColumn(), &QWebEngineView::loadFinished);
    QElapsedTimer timer;
    timer.start();
    action();
    if (!loaded.wait(Deadline(timeoutMs)) || !loaded.first().at(0).toBool()) return -1;
    return timer.elapsed();
}

bool FavouritesTest::SideColumnStaysPut(const std::function<void()>& action) {
    const std::string before = Window().SideColumn()->LocationURL();
    QSignalSpy started(Window().SideColumn(), &QWebEngineView::loadStarted);
    action();
    // A document the handler writes starts loading before it returns; a script run after
    // it answers only once any load already started has reported itself.
    Evaluate(Window().SideColumn(), QStringLiteral("0"));
    return started.isEmpty() && !Window().SideColumn()->DocumentIsOpen() &&
           Window().SideColumn()->LocationURL() == before;
}

bool FavouritesTest::PlayInMainView(const QString& address, const QString& shownAs) {
    return MainViewShowsAfter([&] { Window().MainView()->Navigate(address); }, shownAs);
}

bool FavouritesTest::MainViewShowsAfter(const std::function<void()>& action,
                                        const QString& shownAs) {
    QSignalSpy loaded(Window().MainView(), &QWebEngineView::loadFinished);
    action();
    return WaitUntil([&] {
        return !loaded.isEmpty() && Window().MainView()->LocationURL() == shownAs.toStdString();
    });
}

std::vector<Row> FavouritesTest::LibraryRows() {
    const QString json = Evaluate(Window().SideColumn(), QStringLiteral(R"(
            JSON.stringify(Array.from(document.querySelectorAll('td[width="209"]')).map(td => ({
                text: td.innerText,
                hrefs: Array.from(td.parentNode.querySelectorAll('a'))
                           .map(a => a.getAttribute('href'))
            })))
        )"))
                             .toString();
    std::vector<Row> rows;
    for (const QJsonValue value : QJsonDocument::fromJson(json.toUtf8()).array()) {
        Row row{value[QLatin1String("text")].toString(), {}};
        for (const QJsonValue href : value[QLatin1String("hrefs")].toArray()) {
            row.hrefs << href.toString();
        }
        rows.push_back(row);
    }
    return rows;
}

// --- No favourites file yet ------------------------------------------------------------

void FavouritesTest::libraryButtonDisabledAtStartup() {
    QVERIFY(!QFileInfo::exists(fixture_.documents));
    QVERIFY(!Window().Panel().library->isEnabled());
    QVERIFY(Window().Panel().collect->isEnabled());
    QVERIFY(Window().Panel().editFavourites->isEnabled());
}

void FavouritesTest::libraryWithoutFileShowsOnlyTheBox() {
    // The button is disabled, so the handler is run directly, as a stale state would.
    QVERIFY(SideColumnStaysPut([&] { Window().Favourites().ShowLibrary(); }));
    QCOMPARE(fixture_.messages.boxes.size(), 1u);
    QCOMPARE(fixture_.messages.boxes[0].caption, QStringLiteral("lorvex"));
    QCOMPARE(fixture_.messages.boxes[0].text, QStringLiteral("无收藏记录\n请收藏歌曲！"));
    QVERIFY(!QFileInfo::exists(FilePath()));
}

void FavouritesTest::collectOnIdlePageWithoutFileShowsTheBox() {
    QCOMPARE(QString::fromStdString(Window().MainView()->LocationURL()),
             Origin() + QStringLiteral("/33/disp.asp"));
    QVERIFY(SideColumnStaysPut([&] { Window().Panel().collect->click(); }));
    QCOMPARE(fixture_.messages.boxes.size(), 1u);
    QCOMPARE(fixture_.messages.boxes[0].text, QStringLiteral("无收藏记录\n请收藏歌曲！"));
    QVERIFY(!QFileInfo::exists(FilePath()));
    QVERIFY(!Window().Panel().library->isEnabled());
}

// --- Collecting songs and viewing them --------------------------------------------------

void FavouritesTest::collectPlayingSongAppendsItsLine() {
    // The song link in the side column opens in the main view, its query sent as GBK.
    fixture_.portal.clearRequests();
    const QString song = Origin() + QStringLiteral("/33/playwmv.asp?id=1024&g=海边的风&c=林小雨");
    QVERIFY(MainViewShowsAfter([&] { ClickFirstSongLinkInSideColumn(); }, song));
    QVERIFY(fixture_.portal.requests().contains(
        QStringLiteral("/33/playwmv.asp?id=1024&g=%BA%A3%B1%DF%B5%C4%B7%E7&c=%C1%D6%D0%A1%D3%EA")));
    QVERIFY(Window().Panel().collect->isEnabled());

    QVERIFY(SideColumnLoadAfter([&] { Window().Panel().collect->click(); }) >= 0);
    QCOMPARE(ReadBytes(FilePath()), Gb18030(QStringLiteral("$$DD1024&g=海边的风&c=林小雨\r\n")));
    QVERIFY(SideText().contains(QStringLiteral("已经收藏此曲")));
    QVERIFY(Window().Panel().library->isEnabled());
    QVERIFY(fixture_.messages.boxes.empty());
}

void FavouritesTest::collectRmSongAppendsItsOwnLine() {
    const QString song =
        Origin() + QStringLiteral("/33/playrm.asp?id=1025&g=夜空下的约定&c=陈子航");
    QVERIFY(PlayInMainView(song, song));
    QVERIFY(SideColumnLoadAfter([&] { Window().Panel().collect->click(); }) >= 0);
    QCOMPARE(ReadBytes(FilePath()),
             Gb18030(QStringLiteral("$$DD1024&g=海边的风&c=林小雨\r\n"
                                    "$$DD1025&g=夜空下的约定&c=陈子航\r\n")));
    QVERIFY(SideText().contains(QStringLiteral("已经收藏此曲")));
}

void FavouritesTest::collectDisabledOnHtmPages() {
    const QByteArray before = ReadBytes(FilePath());
    const QString news = Origin() + QStringLiteral("/33/news.htm");
    QVERIFY(PlayInMainView(news, news));
    QVERIFY(WaitUntil([&] { return !Window().Panel().collect->isEnabled(); }));
    Window().Panel().collect->click();  // a disabled button ignores the click
    QCOMPARE(ReadBytes(FilePath()), before);
}

void FavouritesTest::libraryListsEveryCollectedSong() {
    const QByteArray before = ReadBytes(FilePath());
    fixture_.portal.clearRequests();
    QVERIFY(Window().Panel().library->isEnabled());
    QVERIFY(SideColumnLoadAfter([&] { Window().Panel().library->click(); }) >= 0);

    const std::vector<Row> rows = LibraryRows();
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
    QCOMPARE(EvaluateInt(QStringLiteral("document.querySelectorAll('tr').length")), 3);

    // The page uses the portal's style sheet and search icon.
    QVERIFY(WaitUntil([&] {
        return EvaluateInt(QStringLiteral(
                   "Array.from(document.images).filter(i => i.naturalWidth == 20).length")) == 2;
    }));
    QCOMPARE(Evaluate(Window().SideColumn(),
                      QStringLiteral("getComputedStyle(document.querySelector('a')).color"))
                 .toString(),
             QStringLiteral("rgb(32, 64, 144)"));
    const QStringList requests = fixture_.portal.requests();
    QVERIFY2(requests.contains(QStringLiteral("/33/mtv.css")), qPrintable(requests.join(' ')));
    QVERIFY(requests.contains(QStringLiteral("/33/58.gif")));

    QCOMPARE(ReadBytes(FilePath()), before);
    QVERIFY(fixture_.messages.boxes.empty());
}

void FavouritesTest::librarySongLinkPlaysInMainView() {
    const std::string library = Window().SideColumn()->LocationURL();
    QVERIFY(MainViewShowsAfter([&] { ClickFirstSongLinkInSideColumn(); },
                               Origin() + QStringLiteral("/33/mtvplayer.asp?id=1024")));
    QCOMPARE(Window().SideColumn()->LocationURL(), library);
    QCOMPARE(LibraryRows().size(), 2u);
}

void FavouritesTest::collectOnIdlePageShowsTheLibrary() {
    const QByteArray before = ReadBytes(FilePath());
    const QString idle = Origin() + QStringLiteral("/33/disp.asp");
    QVERIFY(PlayInMainView(idle, idle));
    QVERIFY(SideColumnLoadAfter([&] { Window().Panel().collect->click(); }) >= 0);
    QCOMPARE(LibraryRows().size(), 2u);
    QCOMPARE(ReadBytes(FilePath()), before);
}

// --- Whatever the file holds ------------------------------------------------------------

void FavouritesTest::hostileMarkupIsShownAsText() {
    const QString evil = Origin() + QStringLiteral("/evil");
    const QString line = QStringLiteral(
                             "$$DD1&g=<script>location='%1'</script>"
                             "&c=<img src=x onerror=\"location='%1'\">")
                             .arg(evil);
    UseDocuments(QStringLiteral("hostile"), (line + QStringLiteral("\r\n")).toLatin1());
    fixture_.portal.clearRequests();
    QVERIFY(SideColumnLoadAfter([&] { Window().Favourites().ShowLibrary(); }) >= 0);
    fixture_.RequestsSoFar(Window().SideColumn());  // the page's own requests have arrived

    const std::vector<Row> rows = LibraryRows();
    QCOMPARE(rows.size(), 1u);
    QVERIFY2(rows[0].text.contains(QStringLiteral("<script>location='%1'</script>").arg(evil)),
             qPrintable(rows[0].text));
    QVERIFY(rows[0].text.contains(QStringLiteral("<img src=x onerror=")));
    QCOMPARE(EvaluateInt(QStringLiteral("document.scripts.length")), 0);
    QCOMPARE(EvaluateInt(QStringLiteral("document.images.length")), 1);  // the search icon
    for (const QString& request : fixture_.portal.requests()) {
        QVERIFY2(
            !request.contains(QStringLiteral("evil")) && !request.endsWith(QStringLiteral("/x")),
            qPrintable(request));
    }
}

void FavouritesTest::undecodableBytesAndOtherEncodingsShow_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("rowTexts");  // expected in each row, in order

    QTest::newRow("undecodable bytes")
        << QByteArray("$$DD7&g=\x81\xFF\x80&c=\xFE\r\n\x80\x80\x80\r\n\xFF\x30\x81")
        << QStringList({QStringLiteral("7 \uFFFD"), QString(), QString()});
    // A byte-order mark means UTF-8; bare LF line ends; empty lines give no row, a repeated
    // line gives its row again, and a last line without line end is read.
    QTest::newRow("utf-8 with mark and LF")
        << (QByteArray("\xEF\xBB\xBF") +
            QStringLiteral("$$DD1024&g=海边的风&c=林小雨\n\n$$DD1024&g=海边的风&c=林小雨\n\n"
                           "$$DD1028&g=雨后彩虹&c=林小雨")
                .toUtf8())
        << QStringList({QStringLiteral("1024 海边的风【林小雨】"),
                        QStringLiteral("1024 海边的风【林小雨】"),
                        QStringLiteral("1028 雨后彩虹【林小雨】")});
    QTest::newRow("CR only and blank lines")
        << Gb18030(QStringLiteral(
               "\r\n\r\n$$DD1030&g=月光小夜曲&c=孙晓梅\r\r$$DD77&g=Blue%20Moon&c=Ann\r"))
        << QStringList({QStringLiteral("1030 月光小夜曲【孙晓梅】"),
                        QStringLiteral("77 Blue Moon【Ann】")});
}

void FavouritesTest::undecodableBytesAndOtherEncodingsShow() {
    QFETCH(QByteArray, content);
    QFETCH(QStringList, rowTexts);
    UseDocuments(QStringLiteral("encoding-%1").arg(QTest::currentDataTag()), content);
    QVERIFY(SideColumnLoadAfter([&] { Window().Favourites().ShowLibrary(); }) >= 0);
    const std::vector<Row> rows = LibraryRows();
    QCOMPARE(rows.size(), std::size_t(rowTexts.size()));
    for (std::size_t i = 0; i < rows.size(); ++i) {
        QVERIFY2(rows[i].text.contains(rowTexts[qsizetype(i)]), qPrintable(rows[i].text));
    }
    QCOMPARE(ReadBytes(FilePath()), content);
    QVERIFY(fixture_.messages.boxes.empty());
}

void FavouritesTest::favouritesFolderInsteadOfFile() {
    UseDocuments(QStringLiteral("folder"), std::nullopt);
    QVERIFY(QDir().mkpath(FilePath()));

    QVERIFY(SideColumnStaysPut([&] { Window().Favourites().ShowLibrary(); }));
    QCOMPARE(fixture_.messages.boxes.size(), 1u);
    QCOMPARE(fixture_.messages.boxes[0].caption, QStringLiteral("lorvex"));
    QVERIFY2(fixture_.messages.boxes[0].text.contains(QStringLiteral("lorvex.ini")),
             qPrintable(fixture_.messages.boxes[0].text));

    // Collecting into it fails with one box and leaves the side column alone.
    const QString song = Origin() + QStringLiteral("/33/playwmv.asp?id=1026&g=城市的灯火&c=王思语");
    QVERIFY(PlayInMainView(song, song));
    QVERIFY(WaitUntil([&] { return Window().Panel().collect->isEnabled(); }));
    QVERIFY(SideColumnStaysPut([&] { Window().Panel().collect->click(); }));
    QCOMPARE(fixture_.messages.boxes.size(), 2u);
    QCOMPARE(fixture_.messages.boxes[1].caption, QStringLiteral("lorvex"));
    QVERIFY(fixture_.messages.boxes[1].text.contains(QStringLiteral("lorvex.ini")));
    QVERIFY(QFileInfo(FilePath()).isDir());
}

void FavouritesTest::unreadableFile() {
#ifdef _WIN32
    QSKIP("permissions are not POSIX modes here");
#else
    if (::geteuid() == 0) QSKIP("root reads every file");
    const QByteArray content = Gb18030(QStringLiteral("$$DD1024&g=海边的风&c=林小雨\r\n"));
    UseDocuments(QStringLiteral("unreadable"), content);
    QVERIFY(QFile::setPermissions(FilePath(), QFileDevice::Permissions()));
    QVERIFY(SideColumnStaysPut([&] { Window().Favourites().ShowLibrary(); }));
    QFile::setPermissions(FilePath(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QCOMPARE(fixture_.messages.boxes.size(), 1u);
    QVERIFY(fixture_.messages.boxes[0].text.contains(QStringLiteral("lorvex.ini")));
    QCOMPARE(ReadBytes(FilePath()), content);
#endif
}

void FavouritesTest::largeLibrariesShowCompletely_data() {
    QTest::addColumn<int>("records");
    QTest::newRow("20000") << 20000;
    QTest::newRow("100000") << 100000;
}

void FavouritesTest::largeLibrariesShowCompletely() {
    QFETCH(int, records);
    QString text;
    for (int i = 1; i <= records; ++i) {
        text += QStringLiteral("$$DD%1&g=歌曲%1&c=歌手%1\r\n").arg(i);
    }
    const QByteArray content = Gb18030(text);
    UseDocuments(QStringLiteral("large-%1").arg(records), content);

    const qint64 elapsed =
        SideColumnLoadAfter([&] { Window().Favourites().ShowLibrary(); }, 180000);
    QVERIFY(elapsed >= 0);
    qInfo("library of %d records: %lld ms from click to loaded side column", records, elapsed);
    QCOMPARE(EvaluateInt(QStringLiteral("document.querySelectorAll('td[width=\"209\"]').length")),
             records);
    const QString last =
        Evaluate(Window().SideColumn(),
                 QStringLiteral("Array.from(document.querySelectorAll('td[width=\"209\"]')).pop()"
                                ".innerText"))
            .toString();
    QVERIFY2(last.contains(QStringLiteral("%1 歌曲%1【歌手%1】").arg(records)), qPrintable(last));
    QCOMPARE(ReadBytes(FilePath()), content);
}

// --- Editing ----------------------------------------------------------------------------

void FavouritesTest::editCreatesMissingFileAndOpensEditor() {
    UseDocuments(QStringLiteral("edit-new"), std::nullopt);
    QVERIFY(!QFileInfo::exists(fixture_.documents));
    Window().Panel().editFavourites->click();
    QVERIFY(QFileInfo(FilePath()).isFile());
    QCOMPARE(QFileInfo(FilePath()).size(), 0);
    QCOMPARE(fixture_.launcher.editorPaths.size(), 1);
    QCOMPARE(QFileInfo(fixture_.launcher.editorPaths[0]).canonicalFilePath(),
             QFileInfo(FilePath()).canonicalFilePath());

    // Each click opens another editor on the same file.
    Window().Panel().editFavourites->click();
    QCOMPARE(fixture_.launcher.editorPaths.size(), 2);
    QCOMPARE(fixture_.launcher.editorPaths[1], fixture_.launcher.editorPaths[0]);
    QVERIFY(fixture_.messages.boxes.empty());
}

void FavouritesTest::editKeepsExistingFile() {
    const QByteArray content =
        Gb18030(QStringLiteral("$$DD1024&g=海边的风&c=林小雨\r\nno line end"));
    UseDocuments(QStringLiteral("edit-existing"), content);
    Window().Panel().editFavourites->click();
    QCOMPARE(ReadBytes(FilePath()), content);
    QCOMPARE(fixture_.launcher.editorPaths.size(), 1);
}

void FavouritesTest::editorFailureShowsBox() {
    UseDocuments(QStringLiteral("edit-failing"), std::nullopt);
    fixture_.launcher.editorAnswers = false;
    Window().Panel().editFavourites->click();
    QCOMPARE(fixture_.launcher.editorPaths.size(), 1);
    QCOMPARE(fixture_.messages.boxes.size(), 1u);
    QCOMPARE(fixture_.messages.boxes[0].caption, QStringLiteral("lorvex"));
    QVERIFY(fixture_.messages.boxes[0].text.contains(QStringLiteral("lorvex.ini")));
}

void FavouritesTest::uncreatableFileShowsBoxWithoutEditor() {
    // A plain file stands where the documents folder's parent should be.
    QVERIFY(WriteBytes(fixture_.home.path() + QStringLiteral("/blocked"), "not a folder"));
    UseDocuments(QStringLiteral("blocked/Documents"), std::nullopt);
    Window().Panel().editFavourites->click();
    QVERIFY(fixture_.launcher.editorPaths.isEmpty());
    QCOMPARE(fixture_.messages.boxes.size(), 1u);
    QCOMPARE(fixture_.messages.boxes[0].caption, QStringLiteral("lorvex"));
    QVERIFY(fixture_.messages.boxes[0].text.contains(QStringLiteral("lorvex.ini")));
}

LORVEX_UI_TEST_MAIN(FavouritesTest)
#include "test_favourites.moc"
