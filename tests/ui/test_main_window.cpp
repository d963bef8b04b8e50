// The main window as it starts: its definition, the load handler and the first content
// layout, against real WebEngine views and the in-process demo portal.
#include <QApplication>
#include <QScreen>

#include "app/Form1.h"
#include "support/UiTestSupport.h"

using namespace lorvex;
using namespace lorvex::testing;

class MainWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void definitionBeforeLoad();
    void startsOnBothPortalPages();
    void windowIsFramelessCentredAndAlone();
    void contentLayoutAtStartSize();
    void buttonGridAndCaptions();
    void maximiseGlyphAndGrips();
    void stackingOrderFollowsTheDefinition();

  private:
    PortalWindow fixture_;
};

void MainWindowTest::definitionBeforeLoad() {
    frmMain bare("http://127.0.0.1:1");
    QCOMPARE(bare.size(), QSize(626, 418));
    QVERIFY(bare.Command6->text().isEmpty());
    QCOMPARE(bare.Command1->text(), QStringLiteral("首页"));
    QVERIFY(bare.imgTitleMaxRestore->Picture().isNull());
    for (PictureElement* grip : bare.Resizer) QVERIFY(grip->isHidden());
    QVERIFY(bare.imgTitleMaximize->isHidden());
    QVERIFY(bare.imgTitleRestore->isHidden());
    QCOMPARE(bare.Frame1->size(), QSize(220, 113));
    // Every frame picture is loaded, at its designed size.
    const std::pair<PictureElement*, QSize> pictures[] = {
        {bare.imgTitleLeft, {19, 30}},        {bare.imgTitleMain, {19, 30}},
        {bare.imgTitleRight, {19, 30}},       {bare.imgWindowLeft, {19, 30}},
        {bare.imgWindowRight, {19, 30}},      {bare.imgWindowBottom, {19, 30}},
        {bare.imgWindowBottomLeft, {19, 30}}, {bare.imgWindowBottomRight, {19, 30}},
        {bare.imgTitleClose, {13, 13}},       {bare.imgTitleMinimize, {13, 13}},
        {bare.imgTitleHelp, {13, 13}},        {bare.imgTitleRestore, {13, 13}},
        {bare.imgTitleMaximize, {13, 13}}};
    for (const auto& [element, size] : pictures) {
        QVERIFY2(element->Picture().size() == size, qPrintable(element->objectName()));
    }
    // The window's icon carries every size the desktop's icon theme gets.
    const QList<QSize> iconSizes{{16, 16}, {32, 32}, {48, 48}, {64, 64}, {128, 128}, {256, 256}};
    QCOMPARE(bare.windowIcon().availableSizes(), iconSizes);
    // Frame1's children are designed in twips: 15 to the pixel here.
    QCOMPARE(bare.TwipsPerPixelX(), 15.0);
    QCOMPARE(bare.Text1->geometry(), QRect(8, 8, 161, 18));
    QCOMPARE(bare.Command14->size(), QSize(33, 57));
    QCOMPARE(bare.Label1->text(), QStringLiteral("3.2测试版不支持MTV下载"));
    // Nothing has asked for a page: no browser has started.
    QVERIFY(bare.findChildren<QWebEnginePage*>().isEmpty());
}

void MainWindowTest::startsOnBothPortalPages() {
    QVERIFY(fixture_.Start());
    const std::string origin = fixture_.portal.origin().toStdString();
    QCOMPARE(fixture_.window->WebBrowser2->LocationURL(), origin + "/33/disp.asp");
    QCOMPARE(fixture_.window->WebBrowser1->LocationURL(), origin + "/33/fl.htm");
}

void MainWindowTest::windowIsFramelessCentredAndAlone() {
    frmMain& window = *fixture_.window;
    QVERIFY(window.windowFlags().testFlag(Qt::FramelessWindowHint));
    QCOMPARE(window.size(), QSize(626, 418));
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    QVERIFY(qAbs(window.geometry().center().x() - area.center().x()) <= 1);
    QVERIFY(qAbs(window.geometry().center().y() - area.center().y()) <= 1);
    QCOMPARE(window.windowTitle(), QStringLiteral("Lorvex 3.2(测试版)"));
    int visibleWindows = 0;
    for (QWidget* top : QApplication::topLevelWidgets()) visibleWindows += top->isVisible();
    QCOMPARE(visibleWindows, 1);
    QVERIFY(!window.HasPopupHost());
}

void MainWindowTest::contentLayoutAtStartSize() {
    frmMain& window = *fixture_.window;
    QCOMPARE(window.WebBrowser2->geometry(), QRect(8, 38, 390, 368));
    QCOMPARE(window.WebBrowser1->geometry(), QRect(398, 38, 220, 257));
    QCOMPARE(window.Frame1->pos(), QPoint(398, 293));
}

void MainWindowTest::buttonGridAndCaptions() {
    frmMain& window = *fixture_.window;
    const QStringList captions = {"分类", "后退", "前进", "置顶", "关于", "编辑", "收藏",
                                  "曲库", "铃声", "电影", "眩图", "建议", "找歌", "登陆网站下载"};
    for (int number = 1; number <= 14; ++number) {
        QCOMPARE(window.Command(number)->text(), captions[number - 1]);
    }
    // Columns at 120, 730, 1340, 1950 twips and rows at 400, 710, 1020, each 600 x 300.
    const int columns[] = {8, 49, 89, 130};
    const int rows[] = {27, 47, 68};
    for (int number = 1; number <= 12; ++number) {
        const QRect cell = window.Command(number)->geometry();
        QCOMPARE(cell.left(), columns[(number - 1) % 4]);
        QCOMPARE(cell.top(), rows[(number - 1) / 4]);
        QVERIFY(qAbs(cell.width() - 40) <= 1);
        QCOMPARE(cell.height(), 20);
    }
    QCOMPARE(window.Command14->x(), window.Command13->x());
    QCOMPARE(window.Command14->width(), window.Command13->width());
    QCOMPARE(window.Command14->geometry().top(), 32);
    QCOMPARE(window.Command14->height(), 57);
    QCOMPARE(window.Command13->geometry(), QRect(176, 8, 41, 17));
}

void MainWindowTest::maximiseGlyphAndGrips() {
    frmMain& window = *fixture_.window;
    QCOMPARE(window.imgTitleMaximize->Picture().size(), QSize(13, 13));
    QCOMPARE(window.imgTitleMaxRestore->Picture().toImage(),
             window.imgTitleMaximize->Picture().toImage());
    for (PictureElement* grip : window.Resizer) QVERIFY(grip->isVisible());
}

void MainWindowTest::stackingOrderFollowsTheDefinition() {
    frmMain& window = *fixture_.window;
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
