// The favourites feature on its own: two browser views, a library button and the fakes,
// no skinned window.
#include <QPushButton>
#include <QSignalSpy>

#include "support/UiTestSupport.h"
#include "ui/written/WrittenPageStore.h"

using namespace lorvex;
using namespace lorvex::testing;

class FavouritesControllerTest : public QObject {
    Q_OBJECT

  private slots:
    void collectsIntoTheFileAndConfirmsInTheSideColumn();
};

void FavouritesControllerTest::collectsIntoTheFileAndConfirmsInTheSideColumn() {
    DemoPortal portal;
    QVERIFY(portal.Start() != 0);
    QTemporaryDir documents;
    const PortalAddresses addresses = MakePortalAddresses(portal.Origin().toStdString());
    WrittenPageStore writtenPages;
    BrowserView mainView;
    BrowserView sideColumn;
    sideColumn.SetWrittenPages(&writtenPages);
    QPushButton collect;
    QPushButton library;
    RecordingMessageBoxes messages;
    RecordingLauncher launcher;
    FavouritesController favourites(
        addresses, {&mainView, &sideColumn, &collect, &library, &messages, &launcher,
                    [&] { return documents.path(); }, nullptr});

    // No file yet: the button is put out as the controller is made.
    QVERIFY(!library.isEnabled());
    mainView.Navigate(portal.Origin() + "/33/playrm.asp?id=1025&g=夜空下的约定&c=陈子航");
    // The player page's players need the main window's player host: the address is enough.
    QVERIFY(WaitUntil([&] { return mainView.LocationURL().find("id=1025") != std::string::npos; }));
    QSignalSpy written(&sideColumn, &QWebEngineView::loadFinished);
    favourites.Collect();
    QVERIFY(WaitUntil([&] { return !written.isEmpty(); }));

    QCOMPARE(ReadBytes(documents.filePath("lorvex.ini")),
             Gb18030(QStringLiteral("$$DD1025&g=夜空下的约定&c=陈子航\r\n")));
    QVERIFY(BodyText(&sideColumn).startsWith("已经收藏此曲"));
    QVERIFY(library.isEnabled());
    QVERIFY(messages.boxes.empty());
}

LORVEX_UI_TEST_MAIN(FavouritesControllerTest)
#include "test_favourites_controller.moc"
