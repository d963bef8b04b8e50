#include "ui/app/MainWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScreen>
#include <QUrl>
#include <optional>
#include <utility>

#include "core/geometry/layout.h"
#include "core/geometry/units.h"
#include "ui/app/CommandButton.h"
#include "ui/app/SingleInstance.h"
#include "ui/app/build_config.h"
#include "ui/browsing/BrowsingController.h"
#include "ui/browsing/FullScreenHost.h"
#include "ui/desktop/MessageBoxes.h"
#include "ui/desktop/ScreenUnits.h"
#include "ui/desktop/SystemLauncher.h"
#include "ui/downloads/DownloadsController.h"
#include "ui/favourites/FavouritesController.h"
#include "ui/media/PagePlayerHost.h"
#include "ui/mpris/MprisService.h"
#include "ui/skin/PictureElement.h"
#include "ui/skin/WindowSkin.h"
#include "ui/web/BrowserPage.h"
#include "ui/web/BrowserView.h"
#include "ui/web/PortalOrigin.h"
#include "ui/web/WebProfile.h"
#include "ui/written/WrittenPageStore.h"

// The pictures are compiled into the UI library; a static library's resources must be
// registered by hand.
static void InitialisePictures() { Q_INIT_RESOURCE(resources); }

namespace lorvex {

namespace {

constexpr QSize kDesignedSize(626, 418);

}  // namespace

MainWindow::MainWindow(std::string_view portalOrigin, Services services, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowMinMaxButtonsHint),
      portal_(MakePortalAddresses(NormaliseOrigin(portalOrigin), kBuildForumOrigin)),
      services_(std::move(services)),
      ownServices_(FillInDefaults(services_)) {
    InitialisePictures();
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QString());
    // The same pictures as the desktop's icon theme gets at install.
    QIcon icon;
    for (const char* name :
         {"icon16.png", "icon32.png", "icon48.png", "icon64.png", "icon128.png", "icon256.png"}) {
        icon.addPixmap(QPixmap(QStringLiteral(":/pictures/") + QString::fromLatin1(name)));
    }
    setWindowIcon(icon);
    resize(kDesignedSize);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(kDesignedSize.width() / 2, kDesignedSize.height() / 2));
    }

    CreateControls();
    skin_ = new WindowSkin(this);
    browsing_ = new BrowsingController(portal_, mainView_, sideColumn_, panel_.searchBox,
                                       services_.launcher, this);
    favourites_ = new FavouritesController(
        portal_,
        {mainView_, sideColumn_, panel_.collect, panel_.library, services_.messages,
         services_.launcher, services_.documentsFolder, this},
        this);
    WireControls();
}

MainWindow::~MainWindow() = default;

// Children are created back to front: a later child lies above an earlier one.
void MainWindow::CreateControls() {
    frame_ = CreateFrame(this);
    const BrowserViews views = CreateViews(this);
    sideColumn_ = views.sideColumn;
    mainView_ = views.mainView;
    writtenPages_ = new WrittenPageStore(this);
    sideColumn_->SetWrittenPages(writtenPages_);
    mainView_->SetWrittenPages(writtenPages_);
    panel_ = CreatePanel(this, TwipsPerPixelX(this));

    // Keyboard order follows the designed tab indexes.
    QWidget::setTabOrder(sideColumn_, mainView_);
    QWidget::setTabOrder(mainView_, panel_.panel);
    QWidget* previous = panel_.panel;
    for (int number = 1; number <= 12; ++number) {
        QWidget::setTabOrder(previous, panel_.Button(number));
        previous = panel_.Button(number);
    }
    QWidget::setTabOrder(previous, panel_.searchBox);
    QWidget::setTabOrder(panel_.searchBox, panel_.search);
    QWidget::setTabOrder(panel_.search, panel_.portalHome);
}

