#include "ui/web/WebProfile.h"

#include <QCoreApplication>
#include <QPointer>
#include <QWebEngineProfile>

#include "ui/desktop/StartupTrace.h"
#include "ui/desktop/UserLanguage.h"
#include "ui/dialogs/PageDialogHandler.h"

namespace lorvex {

namespace {

QPointer<QWebEngineProfile>& Current() {
    static QPointer<QWebEngineProfile> profile;
    return profile;
}

}  // namespace

QWebEngineProfile* WebProfile() {
    QPointer<QWebEngineProfile>& profile = Current();
    if (profile) return profile;
    // A named profile keeps its data in QtWebEngine/<name> under AppDataLocation and its
    // cache under CacheLocation; those folders follow the application's name.
    profile =
        new QWebEngineProfile(QString::fromLatin1(kWebProfileName), QCoreApplication::instance());
    profile->setHttpCacheType(QWebEngineProfile::DiskHttpCache);
    // ForcePersistentCookies would keep session cookies on disk as well.
    profile->setPersistentCookiesPolicy(QWebEngineProfile::AllowPersistentCookies);
    profile->setHttpAcceptLanguage(QString::fromLatin1(kUserLanguage));
    InstallPageDialogHandler(profile);
    TraceStartup("profile");
    return profile;
}

void EndWebProfile() {
    QWebEngineProfile* profile = Current();
    if (profile == nullptr) return;
    // What waits for deletion goes first: the contents a page gave up when a new window's
    // contents replaced them (the engine deletes them later), a window closed at the end.
    // None of them may outlive the profile their downloads and replies belong to.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    delete profile;
}

}  // namespace lorvex
