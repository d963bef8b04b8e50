// The skinned frame as a native client of a real Wayland compositor (Weston, run by
// under-weston.sh as a window of the test's X display): transparent corners, the grips
// and the title handing resize and move to the compositor, stay-on-top offered only
// where it can work, and a later copy's hand-over activating the window. What the screen
// shows is read back from the X server; the pointer is real X input from xdotool.
#include <QImage>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>
#include <atomic>
#include <functional>
#include <optional>
#include <thread>

#include "support/SkinWindow.h"
#include "support/XTools.h"
#include "ui/app/SingleInstance.h"
#include "ui/desktop/Platform.h"

using namespace lorvex;
using namespace lorvex::testing;

namespace {

// Weston's background (under-weston.sh), where the window shows none of its own.
const QRgb kBackground = qRgb(0x20, 0x40, 0x60);

// The X display's screen now.
QImage Screenshot() {
    QProcess grab;
    grab.start(QStringLiteral("ffmpeg"),
               {"-v", "error", "-f", "x11grab", "-i", qEnvironmentVariable("DISPLAY"), "-frames:v",
                "1", "-f", "image2pipe", "-c:v", "png", "-"});
    if (!WaitUntil([&] { return grab.state() == QProcess::NotRunning; })) return {};
    return QImage::fromData(grab.readAllStandardOutput(), "PNG")
        .convertToFormat(QImage::Format_RGB32);
}

// Where the window's top-left corner is on the screen: the one place where the title's
// left piece shows (its columns left of the title text, its opaque pixels).
std::optional<QPoint> FindWindow(const QImage& screen) {
    const QImage piece =
        QImage(QStringLiteral(":/pictures/title_left.png")).convertToFormat(QImage::Format_ARGB32);
    QList<QPoint> opaque;
    for (int y = 0; y < piece.height(); ++y) {
        for (int x = 0; x < 16; ++x) {
            if (qAlpha(piece.pixel(x, y)) == 255) opaque << QPoint(x, y);
        }
    }
    if (opaque.isEmpty()) return std::nullopt;
    const QPoint first = opaque.first();
    const QRgb firstColour = piece.pixel(first) | 0xff000000;
    for (int y = 0; y + piece.height() <= screen.height(); ++y) {
        for (int x = 0; x + piece.width() <= screen.width(); ++x) {
            if (screen.pixel(x + first.x(), y + first.y()) != firstColour) continue;
            const bool all = std::all_of(opaque.begin(), opaque.end(), [&](QPoint p) {
                return screen.pixel(x + p.x(), y + p.y()) == (piece.pixel(p) | 0xff000000);
            });
            if (all) return QPoint(x, y);
        }
    }
    return std::nullopt;
}

std::optional<QPoint> WindowOnScreen() { return FindWindow(Screenshot()); }

QString Describe(const std::optional<QPoint>& at) {
    return at ? QStringLiteral("window at %1,%2").arg(at->x()).arg(at->y())
              : QStringLiteral("window not on the screen");
}

}  // namespace

class SkinWaylandTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase();
    void init();
    void cleanup();

    void cornersAreTransparent();
    void stayOnTopIsOfferedDisabled();
    void titleDragMovesTheWindow();
    void laterCopyActivatesTheWindow();
    // Last: the compositor keeps the size it gave.
    void leftGripMovesTheLeftEdge();

  private:
    MainWindow& Window() { return fixture_.Window(); }
    // Presses the left button on `element` at `from` (or the pixel below it), moves the
    // pointer by `travel` and lets go once `arrived` holds.
    static bool Drag(PictureElement* element, QPoint from, QPoint travel,
                     const std::function<bool()>& arrived);

    SkinWindow fixture_;
    QPoint at_;  // where the window is on the screen at the start of a test
};

void SkinWaylandTest::initTestCase() {
    if (!OnWayland()) QSKIP("runs as a Wayland client (tests/ui/wayland/under-weston.sh)");
    if (!HavePrograms({QStringLiteral("xdotool"), QStringLiteral("ffmpeg")})) {
        QSKIP("xdotool and ffmpeg are needed");
    }
    QVERIFY(fixture_.PortalWindow::Start());
}

void SkinWaylandTest::init() {
    MainWindow& window = Window();
    std::optional<QPoint> at;
    QVERIFY2(WaitUntil([&] { return window.size() == QSize(626, 418) && (at = WindowOnScreen()); }),
             qPrintable(Describe(at)));
    at_ = *at;
}

void SkinWaylandTest::cleanup() {
    if (QTest::currentTestFailed()) SkinWindow::ReleaseInput();
}

bool SkinWaylandTest::Drag(PictureElement* element, QPoint from, QPoint travel,
                           const std::function<bool()>& arrived) {
    // The compositor may miss the pointer's first arrival while the window is still being
    // mapped: the press is made again, a pixel lower or higher, until the element has it.
    QSignalSpy pressed(element, &PictureElement::Pressed);
    QPoint at = from;
    int attempt = 0;
    const bool down = WaitUntil([&] {
        if (!pressed.isEmpty()) return true;
        at = from + QPoint(0, attempt++ % 2);
        Xdo(QStringList{"mouseup", "1"} << MoveTo(at) << "mousedown"
                                        << "1");
        return pressed.wait(Deadline(500));
    });
    if (!down) {
        qWarning("no press reached %s", qPrintable(element->objectName()));
        return false;
    }
    QStringList steps;
    for (int part = 1; part <= 5; ++part) steps << MoveTo(at + travel * part / 5);
    // The button stays down until the window has arrived: the compositor's move or resize
    // needs it held until the client has asked for it, and follows only motion that comes
    // after that, so the pointer steps off its last point and back until then.
    const QPoint end = at + travel;
    const bool ok = Xdo(steps) && WaitUntil([&] {
                        if (arrived()) return true;
                        Xdo(MoveTo(end + QPoint(1, 0)) << MoveTo(end));
                        return false;
                    });
    Xdo({"mouseup", "1"});
    return ok;
}

