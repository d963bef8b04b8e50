// The main window as it starts: its definition, the load handler and the first content
// layout, against real WebEngine views and the in-process demo portal.
#include <QApplication>
#include <QScreen>

#include "support/UiTestSupport.h"
#include "ui/browsing/PopupHost.h"
#include "ui/desktop/ScreenUnits.h"

using namespace lorvex;
using namespace lorvex::testing;

class MainWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void definitionBeforeLoad();
    void startsOnBothPortalPages();
    void windowIsFramelessCentredAndAlone();
    void contentLayoutAtStartSize();
    void narrowWindowStillPlacesTheMainView();
    void buttonGridAndCaptions();
    void maximiseGlyphAndGrips();
    void stackingOrderFollowsTheDefinition();

  private:
    PortalWindow fixture_;
};

void MainWindowTest::definitionBeforeLoad() {
    MainWindow bare("http://127.0.0.1:1");
    QCOMPARE(bare.size(), QSize(626, 418));
    QVERIFY(bare.Panel().editFavourites->text().isEmpty());
    QCOMPARE(bare.Panel().categories->text(), QStringLiteral("首页"));
    QVERIFY(bare.Frame().maxRestoreButton->Picture().isNull());
    for (PictureElement* grip : bare.Frame().grips) QVERIFY(grip->isHidden());
    QVERIFY(bare.Frame().maximiseGlyph->isHidden());
    QVERIFY(bare.Frame().restoreGlyph->isHidden());
    QCOMPARE(bare.Panel().panel->size(), QSize(220, 113));
    // Every frame picture is loaded, at its designed size.
    const std::pair<PictureElement*, QSize> pictures[] = {
        {bare.Frame().titleLeft, {19, 30}},        {bare.Frame().titleMain, {19, 30}},
        {bare.Frame().titleRight, {19, 30}},       {bare.Frame().leftEdge, {19, 30}},
        {bare.Frame().rightEdge, {19, 30}},        {bare.Frame().bottomEdge, {19, 30}},
        {bare.Frame().bottomLeftCorner, {19, 30}}, {bare.Frame().bottomRightCorner, {19, 30}},
        {bare.Frame().closeButton, {13, 13}},      {bare.Frame().minimiseButton, {13, 13}},
        {bare.Frame().helpButton, {13, 13}},       {bare.Frame().restoreGlyph, {13, 13}},
        {bare.Frame().maximiseGlyph, {13, 13}}};
    for (const auto& [element, size] : pictures) {
        QVERIFY2(element->Picture().size() == size, qPrintable(element->objectName()));
    }
    // The window's icon carries every size the desktop's icon theme gets.
    const QList<QSize> iconSizes{{16, 16}, {32, 32}, {48, 48}, {64, 64}, {128, 128}, {256, 256}};
    QCOMPARE(bare.windowIcon().availableSizes(), iconSizes);
    // Frame1's children are designed in twips: 15 to the pixel here.
    QCOMPARE(TwipsPerPixelX(&bare), 15.0);
    QCOMPARE(bare.Panel().searchBox->geometry(), QRect(8, 8, 161, 18));
    QCOMPARE(bare.Panel().portalHome->size(), QSize(33, 57));
    QCOMPARE(bare.Panel().notice->text(), QStringLiteral("3.2测试版不支持MTV下载"));
    // Nothing has asked for a page: no browser has started.
    QVERIFY(bare.findChildren<QWebEnginePage*>().isEmpty());
}

void MainWindowTest::startsOnBothPortalPages() {
    QVERIFY(fixture_.Start());
    const std::string origin = fixture_.portal.Origin().toStdString();
    QCOMPARE(fixture_.window->MainView()->LocationURL(), origin + "/33/disp.asp");
    QCOMPARE(fixture_.window->SideColumn()->LocationURL(), origin + "/33/fl.htm");
}

void MainWindowTest::windowIsFramelessCentredAndAlone() {
    MainWindow& window = *fixture_.window;
    QVERIFY(window.windowFlags().testFlag(Qt::FramelessWindowHint));
    QCOMPARE(window.size(), QSize(626, 418));
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    QVERIFY(qAbs(window.geometry().center().x() - area.center().x()) <= 1);
    QVERIFY(qAbs(window.geometry().center().y() - area.center().y()) <= 1);
    QCOMPARE(window.windowTitle(), QStringLiteral("Lorvex 3.2(测试版)"));
    int visibleWindows = 0;
    for (QWidget* top : QApplication::topLevelWidgets()) visibleWindows += top->isVisible();
    QCOMPARE(visibleWindows, 1);
    QVERIFY(!window.Browsing().HasPopup());
}

