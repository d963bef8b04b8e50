#include "ui/dialogs/PageDialogs.h"

#include <QApplication>
#include <QEventLoop>
#include <QHash>
#include <QLineEdit>
#include <QPushButton>
#include <QUuid>
#include <QWebEngineScript>
#include <memory>

#include "ui/scripts/PageScripts.h"

namespace lorvex {

namespace {

using Clock = std::chrono::steady_clock;

QHash<QString, PageDialogs*>& Registry() {
    static QHash<QString, PageDialogs*> registry;
    return registry;
}

bool SilentAnswer(PageDialogKind kind) {
    // Alerts have only OK; a page never keeps the user from leaving it.
    return kind == PageDialogKind::Alert || kind == PageDialogKind::LeavePage;
}

}  // namespace

DialogAsker AskerOf(const QUrl& origin, const QUrl& page) {
    const QString host = origin.host(QUrl::FullyEncoded);
    if (!host.isEmpty()) return {host, false};
    // An opaque origin: the frame speaks for no site, so it is named by the page it is in.
    return {page.host(QUrl::FullyEncoded), true};
}

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
    script.setSourceCode(PageScripts::Source(PageScript::PageDialogs).arg(token_));
    script.setInjectionPoint(QWebEngineScript::DocumentCreation);
    script.setWorldId(QWebEngineScript::MainWorld);
    script.setRunsOnSubFrames(true);
    return script;
}

PageDialog* PageDialogs::Ask(PageDialogKind kind, const DialogAsker& asker, const QString& message,
                             const QString& defaultText, Answer answer) {
    if (silent_ || open_ != nullptr || !throttle_.Show(Clock::now())) {
        answer(SilentAnswer(kind), QString());
        return nullptr;
    }
    const QWidget* focus = QApplication::focusWidget();
    const bool hadFocus = focus != nullptr && (focus == view_ || view_->isAncestorOf(focus));
    auto* dialog = new PageDialog(view_, kind, asker, message, defaultText);
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

bool PageDialogs::AskAndWait(PageDialogKind kind, const DialogAsker& asker, const QString& message,
                             const QString& defaultText, QString* text) {
    struct Outcome {
        bool done = false;
        bool accepted = false;
        QString text;
    };
    auto outcome = std::make_shared<Outcome>();
    QEventLoop loop;
    Ask(kind, asker, message, defaultText,
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

}  // namespace lorvex
