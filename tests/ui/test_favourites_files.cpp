// Whatever the favourites file holds, and editing it: hostile markup, other encodings and
// undecodable bytes, a folder or an unreadable file in its place, large libraries, and the
// edit command, against real WebEngine views and the in-process demo portal. The file's
// bytes are checked on disk: nothing here may change them.
#include <QDateTime>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTimer>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <algorithm>

#include "support/FavouritesWindow.h"

#ifndef _WIN32
#include <unistd.h>
#endif

using namespace lorvex;
using namespace lorvex::testing;

namespace {

// Notes, on the engine's clock, the second animation frame after a document was parsed:
// by then every row of a written page has been laid out and painted. Notes too, the first
// time the parser stops for breath with rows in the document, how the first row and the
// last one so far are displayed.
QWebEngineScript AfterParseProbe() {
    QWebEngineScript probe;
    probe.setSourceCode(QStringLiteral(
        "document.addEventListener('DOMContentLoaded', () => requestAnimationFrame(() =>"
        " requestAnimationFrame(() => { window.lorvexPainted = performance.now(); })));"
        "const watcher = new MutationObserver(() => {"
        "  const rows = document.getElementsByTagName('tr');"
        "  if (document.readyState !== 'loading' || rows.length < 202) return;"
        "  window.lorvexWhileParsing = [getComputedStyle(rows[0]).display,"
        "      getComputedStyle(rows[rows.length - 1]).display];"
        "  watcher.disconnect(); });"
        "watcher.observe(document, {childList: true, subtree: true});"));
    probe.setInjectionPoint(QWebEngineScript::DocumentCreation);
    probe.setWorldId(QWebEngineScript::MainWorld);
    return probe;
}

// When the view's page was first painted, when the probe's frame came and when the parse
// ended, in milliseconds on the wall clock; empty when the probe's frame does not come.
QVariantList PaintTimes(BrowserView* view) {
    const QString script = QStringLiteral(
        "window.lorvexPainted ? [performance.timeOrigin + "
        "performance.getEntriesByName('first-paint')[0].startTime, performance.timeOrigin + "
        "window.lorvexPainted, performance.timeOrigin + "
        "performance.getEntriesByType('navigation')[0].domContentLoadedEventStart] : []");
    QVariantList times;
    WaitUntil([&] {
        times = Evaluate(view, script).toList();
        return times.size() == 3;
    });
    return times;
}

}  // namespace

class FavouritesFilesTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase();
    void init();

    // Whatever the file holds.
    void hostileMarkupIsShownAsText();
    void undecodableBytesAndOtherEncodingsShow_data();
    void undecodableBytesAndOtherEncodingsShow();
    void favouritesFolderInsteadOfFile();
    void unreadableFile();
    void largeLibrariesShowCompletely_data();
    void largeLibrariesShowCompletely();

    // Editing.
    void emptyFileAtStartUp();
    void editCreatesMissingFileAndOpensEditor();
    void editKeepsExistingFile();
    void editorFailureShowsBox();
    void uncreatableFileShowsBoxWithoutEditor();
    void desktopLauncherHandsTheEditorALocalFile();

  private:
    MainWindow& Window() { return fixture_.Window(); }
    QString Origin() const { return fixture_.Origin(); }
    QString FilePath() const { return fixture_.FilePath(); }

    FavouritesWindow fixture_;
};

void FavouritesFilesTest::initTestCase() { QVERIFY(fixture_.Start()); }

void FavouritesFilesTest::init() {
    fixture_.messages.boxes.clear();
    fixture_.launcher.editorPaths.clear();
    fixture_.launcher.editorAnswers = true;
}

// --- Whatever the file holds ------------------------------------------------------------

