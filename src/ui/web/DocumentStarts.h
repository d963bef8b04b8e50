// Tells when a page's top-level document is new: the view's main frame has committed a
// document that was not there before. A navigation that leaves the page where it is (an
// empty reply, a download, one the view refused) or one inside the same document (an anchor,
// history.pushState) starts none.
//
// The engine reports no such moment to the client, and anything a page itself can call it
// can also fake. So a script of the client's own, in a script world no page can reach, runs
// first in every new document of the main frame and says so over a web channel that exists
// only in that world; the engine takes messages on it only from the main frame.
#pragma once

#include <QObject>

class QWebEnginePage;

namespace lorvex {

class DocumentStarts : public QObject {
    Q_OBJECT
  public:
    // Watches `page`, whose child it becomes.
    explicit DocumentStarts(QWebEnginePage* page);

    // Called by the script in each new document. Pages cannot call it.
    Q_INVOKABLE void Started();

  signals:
    // A new document has begun in the main frame; none of its own scripts has run yet.
    void NewDocument();
};

}  // namespace lorvex
