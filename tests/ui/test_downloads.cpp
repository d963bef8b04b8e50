// Downloads from the portal's pages: a click on a download link asks where to save,
// offering the user's download folder and a clean form of the name the page or server
// suggests; the file the portal serves arrives there while a window of the client's shows
// its progress; cancelling, a cut-off line and a declined question leave nothing on disk.
// A page that starts download after download gets no question after the user said no,
// until it shows a new document; the hidden pop-up host gets none.
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QWebEngineProfile>

#include "PortalContent.h"
#include "support/UiTestSupport.h"
#include "ui/downloads/DownloadWindow.h"
#include "ui/downloads/DownloadsController.h"
#include "ui/web/WebProfile.h"

using namespace lorvex;
using namespace lorvex::testing;

namespace {

const QString kSong = QStringLiteral("/33/playwmv.asp?id=1024");
const QString kServedName = QStringLiteral("海边的风.wmv");
const QString kNamesPage = QStringLiteral("/33/names.asp?");
const QString kStreamPage = QStringLiteral("/33/stream.asp");

QString DownloadFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
}

QString Text(QWidget* window, const char* name) {
    auto* label = window->findChild<QLabel*>(QString::fromLatin1(name));
    return label != nullptr ? label->text() : QStringLiteral("(no label %1)").arg(name);
}

}  // namespace

class DownloadsTest : public QObject {
    Q_OBJECT

    PortalWindow fixture_;
    std::unique_ptr<QTemporaryDir> folder_;  // where the test saves, fresh for each test
    int visits_ = 0;

    MainWindow& Window() { return *fixture_.window; }
    QStringList FilesSaved() const { return QDir(folder_->path()).entryList(QDir::Files); }

    // Opens the song's player page (or `path`) in `view` and clicks one of its download
    // links by mouse.
    bool ClickDownloadLink(BrowserView* view, const QString& id, const QString& path = kSong) {
        // An address of its own for every visit: the document that answers is this one.
        const QString page =
            fixture_.portal.Origin() + path + "&visit=" + QString::number(++visits_);
        view->Navigate(page);
        // The view's signals blur overlapping loads: the document itself says it is there.
        if (!WaitUntil([&] {
                return !view->page()->isLoading() &&
                       Evaluate(view, "document.readyState === 'complete' && location.href")
                               .toString() == page;
            })) {
            return false;
        }
        const QString link = QStringLiteral("document.getElementById('%1')").arg(id);
        const QVariantList box = Evaluate(view, link + ".scrollIntoView(); var r = " + link +
                                                    ".getClientRects()[0];"
                                                    "[r.left + 4, r.top + r.height / 2]")
                                     .toList();
        if (box.size() != 2) return false;
        const QPoint at(box[0].toInt(), box[1].toInt());
        // Input that comes before the view has drawn its page is lost: the pointer moves
        // until the page has seen it move, then clicks once.
        Evaluate(view,
                 "window.moved = false; addEventListener('mousemove', function () {"
                 " window.moved = true; }); 0");
        int step = 0;
        if (!WaitUntil([&] {
                QTest::mouseMove(view->focusProxy(), at + QPoint(0, ++step % 2));
                return Evaluate(view, "window.moved").toBool();
            })) {
            return false;
        }
        QTest::mouseClick(view->focusProxy(), Qt::LeftButton, Qt::NoModifier, at);
        return WaitUntil([&] { return !fixture_.saveDialog.offered.isEmpty(); });
    }

    DownloadWindow* StartDownload(BrowserView* view, const QString& id) {
        fixture_.saveDialog.answer = folder_->filePath(QStringLiteral("saved.wmv"));
        if (!ClickDownloadLink(view, id)) return nullptr;
        const QList<DownloadWindow*> windows = Window().Downloads()->Windows();
        return windows.size() == 1 ? windows.first() : nullptr;
    }

    // The download has its first piece and waits for the rest.
    static bool WaitForProgress(DownloadWindow* download) {
        return WaitUntil([&] {
            return download->Status().received == DemoPortal::kFirstPiece &&
                   QFile::exists(download->Path() + kPartialFileSuffix);
        });
    }

  private slots:
    void initTestCase() {
        // The user's download folder, which the question offers when it exists.
        QVERIFY(QDir().mkpath(QStandardPaths::writableLocation(QStandardPaths::DownloadLocation)));
        QVERIFY(fixture_.Start());
        QVERIFY(WaitUntil([&] {
            return !Window().MainView()->page()->isLoading() &&
                   !Window().SideColumn()->page()->isLoading();
        }));
    }

    void init() {
        folder_ = std::make_unique<QTemporaryDir>();
        QVERIFY(folder_->isValid());
        fixture_.saveDialog.offered.clear();
        fixture_.saveDialog.acceptOffered = false;
        fixture_.portal.HoldDownloads(false);
    }

    void cleanup() {
        fixture_.portal.HoldDownloads(false);
        for (DownloadWindow* download : Window().Downloads()->Windows()) delete download;
    }

    void clickSavesTheServedFile_data() {
        QTest::addColumn<bool>("inSideColumn");
        QTest::newRow("main view") << false;
        QTest::newRow("side column") << true;
    }

