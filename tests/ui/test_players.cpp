// The portal's Windows Media and RealPlayer players play inside the main view's pages, in
// each markup form of the demo portal's player pages: the clip's first picture reaches the
// player's box and its position moves; the page's own pause and play links drive it by the
// names of its kind of player, even before the player is placed; the box sits on its
// element and follows it, fills the screen on a double-click and comes back on Esc; the
// clip is fetched with the page's cookies and Referer; a reload or leaving the page stops
// it; a refused clip and a broken play list say so in the box; invisible, mini and hidden
// players show as their markup asks; a player in a frame of the portal's page plays in the
// frame's place; HTML5 video plays in the engine as before.
//
// The machine running the tests has no sound card: the players' sound goes to whatever
// GStreamer's automatic audio sink finds, which is nothing (a null sink) here; only the
// picture and the position are checked.
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QWebEngineSettings>

#include "PortalMedia.h"
#include "support/PageInput.h"
#include "support/UiTestSupport.h"
#include "ui/media/ClipNetwork.h"
#include "ui/media/ClipRelay.h"
#include "ui/media/MediaPlayback.h"
#include "ui/media/PagePlayerHost.h"
#include "ui/media/PlayerBox.h"

using namespace lorvex;
using namespace lorvex::testing;

Q_DECLARE_METATYPE(lorvex::PlayerKind)

namespace {

// Clips take longer than pages: the decoders start in this process.
constexpr int kPlayDeadline = 60000;

// Counts the paints of a widget.
class PaintCounter : public QObject {
  public:
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    int paints = 0;

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++paints;
        return false;
    }
};

}  // namespace

class PlayersTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase();
    void cleanupTestCase() { fixture_.window.reset(); }
    void eachMarkupFormPlays_data();
    void eachMarkupFormPlays();
    void boxFullScreenFollowsScrollReloadAndLeavingStop();
    void html5VideoPlaysInTheEngine();
    void pageScriptsCallThePlayerBeforeItIsPlaced();
    void invisibleAndMiniPlayers();
    void playerInAFrame_data();
    void playerInAFrame();
    void sideColumnNeverPlays();
    void brokenPlayListAddedLaterSaysSo();
    void refusedClipSaysSo();

  private:
    PagePlayerHost& Players() { return *fixture_.window->Players(); }
    BrowserView* Main() { return fixture_.window->MainView(); }
    QString Origin() { return fixture_.portal.Origin(); }
    void CheckFetchedAsThePage(const QString& page, const QString& clip);
    bool OpenPage(const QString& path);
    PortalWindow fixture_;
};

void PlayersTest::initTestCase() {
    if (portal::MediaFolder().isEmpty()) QSKIP("the demo clips were not made (no ffmpeg)");
    QVERIFY(fixture_.Start());
    // The portal's login cookies, which the clips' requests must carry.
    QVERIFY(OpenPage("/33/login.asp"));
}

bool PlayersTest::OpenPage(const QString& path) { return LoadPage(Main(), Origin(), path); }

void PlayersTest::eachMarkupFormPlays_data() {
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("clip");
    QTest::addColumn<int>("boxes");
    QTest::addColumn<QString>("boxed");  // the element the picture's box covers
    QTest::addColumn<PlayerKind>("kind");
    QTest::addColumn<QString>("playState");  // how the page's scripts read the state
    QTest::newRow("Windows Media 6.4, inner embed")
        << "/33/playwmv.asp?id=1031"
        << "/33/media/1031.wmv" << 1 << "object#MediaPlayer" << PlayerKind::WindowsMedia64
        << "document.MediaPlayer.PlayState";
    QTest::newRow("Windows Media 7, .asx") << "/33/playwmv.asp?id=1024"
                                           << "/33/media/1024.wmv" << 1 << "object#Player"
                                           << PlayerKind::WindowsMedia << "Player.playState";
    QTest::newRow("RealPlayer pair, .ram") << "/33/playrm.asp?id=1025"
                                           << "/33/media/1025.rm" << 2 << "object#RealVideo"
                                           << PlayerKind::RealPlayer << "RealVideo.GetPlayState()";
}

