// The collect button as the user meets it: from the click on 收藏 to the confirmation
// painted in the side column, with the song's line durable on disk by then (the append
// syncs the file before the page is written; each round checks the line is there). A real
// window on the in-process demo portal, a song playing in the main view; 20 clicks on an
// empty favourites file and 20 on one of 100,000 lines. Prints every round, the median
// and the worst. Run under X (Xvfb and openbox will do):
//   build/dev/bench/lorvex_collect_bench
#include <QDateTime>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <algorithm>

#include "support/FavouritesWindow.h"

using namespace lorvex;
using namespace lorvex::testing;

class CollectBench : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase();
    void clickToConfirmation_data();
    void clickToConfirmation();

  private:
    FavouritesWindow fixture_;
};

void CollectBench::initTestCase() {
    QVERIFY(fixture_.Start());
    const QString song =
        fixture_.Origin() + QStringLiteral("/33/playwmv.asp?id=1024&g=海边的风&c=林小雨");
    QVERIFY(fixture_.PlayInMainView(song, song));
}

void CollectBench::clickToConfirmation_data() {
    QTest::addColumn<int>("lines");
    QTest::newRow("empty file") << 0;
    QTest::newRow("100000 lines") << 100000;
}

void CollectBench::clickToConfirmation() {
    QFETCH(int, lines);
    constexpr int kRounds = 20;
    const QByteArray start = lines == 0 ? QByteArray() : Gb18030(NumberedSongs(lines));
    fixture_.UseDocuments(QStringLiteral("collect-%1").arg(lines), start);
    const QByteArray line = Gb18030(QStringLiteral("$$DD1024&g=海边的风&c=林小雨\r\n"));
    BrowserView* side = fixture_.Window().SideColumn();

    std::vector<double> times;
    for (int round = 1; round <= kRounds; ++round) {
        const double clicked = static_cast<double>(QDateTime::currentMSecsSinceEpoch());
        QVERIFY(LoadAfter(side, [&] { fixture_.Window().Panel().collect->click(); }));
        // The engine's first paint of the confirmation, on the wall clock.
        QVariant painted;
        QVERIFY(WaitUntil([&] {
            painted = Evaluate(
                side, QStringLiteral("performance.getEntriesByName('first-paint').length ? "
                                     "performance.timeOrigin + performance.getEntriesByName("
                                     "'first-paint')[0].startTime : null"));
            return !painted.isNull();
        }));
        QVERIFY(ReadBytes(fixture_.FilePath()) == start + line.repeated(round));
        times.push_back(painted.toDouble() - clicked);
        qInfo("round %d: %.1f ms", round, times.back());
    }
    std::sort(times.begin(), times.end());
    qInfo("%d lines before: click to confirmation painted, median %.1f ms, worst %.1f ms", lines,
          (times[kRounds / 2 - 1] + times[kRounds / 2]) / 2, times.back());
}

LORVEX_UI_TEST_MAIN(CollectBench)
#include "collect_bench.moc"