    void clickSavesTheServedFile() {
        QFETCH(bool, inSideColumn);
        BrowserView* view = inSideColumn ? Window().SideColumn() : Window().MainView();
        fixture_.portal.HoldDownloads(true);
        DownloadWindow* download = StartDownload(view, QStringLiteral("download"));
        QVERIFY(download != nullptr);
        const QString offered =
            QStandardPaths::writableLocation(QStandardPaths::DownloadLocation) + u'/' + kServedName;
        QCOMPARE(fixture_.saveDialog.offered, QStringList{offered});
        QVERIFY(download->isVisible());

        // Received, total and percent while the portal holds the rest back; the speed once
        // there has been time to measure it. The file itself comes only at the end.
        QVERIFY(WaitForProgress(download));
        QCOMPARE(Text(download, "progress"), QStringLiteral("已下载 256 KB，共 3.00 MB（8%）"));
        QCOMPARE(download->windowTitle(), QStringLiteral("已完成 8% - saved.wmv"));
        QVERIFY(WaitUntil([&] { return Text(download, "speed").startsWith("传输速度 "); }));
        QCOMPARE(Text(download, "state"), QStringLiteral("正在下载…"));
        QVERIFY(!QFile::exists(download->Path()));

        fixture_.portal.HoldDownloads(false);
        QVERIFY(WaitUntil([&] { return download->Status().phase == DownloadPhase::Completed; }));
        QCOMPARE(Text(download, "state"), QStringLiteral("下载完毕"));
        QCOMPARE(Text(download, "progress"), QStringLiteral("已下载 3.00 MB，共 3.00 MB（100%）"));
        QFile saved(download->Path());
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QVERIFY(saved.readAll() == portal::FindDownload("/33/down.asp", "id=1024")->body);
        QCOMPARE(FilesSaved(), QStringList{QStringLiteral("saved.wmv")});

        auto* button = download->findChild<QPushButton*>(QStringLiteral("button"));
        QCOMPARE(button->text(), QStringLiteral("关闭"));
        QPointer<DownloadWindow> closing(download);
        button->click();
        QVERIFY(WaitUntil([&] { return closing.isNull(); }));
        QVERIFY(QFile::exists(saved.fileName()));  // closing the window keeps the file
    }

    void cancellingRemovesThePartialFile_data() {
        QTest::addColumn<bool>("byClosing");
        QTest::newRow("cancel button") << false;
        QTest::newRow("window closed") << true;
    }

    void cancellingRemovesThePartialFile() {
        QFETCH(bool, byClosing);
        fixture_.portal.HoldDownloads(true);
        QPointer<DownloadWindow> download =
            StartDownload(Window().MainView(), QStringLiteral("download"));
        QVERIFY(download != nullptr);
        QVERIFY(WaitForProgress(download));
        if (byClosing) {
            download->close();
        } else {
            download->findChild<QPushButton*>(QStringLiteral("button"))->click();
            QVERIFY(
                WaitUntil([&] { return download->Status().phase == DownloadPhase::Cancelled; }));
            QCOMPARE(Text(download, "state"), QStringLiteral("已取消下载"));
        }
        QVERIFY2(WaitUntil([&] { return FilesSaved().isEmpty(); }),
                 qPrintable(FilesSaved().join(u',')));
    }

    void aCutOffDownloadFails_data() {
        QTest::addColumn<QString>("link");
        QTest::addColumn<QString>("state");
        QTest::newRow("connection reset") << "download-reset"
                                          << "下载失败：网络错误";
        // The engine starts such a download over, a few times, asking under the same
        // number: the user is asked once, and one window follows it to the end.
        QTest::newRow("connection closed") << "download-close"
                                           << "下载失败：服务器中途断开了连接";
    }

    void aCutOffDownloadFails() {
        QFETCH(QString, link);
        QFETCH(QString, state);
        fixture_.portal.ClearRequests();
        DownloadWindow* download = StartDownload(Window().MainView(), link);
        QVERIFY(download != nullptr);
        QVERIFY(WaitUntil([&] { return download->Status().phase == DownloadPhase::Failed; }));
        QCOMPARE(Text(download, "state"), state);
        QCOMPARE(fixture_.saveDialog.offered.size(), 1);
        QCOMPARE(Window().Downloads()->Windows(), QList<DownloadWindow*>{download});
        if (link == u"download-close") {
            QVERIFY(fixture_.portal.Requests().filter(QStringLiteral("/33/down.asp")).size() > 1);
        }
        QVERIFY2(WaitUntil([&] { return FilesSaved().isEmpty(); }),
                 qPrintable(FilesSaved().join(u',')));
    }

    void decliningSavesNothing() {
        fixture_.saveDialog.answer.clear();
        QVERIFY(ClickDownloadLink(Window().MainView(), QStringLiteral("download")));
        QCOMPARE(fixture_.saveDialog.offered.size(), 1);
        QVERIFY(Window().Downloads()->Windows().isEmpty());
        // The page stays where it was, and neither the folder offered nor any other gets a
        // file: the engine drops a download nobody accepted.
        QVERIFY(Window().MainView()->LocationURL().find("/33/playwmv.asp") != std::string::npos);
        const QString downloads =
            QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
        QVERIFY(!QFile::exists(downloads + u'/' + kServedName));
        QVERIFY(!QFile::exists(downloads + u'/' + kServedName + kPartialFileSuffix));
    }