// The clip was fetched as the page would fetch it: its Referer and the portal's cookies;
// the engine neither fetched it for itself nor offered it as a download.
void PlayersTest::CheckFetchedAsThePage(const QString& page, const QString& clip) {
    QVERIFY(fixture_.portal.Requests().contains(clip));
    QCOMPARE(fixture_.portal.Header(clip, "Referer"), (Origin() + page).toUtf8());
    QVERIFY(fixture_.portal.Header(clip, "Cookie").contains("member=1024"));
    QCOMPARE(fixture_.portal.Header(clip, "User-Agent"),
             fixture_.portal.Header(page, "User-Agent"));
    QVERIFY(fixture_.portal.Header(clip, "Accept-Language").startsWith("zh-CN"));
    QVERIFY(fixture_.saveDialog.offered.isEmpty());
}

void PlayersTest::eachMarkupFormPlays() {
    QFETCH(QString, page);
    QFETCH(QString, clip);
    QFETCH(int, boxes);
    QFETCH(QString, boxed);
    QFETCH(PlayerKind, kind);
    QFETCH(QString, playState);
    fixture_.portal.ClearRequests();
    QElapsedTimer clock;
    clock.start();
    QVERIFY(OpenPage(page));
    QVERIFY(WaitUntil([&] { return Players().Boxes().size() == boxes; }));
    PlayerBox* picture = Players().Boxes().first();
    QVERIFY(WaitUntil([&] { return picture->PaintedFrames() > 0; }, kPlayDeadline));
    // For the performance notes, not checked.
    qInfo("first picture %lld ms after the page was asked for", clock.elapsed());
    MediaPlayback* playback = Players().Playback(1);
    QVERIFY(playback != nullptr);
    const qint64 start = playback->Position();
    QVERIFY(WaitUntil([&] { return playback->Position() > start + 300; }, kPlayDeadline));
    QCOMPARE(playback->State(), PlaybackState::Playing);
    // New pictures repaint the picture, not the control bar under it (which a change of
    // state may repaint now and then).
    if (auto* button = picture->findChild<QToolButton*>(); button->isVisible()) {
        PaintCounter bar(button);
        const int frames = picture->PaintedFrames();
        QVERIFY(WaitUntil([&] { return picture->PaintedFrames() >= frames + 10; }, kPlayDeadline));
        QVERIFY2(bar.paints <= 2, qPrintable(QString::number(bar.paints)));
    }

    CheckFetchedAsThePage(page, clip);
    if (QTest::currentTestFailed()) return;

    // The box lies exactly over its element; an inner <embed> shows nothing of its own.
    QVERIFY(WaitUntil(
        [&] { return picture->isVisible() && picture->geometry() == ElementBox(Main(), boxed); }));
    QVERIFY(Evaluate(Main(),
                     "Array.from(document.querySelectorAll('embed')).every("
                     "function (e) { return e.getClientRects().length === 0; })")
                .toBool());

    // The page's own links pause and play it again, and its scripts read the state in
    // the numbers of its kind of player.
    for (const auto& [link, wanted] :
         {std::pair{"pause", PlaybackState::Paused}, std::pair{"play", PlaybackState::Playing}}) {
        const PlaybackState state = wanted;
        Evaluate(Main(), QStringLiteral("document.getElementById('%1').click()").arg(link));
        QVERIFY2(WaitUntil([&] { return playback->State() == state; }), link);
        QVERIFY(WaitUntil(
            [&] { return Evaluate(Main(), playState).toInt() == ScriptPlayState(kind, state); }));
    }
    // Windows Media 7's PlayStateChange reached the page's handler.
    if (kind == PlayerKind::WindowsMedia) {
        QCOMPARE(Evaluate(Main(), "document.getElementById('playState').innerText").toInt(),
                 ScriptPlayState(kind, PlaybackState::Playing));
    }
}

