#include "ui/desktop/StartupTrace.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QPointer>
#include <QSet>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineView>
#include <chrono>

#include "ui/scripts/PageScripts.h"

namespace lorvex {

Q_LOGGING_CATEGORY(lcStartup, "lorvex.startup", QtWarningMsg)

namespace {

constexpr int kPollMs = 20;
constexpr int kGiveUpMs = 30000;

// The monotonic clock (CLOCK_MONOTONIC on Linux), which Python's time.monotonic() reads too.
qint64 MonotonicMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void Print(qint64 monotonicMs, const QString& step) {
    qCInfo(lcStartup).noquote() << monotonicMs << step;
}

}  // namespace

void TraceStartup(const char* step) {
    if (!lcStartup().isInfoEnabled()) return;
    static QSet<QByteArray> reached;
    if (reached.contains(step)) return;
    reached.insert(step);
    Print(MonotonicMs(), QString::fromLatin1(step));
}

void TraceFirstPaint(QWebEngineView* view, const char* name) {
    if (!lcStartup().isInfoEnabled()) return;
    const QString prefix = QString::fromLatin1(name);
    QObject::connect(
        view, &QWebEngineView::loadFinished, view,
        [view, prefix] {
            Print(MonotonicMs(), prefix + QStringLiteral(" loaded"));
            // The paint follows the load: ask the page until it has one.
            auto* poll = new QTimer(view);
            poll->setInterval(kPollMs);
            QElapsedTimer waited;
            waited.start();
            QObject::connect(poll, &QTimer::timeout, view, [view, prefix, poll, waited] {
                if (waited.hasExpired(kGiveUpMs)) poll->deleteLater();
                // Several questions may be in flight: an answer that comes after another
                // one has ended the poll finds the timer gone.
                const QString& firstPaint = PageScripts::Source(PageScript::FirstPaint);
                view->page()->runJavaScript(
                    firstPaint, QWebEngineScript::ApplicationWorld,
                    [prefix, poll = QPointer<QTimer>(poll)](const QVariant& result) {
                        const qint64 epochMs = result.toLongLong();
                        if (epochMs <= 0 || poll.isNull() || !poll->isActive()) return;
                        poll->stop();
                        poll->deleteLater();
                        // The wall clock's distance from the monotonic one, now.
                        const qint64 offset = QDateTime::currentMSecsSinceEpoch() - MonotonicMs();
                        Print(epochMs - offset, prefix + QStringLiteral(" painted"));
                    });
            });
            poll->start();
        },
        Qt::SingleShotConnection);
}

}  // namespace lorvex
