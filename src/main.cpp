// Lorvex: creates, loads and shows the main window, then runs the event loop.
#include <QApplication>
#include <QLoggingCategory>
#include <vector>

#include "ui/app/MainWindow.h"
#include "ui/app/SingleInstance.h"
#include "ui/app/build_config.h"
#include "ui/desktop/Compositing.h"
#include "ui/desktop/MessageBoxes.h"
#include "ui/desktop/Platform.h"
#include "ui/desktop/StartupTrace.h"
#include "ui/desktop/UserLanguage.h"
#include "ui/dialogs/PageDialogHandler.h"
#include "ui/mpris/EngineMediaControls.h"
#include "ui/web/BrowserView.h"
#include "ui/web/WebProfile.h"
#include "ui/written/WrittenPageHandler.h"

int main(int argc, char* argv[]) {
    using lorvex::TraceStartup;
    TraceStartup("main");
    // The web engine reports its start-up parameters at info level; the user needs none.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext.info=false"));
    lorvex::RegisterWrittenPageScheme();
    lorvex::RegisterPageDialogScheme();
    lorvex::SwitchOffEngineMediaControls();
    const lorvex::PlatformChoice platform =
        lorvex::ChoosePlatform(lorvex::PlatformEnvironment::OfProcess());
    if (lorvex::ChooseCompositing(platform.x11)) TraceStartup("software compositing chosen");
    // The client reads no command line: Qt sees the program name only, and the platform
    // the client chose for itself. The user's QT_QPA_PLATFORM left none to choose.
    char programName[] = "lorvex";
    char platformOption[] = "-platform";
    QByteArray platformName = platform.platform;
    std::vector<char*> qtArgv{argc > 0 ? argv[0] : programName};
    if (!platformName.isEmpty()) qtArgv.insert(qtArgv.end(), {platformOption, platformName.data()});
    int qtArgc = static_cast<int>(qtArgv.size());
    qtArgv.push_back(nullptr);
    QApplication app(qtArgc, qtArgv.data());
    lorvex::ForgetCompositingChoiceForChildren();
    TraceStartup("application");
    QCoreApplication::setApplicationName(lorvex::kApplicationTitle);
    // The desktop finds the menu entry, and with it the icon, by this name (the Wayland
    // app id); on X11 it matches the entry's StartupWMClass to the window's class, which Qt
    // takes from the application name.
    QGuiApplication::setDesktopFileName(QString::fromUtf8(
        lorvex::kDesktopFileName.data(), static_cast<qsizetype>(lorvex::kDesktopFileName.size())));
    lorvex::UseUserLanguage();
    TraceStartup("translations");

    lorvex::LocalSingleInstanceGuard guard;
    TraceStartup("single-instance check");
    // Declared before the window: the window's pages end first, then the profile.
    lorvex::WebProfileScope webProfile;
    lorvex::Services services;
    services.guard = &guard;
    lorvex::MainWindow window(lorvex::kBuildPortalOrigin, services);
    TraceStartup("window built");
    lorvex::TraceFirstPaint(window.MainView(), "main view");
    lorvex::TraceFirstPaint(window.SideColumn(), "side column");
    QObject::connect(&guard, &lorvex::SingleInstanceGuard::ActivationRequested, &window,
                     [&window](quint32 userTime, const QString& activationToken) {
                         lorvex::BringToFront(&window, userTime, activationToken);
                     });
    window.Load();
    TraceStartup("pages asked for");
    window.show();
    TraceStartup("window shown");
    return app.exec();
}
