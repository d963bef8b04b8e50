// The web profile and the user's language, in the test's own process: the three views share
// one profile kept on disk under the user's folders; pages are asked for in Chinese; Qt's
// and the engine's own texts are Chinese; the pages the client writes never reach the disk.
#include <QDirIterator>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTimer>
#include <QWebEngineProfile>

#include "support/UiTestSupport.h"
#include "ui/desktop/UserLanguage.h"
#include "ui/web/WebProfile.h"

using namespace lorvex;
using namespace lorvex::testing;

namespace {

// The files under `folder` that hold `marker`.
QStringList FilesHolding(const QString& folder, const QByteArray& marker) {
    QStringList found;
    QDirIterator files(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        QFile file(files.next());
        if (file.open(QIODevice::ReadOnly) && file.readAll().contains(marker)) {
            found << file.fileName();
        }
    }
    return found;
}

}  // namespace

class WebProfileTest : public QObject {
    Q_OBJECT

    PortalWindow fixture_;
    MainWindow& Window() { return *fixture_.window; }

  private slots:
    void initTestCase() {
        // As main does, before the engine starts.
        QVERIFY2(UseUserLanguage().isEmpty(), "Qt's Chinese translations are missing");
        QVERIFY(fixture_.Start());
    }

    void everyViewUsesTheProfileOnDisk() {
        QWebEngineProfile* profile = WebProfile();
        QVERIFY(!profile->isOffTheRecord());
        QCOMPARE(Window().MainView()->page()->profile(), profile);
        QCOMPARE(Window().SideColumn()->page()->profile(), profile);
        QCOMPARE(Window().Browsing().Popup().View()->page()->profile(), profile);
        QVERIFY(profile->persistentStoragePath().startsWith(
            QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + u'/'));
        QVERIFY(profile->cachePath().startsWith(
            QStandardPaths::writableLocation(QStandardPaths::CacheLocation) + u'/'));
        QCOMPARE(profile->persistentCookiesPolicy(), QWebEngineProfile::AllowPersistentCookies);
        QCOMPARE(profile->httpCacheType(), QWebEngineProfile::DiskHttpCache);
    }

    void pagesAreAskedForInChinese() {
        const QString page = QStringLiteral("/33/about.htm");
        Window().SideColumn()->Navigate(fixture_.portal.Origin() + page);
        QVERIFY(fixture_.WaitForRequest(page));
        const QByteArray language = fixture_.portal.Header(page, "Accept-Language");
        QVERIFY2(language.startsWith("zh-CN"), language.constData());
    }

    // A box of the client's, shown the real way: its one button reads 确定.
    void messageBoxSaysOk() {
        QString button;
        QTimer look;
        connect(&look, &QTimer::timeout, this, [&] {
            for (QWidget* top : QApplication::topLevelWidgets()) {
                auto* box = qobject_cast<QMessageBox*>(top);
                if (box == nullptr || !box->isVisible()) continue;
                const QList<QAbstractButton*> buttons = box->buttons();
                button = buttons.size() == 1 ? buttons.first()->text() : QStringLiteral("?");
                box->accept();
            }
        });
        look.start(20);
        QtMessageBoxes().ShowStop(nullptr, kApplicationTitle, QStringLiteral("无收藏记录"));
        QCOMPARE(button, QStringLiteral("确定"));
    }

    void engineTextsAreChinese() {
        BrowserView* view = Window().MainView();
        QCOMPARE(view->page()->action(QWebEnginePage::Back)->text(), QStringLiteral("后退"));
        QCOMPARE(view->page()->action(QWebEnginePage::Reload)->text(), QStringLiteral("重新加载"));
        // The engine's error page for a port where nothing listens.
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        const quint16 port = closed.serverPort();
        closed.close();
        view->Navigate(QStringLiteral("http://127.0.0.1:%1/").arg(port));
        QVERIFY(WaitUntil([&] {
            return Evaluate(view, "document.body ? document.body.innerText : ''")
                .toString()
                .contains(QStringLiteral("无法访问此网站"));
        }));
    }

    // Last: the cache must hold a portal page before the check means anything.
    void writtenPagesStayOffTheDisk() {
        QWebEngineProfile* profile = WebProfile();
        const QByteArray written = "written-page-marker-5c1e";
        BrowserView* side = Window().SideColumn();
        side->DocumentOpen();
        side->DocumentWrite("<html><body><p>" + written.toStdString() + "</p></body></html>");
        side->DocumentClose();
        QVERIFY(WaitUntil([&] {
            return Evaluate(side, "document.body ? document.body.innerText : ''").toString() ==
                   QString::fromLatin1(written);
        }));
        // A portal page that names its own marker, loaded afterwards, reaches the cache.
        const QByteArray fetched = "portal-page-marker-9b2d";
        side->Navigate(fixture_.portal.Origin() + "/33/search.asp?keyword=" + fetched);
        QVERIFY2(WaitUntil([&] { return !FilesHolding(profile->cachePath(), fetched).isEmpty(); }),
                 "the portal page never reached the cache");
        QCOMPARE(FilesHolding(profile->cachePath(), written), QStringList());
        QCOMPARE(FilesHolding(profile->persistentStoragePath(), written), QStringList());
    }
};

LORVEX_UI_TEST_MAIN(WebProfileTest)
#include "test_web_profile.moc"
