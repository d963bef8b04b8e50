#include "app/frmMain.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QStandardPaths>
#include <cstdio>
#include <cstdlib>

#include "app/Form1.h"
#include "app/MessageBox.h"
#include "app/SingleInstance.h"
#include "browsing/PortalOrigin.h"
#include "browsing/UrlLauncher.h"
#include "core/geometry/layout.h"
#include "core/geometry/units.h"
#include "skin/Module1.h"

// The pictures are compiled into the UI library; a static library's resources must be
// registered by hand.
static void InitialisePictures() { Q_INIT_RESOURCE(resources); }

namespace lorvex {

namespace {

const QColor kPanelGrey(0xcf, 0xcf, 0xcf);

// The buttons inside Frame1 as designed (twips), Command1 first.
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

// Designed captions, Command1 first ("" for none).
const std::array<QString, 14> kDesignedCaptions = {
    QStringLiteral("首页"), QStringLiteral("上一页"),       QStringLiteral("下一页"),
    QStringLiteral("置顶"), QStringLiteral("编辑"),         QString(),
    QStringLiteral("收藏"), QStringLiteral("曲库"),         QStringLiteral("铃声"),
    QStringLiteral("电影"), QStringLiteral("眩图"),         QStringLiteral("关于"),
    QStringLiteral("找歌"), QStringLiteral("登陆网站下载"),
};

// Captions set at start-up, in the order they are set.
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

QPixmap Picture(const char* file) {
    return QPixmap(QStringLiteral(":/pictures/") + QString::fromLatin1(file));
}

}  // namespace

frmMain::frmMain(std::string portalOrigin, Services services, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowMinMaxButtonsHint),
      portalOrigin_(NormaliseOrigin(portalOrigin)),
      services_(std::move(services)) {
    if (services_.messages == nullptr) {
        ownMessages_ = std::make_unique<QtMessageBoxes>();
        services_.messages = ownMessages_.get();
    }
    if (services_.launcher == nullptr) {
        ownLauncher_ = std::make_unique<DesktopLauncher>();
        services_.launcher = ownLauncher_.get();
    }
    if (!services_.exitProcess) {
        services_.exitProcess = [](int code) {
            std::fflush(nullptr);
            std::_Exit(code);
        };
    }
    if (!services_.documentsFolder) {
        services_.documentsFolder = [] {
            return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        };
    }

    InitialisePictures();
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QString());
    // The same pictures as the desktop's icon theme gets at install.
    QIcon icon;
    for (const char* name :
         {"icon16.png", "icon32.png", "icon48.png", "icon64.png", "icon128.png", "icon256.png"}) {
        icon.addPixmap(Picture(name));
    }
    setWindowIcon(icon);
    resize(626, 418);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(626 / 2, 418 / 2));
    }

    CreateControls();
    WireEvents();
}

frmMain::~frmMain() = default;

double frmMain::TwipsPerPixelX() const {
    const QScreen* current = screen();
    return TwipsPerPixel(current ? current->logicalDotsPerInchX() : 96.0);
}

double frmMain::TwipsPerPixelY() const {
    const QScreen* current = screen();
    return TwipsPerPixel(current ? current->logicalDotsPerInchY() : 96.0);
}

CommandButton* frmMain::Command(int number) const {
    const std::array<CommandButton*, 14> buttons = {
        Command1, Command2, Command3,  Command4,  Command5,  Command6,  Command7,
        Command8, Command9, Command10, Command11, Command12, Command13, Command14};
    return number >= 1 && number <= 14 ? buttons[static_cast<std::size_t>(number - 1)] : nullptr;
}

// Children are created back to front: a later child lies above an earlier one.
void frmMain::CreateControls() {
    CreateFrameElements();

    WebBrowser1 = new BrowserView(this);
    WebBrowser1->setObjectName(QStringLiteral("WebBrowser1"));
    WebBrowser1->setGeometry(360, 96, 105, 105);
    WebBrowser2 = new BrowserView(this);
    WebBrowser2->setObjectName(QStringLiteral("WebBrowser2"));
    WebBrowser2->setGeometry(8, 72, 352, 105);

    CreatePanel();

    // Keyboard order follows the designed tab indexes.
    QWidget::setTabOrder(WebBrowser1, WebBrowser2);
    QWidget::setTabOrder(WebBrowser2, Frame1);
    QWidget* previous = Frame1;
    for (int number = 1; number <= 12; ++number) {
        QWidget::setTabOrder(previous, Command(number));
        previous = Command(number);
    }
    QWidget::setTabOrder(previous, Text1);
    QWidget::setTabOrder(Text1, Command13);
    QWidget::setTabOrder(Command13, Command14);
}

