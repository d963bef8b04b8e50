// The favourites feature on its own: two browser views, a library button and the fakes,
// no skinned window.
#include <QFile>
#include <QPushButton>
#include <QSignalSpy>
#include <QStringEncoder>

#include "support/UiTestSupport.h"

using namespace lorvex;
using namespace lorvex::testing;

class FavouritesControllerTest : public QObject {
    Q_OBJECT

  private slots:
    void collectsIntoTheFileAndConfirmsInTheSideColumn();
};

void FavouritesControllerTest::collectsIntoTheFileAndConfirmsInTheSideColumn() {
    DemoPortal portal;
    QVERIFY(portal.start() != 0);
    QTemporaryDir documents;
    const PortalAddresses addresses = MakePortalAddresses(portal.origin().toStdString());
    BrowserView mainView;
    BrowserView sideColumn;
    QPushButton library;
    RecordingMessageBoxes messages;
    RecordingLauncher launcher;
    FavouritesController favourites(addresses,
                                    {&mainView, &sideColumn, &library, &messages, &launcher,
                                     [&] { return documents.path(); }, nullptr});

    favourites.UpdateLibraryButton();
    QVERIFY(!library.isEnabled());
    mainView.Navigate(portal.origin() + "/33/playrm.asp?id=1025&g=夜空下的约定&c=陈子航");
    QVERIFY(WaitForLoad(&mainView));
    QSignalSpy written(&sideColumn, &QWebEngineView::loadFinished);
    favourites.Collect();
    QVERIFY(WaitUntil([&] { return !written.isEmpty(); }));

    QFile file(documents.filePath("lorvex.ini"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QStringEncoder gbk("GB18030");
    QCOMPARE(file.readAll(), QByteArray(gbk.encode(u"$$DD1025&g=夜空下的约定&c=陈子航\r\n")));
    QVERIFY(Evaluate(&sideColumn, "document.body.innerText").toString().startsWith("已经收藏此曲"));
    QVERIFY(library.isEnabled());
    QVERIFY(messages.boxes.empty());
}

LORVEX_UI_TEST_MAIN(FavouritesControllerTest)
#include "test_favourites_controller.moc"
