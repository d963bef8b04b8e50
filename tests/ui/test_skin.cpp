// The skinned frame on a real X11 window under a window manager: layout, rounded region,
// maximise and restore, dragging, grip resizes, stay-on-top and minimise. Mouse input
// that must pass through the window manager is real X input from xdotool.
#include <QApplication>
#include <QProcess>
#include <QScreen>
#include <QSignalSpy>
#include <QStandardPaths>

#include "support/UiTestSupport.h"
#include "ui/skin/WindowSkin.h"

using namespace lorvex;
using namespace lorvex::testing;

namespace {

const Qt::WindowStates kShownStates = Qt::WindowMaximized | Qt::WindowMinimized;

// Runs xdotool with the given arguments once the X server has every request made so far
// (a new window shape, say); true when it succeeded. Its output goes to `output`. The
// client keeps reading its events meanwhile, as it would while a user drags.
bool Xdo(const QStringList& arguments, QString* output = nullptr) {
    QGuiApplication::sync();
    QProcess xdotool;
    xdotool.start("xdotool", arguments);
    if (!WaitUntil([&] { return xdotool.state() == QProcess::NotRunning; }) ||
        xdotool.exitStatus() != QProcess::NormalExit || xdotool.exitCode() != 0) {
        return false;
    }
    if (output) *output = QString::fromLatin1(xdotool.readAllStandardOutput());
    return true;
}

// The X window the pointer is over once moved to `global`, as a decimal id.
QString WindowUnder(QPoint global) {
    QString location;
    Xdo({"mousemove", QString::number(global.x()), QString::number(global.y()), "getmouselocation",
         "--shell"},
        &location);
    const qsizetype at = location.indexOf("WINDOW=");
    return at < 0 ? QString() : location.mid(at + 7).section('\n', 0, 0).trimmed();
}

// Where the X server has the window now.
QPoint XPosition(const QWidget& window) {
    QString shell;
    Xdo({"getwindowgeometry", "--shell", QString::number(window.winId())}, &shell);
    QPoint at(-1, -1);
    for (const QString& line : shell.split('\n')) {
        if (line.startsWith("X=")) at.setX(line.mid(2).toInt());
        if (line.startsWith("Y=")) at.setY(line.mid(2).toInt());
    }
    return at;
}

QStringList MoveTo(QPoint global) {
    return {"mousemove", QString::number(global.x()), QString::number(global.y())};
}

// The window's _NET_WM_STATE as the window manager keeps it.
QString NetWmState(const QWidget& window) {
    QProcess xprop;
    xprop.start("xprop", {"-id", QString::number(window.winId()), "_NET_WM_STATE"});
    xprop.waitForFinished(5000);
    return QString::fromLatin1(xprop.readAllStandardOutput());
}

QRect MaximisedBounds(const QWidget& window) { return window.screen()->availableGeometry(); }

std::array<QRect, 8> GripGeometries(const MainWindow& window) {
    std::array<QRect, 8> rects;
    for (std::size_t i = 0; i < rects.size(); ++i) rects[i] = window.Frame().grips[i]->geometry();
    return rects;
}

// The frame is laid out for the window's current size and clipped to it.
bool FrameFitsWindow(const MainWindow& window) {
    const int w = window.width();
    const int h = window.height();
    return window.mask().boundingRect() == QRect(0, 0, w, h) &&
           window.Frame().closeButton->pos() == QPoint(w - 22, 8) &&
           window.Frame().bottomEdge->geometry() == QRect(19, h - 30, w - 38, 30);
}

bool SameImage(const QPixmap& a, const QPixmap& b) { return a.toImage() == b.toImage(); }

}  // namespace

class SkinTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase();
    void init();
    void cleanup();

    void layoutAtStartSize();
    void regionRoundsTheCorners_data();
    void regionRoundsTheCorners();
    void titleButtonsAreNamed();
    void missingElementStopsTheLayout_data();
    void missingElementStopsTheLayout();
    void maximiseAndRestoreWithTheButton();
    void doubleClickOnTheMaximiseButtonIsOneClick();
    void doubleClickOnTheTitleToggles_data();
    void doubleClickOnTheTitleToggles();
    void dragOnTheTitleMovesTheWindow_data();
    void dragOnTheTitleMovesTheWindow();
    void gripReleaseResizes_data();
    void gripReleaseResizes();
    void gripOnMaximisedWindowOnlyLaysOut();
    void stayOnTopFlipsWithTheCaption();
    void minimiseThenRestoreKeepsTheLayout_data();
    void minimiseThenRestoreKeepsTheLayout();

  private:
    MainWindow& Window() { return *fixture_.window; }
    QPoint Global(QPoint local) { return Window().mapToGlobal(local); }
    bool WaitForBounds(const QRect& bounds);
    bool WaitForMaximised();

    PortalWindow fixture_;
    QRect start_;
};

void SkinTest::initTestCase() {
    if (QStandardPaths::findExecutable("xdotool").isEmpty() ||
        QStandardPaths::findExecutable("xprop").isEmpty()) {
        QSKIP("xdotool and xprop are needed");
    }
    QVERIFY(fixture_.Start());
    start_ = Window().geometry();
}

bool SkinTest::WaitForBounds(const QRect& bounds) {
    return WaitUntil([&] {
        return Window().geometry() == bounds && !(Window().windowState() & kShownStates) &&
               FrameFitsWindow(Window());
    });
}

bool SkinTest::WaitForMaximised() {
    return WaitUntil([&] {
        return Window().isMaximized() && Window().geometry() == MaximisedBounds(Window()) &&
               FrameFitsWindow(Window());
    });
}

// Each test starts from the window as it first appeared.
void SkinTest::init() {
    MainWindow& window = Window();
    if (window.windowState() & kShownStates) window.showNormal();
    QVERIFY(WaitUntil([&] { return !(window.windowState() & kShownStates); }));
    window.setGeometry(start_);
    QVERIFY(WaitUntil([&] { return window.geometry() == start_; }));
    window.Skin().LayoutSkin(true);
    window.Frame().maxRestoreButton->SetPicture(window.Frame().maximiseGlyph->Picture());
    QVERIFY(WaitForBounds(start_));
}

// A test that failed half-way must not leave a button held for the next one.
void SkinTest::cleanup() {
    if (QTest::currentTestFailed()) {
        Xdo({"mouseup", "1"});
        Xdo({"mouseup", "3"});
        Xdo({"key", "Escape"});  // ends a move the window manager may still be running
    }
}

void SkinTest::layoutAtStartSize() {
    MainWindow& window = Window();
    QCOMPARE(window.size(), QSize(626, 418));
    const std::pair<QWidget*, QRect> expected[] = {
        {window.Frame().titleLeft, {0, 0, 19, 30}},
        {window.Frame().titleRight, {607, 0, 19, 30}},
        {window.Frame().titleMain, {19, 0, 607, 30}},
        {window.Frame().leftEdge, {0, 30, 19, 358}},
        {window.Frame().bottomLeftCorner, {0, 388, 19, 30}},
        {window.Frame().bottomEdge, {19, 388, 588, 30}},
        {window.Frame().bottomRightCorner, {607, 388, 19, 30}},
        {window.Frame().rightEdge, {607, 30, 19, 380}},
        {window.Frame().closeButton, {604, 8, 13, 13}},
        {window.Frame().maxRestoreButton, {587, 8, 13, 13}},
        {window.Frame().minimiseButton, {570, 8, 13, 13}},
        {window.Frame().helpButton, {553, 8, 13, 13}},
        {window.Frame().grips[0], {0, 30, 5, 358}},
        {window.Frame().grips[1], {621, 30, 5, 358}},
        {window.Frame().grips[2], {19, 0, 587, 5}},
        {window.Frame().grips[3], {19, 413, 587, 5}},
        {window.Frame().grips[4], {615, 407, 11, 11}},
        {window.Frame().grips[5], {0, 407, 11, 11}},
        {window.Frame().grips[6], {615, 0, 11, 11}},
        {window.Frame().grips[7], {0, 0, 11, 11}},
    };
    for (const auto& [element, rect] : expected) {
        QVERIFY2(element->geometry() == rect, qPrintable(element->objectName()));
        QVERIFY2(element->isVisible(), qPrintable(element->objectName()));
    }
    QCOMPARE(window.Frame().titleLabel->pos(), QPoint(16, 7));
    QCOMPARE(window.windowTitle(), window.Frame().titleLabel->text());
    QCOMPARE(window.palette().color(QPalette::Window), QColor(0xcf, 0xcf, 0xcf));
    QVERIFY(Window().Skin().LastLayoutResizable());
}