void frmMain::CreateFrameElements() {
    struct Piece {
        PictureElement** element;
        const char* name;
        const char* file;
        QSize size;
        bool stretch;
    };
    // Back first: the stretched edges lie beneath the corners, the title pictures beneath
    // the title buttons and label.
    const Piece pieces[] = {
        {&imgWindowRight, "imgWindowRight", "window_right.bmp", {19, 30}, true},
        {&imgWindowLeft, "imgWindowLeft", "window_left.bmp", {19, 30}, true},
        {&imgWindowBottom, "imgWindowBottom", "window_bottom.bmp", {19, 30}, true},
        {&imgTitleMain, "imgTitleMain", "title_main.gif", {19, 30}, true},
        {&imgWindowBottomRight, "imgWindowBottomRight", "window_bottom_right.bmp", {19, 30}, false},
        {&imgWindowBottomLeft, "imgWindowBottomLeft", "window_bottom_left.bmp", {19, 30}, false},
        {&imgTitleRight, "imgTitleRight", "title_right.gif", {19, 30}, false},
        {&imgTitleLeft, "imgTitleLeft", "title_left.gif", {19, 30}, false},
        {&imgTitleHelp, "imgTitleHelp", "help.gif", {13, 13}, false},
        {&imgTitleClose, "imgTitleClose", "close.gif", {13, 13}, false},
        {&imgTitleMinimize, "imgTitleMinimize", "minimize.gif", {13, 13}, false},
    };
    for (const Piece& piece : pieces) {
        auto* element = new PictureElement(QString::fromLatin1(piece.name), this);
        element->SetPicture(Picture(piece.file));
        element->SetStretch(piece.stretch);
        element->resize(piece.size);
        *piece.element = element;
    }
    imgTitleClose->setAccessibleName(QStringLiteral("关闭"));
    imgTitleMinimize->setAccessibleName(QStringLiteral("最小化"));
    imgTitleHelp->setAccessibleName(QStringLiteral("帮助"));

    lblTitle = new QLabel(QStringLiteral("Lorvex 3.2(测试版)"), this);
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    lblTitle->resize(143, 16);
    QFont titleFont(QStringLiteral("Arial"));
    titleFont.setPointSizeF(9.75);
    titleFont.setBold(true);
    lblTitle->setFont(titleFont);
    QPalette titleColours = lblTitle->palette();
    titleColours.setColor(QPalette::WindowText, Qt::white);
    lblTitle->setPalette(titleColours);
    lblTitle->setAttribute(Qt::WA_TranslucentBackground);

    // The grips: invisible hit areas showing only their cursor, hidden until laid out.
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
    for (int index = 0; index < 8; ++index) {
        auto* grip = new PictureElement(QStringLiteral("Resizer"), this, index);
        grip->resize(grips[index].size);
        grip->setCursor(grips[index].cursor);
        grip->hide();
        Resizer[static_cast<std::size_t>(index)] = grip;
    }

    imgTitleMaxRestore = new PictureElement(QStringLiteral("imgTitleMaxRestore"), this);
    imgTitleMaxRestore->resize(13, 13);
    imgTitleMaxRestore->setAccessibleName(QStringLiteral("最大化/还原"));
    imgTitleRestore = new PictureElement(QStringLiteral("imgTitleRestore"), this);
    imgTitleRestore->SetPicture(Picture("restore.gif"));
    imgTitleRestore->resize(13, 13);
    imgTitleRestore->hide();
    imgTitleMaximize = new PictureElement(QStringLiteral("imgTitleMaximize"), this);
    imgTitleMaximize->SetPicture(Picture("maximize.gif"));
    imgTitleMaximize->resize(13, 13);
    imgTitleMaximize->hide();
}

void frmMain::CreatePanel() {
    const double tppX = TwipsPerPixelX();
    auto placeInTwips = [tppX](QWidget* control, const TwipRect& twips) {
        const PixelRect px = TwipRectToPixels(twips, tppX);
        control->setGeometry(px.left, px.top, px.width, px.height);
    };

    Frame1 = new QFrame(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setGeometry(360, 280, 220, 113);
    Frame1->setAutoFillBackground(true);
    QPalette panel = Frame1->palette();
    panel.setColor(QPalette::Window, kPanelGrey);
    Frame1->setPalette(panel);

    Label1 = new QLabel(QStringLiteral("3.2测试版不支持MTV下载"), Frame1);
    Label1->setObjectName(QStringLiteral("Label1"));
    placeInTwips(Label1, {360, 1440, 3135, 255});

    CommandButton** buttons[14] = {&Command1,  &Command2,  &Command3,  &Command4, &Command5,
                                   &Command6,  &Command7,  &Command8,  &Command9, &Command10,
                                   &Command11, &Command12, &Command13, &Command14};
    auto makeButton = [&](int number) {
        const auto index = static_cast<std::size_t>(number - 1);
        auto* button = new CommandButton(QStringLiteral("Command%1").arg(number),
                                         kDesignedCaptions[index], Frame1);
        placeInTwips(button, kDesignedButtons[index]);
        *buttons[index] = button;
    };
    for (int number = 1; number <= 12; ++number) makeButton(number);

    Text1 = new QLineEdit(Frame1);
    Text1->setObjectName(QStringLiteral("Text1"));
    placeInTwips(Text1, {120, 120, 2415, 270});
    QPalette box = Text1->palette();
    box.setColor(QPalette::Base, QColor(0xe0, 0xe0, 0xe0));
    Text1->setPalette(box);
    Text1->setFrame(true);

    makeButton(13);
    makeButton(14);
}

void frmMain::WireEvents() {
    WireSkinEvents();
    WireBrowsingEvents();
    WireFavouritesEvents();
}

void frmMain::Load() {
    CheckExist(this);
    LayoutSkin(this, true);
    imgTitleMaxRestore->SetPicture(imgTitleMaximize->Picture());
    WebBrowser2->Navigate(QString::fromStdString(Addresses().idle));
    WebBrowser1->Navigate(QString::fromStdString(Addresses().categories));
    LayoutButtonGrid();
    SetStartupCaptions();
    UpdateLibraryButton();
}

void frmMain::LayoutButtonGrid() {
    const std::array<TwipRect, 14> grid = StartupButtonGrid(kDesignedButtons);
    const double tppX = TwipsPerPixelX();
    for (int number = 1; number <= 14; ++number) {
        if (number == 13) continue;  // Command13 keeps its designed place
        const PixelRect px = TwipRectToPixels(grid[static_cast<std::size_t>(number - 1)], tppX);
        Command(number)->setGeometry(px.left, px.top, px.width, px.height);
    }
}

void frmMain::SetStartupCaptions() {
    for (const auto& [number, caption] : kStartupCaptions) Command(number)->setText(caption);
}

void frmMain::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Form_Resize();
}

