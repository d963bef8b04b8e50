// The skinned frame under the pointer, on a real X11 window under a window manager:
// double-clicks and drags on the title, and resizing by the grips. Input that must pass
// through the window manager is real X input from xdotool.
#include "support/SkinWindow.h"
#include "support/XTools.h"

using namespace lorvex;
using namespace lorvex::testing;

class SkinPointerTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase();
    void init();
    void cleanup();

    void doubleClickOnTheTitleToggles_data();
    void doubleClickOnTheTitleToggles();
    void dragOnTheTitleMovesTheWindow_data();
    void dragOnTheTitleMovesTheWindow();
    void gripReleaseResizes_data();
    void gripReleaseResizes();
    void pointerOnMaximisedWindowOnlyLaysOut();

  private:
    MainWindow& Window() { return fixture_.Window(); }

    SkinWindow fixture_;
};

void SkinPointerTest::initTestCase() {
    if (!HavePrograms({QStringLiteral("xdotool"), QStringLiteral("xprop")})) {
        QSKIP("xdotool and xprop are needed");
    }
    QVERIFY(fixture_.Start());
}

// Each test starts from the window as it first appeared.
void SkinPointerTest::init() { fixture_.Reset(); }

// A test that failed half-way must not leave a button held for the next one.
void SkinPointerTest::cleanup() {
    if (QTest::currentTestFailed()) SkinWindow::ReleaseInput();
}

void SkinPointerTest::doubleClickOnTheTitleToggles_data() {
    QTest::addColumn<QPoint>("at");  // in the window
    QTest::addColumn<bool>("throughWindowManager");
    QTest::newRow("title label") << QPoint(40, 14) << true;
    QTest::newRow("title strip") << QPoint(300, 15) << true;
    QTest::newRow("title label, synthetic") << QPoint(40, 14) << false;
}

void SkinPointerTest::doubleClickOnTheTitleToggles() {
    QFETCH(QPoint, at);
    QFETCH(bool, throughWindowManager);
    MainWindow& window = Window();
    auto doubleClick = [&] {
        if (!throughWindowManager) {
            QWidget* target = window.childAt(at);
            QVERIFY(target != nullptr);
            QTest::mouseDClick(target, Qt::LeftButton, {}, target->mapFrom(&window, at));
            return;
        }
        QVERIFY(Xdo(MoveTo(fixture_.Global(at)) << "click"
                                                << "--repeat"
                                                << "2"
                                                << "--delay"
                                                << "80"
                                                << "1"));
    };
    doubleClick();
    QVERIFY(fixture_.WaitForMaximised());
    // Pointer and window were not handed to the window manager for a move.
    doubleClick();
    QVERIFY(fixture_.WaitForBounds(fixture_.StartBounds()));
}

void SkinPointerTest::dragOnTheTitleMovesTheWindow_data() {
    QTest::addColumn<int>("button");
    QTest::addColumn<QString>("timing");
    // The left button hands the move to the window manager; the others move by hand.
    for (const auto& [name, button] : {std::pair{"left", 1}, std::pair{"right", 3}}) {
        // fast: the whole drag is queued before the client reads any of it; slow: steps
        // with pauses; hold: the button stays down until the window has arrived.
        for (const char* timing : {"fast", "slow", "hold"}) {
            QTest::addRow("%s button, %s", name, timing) << button << QString(timing);
        }
    }
}

// A drag of (100, 50) in ten steps moves the window by the pointer's whole travel from
// the press, and leaves no move in progress: the next click on the maximise picture
// maximises.
void SkinPointerTest::dragOnTheTitleMovesTheWindow() {
    QFETCH(int, button);
    QFETCH(QString, timing);
    MainWindow& window = Window();
    const QPoint press = fixture_.Global({300, 15});
    const QPoint travel(100, 50);
    const QString buttonName = QString::number(button);
    QStringList drag = MoveTo(press) << "mousedown" << buttonName;
    for (int step = 1; step <= 10; ++step) {
        if (timing != "fast")
            drag << "sleep"
                 << "0.03";
        drag << MoveTo(press + travel * step / 10);
    }
    const QRect expected(fixture_.StartBounds().topLeft() + travel, fixture_.StartBounds().size());
    auto where = [&] { return QStringLiteral("window at %1,%2").arg(window.x()).arg(window.y()); };
    if (timing == "hold") {
        // The window manager tells the window where it is only once its move has ended.
        QVERIFY(Xdo(drag));
        QVERIFY2(WaitUntil([&] {
                     return XGeometry(QString::number(window.winId())).topLeft() ==
                            expected.topLeft();
                 }),
                 qPrintable(where()));
        QVERIFY(Xdo({"mouseup", buttonName}));
    } else {
        QVERIFY(Xdo(drag << "mouseup" << buttonName));
    }
    // The client knows where its window is; the picture below is found from there.
    QVERIFY2(WaitUntil([&] { return window.geometry() == expected; }), qPrintable(where()));

    // The client has the pointer back once it sees it over the picture; until the window
    // manager has let go of it (a move of its own still running), a click would go there.
    PictureElement* maximise = window.Frame().maxRestoreButton;
    QVERIFY(Xdo(MoveTo(maximise->mapToGlobal(maximise->rect().center()))));
    QVERIFY2(WaitUntil([&] { return maximise->underMouse(); }),
             qPrintable(QStringLiteral("the pointer is not back, ") + where()));
    QVERIFY(Xdo({"click", "1"}));
    QVERIFY(fixture_.WaitForMaximised());
}