void FavouritesFilesTest::hostileMarkupIsShownAsText() {
    const QString evil = Origin() + QStringLiteral("/evil");
    const QString line = QStringLiteral(
                             "$$DD1&g=<script>location='%1'</script>"
                             "&c=<img src=x onerror=\"location='%1'\">")
                             .arg(evil);
    fixture_.UseDocuments(QStringLiteral("hostile"), (line + QStringLiteral("\r\n")).toLatin1());
    fixture_.portal.ClearRequests();
    QVERIFY(LoadAfter(Window().SideColumn(), [&] { Window().Favourites().ShowLibrary(); }));
    fixture_.RequestsSoFar(Window().SideColumn());  // the page's own requests have arrived

    const std::vector<LibraryRow> rows = fixture_.LibraryRows();
    QCOMPARE(rows.size(), 1u);
    QVERIFY2(rows[0].text.contains(QStringLiteral("<script>location='%1'</script>").arg(evil)),
             qPrintable(rows[0].text));
    QVERIFY(rows[0].text.contains(QStringLiteral("<img src=x onerror=")));
    QCOMPARE(fixture_.EvaluateInt(QStringLiteral("document.scripts.length")), 0);
    QCOMPARE(fixture_.EvaluateInt(QStringLiteral("document.images.length")), 1);  // the search icon
    for (const QString& request : fixture_.portal.Requests()) {
        QVERIFY2(
            !request.contains(QStringLiteral("evil")) && !request.endsWith(QStringLiteral("/x")),
            qPrintable(request));
    }
}

