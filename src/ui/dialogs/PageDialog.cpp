#include "ui/dialogs/PageDialog.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>
#include <algorithm>

namespace lorvex {

namespace {

// A page's text is shown up to this many characters: a megabyte-long alert would only
// slow the layout down.
constexpr qsizetype kShownCharacters = 4000;
constexpr int kMargin = 8;
constexpr int kBoxWidth = 360;

}  // namespace

// NOLINTNEXTLINE(readability-function-size): one straight sequence of steps, read top to bottom
PageDialog::PageDialog(QWidget* view, PageDialogKind kind, const DialogAsker& asker,
                       const QString& message, const QString& defaultText)
    : QWidget(view) {
    setObjectName(QStringLiteral("PageDialog"));
    setAttribute(Qt::WA_NoMousePropagation);

    box_ = new QFrame(this);
    box_->setFrameShape(QFrame::Box);
    box_->setAutoFillBackground(true);
    QPalette colours = box_->palette();
    colours.setColor(QPalette::Window, Qt::white);
    box_->setPalette(colours);

    title_ = new QLabel(asker.host.isEmpty() ? QStringLiteral("网页消息")
                        : asker.framed ? asker.host + QStringLiteral(" 上的嵌入式网页显示")
                                       : asker.host + QStringLiteral(" 显示"),
                        box_);
    title_->setObjectName(QStringLiteral("title"));
    title_->setTextFormat(Qt::PlainText);
    QFont bold = title_->font();
    bold.setBold(true);
    title_->setFont(bold);

    QString shown = kind == PageDialogKind::LeavePage
                        ? QStringLiteral("要离开此网页吗？您所做的更改可能不会保存。")
                        : message;
    if (shown.size() > kShownCharacters) shown = shown.left(kShownCharacters) + QChar(0x2026);
    message_ = new QLabel(shown);
    message_->setObjectName(QStringLiteral("message"));
    // Plain text: a page's markup is shown, never interpreted.
    message_->setTextFormat(Qt::PlainText);
    message_->setWordWrap(true);
    message_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* scroll = new QScrollArea(box_);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setWidget(message_);

    auto* layout = new QVBoxLayout(box_);
    layout->addWidget(title_);
    layout->addWidget(scroll, 1);
    if (kind == PageDialogKind::Prompt) {
        input_ = new QLineEdit(defaultText, box_);
        input_->setObjectName(QStringLiteral("input"));
        connect(input_, &QLineEdit::returnPressed, this, [this] { Finish(true); });
        layout->addWidget(input_);
    }
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    const bool leave = kind == PageDialogKind::LeavePage;
    accept_ = new QPushButton(leave ? QStringLiteral("离开") : QStringLiteral("确定"), box_);
    accept_->setObjectName(QStringLiteral("accept"));
    connect(accept_, &QPushButton::clicked, this, [this] { Finish(true); });
    buttons->addWidget(accept_);
    if (kind != PageDialogKind::Alert) {
        auto* reject = new QPushButton(QStringLiteral("取消"), box_);
        reject->setObjectName(QStringLiteral("reject"));
        connect(reject, &QPushButton::clicked, this, [this] { Finish(false); });
        buttons->addWidget(reject);
    }
    layout->addLayout(buttons);

    view->installEventFilter(this);
    FitToView();
}

QString PageDialog::Title() const { return title_->text(); }
QString PageDialog::Message() const { return message_->text(); }
QString PageDialog::Text() const { return input_ != nullptr ? input_->text() : QString(); }

void PageDialog::Finish(bool accepted) {
    if (finished_) return;
    finished_ = true;
    accepted_ = accepted;
    hide();
    emit Finished();
}

// The cover spans the whole view; the box sits at its top, as wide as fits and as high as
// its text needs, up to the view's height (the text then scrolls).
void PageDialog::FitToView() {
    const QWidget* view = parentWidget();
    setGeometry(view->rect());
    const int width = std::max(0, std::min(kBoxWidth, view->width() - 2 * kMargin));
    const auto* layout = static_cast<QVBoxLayout*>(box_->layout());
    const QMargins margins = layout->contentsMargins();
    const int textWidth = width - margins.left() - margins.right();
    int height = margins.top() + margins.bottom() + title_->sizeHint().height() +
                 message_->heightForWidth(textWidth) + accept_->sizeHint().height() +
                 2 * layout->spacing();
    if (input_ != nullptr) height += input_->sizeHint().height() + layout->spacing();
    height = std::max(0, std::min(height, view->height() - 2 * kMargin));
    box_->setGeometry((view->width() - width) / 2, kMargin, width, height);
}

bool PageDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parentWidget()) {
        if (event->type() == QEvent::Resize) FitToView();
        // A page whose content changes may give the view a new surface above the cover.
        if (event->type() == QEvent::ChildAdded && isVisible()) raise();
    }
    return QWidget::eventFilter(watched, event);
}

void PageDialog::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), QColor(0, 0, 0, 64));
}

void PageDialog::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Escape:
            Finish(false);
            break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            Finish(true);
            break;
        default:
            QWidget::keyPressEvent(event);
    }
}

void PageDialog::mousePressEvent(QMouseEvent* event) { event->accept(); }

}  // namespace lorvex