// The corners outside the rounded outline show what lies behind the window, nothing of
// the window itself.
void SkinWaylandTest::cornersAreTransparent() {
    const QImage screen = Screenshot();
    const QPoint corners[] = {{0, 0}, {7, 0}, {0, 7}, {625, 0}, {618, 0}, {0, 417}, {625, 417}};
    for (const QPoint& corner : corners) {
        const QRgb colour = screen.pixel(at_ + corner) & 0xffffff;
        QVERIFY2(colour == (kBackground & 0xffffff),
                 qPrintable(QStringLiteral("(%1,%2) shows #%3")
                                .arg(corner.x())
                                .arg(corner.y())
                                .arg(colour, 6, 16, QLatin1Char('0'))));
    }
    // Just inside the outline the window is opaque.
    QVERIFY((screen.pixel(at_ + QPoint(8, 0)) & 0xffffff) != (kBackground & 0xffffff));
    QVERIFY((screen.pixel(at_ + QPoint(300, 200)) & 0xffffff) != (kBackground & 0xffffff));
}

void SkinWaylandTest::stayOnTopIsOfferedDisabled() {
    const CommandButton* button = Window().Panel().stayOnTop;
    QVERIFY(!button->isEnabled());
    QVERIFY(button->toolTip().contains(QStringLiteral("Wayland")));
    QCOMPARE(button->text(), QStringLiteral("置顶"));
}

// The left grip dragged 100 pixels to the left moves the left edge there; the right edge
// stays where it was.
void SkinWaylandTest::leftGripMovesTheLeftEdge() {
    MainWindow& window = Window();
    PictureElement* grip = window.Frame().grips[0];
    std::optional<QPoint> at;
    QVERIFY2(
        Drag(grip, at_ + grip->geometry().center(), {-100, 0},
             [&] {
                 return window.width() == 726 && (at = WindowOnScreen()) &&
                        *at == at_ - QPoint(100, 0);
             }),
        qPrintable(
            Describe(at) +
            QStringLiteral(", %1 wide, from %2,%3").arg(window.width()).arg(at_.x()).arg(at_.y())));
    QCOMPARE(window.height(), 418);
    // The frame followed the new size.
    QCOMPARE(window.Frame().closeButton->pos(), QPoint(726 - 22, 8));
    QCOMPARE(window.Frame().grips[1]->pos(), QPoint(726 - 5, 30));
}

// The move starts at the first motion with the button down; the compositor moves the
// window by the pointer's whole travel from the press.
void SkinWaylandTest::titleDragMovesTheWindow() {
    const QPoint travel(100, 50);
    std::optional<QPoint> at;
    QVERIFY2(Drag(Window().Frame().titleMain, at_ + QPoint(300, 15), travel,
                  [&] { return (at = WindowOnScreen()) && *at == at_ + travel; }),
             qPrintable(Describe(at) + QStringLiteral(" from %1,%2").arg(at_.x()).arg(at_.y())));
}

// A later copy's request, with the activation token it was started with, brings the
// window back in front of another window that has the focus.
void SkinWaylandTest::laterCopyActivatesTheWindow() {
    MainWindow& window = Window();
    QTemporaryDir directory;
    QVERIFY(directory.isValid());
    LocalSingleInstanceGuard running(directory.path());
    QVERIFY(!running.OtherCopyRunning());
    QString token;
    connect(&running, &SingleInstanceGuard::ActivationRequested, &window,
            [&](quint32 userTime, const QString& activationToken) {
                token = activationToken;
                BringToFront(&window, userTime, activationToken);
            });

    QWidget other;
    other.setWindowTitle(QStringLiteral("another window"));
    other.resize(700, 500);
    other.show();
    QVERIFY(WaitUntil([&] { return other.isActiveWindow() && !window.isActiveWindow(); }));

    qputenv("XDG_ACTIVATION_TOKEN", "lorvex-test-token");
    LocalSingleInstanceGuard later(directory.path());
    QVERIFY(later.OtherCopyRunning());
    // The later copy keeps the token for the running one; its own windows cannot spend it.
    QVERIFY(qEnvironmentVariableIsEmpty("XDG_ACTIVATION_TOKEN"));
    std::atomic<bool> done = false;
    bool answered = false;
    std::thread worker([&] {
        answered = later.BringRunningCopyToFront();
        done = true;
    });
    WaitUntil([&] { return done.load(); });
    worker.join();
    QVERIFY(answered);
    QVERIFY(WaitUntil([&] { return window.isActiveWindow(); }));
    QCOMPARE(token, QStringLiteral("lorvex-test-token"));
    QVERIFY(window.isVisible());
    QCOMPARE(window.size(), QSize(626, 418));
}

LORVEX_UI_TEST_MAIN(SkinWaylandTest)
#include "test_skin_wayland.moc"
