#include "ui/app/MainWindowControls.h"

#include <QFrame>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <utility>

#include "core/geometry/frame_geometry.h"
#include "core/geometry/layout.h"
#include "ui/app/CommandButton.h"
#include "ui/skin/PictureElement.h"
#include "ui/web/BrowserView.h"

namespace lorvex {

namespace {

// The buttons inside the panel as designed (twips), Command1 first.
constexpr std::array<TwipRect, 14> kDesignedButtons = {{
    {120, 480, 615, 225},    // Command1
    {840, 480, 615, 255},    // Command2
    {1560, 480, 615, 255},   // Command3
    {2160, 480, 615, 255},   // Command4
    {120, 840, 615, 255},    // Command5
    {840, 840, 615, 255},    // Command6
    {1560, 840, 615, 300},   // Command7
    {2160, 840, 615, 300},   // Command8
    {120, 1200, 615, 225},   // Command9
    {840, 1080, 615, 300},   // Command10
    {1560, 1200, 615, 225},  // Command11
    {2160, 1200, 615, 225},  // Command12
    {2640, 120, 615, 255},   // Command13
    {2760, 480, 495, 855},   // Command14
}};

// The captions as designed, Command1 first ("" for none). Start-up replaces most of them,
// so the designed caption of a button is not always what it does ("编辑" stands on
// Command5, which shows the about page once started).
const std::array<QString, 14> kDesignedCaptions = {
    QStringLiteral("首页"), QStringLiteral("上一页"),       QStringLiteral("下一页"),
    QStringLiteral("置顶"), QStringLiteral("编辑"),         QString(),
    QStringLiteral("收藏"), QStringLiteral("曲库"),         QStringLiteral("铃声"),
    QStringLiteral("电影"), QStringLiteral("眩图"),         QStringLiteral("关于"),
    QStringLiteral("找歌"), QStringLiteral("登陆网站下载"),
};

// Captions set at start-up, by designer number, in the order they are set.
const std::array<std::pair<int, QString>, 12> kStartupCaptions = {{
    {1, QStringLiteral("分类")},
    {2, QStringLiteral("后退")},
    {3, QStringLiteral("前进")},
    {4, QStringLiteral("置顶")},
    {5, QStringLiteral("关于")},
    {6, QStringLiteral("编辑")},
    {7, QStringLiteral("收藏")},
    {8, QStringLiteral("曲库")},
    {12, QStringLiteral("建议")},
    {10, QStringLiteral("电影")},
    {11, QStringLiteral("眩图")},
    {9, QStringLiteral("铃声")},
}};

// A frame picture of `size` for a screen of `scale` device pixels to the pixel: where the
// screen is scaled, Qt takes the picture drawn at twice the size (name@2x.png) by itself.
QPixmap Picture(const char* file, QSize size, qreal scale) {
    return QIcon(QStringLiteral(":/pictures/") + QString::fromLatin1(file)).pixmap(size, scale);
}

void PlaceInTwips(QWidget* control, const TwipRect& twips, double twipsPerPixel) {
    const PixelRect px = TwipRectToPixels(twips, twipsPerPixel);
    control->setGeometry(px.left, px.top, px.width, px.height);
}

PictureElement* Hidden(PictureElement* element) {
    element->hide();
    return element;
}

QLabel* CreateTitleLabel(QWidget* window) {
    auto* title = new QLabel(QStringLiteral("Lorvex 3.2(测试版)"), window);
    title->setObjectName(QStringLiteral("lblTitle"));
    title->resize(143, 16);
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(9.75);
    font.setBold(true);
    title->setFont(font);
    QPalette colours = title->palette();
    colours.setColor(QPalette::WindowText, Qt::white);
    title->setPalette(colours);
    title->setAttribute(Qt::WA_TranslucentBackground);
    return title;
}

// The grips: invisible hit areas showing only their cursor, hidden until laid out.
std::array<PictureElement*, 8> CreateGrips(QWidget* window) {
    struct Grip {
        QSize size;
        Qt::CursorShape cursor;
    };
    const Grip grips[8] = {
        {{5, 25}, Qt::SizeHorCursor},    {{5, 25}, Qt::SizeHorCursor},
        {{57, 5}, Qt::SizeVerCursor},    {{57, 5}, Qt::SizeVerCursor},
        {{11, 11}, Qt::SizeFDiagCursor}, {{11, 11}, Qt::SizeBDiagCursor},
        {{11, 11}, Qt::SizeBDiagCursor}, {{11, 11}, Qt::SizeFDiagCursor},
    };
    std::array<PictureElement*, 8> made{};
    for (int index = 0; index < 8; ++index) {
        auto* grip = new PictureElement(QStringLiteral("Resizer"), window, index);
        grip->resize(grips[index].size);
        grip->setCursor(grips[index].cursor);
        made[static_cast<std::size_t>(index)] = Hidden(grip);
    }
    return made;
}

}  // namespace

std::array<CommandButton*, 14> PanelControls::Buttons() const {
    return {categories, back,      forward, stayOnTop, about, editFavourites, collect,
            library,    ringtones, movies,  animation, forum, search,         portalHome};
}

CommandButton* PanelControls::Button(int number) const {
    return number >= 1 && number <= 14 ? Buttons()[static_cast<std::size_t>(number - 1)] : nullptr;
}

// Children are created back to front: a later child lies above an earlier one. The
// stretched edges lie beneath the corners, the title pictures beneath the title buttons
// and label, the grips above every picture.
FrameControls CreateFrame(QWidget* window) {
    const qreal scale = window->devicePixelRatioF();
    auto picture = [window, scale](const char* name, const char* file, QSize size, bool stretch) {
        auto* element = new PictureElement(QString::fromLatin1(name), window);
        if (file != nullptr) element->SetPicture(Picture(file, size, scale));
        element->SetStretch(stretch);
        element->resize(size);
        return element;
    };
    const QSize piece(19, 30);
    const QSize button(13, 13);
    FrameControls frame;
    frame.rightEdge = picture("imgWindowRight", "window_right.png", piece, true);
    frame.leftEdge = picture("imgWindowLeft", "window_left.png", piece, true);
    frame.bottomEdge = picture("imgWindowBottom", "window_bottom.png", piece, true);
    frame.titleMain = picture("imgTitleMain", "title_main.png", piece, true);
    frame.bottomRightCorner =
        picture("imgWindowBottomRight", "window_bottom_right.png", piece, false);
    frame.bottomLeftCorner = picture("imgWindowBottomLeft", "window_bottom_left.png", piece, false);
    frame.titleRight = picture("imgTitleRight", "title_right.png", piece, false);
    frame.titleLeft = picture("imgTitleLeft", "title_left.png", piece, false);
    frame.helpButton = picture("imgTitleHelp", "help.png", button, false);
    frame.closeButton = picture("imgTitleClose", "close.png", button, false);
    frame.minimiseButton = picture("imgTitleMinimize", "minimize.png", button, false);
    frame.titleLabel = CreateTitleLabel(window);
    frame.grips = CreateGrips(window);
    // The visible maximise/restore button has no picture of its own; start-up gives it the
    // maximise glyph, which it takes from the hidden store like the restore glyph.
    frame.maxRestoreButton = picture("imgTitleMaxRestore", nullptr, button, false);
    const std::pair<PictureElement*, QString> titleButtons[] = {
        {frame.helpButton, QStringLiteral("帮助")},
        {frame.minimiseButton, QStringLiteral("最小化")},
        {frame.maxRestoreButton, QStringLiteral("最大化/还原")},
        {frame.closeButton, QStringLiteral("关闭")},
    };
    for (const auto& [titleButton, name] : titleButtons) {
        titleButton->MakeButton();
        titleButton->setAccessibleName(name);
    }
    frame.restoreGlyph = Hidden(picture("imgTitleRestore", "restore.png", button, false));
    frame.maximiseGlyph = Hidden(picture("imgTitleMaximize", "maximize.png", button, false));
    return frame;
}

BrowserViews CreateViews(QWidget* window) {
    BrowserViews views;
    views.sideColumn = new BrowserView(window);
    views.sideColumn->setObjectName(QStringLiteral("WebBrowser1"));
    views.sideColumn->setGeometry(360, 96, 105, 105);
    views.mainView = new BrowserView(window);
    views.mainView->setObjectName(QStringLiteral("WebBrowser2"));
    views.mainView->setGeometry(8, 72, 352, 105);
    return views;
}

PanelControls CreatePanel(QWidget* window, double twipsPerPixel) {
    PanelControls controls;
    auto* panel = new QFrame(window);
    panel->setObjectName(QStringLiteral("Frame1"));
    panel->setGeometry(360, 280, 220, 113);
    panel->setAutoFillBackground(true);
    QPalette grey = panel->palette();
    grey.setColor(QPalette::Window, QColor(QRgb(kFrameGrey)));
    panel->setPalette(grey);
    controls.panel = panel;

    controls.notice = new QLabel(QStringLiteral("3.2测试版不支持MTV下载"), panel);
    controls.notice->setObjectName(QStringLiteral("Label1"));
    PlaceInTwips(controls.notice, {360, 1440, 3135, 255}, twipsPerPixel);

    auto button = [&](int number) {
        const auto index = static_cast<std::size_t>(number - 1);
        auto* made = new CommandButton(QStringLiteral("Command%1").arg(number),
                                       kDesignedCaptions[index], panel);
        PlaceInTwips(made, kDesignedButtons[index], twipsPerPixel);
        return made;
    };
    // Back to front, as designed: Command1 lowest, the search box under the last two.
    CommandButton** grid[12] = {&controls.categories, &controls.back,      &controls.forward,
                                &controls.stayOnTop,  &controls.about,     &controls.editFavourites,
                                &controls.collect,    &controls.library,   &controls.ringtones,
                                &controls.movies,     &controls.animation, &controls.forum};
    for (int number = 1; number <= 12; ++number) *grid[number - 1] = button(number);

    controls.searchBox = new QLineEdit(panel);
    controls.searchBox->setObjectName(QStringLiteral("Text1"));
    controls.searchBox->setAccessibleName(QStringLiteral("搜索歌曲"));
    PlaceInTwips(controls.searchBox, {120, 120, 2415, 270}, twipsPerPixel);
    QPalette box = controls.searchBox->palette();
    box.setColor(QPalette::Base, QColor(0xe0, 0xe0, 0xe0));
    controls.searchBox->setPalette(box);
    controls.searchBox->setFrame(true);

    controls.search = button(13);
    controls.portalHome = button(14);
    return controls;
}

void LayoutButtonGrid(const PanelControls& panel, double twipsPerPixel) {
    const std::array<TwipRect, 14> grid = StartupButtonGrid(kDesignedButtons);
    for (int number = 1; number <= 14; ++number) {
        if (number == 13) continue;  // the search button keeps its designed place
        PlaceInTwips(panel.Button(number), grid[static_cast<std::size_t>(number - 1)],
                     twipsPerPixel);
    }
}

void SetStartupCaptions(const PanelControls& panel) {
    for (const auto& [number, caption] : kStartupCaptions) panel.Button(number)->setText(caption);
}

}  // namespace lorvex
