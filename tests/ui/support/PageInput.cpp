#include "PageInput.h"

#include <QRectF>
#include <QTest>
#include <QVariant>

#include "UiTestSupport.h"
#include "ui/web/BrowserView.h"

namespace lorvex::testing {

bool LoadPage(BrowserView* view, const QString& origin, const QString& path) {
    view->Navigate(origin + path);
    return WaitUntilDocumentIs(view, origin + path);
}

QString LoadFresh(BrowserView* view, const QString& origin, const QString& path) {
    static int loads = 0;
    const QString loaded =
        QStringLiteral("%1%2fresh=%3").arg(path, path.contains('?') ? "&" : "?").arg(++loads);
    view->Navigate(origin + loaded);
    const bool done = WaitUntilDocumentIs(view, origin + loaded);
    return done ? loaded : QString();
}

std::optional<QPoint> ElementCentre(BrowserView* view, const QString& selector) {
    const QVariantList xy =
        Evaluate(view, QStringLiteral("(function () { var e = document.querySelector('%1');"
                                      "  if (!e) return null; e.scrollIntoView();"
                                      "  var r = e.getBoundingClientRect();"
                                      "  return [r.left + r.width / 2, r.top + r.height / 2]; })()")
                           .arg(selector))
            .toList();
    if (xy.size() != 2) return std::nullopt;
    return QPoint(xy[0].toInt(), xy[1].toInt());
}

QRect ElementBox(BrowserView* view, const QString& selector) {
    const QVariantList r =
        Evaluate(view, QStringLiteral("(function () { var e = document.querySelector('%1');"
                                      "  if (!e) return null; var r = e.getBoundingClientRect();"
                                      "  return [r.left, r.top, r.width, r.height]; })()")
                           .arg(selector))
            .toList();
    if (r.size() != 4) return {};
    const double zoom = view->zoomFactor();
    return QRectF(r[0].toDouble() * zoom, r[1].toDouble() * zoom, r[2].toDouble() * zoom,
                  r[3].toDouble() * zoom)
        .toAlignedRect();
}

bool ClickElement(BrowserView* view, const QString& selector) {
    const std::optional<QPoint> at = ElementCentre(view, selector);
    if (at) QTest::mouseClick(view->focusProxy(), Qt::LeftButton, Qt::NoModifier, *at);
    return at.has_value();
}

}  // namespace lorvex::testing
