#include "ui/web/ViewMenu.h"

#include <QMenu>
#include <QWebEngineContextMenuRequest>
#include <QWebEngineView>

#include "ui/desktop/SystemLauncher.h"

namespace lorvex {

namespace {

struct KeptItem {
    QWebEnginePage::WebAction action;
    const char* name;
};

constexpr KeptItem kKept[] = {
    {QWebEnginePage::Back, kMenuBack},
    {QWebEnginePage::Forward, kMenuForward},
    {QWebEnginePage::Reload, kMenuReload},
    {QWebEnginePage::Copy, kMenuCopy},
    {QWebEnginePage::CopyLinkToClipboard, kMenuCopyLink},
    {QWebEnginePage::SelectAll, kMenuSelectAll},
    {QWebEnginePage::ExitFullScreen, kMenuExitFullScreen},
};

// The menu's own text for the one item the engine does not have.
const QString kOpenLinkOutsideText = QStringLiteral("在系统浏览器中打开链接");

bool Kept(QWebEnginePage* page, QAction* item) {
    for (const KeptItem& kept : kKept) {
        if (page->action(kept.action) == item) return true;
    }
    return false;
}

// No separator first, last or next to another.
void TidySeparators(QMenu* menu) {
    bool lastWasSeparator = true;
    for (QAction* item : menu->actions()) {
        if (item->isSeparator() && lastWasSeparator) menu->removeAction(item);
        lastWasSeparator = item->isSeparator();
    }
    const QList<QAction*> left = menu->actions();
    if (!left.isEmpty() && left.last()->isSeparator()) menu->removeAction(left.last());
}

}  // namespace

QMenu* MakeViewMenu(QWebEngineView* view, SystemLauncher* launcher) {
    const QWebEngineContextMenuRequest* request = view->lastContextMenuRequest();
    if (request == nullptr) return nullptr;
    QWebEnginePage* page = view->page();
    for (const KeptItem& kept : kKept) {
        page->action(kept.action)->setObjectName(QString::fromLatin1(kept.name));
    }

    QMenu* menu = view->createStandardContextMenu();
    for (QAction* item : menu->actions()) {
        if (!item->isSeparator() && !Kept(page, item)) menu->removeAction(item);
    }

    const QUrl link = request->linkUrl();
    const QString scheme = link.scheme();
    if (launcher != nullptr && (scheme == u"http" || scheme == u"https")) {
        // The address goes out as the page's link has it, already encoded.
        const QString address = QString::fromLatin1(link.toEncoded());
        auto* outside = new QAction(kOpenLinkOutsideText, menu);
        outside->setObjectName(QString::fromLatin1(kMenuOpenLinkOutside));
        QObject::connect(outside, &QAction::triggered, menu,
                         [launcher, address] { launcher->OpenInBrowser(address); });
        // Next to the copy of the link's address, where the engine put it.
        const QList<QAction*> items = menu->actions();
        const qsizetype copyLink = items.indexOf(page->action(QWebEnginePage::CopyLinkToClipboard));
        QAction* before =
            copyLink >= 0 && copyLink + 1 < items.size() ? items[copyLink + 1] : nullptr;
        menu->insertAction(before, outside);
    }

    // The engine offers "select all" only in fields; a page has everything to select too.
    QAction* selectAll = page->action(QWebEnginePage::SelectAll);
    if (!menu->actions().contains(selectAll)) {
        selectAll->setEnabled(
            request->editFlags().testFlag(QWebEngineContextMenuRequest::CanSelectAll));
        menu->addSeparator();
        menu->addAction(selectAll);
    }

    TidySeparators(menu);
    if (menu->isEmpty()) {
        delete menu;
        return nullptr;
    }
    return menu;
}

}  // namespace lorvex