void PlayersTest::boxFullScreenFollowsScrollReloadAndLeavingStop() {
    QVERIFY(OpenPage("/33/playwmv.asp?id=1024"));
    QVERIFY(WaitUntil([&] { return Players().Boxes().size() == 1; }));
    PlayerBox* box = Players().Boxes().first();
    QVERIFY(WaitUntil([&] { return box->isVisible() && box->PaintedFrames() > 0; }, kPlayDeadline));
    const QRect place = box->geometry();

    // A double-click on the picture fills the screen; Esc brings the box back.
    QTest::mouseDClick(box, Qt::LeftButton, {}, QPoint(box->width() / 2, 20));
    QVERIFY(WaitUntil([&] {
        return box->InFullScreen() && box->window()->isFullScreen() &&
               box->window()->isActiveWindow();
    }));
    QCOMPARE(box->size(), box->window()->size());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QVERIFY(WaitUntil([&] { return !box->InFullScreen() && box->parentWidget() == Main(); }));
    QCOMPARE(box->geometry(), place);

    Evaluate(Main(), "document.body.style.height = '5000px'; scrollTo(0, 40)");
    QVERIFY(WaitUntil([&] {
        const QRect element = ElementBox(Main(), "object#Player");
        return element.top() < 60 && box->geometry() == element;
    }));
    // Zoomed, the box keeps to its element.
    Main()->StepZoom(ZoomStep::In);
    QVERIFY(WaitUntil([&] { return box->geometry() == ElementBox(Main(), "object#Player"); }));
    QVERIFY(box->width() > place.width());
    Main()->StepZoom(ZoomStep::Reset);
    // Scrolled out of the view, the box goes with it.
    Evaluate(Main(), "scrollTo(0, 2000)");
    QVERIFY(WaitUntil([&] { return !box->isVisible(); }));

    // A reload lets the clip go with its player and box; the new document plays anew.
    QPointer<PlayerBox> gone = box;
    QPointer<MediaPlayback> stopped = Players().Playback(1);
    Main()->reload();
    QVERIFY(WaitUntil([&] { return gone.isNull() && stopped.isNull(); }));
    QVERIFY(WaitUntil([&] { return Players().Playback(1) != nullptr; }));
    MediaPlayback* again = Players().Playback(1);
    QVERIFY(WaitUntil([&] { return again->Position() > 300; }, kPlayDeadline));

    gone = Players().Boxes().first();
    stopped = again;
    QVERIFY(OpenPage("/33/about.htm"));
    QVERIFY(gone.isNull());
    QVERIFY(stopped.isNull());
}

void PlayersTest::html5VideoPlaysInTheEngine() {
    // It plays on its own, as after the user's click on the page's link.
    QWebEngineSettings* settings = Main()->settings();
    const bool gesture = settings->testAttribute(QWebEngineSettings::PlaybackRequiresUserGesture);
    settings->setAttribute(QWebEngineSettings::PlaybackRequiresUserGesture, false);
    QVERIFY(OpenPage("/33/mtv5.asp?id=1024"));
    const bool played = WaitUntil(
        [&] { return Evaluate(Main(), "video.currentTime").toDouble() > 0.5; }, kPlayDeadline);
    settings->setAttribute(QWebEngineSettings::PlaybackRequiresUserGesture, gesture);
    QVERIFY(played);
    QVERIFY(Players().Boxes().isEmpty());
    QVERIFY(Players().Playback(1) == nullptr);
}

