#include "ui/media/ClipRequestGuard.h"

#include "core/media/players.h"

namespace lorvex {

bool ClipRequestGuard::IsClipResource(const QUrl& address) {
    // An <embed> of this address alone is a player exactly when the address names a clip.
    const MarkupElement embed{"embed", {{"src", address.toString().toStdString()}}, {}};
    return RecognisePlayer(embed).has_value();
}

void ClipRequestGuard::interceptRequest(QWebEngineUrlRequestInfo& info) {
    const QWebEngineUrlRequestInfo::ResourceType type = info.resourceType();
    if (type != QWebEngineUrlRequestInfo::ResourceTypeObject &&
        type != QWebEngineUrlRequestInfo::ResourceTypePluginResource) {
        return;
    }
    const QUrl address = info.requestUrl();
    if (refused_.contains(address.adjusted(QUrl::RemoveFragment)) || IsClipResource(address)) {
        info.block(true);
    }
}

}  // namespace lorvex