// Every control and the feature that answers it, in one place.
void MainWindow::WireControls() {
    const PanelControls& p = panel_;
    auto onClick = [this](CommandButton* button, auto handler) {
        connect(button, &QPushButton::clicked, this, handler);
    };
    BrowsingController* browsing = browsing_;
    onClick(p.categories, [browsing] { browsing->ShowCategories(); });
    onClick(p.back, [browsing] { browsing->Back(); });
    onClick(p.forward, [browsing] { browsing->Forward(); });
    onClick(p.about, [browsing] { browsing->ShowAbout(); });
    onClick(p.search, [browsing] { browsing->Search(); });
    onClick(p.ringtones, [browsing] { browsing->OpenRingtones(); });
    onClick(p.movies, [browsing] { browsing->OpenMovies(); });
    onClick(p.animation, [browsing] { browsing->OpenAnimation(); });
    onClick(p.forum, [browsing] { browsing->OpenForum(); });
    onClick(p.portalHome, [browsing] { browsing->OpenPortalHome(); });
    // Return in the search box searches as the button does; the key still reaches the box.
    connect(p.searchBox, &QLineEdit::returnPressed, this, [browsing] { browsing->Search(); });

    FavouritesController* favourites = favourites_;
    onClick(p.collect, [favourites] { favourites->Collect(); });
    onClick(p.library, [favourites] { favourites->ShowLibrary(); });
    onClick(p.editFavourites, [favourites] { favourites->EditFavourites(); });
    // Collect follows the main view's documents.
    connect(browsing, &BrowsingController::MainViewCompleted, favourites,
            &FavouritesController::MainViewCompleted);

    // The main view back from full screen takes its place in the window as it is now.
    connect(&browsing->FullScreen(), &FullScreenHost::ViewReturned, this,
            [this] { LayoutContent(); });

    WindowSkin* skin = skin_;
    onClick(p.stayOnTop, [skin, button = p.stayOnTop] { skin->ToggleStayOnTop(button); });
    skin->OfferStayOnTop(p.stayOnTop);
    // A press of any mouse button on the title bar moves the window; the title label is a
    // plain label, whose presses come through eventFilter.
    for (PictureElement* piece : {frame_.titleLeft, frame_.titleMain, frame_.titleRight}) {
        connect(piece, &PictureElement::Pressed, this,
                [skin](Qt::MouseButton, QPoint at) { skin->DragWindow(at); });
    }
    frame_.titleLabel->installEventFilter(this);
    connect(frame_.maxRestoreButton, &PictureElement::Clicked, this,
            [skin] { skin->ToggleMaximize(); });
    connect(frame_.titleMain, &PictureElement::DoubleClicked, this,
            [skin] { skin->ToggleMaximize(); });
    // Closing is the end of the program: nothing is asked or saved.
    connect(frame_.closeButton, &PictureElement::Clicked, this, [this] { close(); });
    connect(frame_.minimiseButton, &PictureElement::Clicked, this, [this] { showMinimized(); });
    for (PictureElement* grip : frame_.grips) {
        connect(grip, &PictureElement::Pressed, this,
                [skin, grip](Qt::MouseButton, QPoint at) { skin->GripPressed(grip->Index(), at); });
        connect(grip, &PictureElement::Released, this, [skin, grip](Qt::MouseButton, QPoint at) {
            skin->GripReleased(grip->Index(), at);
        });
    }
}