void PlayersTest::pageScriptsCallThePlayerBeforeItIsPlaced() {
    // The script right after the player and the page's onload call it at once, as they
    // could when the player was made with its element; a plug-in of another kind gets none
    // of a player's names.
    fixture_.portal.SetPage(
        "/33/scripted.asp",
        "<!DOCTYPE html><html><body onload=\"Player.controls.play()\">"
        "<object id=\"Player\" classid=\"clsid:6BF52A52-394A-11D3-B153-00C04F79FAA6\" "
        "width=\"320\" height=\"240\"><param name=\"autoStart\" value=\"false\"></object>"
        "<object id=\"Flash\" classid=\"clsid:D27CDB6E-AE6D-11cf-96B8-444553540000\" "
        "width=\"10\" height=\"10\"></object>"
        "<script>var states = [];"
        "var early = [typeof Player.controls.play, typeof MediaPlayer];"
        "Player.attachEvent('PlayStateChange', function (s) { states.push(s); });"
        "Player.URL = 'media/1024.wmv'; early.push(Player.URL);</script>"
        "<embed name=\"MediaPlayer\" type=\"application/x-mplayer2\" src=\"media/1031.wmv\" "
        "autostart=\"0\"><script>early.push(typeof MediaPlayer.Stop);</script>"
        "</body></html>");
    QVERIFY(OpenPage("/33/scripted.asp"));
    QVERIFY(WaitUntil([&] { return Players().Playback(1) != nullptr; }));
    MediaPlayback* playback = Players().Playback(1);
    QVERIFY(WaitUntil([&] { return playback->Position() > 300; }, kPlayDeadline));
    QCOMPARE(playback->Address().toString(), Origin() + "/33/media/1024.wmv");
    QCOMPARE(Evaluate(Main(), "early").toStringList(),
             QStringList({"function", "undefined", "media/1024.wmv", "function"}));
    QVERIFY(Evaluate(Main(), "states")
                .toList()
                .contains(ScriptPlayState(PlayerKind::WindowsMedia, PlaybackState::Playing)));
    // The page's scripts read the position going on between the client's reports of it,
    // near the player's own.
    QVERIFY(WaitUntil([&] {
        const qint64 before = playback->Position();
        const double read = Evaluate(Main(), "Player.controls.currentPosition").toDouble() * 1000;
        return read > before - 500 && read < playback->Position() + 500;
    }));
    QVariantList reads;  // playing, no report can come between the two reads
    QVERIFY(WaitUntil([&] {
        reads = Evaluate(Main(),
                         "(function () { var a = Player.controls.currentPosition, t = Date.now();"
                         "while (Date.now() - t < 400) {}"
                         "return [Player.playState, a, Player.controls.currentPosition]; })()")
                    .toList();
        return reads.size() == 3 && reads[0].toInt() == ScriptPlayState(PlayerKind::WindowsMedia,
                                                                        PlaybackState::Playing);
    }));
    const double went = reads[2].toDouble() - reads[1].toDouble();
    QVERIFY2(went >= 0.39 && went < 2, qPrintable(QString::number(went)));
    // Once known, each element keeps the names of its own kind only.
    QCOMPARE(Evaluate(Main(),
                      "[typeof Player.Play, typeof Flash.controls, typeof Flash.Play, "
                      "typeof MediaPlayer.Stop, typeof MediaPlayer.controls].join()")
                 .toString(),
             QString("undefined,undefined,undefined,function,undefined"));
    fixture_.portal.SetPage("/33/scripted.asp", {});
}

void PlayersTest::invisibleAndMiniPlayers() {
    // An invisible player plays and shows nothing, its own content neither, in the room the
    // page gave it; a hidden embed takes none; a mini player's bar has no seek slider.
    fixture_.portal.SetPage(
        "/33/modes.asp",
        "<!DOCTYPE html><html><body>"
        "<object id=\"Invisible\" classid=\"clsid:6BF52A52-394A-11D3-B153-00C04F79FAA6\" "
        "width=\"200\" height=\"40\"><param name=\"URL\" value=\"media/1024.wmv\">"
        "<param name=\"uiMode\" value=\"invisible\"><p id=\"fallback\">请安装播放器</p></object>"
        "<object id=\"Mini\" classid=\"clsid:6BF52A52-394A-11D3-B153-00C04F79FAA6\" "
        "width=\"320\" height=\"240\"><param name=\"URL\" value=\"media/1026.wmv\">"
        "<param name=\"uiMode\" value=\"mini\"><param name=\"autoStart\" value=\"0\">"
        "</object><embed id=\"Hidden\" src=\"media/1024.wma\" hidden=\"true\" width=\"300\" "
        "height=\"45\" autostart=\"0\"></body></html>");
    QVERIFY(OpenPage("/33/modes.asp"));
    QVERIFY(WaitUntil([&] { return Players().Playback(3) != nullptr; }));
    MediaPlayback* invisible = Players().Playback(1);
    QVERIFY(WaitUntil([&] { return invisible->Position() > 300; }, kPlayDeadline));
    QCOMPARE(Players().Boxes().size(), 1);
    QCOMPARE(Evaluate(Main(),
                      "getComputedStyle(fallback).visibility + ' ' + "
                      "Invisible.getBoundingClientRect().height + ' ' + "
                      "Hidden.getClientRects().length")
                 .toString(),
             QString("hidden 40 0"));
    const PlayerBox* mini = Players().Boxes().first();
    QVERIFY(!mini->findChild<QSlider*>("seek")->isVisibleTo(mini));
    QVERIFY(mini->findChild<QSlider*>("volume")->isVisibleTo(mini));
    fixture_.portal.SetPage("/33/modes.asp", {});
}

