#include "ui/dialogs/PageDialogs.h"

#include <QApplication>
#include <QBuffer>
#include <QEventLoop>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QUrlQuery>
#include <QUuid>
#include <QVBoxLayout>
#include <QWebEngineProfile>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>
#include <memory>

#include "ui/web/BrowserView.h"

namespace lorvex {

namespace {

using Clock = std::chrono::steady_clock;

constexpr char kQuestionScheme[] = "lorvex-dialog";

// Runs first in every frame of a view's pages. alert, confirm and prompt ask the client
// through a synchronous request, which holds only the asking page; the answer is "1" and
// the prompt's text for yes, "0" for no. Everything the functions use is taken before any
// page script runs. When the request is refused (a frame without an origin of its own,
// such as a sandboxed one, whose dialogs the engine may suppress) or cannot be made (a page
// being unloaded), the engine's own functions are used.
constexpr char kPageDialogScript[] = R"(
(function () {
  var address = 'lorvex-dialog:%1/';
  var Request = XMLHttpRequest, open = Request.prototype.open, send = Request.prototype.send;
  var status = Object.getOwnPropertyDescriptor(Request.prototype, 'status').get;
  var response = Object.getOwnPropertyDescriptor(Request.prototype, 'responseText').get;
  var encode = encodeURIComponent, text = String, count = 0;
  var engine = { alert: window.alert, confirm: window.confirm, prompt: window.prompt };
  function ask(kind, message, value) {
    try {
      var request = new Request();
      open.call(request, 'GET', address + kind + '?m=' + encode(text(message).slice(0, 4000)) +
                '&v=' + encode(text(value).slice(0, 4000)) + '&n=' + (++count), false);
      send.call(request);
      return status.call(request) === 200 ? response.call(request) : null;
    } catch (e) {
      return null;
    }
  }
  function shown(value) { return value === undefined ? '' : value; }
  window.alert = function alert(message) {
    if (ask('alert', shown(message), '') === null) engine.alert.apply(window, arguments);
  };
  window.confirm = function confirm(message) {
    var answer = ask('confirm', shown(message), '');
    return answer === null ? engine.confirm.apply(window, arguments) : answer.charAt(0) === '1';
  };
  window.prompt = function prompt(message, value) {
    var answer = ask('prompt', shown(message), shown(value));
    if (answer === null) return engine.prompt.apply(window, arguments);
    return answer.charAt(0) === '1' ? answer.slice(1) : null;
  };
})();
)";

QHash<QString, PageDialogs*>& Registry() {
    static QHash<QString, PageDialogs*> registry;
    return registry;
}

// A page's text is shown up to this many characters: a megabyte-long alert would only
// slow the layout down.
constexpr qsizetype kShownCharacters = 4000;
constexpr int kMargin = 8;
constexpr int kBoxWidth = 360;

bool SilentAnswer(PageDialogKind kind) {
    // Alerts have only OK; a page never keeps the user from leaving it.
    return kind == PageDialogKind::Alert || kind == PageDialogKind::LeavePage;
}

// The host of the site that asks, in its ASCII form so look-alike letters cannot pose as
// another site; empty for a frame without one (a sandboxed or data: frame).
QString AskingHost(const QUrl& origin) { return origin.host(QUrl::FullyEncoded); }

// The text the web engine passes when a page's beforeunload handler asks to stay.
QString LeavePageQuestion() {
    return QCoreApplication::translate(
        "QWebEnginePage",
        "Are you sure you want to leave this page? Changes that you made may not be saved.");
}

}  // namespace