void SkinTest::regionRoundsTheCorners_data() {
    QTest::addColumn<QPoint>("pixel");
    QTest::addColumn<bool>("inside");
    QTest::newRow("top-left corner") << QPoint(0, 0) << false;
    QTest::newRow("end of the first row's cut") << QPoint(7, 0) << false;
    QTest::newRow("first row after the cut") << QPoint(8, 0) << true;
    QTest::newRow("down the left edge") << QPoint(0, 7) << false;
    QTest::newRow("top-right corner") << QPoint(625, 0) << false;
    QTest::newRow("bottom-left corner") << QPoint(0, 417) << false;
    QTest::newRow("bottom-right corner") << QPoint(625, 417) << false;
    QTest::newRow("title bar") << QPoint(20, 5) << true;
    QTest::newRow("title strip") << QPoint(300, 15) << true;
    QTest::newRow("left edge below the corner") << QPoint(0, 12) << true;
    QTest::newRow("past the right edge") << QPoint(626, 200) << false;
}

void SkinTest::regionRoundsTheCorners() {
    QFETCH(QPoint, pixel);
    QFETCH(bool, inside);
    const QRegion region = Window().mask();
    QCOMPARE(region.contains(pixel), inside);
    // 27 pixels are cut from each of the four corners, nothing else.
    qsizetype area = 0;
    for (const QRect& rect : region) area += qsizetype{rect.width()} * rect.height();
    QCOMPARE(area, qsizetype{626 * 418 - 4 * 27});
}

void SkinTest::titleButtonsAreNamed() {
    const MainWindow& window = Window();
    QCOMPARE(window.Frame().closeButton->accessibleName(), QStringLiteral("关闭"));
    QCOMPARE(window.Frame().maxRestoreButton->accessibleName(), QStringLiteral("最大化/还原"));
    QCOMPARE(window.Frame().minimiseButton->accessibleName(), QStringLiteral("最小化"));
    QCOMPARE(window.Frame().helpButton->accessibleName(), QStringLiteral("帮助"));
}

void SkinTest::missingElementStopsTheLayout_data() {
    QTest::addColumn<QString>("missing");
    QTest::addColumn<int>("placedBefore");  // frame pictures placed before the failure
    QTest::addColumn<int>("gripsShown");
    QTest::newRow("title label") << "lblTitle" << 0 << 0;
    QTest::newRow("title strip") << "imgTitleMain" << 2 << 0;
    QTest::newRow("help button") << "imgTitleHelp" << 11 << 0;
    QTest::newRow("bottom grip") << "Resizer3" << 12 << 3;
}

