#include "ui/browsing/FullScreenHint.h"

#include <QEvent>
#include <QTimer>

namespace lorvex {

namespace {

constexpr int kTopMargin = 24;

QString HintText(const QString& host) {
    const QString exit = QString::fromUtf8(kFullScreenExitHint);
    return host.isEmpty() ? exit : QStringLiteral("%1 已进入全屏，%2").arg(host, exit);
}

}  // namespace

FullScreenHint::FullScreenHint(QWidget* screen, const QString& host)
    : QLabel(HintText(host), screen) {
    setObjectName(QStringLiteral("FullScreenHint"));
    setTextFormat(Qt::PlainText);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setStyleSheet(
        QStringLiteral("QLabel { background: rgba(32, 32, 32, 220); color: white;"
                       " border-radius: 6px; padding: 10px 20px; }"));
    QFont larger = font();
    larger.setPointSizeF(larger.pointSizeF() * 1.25);
    setFont(larger);
    screen->installEventFilter(this);
    Place();
    show();
    raise();
    QTimer::singleShot(kShownForMs, this, [this] {
        hide();
        deleteLater();
    });
}

void FullScreenHint::Place() {
    adjustSize();
    const QWidget* screen = parentWidget();
    move((screen->width() - width()) / 2, kTopMargin);
}

// The screen takes its full size only once it is shown; anything put on it later goes
// under the notice.
bool FullScreenHint::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parentWidget()) {
        if (event->type() == QEvent::Resize) Place();
        if (event->type() == QEvent::ChildAdded && isVisible()) raise();
    }
    return QLabel::eventFilter(watched, event);
}

}  // namespace lorvex
