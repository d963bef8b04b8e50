// A view whose renderer ends abnormally loads its address again, once: a second end within
// the minute leaves the view as the engine shows it. The song that played on the page stops
// with its renderer: its player and box go, and the page loaded again plays anew. The
// renderer is killed from outside, as a crash would end it (a view cannot be sent to
// chrome://kill: only web addresses and the client's own pages may be loaded).
#include <QSignalSpy>
#include <csignal>

#include "PortalMedia.h"
#include "support/UiTestSupport.h"
#include "ui/media/MediaPlayback.h"
#include "ui/media/PagePlayerHost.h"
#include "ui/media/PlayerBox.h"

using namespace lorvex;
using namespace lorvex::testing;

namespace {

// Kills the renderer of the view's page and waits until the view has answered: true when
// it started loading again.
bool KillRendererAndReload(BrowserView* view) {
    QSignalSpy ended(view->page(), &QWebEnginePage::renderProcessTerminated);
    const qint64 pid = view->page()->renderProcessPid();
    if (pid <= 0 || ::kill(static_cast<pid_t>(pid), SIGKILL) != 0) return false;
    if (!WaitUntil([&] { return !ended.isEmpty(); })) return false;
    // The view answers through the event queue, so a call queued now runs after its answer.
    bool answered = false;
    QMetaObject::invokeMethod(
        view, [&] { answered = true; }, Qt::QueuedConnection);
    WaitUntil([&] { return answered; });
    return view->page()->isLoading();
}

}  // namespace

class RendererCrashTest : public QObject {
    Q_OBJECT

  private slots:
    void killedRendererReloadsOnceAMinute();
};

void RendererCrashTest::killedRendererReloadsOnceAMinute() {
    PortalWindow fixture;
    QVERIFY(fixture.Start());
    BrowserView* main = fixture.window->MainView();
    const QString player = "/33/playwmv.asp?id=1024&g=a&c=b";
    const std::string playerAddress = (fixture.portal.Origin() + player).toStdString();
    // Collect is enabled on the idle page as well, and the idle page may still be loading:
    // wait for the player page itself, loaded.
    QSignalSpy shown(main, &QWebEngineView::loadFinished);
    main->Navigate(fixture.portal.Origin() + player);
    QVERIFY(WaitUntil([&] {
        return !shown.isEmpty() && main->LocationURL() == playerAddress &&
               !main->page()->isLoading() && fixture.window->Panel().collect->isEnabled();
    }));
    const qint64 firstRenderer = main->page()->renderProcessPid();
    // Its song plays (with no sound card: the sound goes nowhere) when the clips were made.
    PagePlayerHost& players = *fixture.window->Players();
    const bool clips = !portal::MediaFolder().isEmpty();
    QVERIFY(WaitUntil([&] { return players.Boxes().size() == 1 && players.Playback(1); }));
    QPointer<PlayerBox> box = players.Boxes().first();
    QPointer<MediaPlayback> playback = players.Playback(1);
    if (clips) QVERIFY(WaitUntil([&] { return playback->Position() > 300; }, 60000));

    // The first end: the player page comes again, and collect follows it as after any load.
    fixture.window->Panel().collect->setEnabled(false);
    fixture.portal.ClearRequests();
    QSignalSpy loaded(main, &QWebEngineView::loadFinished);
    QVERIFY(KillRendererAndReload(main));
    QVERIFY(box.isNull());
    QVERIFY(playback.isNull());
    QVERIFY(fixture.WaitForRequest(player));
    QVERIFY(WaitUntil([&] { return !loaded.isEmpty(); }));
    QVERIFY(loaded.first().at(0).toBool());
    QVERIFY(fixture.window->Panel().collect->isEnabled());
    QVERIFY(main->page()->renderProcessPid() != firstRenderer);
    QCOMPARE(main->LocationURL(), playerAddress);
    QVERIFY(WaitUntil([&] { return players.Playback(1) != nullptr; }));
    if (clips) {
        QVERIFY(WaitUntil([&] { return players.Playback(1)->Position() > 300; }, 60000));
    }

    // The second within the minute: the view stays as the engine left it. The page must be
    // done with everything first, or the end of a load in flight would read as a reload.
    QVERIFY(WaitUntil([&] { return !main->page()->isLoading(); }));
    QVERIFY(!KillRendererAndReload(main));
    QCOMPARE(main->LocationURL(), playerAddress);
}

LORVEX_UI_TEST_MAIN(RendererCrashTest)
#include "test_renderer_crash.moc"