// Places the two views and the panel for the window's current size; a pass that meets a
// negative size stops there and leaves the rest where it was.
void frmMain::Form_Resize() {
    if (Frame1 == nullptr) return;
    const ContentPass pass =
        ContentLayout(static_cast<float>(width()), static_cast<float>(height()),
                      static_cast<float>(Frame1->width()), static_cast<float>(Frame1->height()));
    QRect main = WebBrowser2->geometry();
    QRect side = WebBrowser1->geometry();
    QPoint panel = Frame1->pos();
    for (const ContentStep& step : pass.steps) {
        const int value = RoundHalfEven(step.value);
        switch (step.target) {
            case ContentTarget::WebBrowser2Left:
                main.moveLeft(value);
                break;
            case ContentTarget::WebBrowser2Width:
                main.setWidth(value);
                break;
            case ContentTarget::WebBrowser2Height:
                main.setHeight(value);
                break;
            case ContentTarget::WebBrowser2Top:
                main.moveTop(value);
                break;
            case ContentTarget::WebBrowser1Height:
                side.setHeight(value);
                break;
            case ContentTarget::WebBrowser1Top:
                side.moveTop(value);
                break;
            case ContentTarget::WebBrowser1Left:
                side.moveLeft(value);
                break;
            case ContentTarget::WebBrowser1Width:
                side.setWidth(value);
                break;
            case ContentTarget::Frame1Top:
                panel.setY(value);
                break;
            case ContentTarget::Frame1Left:
                panel.setX(value);
                break;
        }
        WebBrowser2->Place(main.x(), main.y(), main.width(), main.height());
        WebBrowser1->Place(side.x(), side.y(), side.width(), side.height());
        Frame1->move(panel);
    }
}

void frmMain::imgTitleClose_Click() {
    // Closing is the end of the program: nothing is asked or saved.
    close();
}

void frmMain::imgTitleMinimize_Click() { showMinimized(); }

void frmMain::closeEvent(QCloseEvent* event) {
    // However the window is closed (the close picture, Alt+F4, the taskbar), the whole
    // program ends, pop-up host included, without waiting for pages still loading. A page's
    // open dialog is cancelled and no page gets another one.
    event->accept();
    WebBrowser1->SilenceDialogs();
    WebBrowser2->SilenceDialogs();
    if (popup_) popup_->close();
    QCoreApplication::exit(0);
}

void frmMain::changeEvent(QEvent* event) { QWidget::changeEvent(event); }

// The title label is a plain QLabel: its presses and double-clicks come through here.
bool frmMain::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lblTitle) {
        if (event->type() == QEvent::MouseButtonPress) {
            DragWindow(this, static_cast<QMouseEvent*>(event)->globalPosition().toPoint());
            return true;
        }
        if (event->type() == QEvent::MouseButtonDblClick) {
            ToggleMaximize(this);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void frmMain::CheckExist(QWidget* fm) {
    SingleInstanceGuard* guard = services_.guard;
    if (guard == nullptr || !guard->OtherCopyRunning()) return;
    const QString title = QCoreApplication::applicationName();
    services_.messages->ShowStop(nullptr, title,
                                 QStringLiteral("这程序已经运行,没必要打开这么多吧?"));
    // From here on no window of this copy carries the title.
    QCoreApplication::setApplicationName(QString());
    fm->setWindowTitle(QString());
    guard->BringRunningCopyToFront();
    services_.exitProcess(0);
}

Form1& frmMain::PopupHost() {
    if (!popup_) popup_ = std::make_unique<Form1>();
    return *popup_;
}

}  // namespace lorvex