void FavouritesFilesTest::undecodableBytesAndOtherEncodingsShow_data() {
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

void FavouritesFilesTest::undecodableBytesAndOtherEncodingsShow() {
    QFETCH(QByteArray, content);
    QFETCH(QStringList, rowTexts);
    fixture_.UseDocuments(QStringLiteral("encoding-%1").arg(QTest::currentDataTag()), content);
    QVERIFY(LoadAfter(Window().SideColumn(), [&] { Window().Favourites().ShowLibrary(); }));
    const std::vector<LibraryRow> rows = fixture_.LibraryRows();
    QCOMPARE(rows.size(), std::size_t(rowTexts.size()));
    for (std::size_t i = 0; i < rows.size(); ++i) {
        QVERIFY2(rows[i].text.contains(rowTexts[qsizetype(i)]), qPrintable(rows[i].text));
    }
    QCOMPARE(ReadBytes(FilePath()), content);
    QVERIFY(fixture_.messages.boxes.empty());
}

void FavouritesFilesTest::favouritesFolderInsteadOfFile() {
    fixture_.UseDocuments(QStringLiteral("folder"), std::nullopt);
    QVERIFY(QDir().mkpath(FilePath()));

    QVERIFY(fixture_.SideColumnStaysPut([&] { Window().Favourites().ShowLibrary(); }));
    QCOMPARE(fixture_.messages.boxes.size(), 1u);
    QCOMPARE(fixture_.messages.boxes[0].caption, QStringLiteral("lorvex"));
    QVERIFY2(fixture_.messages.boxes[0].text.contains(QStringLiteral("lorvex.ini")),
             qPrintable(fixture_.messages.boxes[0].text));

    // Collecting into it fails with one box and leaves the side column alone.
    const QString song = Origin() + QStringLiteral("/33/playwmv.asp?id=1026&g=城市的灯火&c=王思语");
    QVERIFY(fixture_.PlayInMainView(song, song));
    QVERIFY(WaitUntil([&] { return Window().Panel().collect->isEnabled(); }));
    QVERIFY(fixture_.SideColumnStaysPut([&] { Window().Panel().collect->click(); }));
    QCOMPARE(fixture_.messages.boxes.size(), 2u);
    QCOMPARE(fixture_.messages.boxes[1].caption, QStringLiteral("lorvex"));
    QVERIFY(fixture_.messages.boxes[1].text.contains(QStringLiteral("lorvex.ini")));
    QVERIFY(QFileInfo(FilePath()).isDir());
}

void FavouritesFilesTest::unreadableFile() {
#ifdef _WIN32
    QSKIP("permissions are not POSIX modes here");
#else
    if (::geteuid() == 0) QSKIP("root reads every file");
    const QByteArray content = Gb18030(QStringLiteral("$$DD1024&g=海边的风&c=林小雨\r\n"));
    fixture_.UseDocuments(QStringLiteral("unreadable"), content);
    QVERIFY(QFile::setPermissions(FilePath(), QFileDevice::Permissions()));
    QVERIFY(fixture_.SideColumnStaysPut([&] { Window().Favourites().ShowLibrary(); }));
    QFile::setPermissions(FilePath(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QCOMPARE(fixture_.messages.boxes.size(), 1u);
    QVERIFY(fixture_.messages.boxes[0].text.contains(QStringLiteral("lorvex.ini")));
    QCOMPARE(ReadBytes(FilePath()), content);
#endif
}

void FavouritesFilesTest::largeLibrariesShowCompletely_data() {
    QTest::addColumn<int>("records");
    QTest::newRow("20000") << 20000;
    QTest::newRow("100000") << 100000;
}

void FavouritesFilesTest::largeLibrariesShowCompletely() {
    QFETCH(int, records);
    const QByteArray content = Gb18030(NumberedSongs(records));
    fixture_.UseDocuments(QStringLiteral("large-%1").arg(records), content);

    Window().SideColumn()->page()->scripts().insert(AfterParseProbe());
    // The memory of the client's processes before, at its highest while the page comes and
    // once it is shown, and after the side column shows the categories again.
    const qint64 before = ProcessTreePssKiB();
    qint64 peak = before;
    QTimer sampler;
    connect(&sampler, &QTimer::timeout, [&] { peak = std::max(peak, ProcessTreePssKiB()); });
    sampler.start(100);
    const qint64 clicked = QDateTime::currentMSecsSinceEpoch();
    QVERIFY(LoadAfter(
        Window().SideColumn(), [&] { Window().Favourites().ShowLibrary(); }, 180000));
    const QVariantList painted = PaintTimes(Window().SideColumn());
    QCOMPARE(painted.size(), 3);
    qInfo(
        "library of %d records: from the click %lld ms to the first rows painted, %lld ms to "
        "every row painted",
        records, painted[0].toLongLong() - clicked, painted[1].toLongLong() - clicked);
    // The first rows are shown while the rest is still being parsed, and the rest is not
    // laid out yet. (Whether the engine paints them before the parse ends is its choice: on
    // a busy machine it does not.)
    QCOMPARE(
        Evaluate(Window().SideColumn(), QStringLiteral("window.lorvexWhileParsing")).toStringList(),
        QStringList({QStringLiteral("table-row"), QStringLiteral("none")}));
    QCOMPARE(fixture_.EvaluateInt(
                 QStringLiteral("document.querySelectorAll('td[width=\"209\"]').length")),
             records);
    const QString last =
        Evaluate(Window().SideColumn(),
                 QStringLiteral("Array.from(document.querySelectorAll('td[width=\"209\"]')).pop()"
                                ".innerText"))
            .toString();
    QVERIFY2(last.contains(QStringLiteral("%1 歌曲%1【歌手%1】").arg(records)), qPrintable(last));
    QCOMPARE(ReadBytes(FilePath()), content);

    sampler.stop();
    const qint64 shown = ProcessTreePssKiB();
    peak = std::max(peak, shown);
    QVERIFY(LoadAfter(Window().SideColumn(), [&] {
        Window().SideColumn()->Navigate(Origin() + QStringLiteral("/33/fl.htm"));
    }));
    qint64 back = 0;
    WaitUntil([&] { return (back = ProcessTreePssKiB()) < before + qint64{30} * 1024; }, 10000);
    qInfo(
        "library of %d records: %lld KiB before, %lld at the peak, %lld shown, %lld back on "
        "the categories",
        records, before, peak, shown, back);
}

// An empty file found at start-up is a library of no songs: the button is enabled, and the
// page holds only its separator row.
void FavouritesFilesTest::emptyFileAtStartUp() {
    FavouritesWindow fresh;
    QVERIFY(QDir().mkpath(fresh.documents) && WriteBytes(fresh.FilePath(), {}));
    QVERIFY(fresh.Start());
    QVERIFY(fresh.Window().Panel().library->isEnabled());
    BrowserView* side = fresh.Window().SideColumn();
    QVERIFY(LoadAfter(side, [&] { fresh.Window().Panel().library->click(); }));
    QVERIFY(fresh.LibraryRows().empty());
    QCOMPARE(fresh.EvaluateInt(QStringLiteral("document.querySelectorAll('tr').length")), 1);
    QVERIFY(fresh.messages.boxes.empty());
    QCOMPARE(ReadBytes(fresh.FilePath()), QByteArray());
}

// --- Editing ----------------------------------------------------------------------------

void FavouritesFilesTest::editCreatesMissingFileAndOpensEditor() {
    fixture_.UseDocuments(QStringLiteral("edit-new"), std::nullopt);
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

void FavouritesFilesTest::editKeepsExistingFile() {
    const QByteArray content =
        Gb18030(QStringLiteral("$$DD1024&g=海边的风&c=林小雨\r\nno line end"));
    fixture_.UseDocuments(QStringLiteral("edit-existing"), content);
    Window().Panel().editFavourites->click();
    QCOMPARE(ReadBytes(FilePath()), content);
    QCOMPARE(fixture_.launcher.editorPaths.size(), 1);
}

void FavouritesFilesTest::editorFailureShowsBox() {
    fixture_.UseDocuments(QStringLiteral("edit-failing"), std::nullopt);
    fixture_.launcher.editorAnswers = false;
    Window().Panel().editFavourites->click();
    QCOMPARE(fixture_.launcher.editorPaths.size(), 1);
    QCOMPARE(fixture_.messages.boxes.size(), 1u);
    QCOMPARE(fixture_.messages.boxes[0].caption, QStringLiteral("lorvex"));
    QVERIFY(fixture_.messages.boxes[0].text.contains(QStringLiteral("lorvex.ini")));
}

void FavouritesFilesTest::uncreatableFileShowsBoxWithoutEditor() {
    // A plain file stands where the documents folder's parent should be.
    QVERIFY(WriteBytes(fixture_.home.path() + QStringLiteral("/blocked"), "not a folder"));
    fixture_.UseDocuments(QStringLiteral("blocked/Documents"), std::nullopt);
    Window().Panel().editFavourites->click();
    QVERIFY(fixture_.launcher.editorPaths.isEmpty());
    QCOMPARE(fixture_.messages.boxes.size(), 1u);
    QCOMPARE(fixture_.messages.boxes[0].caption, QStringLiteral("lorvex"));
    QVERIFY(fixture_.messages.boxes[0].text.contains(QStringLiteral("lorvex.ini")));
}

// The desktop's own launcher hands the editor the file as a local file, a path with a
// space and Chinese in it whole.
void FavouritesFilesTest::desktopLauncherHandsTheEditorALocalFile() {
    SchemeProbe editor;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &editor, "Open");
    const auto unset =
        qScopeGuard([] { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); });
    const QString path = fixture_.home.path() + QStringLiteral("/我的 文档/lorvex.ini");
    DesktopLauncher launcher;
    QVERIFY(launcher.OpenInEditor(path));
    QCOMPARE(editor.opened.size(), 1);
    QVERIFY(editor.opened[0].isLocalFile());
    QCOMPARE(editor.opened[0].toLocalFile(), path);
}

LORVEX_UI_TEST_MAIN(FavouritesFilesTest)
#include "test_favourites_files.moc"