PageDialog::PageDialog(QWidget* view, PageDialogKind kind, const QString& host,
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

    title_ = new QLabel(
        host.isEmpty() ? QStringLiteral("网页消息") : host + QStringLiteral(" 显示"), box_);
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

PageDialogs::PageDialogs(QWidget* view)
    : view_(view), token_(QUuid::createUuid().toString(QUuid::Id128)) {
    Registry().insert(token_, this);
}

PageDialogs::~PageDialogs() {
    Registry().remove(token_);
    delete open_.data();
}

PageDialogs* PageDialogs::ForToken(const QString& token) { return Registry().value(token); }

QWebEngineScript PageDialogs::PageScript() const {
    QWebEngineScript script;
    script.setName(QStringLiteral("lorvex-page-dialogs"));
    script.setSourceCode(QString::fromLatin1(kPageDialogScript).arg(token_));
    script.setInjectionPoint(QWebEngineScript::DocumentCreation);
    script.setWorldId(QWebEngineScript::MainWorld);
    script.setRunsOnSubFrames(true);
    return script;
}

PageDialog* PageDialogs::Ask(PageDialogKind kind, const QString& host, const QString& message,
                             const QString& defaultText, Answer answer) {
    if (silent_ || open_ != nullptr || !throttle_.Show(Clock::now())) {
        answer(SilentAnswer(kind), QString());
        return nullptr;
    }
    const QWidget* focus = QApplication::focusWidget();
    const bool hadFocus = focus != nullptr && (focus == view_ || view_->isAncestorOf(focus));
    auto* dialog = new PageDialog(view_, kind, host, message, defaultText);
    open_ = dialog;
    QObject::connect(
        dialog, &PageDialog::Finished, dialog, [this, dialog, kind, answer = std::move(answer)] {
            throttle_.Answered(Clock::now());
            open_ = nullptr;
            dialog->deleteLater();
            answer(kind == PageDialogKind::Alert || dialog->Accepted(), dialog->Text());
        });
    dialog->show();
    dialog->raise();
    // The box takes the keyboard only from its own view, never from the search box.
    if (hadFocus) {
        QWidget* target = dialog->findChild<QLineEdit*>();
        if (target == nullptr) target = dialog->findChild<QPushButton*>(QStringLiteral("accept"));
        target->setFocus();
    }
    return dialog;
}

bool PageDialogs::AskAndWait(PageDialogKind kind, const QString& host, const QString& message,
                             const QString& defaultText, QString* text) {
    struct Outcome {
        bool done = false;
        bool accepted = false;
        QString text;
    };
    auto outcome = std::make_shared<Outcome>();
    QEventLoop loop;
    Ask(kind, host, message, defaultText,
        [outcome, loop = QPointer<QEventLoop>(&loop)](bool accepted, const QString& answer) {
            *outcome = {true, accepted, answer};
            if (loop != nullptr) loop->quit();
        });
    if (!outcome->done) loop.exec();
    // The application is quitting: the question goes unanswered.
    if (!outcome->done) Dismiss();
    if (text != nullptr) *text = outcome->text;
    return outcome->accepted;
}

void PageDialogs::Silence() {
    silent_ = true;
    Dismiss();
}

void PageDialogs::Dismiss() {
    if (open_ != nullptr) open_->Finish(false);
}

void RegisterPageDialogScheme() {
    QWebEngineUrlScheme scheme(kQuestionScheme);
    scheme.setSyntax(QWebEngineUrlScheme::Syntax::Path);
    // Asked by portal pages, whatever their origin or policy.
    scheme.setFlags(QWebEngineUrlScheme::CorsEnabled |
                    QWebEngineUrlScheme::ContentSecurityPolicyIgnored);
    QWebEngineUrlScheme::registerScheme(scheme);
}

void InstallPageDialogHandler(QWebEngineProfile* profile) {
    if (profile->urlSchemeHandler(kQuestionScheme) != nullptr) return;
    profile->installUrlSchemeHandler(kQuestionScheme, new PageDialogHandler(profile));
}

void PageDialogHandler::requestStarted(QWebEngineUrlRequestJob* job) {
    const QUrl url = job->requestUrl();
    const QStringList path = url.path().split(u'/');
    PageDialogs* dialogs = path.size() == 2 ? PageDialogs::ForToken(path[0]) : nullptr;
    const QString name = path.value(1);
    const PageDialogKind kind = name == QLatin1String("confirm")  ? PageDialogKind::Confirm
                                : name == QLatin1String("prompt") ? PageDialogKind::Prompt
                                                                  : PageDialogKind::Alert;
    const QString host = AskingHost(job->initiator());
    if (dialogs == nullptr || (kind == PageDialogKind::Alert && name != QLatin1String("alert")) ||
        host.isEmpty()) {
        job->fail(QWebEngineUrlRequestJob::RequestDenied);
        return;
    }
    const QUrlQuery query(url);
    QPointer<QWebEngineUrlRequestJob> asking(job);
    PageDialog* dialog =
        dialogs->Ask(kind, host, query.queryItemValue(QStringLiteral("m"), QUrl::FullyDecoded),
                     query.queryItemValue(QStringLiteral("v"), QUrl::FullyDecoded),
                     [asking](bool accepted, const QString& text) {
                         if (asking == nullptr) return;
                         // The job does not own the device: parent it to the job so both end
                         // together.
                         auto* buffer = new QBuffer(asking);
                         buffer->setData(QByteArray(accepted ? "1" : "0") + text.toUtf8());
                         buffer->open(QIODevice::ReadOnly);
                         asking->reply(QByteArrayLiteral("text/plain;charset=utf-8"), buffer);
                     });
    // A page that stops asking (it is closed or goes elsewhere) takes its box with it.
    if (dialog != nullptr) {
        QObject::connect(job, &QObject::destroyed, dialog, [dialog] { dialog->Finish(false); });
    }
}

// The page's dialog requests, answered through its view's dialogs.

void BrowserPage::javaScriptAlert(const QUrl& securityOrigin, const QString& msg) {
    view_->Dialogs().AskAndWait(PageDialogKind::Alert, AskingHost(securityOrigin), msg, {},
                                nullptr);
}

bool BrowserPage::javaScriptConfirm(const QUrl& securityOrigin, const QString& msg) {
    if (msg == LeavePageQuestion()) {
        // A page never holds back the client's own navigations (its buttons, its written
        // pages); only the page's own ones are put to the user.
        if (view_->ClientNavigating()) return true;
        return view_->Dialogs().AskAndWait(PageDialogKind::LeavePage, AskingHost(securityOrigin),
                                           msg, {}, nullptr);
    }
    return view_->Dialogs().AskAndWait(PageDialogKind::Confirm, AskingHost(securityOrigin), msg, {},
                                       nullptr);
}

bool BrowserPage::javaScriptPrompt(const QUrl& securityOrigin, const QString& msg,
                                   const QString& defaultValue, QString* result) {
    return view_->Dialogs().AskAndWait(PageDialogKind::Prompt, AskingHost(securityOrigin), msg,
                                       defaultValue, result);
}

}  // namespace lorvex