// A window without one of the elements gets everything before it laid out and nothing
// after it. The bare window is 626 x 418, like the real one, and not shown.
void SkinTest::missingElementStopsTheLayout() {
    QFETCH(QString, missing);
    QFETCH(int, placedBefore);
    QFETCH(int, gripsShown);
    QWidget bare;
    bare.resize(626, 418);
    const FrameControls parts = CreateFrame(&bare);
    const QList<PictureElement*> frame = {
        parts.titleLeft,        parts.titleRight,       parts.titleMain,         parts.leftEdge,
        parts.bottomLeftCorner, parts.bottomEdge,       parts.bottomRightCorner, parts.rightEdge,
        parts.closeButton,      parts.maxRestoreButton, parts.minimiseButton,    parts.helpButton};
    const QPoint designed(-1, -1);  // no placement lands here
    for (PictureElement* element : frame) element->move(designed);
    for (PictureElement* grip : parts.grips) grip->move(designed);

    if (missing.startsWith("Resizer")) {
        delete parts.grips[static_cast<std::size_t>(missing.back().digitValue())];
    } else {
        delete bare.findChild<QWidget*>(missing);
    }
    WindowSkin skin(&bare);
    QVERIFY_THROWS_EXCEPTION(MissingElement, skin.LayoutSkin(true));

    QCOMPARE(bare.mask().isEmpty(), missing == "lblTitle");
    int placed = 0;
    for (QObject* element : bare.children()) {
        auto* picture = qobject_cast<PictureElement*>(element);
        if (picture && frame.contains(picture) && picture->pos() != designed) ++placed;
    }
    QCOMPARE(placed, placedBefore);
    const auto grips = bare.findChildren<PictureElement*>("Resizer");
    int shown = 0;
    for (PictureElement* grip : grips) {
        shown += !grip->isHidden();
        QCOMPARE(grip->pos(), designed);  // the show pass failed, so none was placed
    }
    QCOMPARE(shown, gripsShown);
}

void SkinTest::maximiseAndRestoreWithTheButton() {
    MainWindow& window = Window();
    const auto grips = GripGeometries(window);

    QTest::mouseClick(window.Frame().maxRestoreButton, Qt::LeftButton);
    QVERIFY(WaitForMaximised());
    QVERIFY(SameImage(window.Frame().maxRestoreButton->Picture(),
                      window.Frame().restoreGlyph->Picture()));
    QVERIFY(!Window().Skin().LastLayoutResizable());
    QCOMPARE(GripGeometries(window), grips);

    QTest::mouseClick(window.Frame().maxRestoreButton, Qt::LeftButton);
    QVERIFY(WaitForBounds(start_));
    QVERIFY(SameImage(window.Frame().maxRestoreButton->Picture(),
                      window.Frame().maximiseGlyph->Picture()));
    // The maximised layout had no grips, so the restored one has none either.
    QVERIFY(!Window().Skin().LastLayoutResizable());
    QCOMPARE(GripGeometries(window), grips);
    QCOMPARE(window.Panel().panel->pos(), QPoint(398, 293));
}

// Qt delivers a double-click as press, release, double-click, release: the button reacts
// to the first click only.
void SkinTest::doubleClickOnTheMaximiseButtonIsOneClick() {
    MainWindow& window = Window();
    PictureElement* button = window.Frame().maxRestoreButton;
    QSignalSpy clicks(button, &PictureElement::clicked);
    QSignalSpy doubleClicks(button, &PictureElement::doubleClicked);
    QTest::mousePress(button, Qt::LeftButton);
    QTest::mouseRelease(button, Qt::LeftButton);
    QTest::mouseDClick(button, Qt::LeftButton);
    QTest::mouseRelease(button, Qt::LeftButton);
    QCOMPARE(clicks.count(), 1);
    QCOMPARE(doubleClicks.count(), 1);
    QVERIFY(WaitForMaximised());
}

void SkinTest::doubleClickOnTheTitleToggles_data() {
    QTest::addColumn<QPoint>("at");  // in the window
    QTest::addColumn<bool>("throughWindowManager");
    QTest::newRow("title label") << QPoint(40, 14) << true;
    QTest::newRow("title strip") << QPoint(300, 15) << true;
    QTest::newRow("title label, synthetic") << QPoint(40, 14) << false;
}