void PlayersTest::playerInAFrame_data() {
    QTest::addColumn<QString>("page");
    QTest::newRow("iframe") << "<!DOCTYPE html><html><body style=\"margin: 0\">"
                               "<div style=\"height: 50px\"></div><iframe id=\"frame\" "
                               "src=\"frames/inner.asp\" width=\"200\" height=\"150\" "
                               "style=\"margin-left: 30px; border: 5px solid\"></iframe>"
                               "</body></html>";
    QTest::newRow("frameset") << "<html><frameset rows=\"50,150,*\"><frame src=\"/33/about.htm\">"
                                 "<frame id=\"frame\" src=\"frames/inner.asp\">"
                                 "<frame src=\"/33/about.htm\"></frameset></html>";
}

void PlayersTest::playerInAFrame() {
    // A frame of the portal's page: its player's clip is read against the frame's address,
    // its box lies over the element, offset by the frame and clipped to it, and follows the
    // frame's scrolling; the frame's own scripts drive it; it ends with the frame.
    QFETCH(QString, page);
    fixture_.portal.SetPage("/33/framed.asp", page);
    fixture_.portal.SetPage(
        "/33/frames/inner.asp",
        "<!DOCTYPE html><html><body style=\"margin: 0\"><div style=\"height: 20px\"></div>"
        "<object id=\"Player\" classid=\"clsid:6BF52A52-394A-11D3-B153-00C04F79FAA6\" "
        "width=\"320\" height=\"240\"><param name=\"URL\" value=\"../media/1024.wmv\">"
        "</object></body></html>");
    QVERIFY(OpenPage("/33/framed.asp"));
    QVERIFY(WaitUntil([&] { return Players().Boxes().size() == 1; }));
    PlayerBox* box = Players().Boxes().first();
    QVERIFY(WaitUntil([&] { return box->PaintedFrames() > 0; }, kPlayDeadline));
    QCOMPARE(fixture_.portal.Header("/33/media/1024.wmv", "Referer"),
             (Origin() + "/33/frames/inner.asp").toUtf8());
    // The element's place and the frame's inner viewport, in the page's viewport.
    const auto expected = [&] {
        const QVariantList r =
            Evaluate(Main(),
                     "(function () { var f = document.getElementById('frame');"
                     "var d = f.contentDocument, r = f.getBoundingClientRect();"
                     "var e = d.getElementById('Player').getBoundingClientRect();"
                     "var x = r.left + f.clientLeft, y = r.top + f.clientTop;"
                     "return [x + e.left, y + e.top, e.width, e.height, x, y,"
                     "d.documentElement.clientWidth, d.documentElement.clientHeight];"
                     "})()")
                .toList();
        return std::pair{QRect(r[0].toInt(), r[1].toInt(), r[2].toInt(), r[3].toInt()),
                         QRect(r[4].toInt(), r[5].toInt(), r[6].toInt(), r[7].toInt())};
    };
    const auto placed = [&] {
        const auto [element, frame] = expected();
        return box->isVisible() && box->geometry() == element &&
               box->mask().boundingRect() ==
                   frame.intersected(element).translated(-element.topLeft());
    };
    QVERIFY(WaitUntil(placed));
    Evaluate(Main(), "frame.contentWindow.scrollTo(0, 15)");
    QVERIFY(WaitUntil([&] { return expected().first.top() < 70 && placed(); }));

    MediaPlayback* playback = Players().Playback(1);
    Evaluate(Main(), "frame.contentWindow.Player.controls.pause()");
    QVERIFY(WaitUntil([&] { return playback->State() == PlaybackState::Paused; }));
    QVERIFY(WaitUntil([&] {
        return Evaluate(Main(), "frame.contentWindow.Player.playState").toInt() ==
               ScriptPlayState(PlayerKind::WindowsMedia, PlaybackState::Paused);
    }));
    // The frame goes, and its player with it.
    Evaluate(Main(), "document.getElementById('frame').remove()");
    QVERIFY(WaitUntil([&] { return Players().Boxes().isEmpty() && !Players().Playback(1); }));
    fixture_.portal.SetPage("/33/framed.asp", {});
    fixture_.portal.SetPage("/33/frames/inner.asp", {});
}

