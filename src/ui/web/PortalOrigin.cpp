#include "ui/web/PortalOrigin.h"

#include <QUrl>

namespace lorvex {

std::string NormaliseOrigin(std::string_view origin) {
    const QUrl url(QString::fromUtf8(origin.data(), static_cast<qsizetype>(origin.size())),
                   QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    const bool web = scheme == QLatin1String("http") || scheme == QLatin1String("https");
    if (!url.isValid() || !web || url.host().isEmpty()) return std::string(origin);
    QUrl normal;
    normal.setScheme(scheme);
    // QUrl keeps the host lower-cased; toEncoded() writes an internationalised one as ACE.
    normal.setHost(url.host());
    const int defaultPort = scheme == QLatin1String("http") ? 80 : 443;
    if (url.port() != -1 && url.port() != defaultPort) normal.setPort(url.port());
    return normal.toEncoded().toStdString();
}

}  // namespace lorvex