void MainWindowTest::contentLayoutAtStartSize() {
    MainWindow& window = *fixture_.window;
    QCOMPARE(window.MainView()->geometry(), QRect(8, 38, 390, 368));
    QCOMPARE(window.SideColumn()->geometry(), QRect(398, 38, 220, 257));
    QCOMPARE(window.Panel().panel->pos(), QPoint(398, 293));
}

// Narrower than the panel, the pass stops at the main view's width: only the main view's
// left edge, the first step, is placed.
void MainWindowTest::narrowWindowStillPlacesTheMainView() {
    MainWindow& window = *fixture_.window;
    const QSize size = window.size();
    const QRect side = window.SideColumn()->geometry();
    window.MainView()->move(50, 60);
    window.resize(200, size.height());
    QVERIFY(WaitUntil([&] { return window.width() == 200; }));
    QCOMPARE(window.MainView()->geometry(), QRect(8, 60, 390, 368));
    QCOMPARE(window.SideColumn()->geometry(), side);
    window.resize(size);
    QVERIFY(WaitUntil([&] { return window.size() == size; }));
    QCOMPARE(window.MainView()->geometry(), QRect(8, 38, 390, 368));
}

void MainWindowTest::buttonGridAndCaptions() {
    MainWindow& window = *fixture_.window;
    const QStringList captions = {"分类", "后退", "前进", "置顶", "关于", "编辑", "收藏",
                                  "曲库", "铃声", "电影", "眩图", "建议", "找歌", "登陆网站下载"};
    for (int number = 1; number <= 14; ++number) {
        QCOMPARE(window.Panel().Button(number)->text(), captions[number - 1]);
    }
    // Columns at 120, 730, 1340, 1950 twips and rows at 400, 710, 1020, each 600 x 300.
    const int columns[] = {8, 49, 89, 130};
    const int rows[] = {27, 47, 68};
    for (int number = 1; number <= 12; ++number) {
        const QRect cell = window.Panel().Button(number)->geometry();
        QCOMPARE(cell.left(), columns[(number - 1) % 4]);
        QCOMPARE(cell.top(), rows[(number - 1) / 4]);
        QVERIFY(qAbs(cell.width() - 40) <= 1);
        QCOMPARE(cell.height(), 20);
    }
    QCOMPARE(window.Panel().portalHome->x(), window.Panel().search->x());
    QCOMPARE(window.Panel().portalHome->width(), window.Panel().search->width());
    QCOMPARE(window.Panel().portalHome->geometry().top(), 32);
    QCOMPARE(window.Panel().portalHome->height(), 57);
    QCOMPARE(window.Panel().search->geometry(), QRect(176, 8, 41, 17));
}

void MainWindowTest::maximiseGlyphAndGrips() {
    MainWindow& window = *fixture_.window;
    QCOMPARE(window.Frame().maximiseGlyph->Picture().size(), QSize(13, 13));
    QCOMPARE(window.Frame().maxRestoreButton->Picture().toImage(),
             window.Frame().maximiseGlyph->Picture().toImage());
    for (PictureElement* grip : window.Frame().grips) QVERIFY(grip->isVisible());
}

void MainWindowTest::stackingOrderFollowsTheDefinition() {
    MainWindow& window = *fixture_.window;
    // Front first: each control lies above the ones after it.
    const QStringList frontFirst = {"Frame1",
                                    "WebBrowser2",
                                    "WebBrowser1",
                                    "imgTitleMaximize",
                                    "imgTitleRestore",
                                    "imgTitleMaxRestore",
                                    "Resizer",
                                    "lblTitle",
                                    "imgTitleMinimize",
                                    "imgTitleClose",
                                    "imgTitleHelp",
                                    "imgTitleLeft",
                                    "imgTitleRight",
                                    "imgWindowBottomLeft",
                                    "imgWindowBottomRight",
                                    "imgTitleMain",
                                    "imgWindowBottom",
                                    "imgWindowLeft",
                                    "imgWindowRight"};
    const QObjectList children = window.children();
    auto stackIndex = [&](const QString& name) {
        for (qsizetype i = children.size() - 1; i >= 0; --i) {
            if (children[i]->objectName() == name) return i;
        }
        return qsizetype{-1};
    };
    for (qsizetype i = 0; i + 1 < frontFirst.size(); ++i) {
        const qsizetype above = stackIndex(frontFirst[i]);
        const qsizetype below = stackIndex(frontFirst[i + 1]);
        QVERIFY2(above >= 0 && below >= 0 && above > below,
                 qPrintable(frontFirst[i] + " above " + frontFirst[i + 1]));
    }
}

LORVEX_UI_TEST_MAIN(MainWindowTest)
#include "test_main_window.moc"