    // The names of point-blank hostile pages and servers: the question opens in the
    // download folder with the name's clean last part, and the file lands there only.
    void offeredNameIsClean_data() {
        QTest::addColumn<QString>("link");
        QTest::addColumn<QString>("name");
        QTest::newRow("download attribute with a folder") << "attribute"
                                                          << "bash_aliases";
        QTest::newRow("server's name climbing out") << "disposition"
                                                    << "authorized_keys";
        QTest::newRow("absolute path") << "absolute"
                                       << "lorvex-absolute.sh";
        QTest::newRow("right-to-left override") << "override"
                                                << "歌曲kcs.mp4";
        QTest::newRow("nothing left of it") << "nothing"
                                            << "下载.mp4";
    }

    void offeredNameIsClean() {
        QFETCH(QString, link);
        QFETCH(QString, name);
        const QString saved = DownloadFolder() + u'/' + name;
        const auto remove = qScopeGuard([&] { QFile::remove(saved); });
        fixture_.saveDialog.acceptOffered = true;
        QVERIFY(ClickDownloadLink(Window().MainView(), link, kNamesPage));
        QCOMPARE(fixture_.saveDialog.offered, QStringList{saved});
        const QList<DownloadWindow*> windows = Window().Downloads()->Windows();
        QCOMPARE(windows.size(), 1);
        QVERIFY(
            WaitUntil([&] { return windows.first()->Status().phase == DownloadPhase::Completed; }));
        QVERIFY(QFile::exists(saved));
        const QDir home = QDir::home();
        for (const QString& elsewhere :
             {home.filePath(".bash_aliases"), home.filePath("no-such-folder"),
              home.filePath(".ssh/authorized_keys"), QStringLiteral("/tmp/lorvex-absolute.sh")}) {
            QVERIFY2(!QFile::exists(elsewhere), qPrintable(elsewhere));
        }
    }

    void aStreamAsksOnceUntilANewDocument() {
        int requested = 0;
        const QMetaObject::Connection counting = connect(
            WebProfile(), &QWebEngineProfile::downloadRequested, this, [&] { ++requested; });
        BrowserView* view = Window().MainView();
        const auto stop = qScopeGuard([&] {
            disconnect(counting);
            view->Navigate(fixture_.portal.Origin() + "/33/about.htm");
            WaitUntilDocumentIs(view, fixture_.portal.Origin() + "/33/about.htm");
        });
        // While the question is open the engine waits for the answer: the page starts
        // nothing meanwhile. Declined: the same document asks no more.
        view->Navigate(fixture_.portal.Origin() + kStreamPage);
        QVERIFY(WaitUntil([&] { return requested >= 1; }));
        QCOMPARE(fixture_.saveDialog.offered.size(), 1);
        const int declinedAt = requested;
        QVERIFY(WaitUntil([&] { return requested >= declinedAt + 3; }));
        QCOMPARE(fixture_.saveDialog.offered.size(), 1);
        QVERIFY(Window().Downloads()->Windows().isEmpty());

        // A new document of the view may ask again. The page's own download clicks can
        // cancel the client's navigation before it commits (the later one wins), so it is
        // asked for again until the new document is there.
        const QUrl again(fixture_.portal.Origin() + kStreamPage + "?again");
        bool arrived = false;
        for (int attempt = 0; attempt < 3 && !arrived; ++attempt) {
            view->Navigate(again.toString());
            arrived = WaitUntil([&] { return view->url() == again; }, 10000);
        }
        QVERIFY(arrived);
        QVERIFY(WaitUntil([&] { return fixture_.saveDialog.offered.size() == 2; }));
        QVERIFY(QDir(DownloadFolder()).entryList(QDir::Files).isEmpty());
    }

    void thePopupHostNeverAsks() {
        int requested = 0;
        const QMetaObject::Connection counting = connect(
            WebProfile(), &QWebEngineProfile::downloadRequested, this, [&] { ++requested; });
        const auto stop = qScopeGuard([&] {
            disconnect(counting);
            BrowserView* popup = Window().Browsing().Popup().View();
            popup->Navigate(fixture_.portal.Origin() + "/33/about.htm");
            WaitUntilDocumentIs(popup, fixture_.portal.Origin() + "/33/about.htm");
        });
        fixture_.saveDialog.acceptOffered = true;
        Window().MainView()->Navigate(fixture_.portal.Origin() + "/33/popstream.asp");
        QVERIFY(WaitUntil([&] { return requested >= 3; }));
        QVERIFY(fixture_.saveDialog.offered.isEmpty());
        QVERIFY(Window().Downloads()->Windows().isEmpty());
        QVERIFY(QDir(DownloadFolder()).entryList(QDir::Files).isEmpty());
    }
};

LORVEX_UI_TEST_MAIN(DownloadsTest)
#include "test_downloads.moc"
