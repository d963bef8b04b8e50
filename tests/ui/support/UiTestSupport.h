// What the UI tests share: a main that registers the client's URL scheme before the
// application exists, fakes for the launcher and the message boxes, a main window
// pointed at an in-process demo portal, and waiting for views. Waiting in general is in
// QtTestSupport.h, the X tools in XTools.h.
#pragma once

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QProcessEnvironment>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <QVariant>
#include <functional>
#include <memory>

#include "DemoPortal.h"
#include "QtTestSupport.h"
#include "ui/app/CommandButton.h"
#include "ui/app/MainWindow.h"
#include "ui/browsing/BrowsingController.h"
#include "ui/browsing/PopupHost.h"
#include "ui/desktop/MessageBoxes.h"
#include "ui/desktop/SystemLauncher.h"
#include "ui/favourites/FavouritesController.h"
#include "ui/skin/PictureElement.h"
#include "ui/skin/WindowSkin.h"
#include "ui/web/BrowserView.h"

namespace lorvex::testing {

// Runs a Qt Test object with a QApplication made the way the client makes it.
int RunUiTest(int argc, char* argv[], const std::function<int(int, char**)>& run);

#define LORVEX_UI_TEST_MAIN(TestClass)                                      \
    int main(int argc, char* argv[]) {                                      \
        return lorvex::testing::RunUiTest(argc, argv, [](int c, char** v) { \
            TestClass test;                                                 \
            return QTest::qExec(&test, c, v);                               \
        });                                                                 \
    }

class RecordingLauncher : public SystemLauncher {
  public:
    bool OpenInBrowser(const QString& address) override {
        browserAddresses << address;
        return true;
    }
    bool OpenInEditor(const QString& path) override {
        editorPaths << path;
        return editorAnswers;
    }
    QStringList browserAddresses;
    QStringList editorPaths;
    bool editorAnswers = true;
};

class RecordingMessageBoxes : public MessageBoxes {
  public:
    struct Box {
        QString caption;
        QString text;
    };
    void ShowStop(QWidget*, const QString& caption, const QString& text) override {
        boxes.push_back({caption, text});
    }
    std::vector<Box> boxes;
};

// Answers the client's question where to save a download, and notes the paths it offered.
class RecordingSaveDialog {
  public:
    QString Ask(const QString& suggested) {
        offered << suggested;
        return acceptOffered ? suggested : answer;
    }
    QStringList offered;
    QString answer;              // empty: the user declines
    bool acceptOffered = false;  // saves where offered instead
};

// Stands in for the desktop's program for a scheme (QDesktopServices::setUrlHandler):
// records what it was asked to open.
class SchemeProbe : public QObject {
    Q_OBJECT
  public slots:
    void Open(const QUrl& url) { opened << url; }

  public:
    QList<QUrl> opened;
};

// The port of the build's portal origin (LORVEX_PORTAL_ORIGIN), where the real binary
// looks for its portal.
quint16 BuildPortalPort();

// Runs a script in the view's current page and returns its result.
QVariant Evaluate(BrowserView* view, const QString& script, int timeoutMs = 30000);

// Waits for the view's next finished load (true when it succeeded).
bool WaitForLoad(BrowserView* view, int timeoutMs = 30000);

// Runs `action` and waits for the view's next finished load (true when it succeeded).
bool LoadAfter(BrowserView* view, const std::function<void()>& action, int timeoutMs = 30000);

// Waits until the view is loading nothing.
bool WaitUntilIdle(BrowserView* view);

// Waits until the view's document is the one at `address` and has loaded. The view's own
// address reads as a new one as soon as the client asks for it, before the engine has
// started loading it, so only the document itself tells.
bool WaitUntilDocumentIs(BrowserView* view, const QString& address);

// The text of the view's page ("" while it has no body).
QString BodyText(BrowserView* view);

// The processes whose parent is `pid`.
QList<qint64> ChildProcesses(qint64 pid);

// The proportional set size of this process and all its descendants (the web engine's
// processes), in KiB; on a system without /proc, 0.
qint64 ProcessTreePssKiB();

// The environment for a run of the real binary: this one, with HOME and the runtime
// folder (where the single-instance lock lives) of the test's own, and the XDG folders
// that derive from HOME left to follow it.
QProcessEnvironment ClientEnvironment(const QString& home, const QString& runtime);

// A main window on the in-process demo portal, with its own documents folder and fakes.
class PortalWindow {
  public:
    PortalWindow();
    ~PortalWindow();

    // Starts the portal and creates the window, for the portal's origin or, when given,
    // another way of writing it; false when the portal cannot start.
    bool Create(const QString& origin = {});

    // Creates the window unless Create() did, then loads and shows it; waits until both
    // start pages have loaded.
    bool Start();

    // Waits until the portal has received exactly this path and query.
    bool WaitForRequest(const QString& pathAndQuery);

    // Has the page in `view` fetch a marker address of the portal and waits until the
    // portal has it: what the client asked the portal for before has arrived by then.
    // Returns the pages requested since the last ClearRequests() that came before the
    // marker (pictures, style sheets and the site's icon left out).
    QStringList RequestsSoFar(BrowserView* view);

    DemoPortal portal;
    QTemporaryDir home;
    QString documents;  // the documents folder (not created until something creates it)
    RecordingLauncher launcher;
    RecordingMessageBoxes messages;
    RecordingSaveDialog saveDialog;
    std::unique_ptr<MainWindow> window;

  private:
    int markers_ = 0;
};

}  // namespace lorvex::testing
