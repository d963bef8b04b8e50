#include "ui/dialogs/PageDialogHandler.h"

#include <QBuffer>
#include <QPointer>
#include <QUrlQuery>
#include <QWebEngineProfile>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>

#include "ui/dialogs/PageDialogs.h"

namespace lorvex {

namespace {

constexpr char kQuestionScheme[] = "lorvex-dialog";

}  // namespace

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
    // A frame without an origin of its own is refused: the engine's path then asks, which
    // keeps the frame's sandbox (no dialogs unless it allows them).
    const DialogAsker asker = AskerOf(job->initiator(), {});
    if (dialogs == nullptr || (kind == PageDialogKind::Alert && name != QLatin1String("alert")) ||
        asker.framed) {
        job->fail(QWebEngineUrlRequestJob::RequestDenied);
        return;
    }
    const QUrlQuery query(url);
    QPointer<QWebEngineUrlRequestJob> asking(job);
    PageDialog* dialog =
        dialogs->Ask(kind, asker, query.queryItemValue(QStringLiteral("m"), QUrl::FullyDecoded),
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

}  // namespace lorvex
