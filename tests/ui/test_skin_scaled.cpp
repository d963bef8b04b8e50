// The skinned frame on a screen scaled by two (QT_SCALE_FACTOR=2, set before the
// application starts), on a real X11 window: what the X server shows of the frame is the
// pictures drawn at twice the size, pixel for pixel, with no trace of a key colour.
#include <QScreen>

#include "support/SkinWindow.h"

using namespace lorvex;
using namespace lorvex::testing;

namespace {

// Whether an element above `element` shows at `point` of the window: the window's
// children lie in the order they stack, and the grips above the frame show nothing.
bool Covered(const QWidget& window, const QWidget* element, QPoint point) {
    const QObjectList& children = window.children();
    for (qsizetype i = children.indexOf(element) + 1; i < children.size(); ++i) {
        const auto* above = qobject_cast<const QWidget*>(children[i]);
        if (above != nullptr && above->isVisible() &&
            above->objectName() != QLatin1String("Resizer") && above->geometry().contains(point)) {
            return true;
        }
    }
    return false;
}

}  // namespace

class SkinScaledTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase();
    void framePicturesAreTheTwiceSizeOnes_data();
    void framePicturesAreTheTwiceSizeOnes();
    void noKeyColourOnTheFrame();

  private:
    // The window as the X server shows it, in device pixels.
    QImage Shot();

    SkinWindow fixture_;
};

void SkinScaledTest::initTestCase() {
    QVERIFY(fixture_.Start());
    QCOMPARE(fixture_.Window().devicePixelRatioF(), 2.0);
}

QImage SkinScaledTest::Shot() {
    const MainWindow& window = fixture_.Window();
    const QRect bounds = window.geometry();
    return window.screen()
        ->grabWindow(0, bounds.x(), bounds.y(), bounds.width(), bounds.height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

void SkinScaledTest::framePicturesAreTheTwiceSizeOnes_data() {
    QTest::addColumn<QString>("picture");
    QTest::addColumn<QString>("element");
    QTest::newRow("title, left") << "title_left"
                                 << "imgTitleLeft";
    QTest::newRow("title, right") << "title_right"
                                  << "imgTitleRight";
    QTest::newRow("bottom-left corner") << "window_bottom_left"
                                        << "imgWindowBottomLeft";
    QTest::newRow("bottom-right corner") << "window_bottom_right"
                                         << "imgWindowBottomRight";
    QTest::newRow("close") << "close"
                           << "imgTitleClose";
    QTest::newRow("minimise") << "minimize"
                              << "imgTitleMinimize";
    QTest::newRow("help") << "help"
                          << "imgTitleHelp";
    QTest::newRow("maximise") << "maximize"
                              << "imgTitleMaxRestore";
}

// Every opaque pixel of the picture that no other element covers shows as it is; its
// clear pixels lie outside the window's region.
void SkinScaledTest::framePicturesAreTheTwiceSizeOnes() {
    QFETCH(QString, picture);
    QFETCH(QString, element);
    MainWindow& window = fixture_.Window();
    const QWidget* shown = window.findChild<QWidget*>(element, Qt::FindDirectChildrenOnly);
    QVERIFY(shown != nullptr);
    const QImage twice = QImage(QStringLiteral(":/pictures/%1@2x.png").arg(picture))
                             .convertToFormat(QImage::Format_ARGB32);
    QVERIFY2(!twice.isNull(), "no picture drawn at twice the size");
    const QImage shot = Shot();
    QCOMPARE(shot.size(), window.size() * 2);
    int compared = 0;
    for (int y = 0; y < twice.height(); ++y) {
        for (int x = 0; x < twice.width(); ++x) {
            const QPoint device = shown->pos() * 2 + QPoint(x, y);
            if (Covered(window, shown, QPoint(device.x() / 2, device.y() / 2)) ||
                qAlpha(twice.pixel(x, y)) != 255) {
                continue;
            }
            ++compared;
            QVERIFY2(shot.pixel(device) == twice.pixel(x, y),
                     qPrintable(QStringLiteral("(%1,%2) of the picture shows #%3, not #%4")
                                    .arg(x)
                                    .arg(y)
                                    .arg(shot.pixel(device) & 0xffffff, 6, 16, QLatin1Char('0'))
                                    .arg(twice.pixel(x, y) & 0xffffff, 6, 16, QLatin1Char('0'))));
        }
    }
    QCOMPARE_GT(compared, 100);
}

void SkinScaledTest::noKeyColourOnTheFrame() {
    const QImage shot = Shot();
    const QSize size = fixture_.Window().size() * 2;
    // The title bar, both sides and the bottom: where the frame pictures lie.
    const QRect frame[] = {{0, 0, size.width(), 60},
                           {0, 0, 38, size.height()},
                           {size.width() - 38, 0, 38, size.height()},
                           {0, size.height() - 60, size.width(), 60}};
    for (const QRect& strip : frame) {
        for (int y = strip.top(); y <= strip.bottom(); ++y) {
            for (int x = strip.left(); x <= strip.right(); ++x) {
                const QColor colour = shot.pixelColor(x, y);
                // Magenta, or a blend towards it: red and blue well above green.
                const bool keyed =
                    colour.red() > colour.green() + 60 && colour.blue() > colour.green() + 60;
                QVERIFY2(!keyed, qPrintable(QStringLiteral("key colour at %1,%2").arg(x).arg(y)));
            }
        }
    }
}

int main(int argc, char* argv[]) {
    qputenv("QT_SCALE_FACTOR", "2");
    return RunUiTest(argc, argv, [](int c, char** v) {
        SkinScaledTest test;
        return QTest::qExec(&test, c, v);
    });
}
#include "test_skin_scaled.moc"
