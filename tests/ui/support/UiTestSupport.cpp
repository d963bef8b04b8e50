#include "UiTestSupport.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QSignalSpy>
#include <QTimer>

#include "ui/app/build_config.h"
#include "ui/desktop/Compositing.h"
#include "ui/desktop/Platform.h"
#include "ui/dialogs/PageDialogHandler.h"
#include "ui/written/WrittenPageHandler.h"

namespace lorvex::testing {

int RunUiTest(int argc, char* argv[], const std::function<int(int, char**)>& run) {
    RegisterWrittenPageScheme();
    RegisterPageDialogScheme();
    // On the platform the client would choose, composited as the client is there.
    const PlatformChoice platform = ChoosePlatform(PlatformEnvironment::OfProcess());
    ChooseCompositing(platform.x11);
    if (!platform.platform.isEmpty()) qputenv("QT_QPA_PLATFORM", platform.platform);
    QApplication app(argc, argv);
    ForgetCompositingChoiceForChildren();
    QCoreApplication::setApplicationName(kApplicationTitle);
    return run(argc, argv);
}

QVariant Evaluate(BrowserView* view, const QString& script, int timeoutMs) {
    QVariant result;
    bool finished = false;
    view->page()->runJavaScript(script, [&](const QVariant& value) {
        result = value;
        finished = true;
    });
    WaitUntil([&] { return finished; }, timeoutMs);
    return result;
}

bool WaitForLoad(BrowserView* view, int timeoutMs) {
    QSignalSpy spy(view, &QWebEngineView::loadFinished);
    if (!spy.wait(Deadline(timeoutMs))) return false;
    return spy.takeFirst().at(0).toBool();
}

bool LoadAfter(BrowserView* view, const std::function<void()>& action, int timeoutMs) {
    QSignalSpy loaded(view, &QWebEngineView::loadFinished);
    action();
    return WaitUntil([&] { return !loaded.isEmpty(); }, timeoutMs) && loaded.first().at(0).toBool();
}

bool WaitUntilIdle(BrowserView* view) {
    return WaitUntil([view] { return !view->page()->isLoading(); });
}

bool WaitUntilDocumentIs(BrowserView* view, const QString& address) {
    return WaitUntil([&] {
        return !view->page()->isLoading() &&
               Evaluate(view, QStringLiteral("document.readyState === 'complete' && location.href"))
                       .toString() == address;
    });
}

QString BodyText(BrowserView* view) {
    return Evaluate(view, QStringLiteral("document.body ? document.body.innerText : ''"))
        .toString();
}

QList<qint64> ChildProcesses(qint64 pid) {
    QList<qint64> children;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString& entry : entries) {
        bool isPid = false;
        const qint64 candidate = entry.toLongLong(&isPid);
        if (!isPid) continue;
        QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
        if (!stat.open(QIODevice::ReadOnly)) continue;
        // "pid (name) state ppid ...": the name may hold spaces, so read after the ")".
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1 && fields[1].toLongLong() == pid) children << candidate;
    }
    return children;
}

qint64 ProcessTreePssKiB() {
    qint64 total = 0;
    QList<qint64> pending = {QCoreApplication::applicationPid()};
    while (!pending.isEmpty()) {
        const qint64 pid = pending.takeLast();
        pending += ChildProcesses(pid);
        QFile rollup(QStringLiteral("/proc/%1/smaps_rollup").arg(pid));
        if (!rollup.open(QIODevice::ReadOnly)) continue;
        for (const QByteArray& row : rollup.readAll().split('\n')) {
            if (row.startsWith("Pss:")) total += row.mid(4).trimmed().split(' ')[0].toLongLong();
        }
    }
    return total;
}

quint16 BuildPortalPort() {
    const std::string_view origin = kBuildPortalOrigin;
    const QUrl url(QString::fromUtf8(origin.data(), static_cast<qsizetype>(origin.size())));
    return static_cast<quint16>(url.port(url.scheme() == QLatin1String("https") ? 443 : 80));
}

QProcessEnvironment ClientEnvironment(const QString& home, const QString& runtime) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), home);
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    for (const char* derived : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"}) {
        environment.remove(QString::fromLatin1(derived));
    }
    return environment;
}

PortalWindow::PortalWindow() { documents = home.path() + QStringLiteral("/Documents"); }

PortalWindow::~PortalWindow() { window.reset(); }

bool PortalWindow::WaitForRequest(const QString& pathAndQuery) {
    return WaitUntil([&] { return portal.Requests().contains(pathAndQuery); });
}

QStringList PortalWindow::RequestsSoFar(BrowserView* view) {
    const QString marker = QStringLiteral("/caught-up-%1").arg(++markers_);
    Evaluate(view, QStringLiteral("fetch('%1%2', {mode: 'no-cors'}).catch(function () {}); 0")
                       .arg(portal.Origin(), marker));
    if (!WaitForRequest(marker)) return {QStringLiteral("(no marker request arrived)")};
    // Pictures, style sheets and the site's icon come on the engine's own schedule, also
    // again after a page has loaded: only pages count.
    const QStringList seen = portal.Requests();
    QStringList pages;
    for (const QString& request : seen.mid(0, seen.indexOf(marker))) {
        const QString path = request.section(u'?', 0, 0);
        if (!path.endsWith(u".gif") && !path.endsWith(u".css") && !path.endsWith(u".ico")) {
            pages << request;
        }
    }
    return pages;
}

bool PortalWindow::Create(const QString& origin) {
    if (portal.Start() == 0) return false;
    Services services;
    services.messages = &messages;
    services.launcher = &launcher;
    services.documentsFolder = [this] { return documents; };
    services.askSavePath = [this](QWidget*, const QString& offered) {
        return saveDialog.Ask(offered);
    };
    window = std::make_unique<MainWindow>(
        (origin.isEmpty() ? portal.Origin() : origin).toStdString(), services);
    return true;
}

bool PortalWindow::Start() {
    if (window == nullptr && !Create()) return false;
    window->Load();
    window->show();
    if (!QTest::qWaitForWindowExposed(window.get(), Deadline(10000))) return false;
    return WaitUntil([this] {
        const QStringList seen = portal.Requests();
        return seen.contains(QStringLiteral("/33/disp.asp")) &&
               seen.contains(QStringLiteral("/33/fl.htm")) &&
               !window->SideColumn()->LocationURL().empty() &&
               !window->MainView()->LocationURL().empty();
    });
}

}  // namespace lorvex::testing
