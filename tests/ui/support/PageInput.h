// Pages as a test drives them: a fresh load of a portal page, where an element is, a click
// on it through the engine.
#pragma once

#include <QPoint>
#include <QRect>
#include <QString>
#include <optional>

namespace lorvex {
class BrowserView;
}

namespace lorvex::testing {

// Loads `origin` + `path` and waits until its document is there and loaded.
bool LoadPage(BrowserView* view, const QString& origin, const QString& path);

// Loads `origin` + `path` with a query of its own added, so that the page shown before can
// never pass for the new one, and waits until its document is there and loaded. Returns the path
// and query loaded, empty when the page did not load.
QString LoadFresh(BrowserView* view, const QString& origin, const QString& path);

// The centre of the first element `selector` finds in the view's page, scrolled into view,
// in view coordinates.
std::optional<QPoint> ElementCentre(BrowserView* view, const QString& selector);

// The first element's box in view coordinates (the page's zoom applied); empty when
// `selector` finds none.
QRect ElementBox(BrowserView* view, const QString& selector);

// A left click on that centre, through the engine; false when there is no such element.
bool ClickElement(BrowserView* view, const QString& selector);

}  // namespace lorvex::testing