void SkinTest::doubleClickOnTheTitleToggles() {
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
        QVERIFY(Xdo(MoveTo(Global(at)) << "click"
                                       << "--repeat"
                                       << "2"
                                       << "--delay"
                                       << "80"
                                       << "1"));
    };
    doubleClick();
    QVERIFY(WaitForMaximised());
    // Pointer and window were not handed to the window manager for a move.
    doubleClick();
    QVERIFY(WaitForBounds(start_));
}

void SkinTest::dragOnTheTitleMovesTheWindow_data() {
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
void SkinTest::dragOnTheTitleMovesTheWindow() {
    QFETCH(int, button);
    QFETCH(QString, timing);
    MainWindow& window = Window();
    const QPoint press = Global({300, 15});
    const QPoint travel(100, 50);
    const QString buttonName = QString::number(button);
    QStringList drag = MoveTo(press) << "mousedown" << buttonName;
    for (int step = 1; step <= 10; ++step) {
        if (timing != "fast")
            drag << "sleep"
                 << "0.03";
        drag << MoveTo(press + travel * step / 10);
    }
    const QRect expected(start_.topLeft() + travel, start_.size());
    auto where = [&] { return QStringLiteral("window at %1,%2").arg(window.x()).arg(window.y()); };
    if (timing == "hold") {
        // The window manager tells the window where it is only once its move has ended.
        QVERIFY(Xdo(drag));
        QVERIFY2(WaitUntil([&] { return XPosition(window) == expected.topLeft(); }),
                 qPrintable(where()));
        QVERIFY(Xdo({"mouseup", buttonName}));
    } else {
        QVERIFY(Xdo(drag << "mouseup" << buttonName));
        QVERIFY2(WaitUntil([&] { return window.geometry() == expected; }), qPrintable(where()));
    }

    // The client has the pointer back once it sees it over the picture; until the window
    // manager has let go of it (a move of its own still running), a click would go there.
    PictureElement* maximise = window.Frame().maxRestoreButton;
    QVERIFY(Xdo(MoveTo(maximise->mapToGlobal(maximise->rect().center()))));
    QVERIFY2(WaitUntil([&] { return maximise->underMouse(); }), "the pointer is not back");
    QVERIFY(Xdo({"click", "1"}));
    QVERIFY(WaitForMaximised());
}

void SkinTest::gripReleaseResizes_data() {
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

void SkinTest::gripReleaseResizes() {
    QFETCH(int, grip);
    QFETCH(QPoint, travel);
    QFETCH(QRect, change);
    MainWindow& window = Window();
    PictureElement* element = window.Frame().grips[static_cast<std::size_t>(grip)];
    const QPoint press = element->mapToGlobal(element->rect().center());
    window.Skin().GripPressed(QPoint(-1, -1));

    QVERIFY(Xdo(MoveTo(press) << "mousedown"
                              << "1"));
    QVERIFY(WaitUntil([&] { return window.Skin().GripStartPoint() == press; }));
    QVERIFY(Xdo(MoveTo(press + travel)));
    QVERIFY(Xdo({"mouseup", "1"}));

    const QRect expected(start_.x() + change.x(), start_.y() + change.y(),
                         start_.width() + change.width(), start_.height() + change.height());
    QVERIFY2(WaitForBounds(expected), qPrintable(QStringLiteral("window at %1,%2 %3x%4")
                                                     .arg(window.x())
                                                     .arg(window.y())
                                                     .arg(window.width())
                                                     .arg(window.height())));
    QCOMPARE(window.Skin().GripEndPoint(), press + travel);
    QVERIFY(Window().Skin().LastLayoutResizable());
    const int w = expected.width();
    const int h = expected.height();
    QCOMPARE(window.Frame().grips[4]->pos(), QPoint(w - 11, h - 11));
    // The X server clips the window to the new region: its new bottom-right corner is there.
    const QString inside = WindowUnder(Global({w / 2, h / 2}));
    QVERIFY(!inside.isEmpty());
    QCOMPARE(WindowUnder(Global({w - 6, h - 8})), inside);
    // The content follows the new size.
    if (grip == 4) QCOMPARE(window.Panel().panel->pos(), QPoint(w - 228, h - 125));
}

void SkinTest::gripOnMaximisedWindowOnlyLaysOut() {
    MainWindow& window = Window();
    window.Skin().ToggleMaximize();
    QVERIFY(WaitForMaximised());
    QVERIFY(!Window().Skin().LastLayoutResizable());
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

    QVERIFY(Window().Skin().LastLayoutResizable());
    // The window manager, asked after the grip, still has the window maximised.
    QVERIFY(WaitUntil([&] { return NetWmState(window).contains("_NET_WM_STATE_MAXIMIZED_VERT"); }));
    QVERIFY(window.isMaximized());
    QCOMPARE(window.geometry(), maximised);
    QCOMPARE(grip->pos(), QPoint(maximised.width() - 11, maximised.height() - 11));

    // Restoring now lays the grips out again.
    window.Skin().ToggleMaximize();
    QVERIFY(WaitForBounds(start_));
    QVERIFY(Window().Skin().LastLayoutResizable());
    QCOMPARE(grip->pos(), QPoint(615, 407));
}

void SkinTest::stayOnTopFlipsWithTheCaption() {
    MainWindow& window = Window();
    const WId id = window.winId();
    QVERIFY(!NetWmState(window).contains("_NET_WM_STATE_ABOVE"));

    const struct {
        QString captionAfter;
        bool above;
    } steps[] = {{QStringLiteral("不置"), true}, {QStringLiteral("置顶"), false}};
    for (const auto& step : steps) {
        QTest::mouseClick(window.Panel().stayOnTop, Qt::LeftButton);
        QCOMPARE(window.Panel().stayOnTop->text(), step.captionAfter);
        QCOMPARE(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint), step.above);
        QVERIFY(WaitUntil(
            [&] { return NetWmState(window).contains("_NET_WM_STATE_ABOVE") == step.above; },
            5000));
        // The same window, still shown where it was.
        QCOMPARE(window.winId(), id);
        QVERIFY(window.isVisible());
        QCOMPARE(window.geometry(), start_);
        QVERIFY(window.windowFlags().testFlag(Qt::FramelessWindowHint));
    }
}

void SkinTest::minimiseThenRestoreKeepsTheLayout_data() {
    QTest::addColumn<bool>("withMaximiseButton");
    QTest::newRow("shown normally") << false;
    QTest::newRow("maximise button while minimised") << true;
}

void SkinTest::minimiseThenRestoreKeepsTheLayout() {
    QFETCH(bool, withMaximiseButton);
    MainWindow& window = Window();
    QList<QRect> before;
    for (QWidget* child : window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        before << child->geometry();
    }

    QTest::mouseClick(window.Frame().minimiseButton, Qt::LeftButton);
    QVERIFY(WaitUntil([&] {
        return window.isMinimized() && NetWmState(window).contains("_NET_WM_STATE_HIDDEN");
    }));

    if (withMaximiseButton) {
        window.Skin().ToggleMaximize();
    } else {
        window.showNormal();
    }
    QVERIFY(WaitUntil([&] { return !NetWmState(window).contains("_NET_WM_STATE_HIDDEN"); }));
    QVERIFY(QTest::qWaitForWindowExposed(&window, Deadline(10000)));
    QVERIFY(WaitForBounds(start_));
    QList<QRect> after;
    for (QWidget* child : window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        after << child->geometry();
    }
    QCOMPARE(after, before);
}

LORVEX_UI_TEST_MAIN(SkinTest)
#include "test_skin.moc"