void MainWindow::Load() {
    CheckExist(this);
    // The profile is this copy's alone from here on: its downloads ask over this window.
    // Only the two views the user sees may ask; the question keeps their input, and the
    // panel's, while it is open.
    downloads_ = new DownloadsController(
        WebProfile(), this,
        [views = QList<BrowserView*>{mainView_, sideColumn_}](
            const QWebEnginePage* page) -> std::optional<quint64> {
            for (BrowserView* view : views) {
                if (page != nullptr && page == view->page())
                    return view->EnsurePage()->DocumentNumber();
            }
            return std::nullopt;
        },
        {mainView_, sideColumn_, panel_.panel}, services_.askSavePath);
    // Songs play in the main view's portal pages only.
    players_ = new PagePlayerHost(mainView_, mainView_->EnsurePage(),
                                  QUrl(QString::fromStdString(portal_.origin)));
    // The desktop's media controls follow them, and go with them. Quit closes the window
    // as its close button does, once the desktop's call has returned.
    new MprisService(
        players_,
        QString::fromUtf8(kDesktopFileName.data(), static_cast<qsizetype>(kDesktopFileName.size())),
        [this] { BringToFront(this, 0, {}); },
        [this] { QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection); },
        players_);
    // The pages are asked for first, in their order: the engine then starts its renderers
    // and fetches them while the frame and the buttons are laid out.
    mainView_->Navigate(QString::fromStdString(portal_.idle));
    sideColumn_->Navigate(QString::fromStdString(portal_.categories));
    skin_->LayoutSkin(true);
    frame_.maxRestoreButton->SetPicture(frame_.maximiseGlyph->Picture());
    LayoutButtonGrid(panel_, TwipsPerPixelX(this));
    SetStartupCaptions(panel_);
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    LayoutContent();
}

// Places the two views and the panel for the window's current size; a pass that meets a
// negative size stops there and leaves the rest where it was. The main view is left alone
// while it is in full screen, and placed once it is back.
void MainWindow::LayoutContent() {
    if (panel_.panel == nullptr) return;
    const ContentPass pass = ContentLayout(
        static_cast<float>(width()), static_cast<float>(height()),
        static_cast<float>(panel_.panel->width()), static_cast<float>(panel_.panel->height()));
    QRect main = mainView_->geometry();
    QRect side = sideColumn_->geometry();
    QPoint panel = panel_.panel->pos();
    for (const ContentStep& step : pass.steps) {
        const int value = RoundHalfEven(step.value);
        switch (step.target) {
            case ContentTarget::MainViewLeft:
                main.moveLeft(value);
                break;
            case ContentTarget::MainViewWidth:
                main.setWidth(value);
                break;
            case ContentTarget::MainViewHeight:
                main.setHeight(value);
                break;
            case ContentTarget::MainViewTop:
                main.moveTop(value);
                break;
            case ContentTarget::SideColumnHeight:
                side.setHeight(value);
                break;
            case ContentTarget::SideColumnTop:
                side.moveTop(value);
                break;
            case ContentTarget::SideColumnLeft:
                side.moveLeft(value);
                break;
            case ContentTarget::SideColumnWidth:
                side.setWidth(value);
                break;
            case ContentTarget::PanelTop:
                panel.setY(value);
                break;
            case ContentTarget::PanelLeft:
                panel.setX(value);
                break;
        }
        if (mainView_->parentWidget() == this) {
            mainView_->Place(main.x(), main.y(), main.width(), main.height());
        }
        sideColumn_->Place(side.x(), side.y(), side.width(), side.height());
        panel_.panel->move(panel);
    }
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // However the window is closed (the close picture, Alt+F4, the taskbar), the whole
    // program ends, pop-up host included, without waiting for pages still loading. A page's
    // open dialog is cancelled and no page gets another one.
    event->accept();
    // Downloads end with the program: their partial files go, and nothing more is asked.
    if (downloads_ != nullptr) downloads_->EndAll();
    // Whatever plays stops at once.
    delete std::exchange(players_, nullptr);
    sideColumn_->SilenceDialogs();
    mainView_->SilenceDialogs();
    browsing_->ClosePopup();
    QCoreApplication::exit(0);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == frame_.titleLabel) {
        if (event->type() == QEvent::MouseButtonPress) {
            skin_->DragWindow(static_cast<QMouseEvent*>(event)->globalPosition().toPoint());
            return true;
        }
        if (event->type() == QEvent::MouseButtonDblClick) {
            skin_->ToggleMaximize();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void MainWindow::CheckExist(QWidget* fm) {
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

}  // namespace lorvex