void SkinPointerTest::gripReleaseResizes_data() {
    QTest::addColumn<int>("grip");
    QTest::addColumn<QPoint>("travel");
    QTest::addColumn<QRect>("change");  // added to the start bounds: left, top, width, height
    QTest::newRow("bottom-right") << 4 << QPoint(50, 30) << QRect(0, 0, 50, 30);
    QTest::newRow("top-left") << 7 << QPoint(-20, -10) << QRect(-20, -10, 20, 10);
    QTest::newRow("right, narrower") << 1 << QPoint(-100, 5) << QRect(0, 0, -100, 0);
    // Dragged past the 57-pixel minimum: the left edge follows the whole travel.
    QTest::newRow("left, past the minimum") << 0 << QPoint(600, 0) << QRect(600, 0, 57 - 626, 0);
    QTest::newRow("bottom, past the minimum") << 3 << QPoint(0, -400) << QRect(0, 0, 0, 90 - 418);
}

void SkinPointerTest::gripReleaseResizes() {
    QFETCH(int, grip);
    QFETCH(QPoint, travel);
    QFETCH(QRect, change);
    MainWindow& window = Window();
    PictureElement* element = window.Frame().grips[static_cast<std::size_t>(grip)];
    const QPoint press = element->mapToGlobal(element->rect().center());
    window.Skin().GripPressed(grip, QPoint(-1, -1));

    QVERIFY(Xdo(MoveTo(press) << "mousedown"
                              << "1"));
    QVERIFY(WaitUntil([&] { return window.Skin().GripStartPoint() == press; }));
    QVERIFY(Xdo(MoveTo(press + travel)));
    QVERIFY(Xdo({"mouseup", "1"}));

    const QRect expected(fixture_.StartBounds().x() + change.x(),
                         fixture_.StartBounds().y() + change.y(),
                         fixture_.StartBounds().width() + change.width(),
                         fixture_.StartBounds().height() + change.height());
    QVERIFY2(fixture_.WaitForBounds(expected), qPrintable(QStringLiteral("window at %1,%2 %3x%4")
                                                              .arg(window.x())
                                                              .arg(window.y())
                                                              .arg(window.width())
                                                              .arg(window.height())));
    QCOMPARE(window.Skin().GripEndPoint(), press + travel);
    QVERIFY(window.Skin().LastLayoutResizable());
    const int w = expected.width();
    const int h = expected.height();
    QCOMPARE(window.Frame().grips[4]->pos(), QPoint(w - 11, h - 11));
    // The X server clips the window to the new region: its new bottom-right corner is there.
    const QString inside = WindowUnder(fixture_.Global({w / 2, h / 2}));
    QVERIFY(!inside.isEmpty());
    QCOMPARE(WindowUnder(fixture_.Global({w - 6, h - 8})), inside);
    // The content follows the new size.
    if (grip == 4) QCOMPARE(window.Panel().panel->pos(), QPoint(w - 228, h - 125));
}

void SkinPointerTest::pointerOnMaximisedWindowOnlyLaysOut() {
    MainWindow& window = Window();
    window.Skin().ToggleMaximize();
    QVERIFY(fixture_.WaitForMaximised());
    QVERIFY(!window.Skin().LastLayoutResizable());
    const QRect maximised = window.geometry();

    // The grips lie under the content in a maximised window; press and release on one
    // directly, the cursor travelling in between.
    PictureElement* grip = window.Frame().grips[4];
    const QPoint press = grip->mapToGlobal(grip->rect().center());
    QCursor::setPos(press);
    QVERIFY(WaitUntil([&] { return QCursor::pos() == press; }));
    QTest::mousePress(grip, Qt::LeftButton, {}, grip->rect().center());
    QCursor::setPos(press - QPoint(50, 30));
    QVERIFY(WaitUntil([&] { return QCursor::pos() == press - QPoint(50, 30); }));
    QTest::mouseRelease(grip, Qt::LeftButton, {}, grip->rect().center());

    QVERIFY(window.Skin().LastLayoutResizable());
    // The window manager, asked after the grip, still has the window maximised.
    QVERIFY(WaitUntil([&] { return NetWmState(window).contains("_NET_WM_STATE_MAXIMIZED_VERT"); }));
    QVERIFY(window.isMaximized());
    QCOMPARE(window.geometry(), maximised);
    QCOMPARE(grip->pos(), QPoint(maximised.width() - 11, maximised.height() - 11));

    // A drag on the title, with the button that moves the window by hand, moves nothing.
    const QPoint title = fixture_.Global({300, 15});
    QVERIFY(Xdo(MoveTo(title) << "mousedown"
                              << "3" << MoveTo(title + QPoint(100, 50)) << "mouseup"
                              << "3"));
    // The client has had the drag once it sees the pointer over the picture.
    PictureElement* maximise = window.Frame().maxRestoreButton;
    QVERIFY(Xdo(MoveTo(maximise->mapToGlobal(maximise->rect().center()))));
    QVERIFY(WaitUntil([&] { return maximise->underMouse(); }));
    QVERIFY(window.isMaximized());
    QCOMPARE(window.geometry(), maximised);

    // Restoring now lays the grips out again.
    window.Skin().ToggleMaximize();
    QVERIFY(fixture_.WaitForBounds(fixture_.StartBounds()));
    QVERIFY(window.Skin().LastLayoutResizable());
    QCOMPARE(grip->pos(), QPoint(615, 407));
}

LORVEX_UI_TEST_MAIN(SkinPointerTest)
#include "test_skin_pointer.moc"