void PlayersTest::sideColumnNeverPlays() {
    BrowserView* side = fixture_.window->SideColumn();
    side->Navigate(Origin() + "/33/playwmv.asp?id=1024");
    QVERIFY(WaitUntilDocumentIs(side, Origin() + "/33/playwmv.asp?id=1024"));
    // The page has been parsed and laid out; a player would have been offered by now.
    QVERIFY(
        WaitUntil([&] { return Evaluate(side, "document.readyState").toString() == "complete"; }));
    QVERIFY(side->findChildren<PlayerBox*>().isEmpty());
    QVERIFY(Evaluate(side, "document.querySelector('[data-lorvex-player]') === null").toBool());
    side->Navigate(Origin() + "/33/fl.htm");
}

void PlayersTest::brokenPlayListAddedLaterSaysSo() {
    QVERIFY(OpenPage("/33/playwmv.asp?id=1026"));
    QVERIFY(WaitUntil([&] { return Players().Boxes().size() == 1; }));
    Evaluate(Main(),
             "var e = document.createElement('embed'); e.id = 'late';"
             "e.type = 'application/x-mplayer2'; e.src = 'media/broken.asx';"
             "e.width = 200; e.height = 100; document.body.appendChild(e);"
             "e.scrollIntoView();");
    QVERIFY(WaitUntil([&] { return Players().Boxes().size() == 2; }));
    PlayerBox* late = Players().Boxes().last();
    const QString expected = QString::fromUtf8(kBadPlayListMessage.data(),
                                               static_cast<qsizetype>(kBadPlayListMessage.size()));
    QVERIFY(WaitUntil([&] { return late->MessageText() == expected; }));
    QVERIFY(WaitUntil([&] { return late->geometry() == ElementBox(Main(), "embed#late"); }));
    // Removed by the page: its box goes.
    Evaluate(Main(), "document.getElementById('late').remove()");
    QVERIFY(WaitUntil([&] { return Players().Boxes().size() == 1; }));
}

void PlayersTest::refusedClipSaysSo() {
    // The portal refuses its clips to any page but its own.
    ClipNetwork network(Main()->page()->profile());
    ClipRelay relay(&network);
    MediaPlayback playback(&network, &relay, PlayerKind::WindowsMedia, nullptr);
    playback.Open(QUrl(Origin() + "/33/media/1024.wmv"), QUrl("http://elsewhere.test/"), true);
    const QString expected = QString::fromStdString(ClipFailureText(ClipFailure::Refused, 403));
    QVERIFY(WaitUntil([&] { return playback.Message() == expected; }, kPlayDeadline));
    QCOMPARE(playback.State(), PlaybackState::Closed);
}

LORVEX_UI_TEST_MAIN(PlayersTest)
#include "test_players.moc"
