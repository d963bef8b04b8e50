// The skinned frame on a real X11 window under a window manager: layout, rounded region,
// the title pictures, a frame missing one of its elements, maximise and restore,
// stay-on-top and minimise. The pointer's drags and the grips are in test_skin_pointer.cpp.
#include <QAccessible>
#include <QSignalSpy>

#include "support/SkinWindow.h"
#include "support/XTools.h"

using namespace lorvex;
using namespace lorvex::testing;

namespace {

bool SameImage(const QPixmap& a, const QPixmap& b) { return a.toImage() == b.toImage(); }

}  // namespace

class SkinTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase();
    void init();

    void layoutAtStartSize();
    void regionRoundsTheCorners_data();
    void regionRoundsTheCorners();
    void titleButtonsAreNamed();
    void missingElementStopsTheLayout_data();
    void missingElementStopsTheLayout();
    void maximiseAndRestoreWithTheButton();
    void doubleClickOnTheMaximiseButtonIsOneClick();
    void stayOnTopFlipsWithTheCaption();
    void minimiseThenRestoreKeepsTheLayout_data();
    void minimiseThenRestoreKeepsTheLayout();

  private:
    MainWindow& Window() { return fixture_.Window(); }

    SkinWindow fixture_;
};

void SkinTest::initTestCase() {
    if (!HavePrograms({QStringLiteral("xprop")})) QSKIP("xprop is needed");
    QVERIFY(fixture_.Start());
}

// Each test starts from the window as it first appeared.
void SkinTest::init() { fixture_.Reset(); }

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
    QVERIFY(window.Skin().LastLayoutResizable());
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
    const QRegion region = fixture_.Window().mask();
    QCOMPARE(region.contains(pixel), inside);
    // 27 pixels are cut from each of the four corners, nothing else.
    qsizetype area = 0;
    for (const QRect& rect : region) area += qsizetype{rect.width()} * rect.height();
    QCOMPARE(area, qsizetype{626 * 418 - 4 * 27});
}

// The title buttons are buttons for screen readers and the keyboard too: Tab reaches them,
// Space or Enter presses them, and so does assistive technology's press action.
void SkinTest::titleButtonsAreNamed() {
    const MainWindow& window = Window();
    QCOMPARE(window.Frame().closeButton->accessibleName(), QStringLiteral("关闭"));
    QCOMPARE(window.Frame().maxRestoreButton->accessibleName(), QStringLiteral("最大化/还原"));
    QCOMPARE(window.Frame().minimiseButton->accessibleName(), QStringLiteral("最小化"));
    QCOMPARE(window.Frame().helpButton->accessibleName(), QStringLiteral("帮助"));
    QCOMPARE(window.Panel().searchBox->accessibleName(), QStringLiteral("搜索歌曲"));

    PictureElement* help = window.Frame().helpButton;
    QCOMPARE(help->focusPolicy(), Qt::TabFocus);
    QSignalSpy clicked(help, &PictureElement::Clicked);
    QTest::keyClick(help, Qt::Key_Space);
    QTest::keyClick(help, Qt::Key_Return);
    QCOMPARE(clicked.count(), 2);
    QAccessibleInterface* described = QAccessible::queryAccessibleInterface(help);
    QVERIFY(described != nullptr);
    QCOMPARE(described->role(), QAccessible::Button);
    QCOMPARE(described->text(QAccessible::Name), QStringLiteral("帮助"));
    QVERIFY(described->actionInterface() != nullptr);
    described->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QCOMPARE(clicked.count(), 3);
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
    const auto grips = fixture_.GripGeometries();

    QTest::mouseClick(window.Frame().maxRestoreButton, Qt::LeftButton);
    QVERIFY(fixture_.WaitForMaximised());
    QVERIFY(SameImage(window.Frame().maxRestoreButton->Picture(),
                      window.Frame().restoreGlyph->Picture()));
    QVERIFY(!window.Skin().LastLayoutResizable());
    QCOMPARE(fixture_.GripGeometries(), grips);

    QTest::mouseClick(window.Frame().maxRestoreButton, Qt::LeftButton);
    QVERIFY(fixture_.WaitForBounds(fixture_.StartBounds()));
    QVERIFY(SameImage(window.Frame().maxRestoreButton->Picture(),
                      window.Frame().maximiseGlyph->Picture()));
    // The maximised layout had no grips, so the restored one has none either.
    QVERIFY(!window.Skin().LastLayoutResizable());
    QCOMPARE(fixture_.GripGeometries(), grips);
    QCOMPARE(window.Panel().panel->pos(), QPoint(398, 293));
}

// Qt delivers a double-click as press, release, double-click, release: the button reacts
// to the first click only.
void SkinTest::doubleClickOnTheMaximiseButtonIsOneClick() {
    MainWindow& window = Window();
    PictureElement* button = window.Frame().maxRestoreButton;
    QSignalSpy clicks(button, &PictureElement::Clicked);
    QSignalSpy doubleClicks(button, &PictureElement::DoubleClicked);
    QTest::mousePress(button, Qt::LeftButton);
    QTest::mouseRelease(button, Qt::LeftButton);
    QTest::mouseDClick(button, Qt::LeftButton);
    QTest::mouseRelease(button, Qt::LeftButton);
    QCOMPARE(clicks.count(), 1);
    QCOMPARE(doubleClicks.count(), 1);
    QVERIFY(fixture_.WaitForMaximised());
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
        QCOMPARE(window.geometry(), fixture_.StartBounds());
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
    QVERIFY(fixture_.WaitForBounds(fixture_.StartBounds()));
    QList<QRect> after;
    for (QWidget* child : window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        after << child->geometry();
    }
    QCOMPARE(after, before);
}

LORVEX_UI_TEST_MAIN(SkinTest)
#include "test_skin.moc"
