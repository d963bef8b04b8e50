// The desktop's media controls see one player of the client's, read with the real
// `playerctl` on a session bus the test starts for itself: while a song plays in the main
// view it names the song and the singer from the player page's address (GBK escapes that
// are also valid UTF-8), play-pause from the bus pauses the picture and plays it again,
// leaving the player page takes the player away, the side column never adds one, and the
// bus going away leaves the client running.
//
// The machine running the tests has no sound card: the players' sound goes to whatever
// GStreamer's automatic audio sink finds, which is nothing (a null sink) here.
#include <QProcess>
#include <QWebEngineSettings>
#include <csignal>
#include <cstdio>

#include "PortalMedia.h"
#include "support/PageInput.h"
#include "support/UiTestSupport.h"
#include "ui/media/MediaPlayback.h"
#include "ui/media/PagePlayerHost.h"
#include "ui/mpris/EngineMediaControls.h"

using namespace lorvex;
using namespace lorvex::testing;

namespace {

constexpr int kPlayDeadline = 60000;
// 默默 by 茫茫, as the portal's song lists write them.
constexpr char kSong[] = "&g=%C4%AC%C4%AC&c=%C3%A3%C3%A3";

pid_t busPid = 0;

// A session bus of the test's own, for the whole process: its address goes into the
// environment before the application (and Qt D-Bus) starts.
bool StartSessionBus() {
    FILE* out = popen("dbus-daemon --session --fork --print-address=1 --print-pid=1", "r");
    if (out == nullptr) return false;
    char address[512] = {};
    char pid[32] = {};
    const bool read =
        fgets(address, sizeof address, out) != nullptr && fgets(pid, sizeof pid, out) != nullptr;
    pclose(out);
    if (!read) return false;
    QByteArray text(address);
    qputenv("DBUS_SESSION_BUS_ADDRESS", text.trimmed());
    busPid = static_cast<pid_t>(QByteArray(pid).trimmed().toInt());
    return busPid > 0;
}

}  // namespace

class MprisTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase();
    void cleanupTestCase();
    void songAndSingerOfEachPlayer_data();
    void songAndSingerOfEachPlayer();
    void playPauseFromTheBus();
    void playPauseOfHtml5Media();
    void leavingThePageAndTheSideColumnLeaveNoPlayer();
    void busGoingAwayLeavesTheClientRunning();

  private:
    PagePlayerHost& Players() { return *fixture_.window->Players(); }
    BrowserView* Main() { return fixture_.window->MainView(); }
    QString Origin() { return fixture_.portal.Origin(); }
    bool OpenPage(BrowserView* view, const QString& path) { return LoadPage(view, Origin(), path); }
    // playerctl's answer; the client answers the bus from this event loop, so it runs on.
    static QString Ask(const QStringList& arguments) {
        QProcess process;
        process.start(QStringLiteral("playerctl"), arguments);
        if (!WaitUntil([&] { return process.state() == QProcess::NotRunning; })) return {};
        return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
    }
    static bool AskUntil(const QStringList& arguments, const QString& expected,
                         int timeoutMs = 30000) {
        QString last;
        const bool met = WaitUntil(
            [&] {
                last = Ask(arguments);
                return last == expected;
            },
            timeoutMs);
        if (!met) qWarning() << "playerctl" << arguments << "said" << last;
        return met;
    }
    PortalWindow fixture_;
};

void MprisTest::initTestCase() {
    if (portal::MediaFolder().isEmpty()) QSKIP("the demo clips were not made (no ffmpeg)");
    if (busPid == 0) QSKIP("no dbus-daemon to start a session bus");
    QVERIFY(fixture_.Start());
    QVERIFY(OpenPage(Main(), "/33/login.asp"));
    // The HTML5 page plays on its own, as it would after the user's click on its link.
    Main()->settings()->setAttribute(QWebEngineSettings::PlaybackRequiresUserGesture, false);
}

void MprisTest::cleanupTestCase() {
    fixture_.window.reset();
    if (busPid > 0) kill(busPid, SIGTERM);
}

void MprisTest::songAndSingerOfEachPlayer_data() {
    QTest::addColumn<QString>("page");
    QTest::newRow("Windows Media") << QString("/33/playwmv.asp?id=1031") + kSong;
    QTest::newRow("RealPlayer") << QString("/33/playrm.asp?id=1025") + kSong;
    // 8 s of it: long enough for the engine's own player, which must not show.
    QTest::newRow("HTML5 video") << QString("/33/mtv5.asp?id=1024") + kSong;
}

void MprisTest::songAndSingerOfEachPlayer() {
    QFETCH(QString, page);
    QVERIFY(OpenPage(Main(), page));
    const QStringList metadata{"-p", "lorvex", "metadata", "--format",
                               "{{xesam:title}}|{{xesam:artist}}|{{xesam:url}}"};
    QVERIFY(AskUntil(metadata, "默默|茫茫|" + Origin() + page, kPlayDeadline));
    QVERIFY(AskUntil({"-p", "lorvex", "status"}, "Playing", kPlayDeadline));
    // Exactly one player: the client's.
    QCOMPARE(Ask({"-l"}), QString("lorvex"));
    // The clip's length once known, in microseconds; the track under the client's own path.
    QVERIFY(WaitUntil([] {
        return Ask({"-p", "lorvex", "metadata", "mpris:length"}).toLongLong() > 1000000;
    }));
    // playerctl prints an object path quoted.
    const QString track = Ask({"-p", "lorvex", "metadata", "mpris:trackid"}).remove(u'\'');
    QVERIFY2(track.startsWith("/io/github/lorvex/lorvex/track/"), qPrintable(track));
}

void MprisTest::playPauseFromTheBus() {
    QVERIFY(OpenPage(Main(), QString("/33/playwmv.asp?id=1024") + kSong));
    QVERIFY(AskUntil({"-p", "lorvex", "status"}, "Playing", kPlayDeadline));
    MediaPlayback* playback = Players().Playback(1);
    QVERIFY(playback != nullptr);
    Ask({"-p", "lorvex", "play-pause"});
    QVERIFY(WaitUntil([&] { return playback->State() == PlaybackState::Paused; }));
    QVERIFY(AskUntil({"-p", "lorvex", "status"}, "Paused"));
    const qint64 paused = playback->Position();
    Ask({"-p", "lorvex", "play-pause"});
    QVERIFY(WaitUntil([&] { return playback->Position() > paused + 300; }, kPlayDeadline));
    QVERIFY(AskUntil({"-p", "lorvex", "status"}, "Playing"));
    // Position and volume, read and written from the bus; who the player is.
    QVERIFY(Ask({"-p", "lorvex", "position"}).toDouble() > 0);
    Ask({"-p", "lorvex", "volume", "0.25"});
    QVERIFY(WaitUntil([&] { return playback->Volume() == 25; }));
    QVERIFY(AskUntil({"-p", "lorvex", "volume"}, "0.250000"));
    QProcess identity;
    identity.start("gdbus",
                   {"call", "--session", "--dest", "org.mpris.MediaPlayer2.lorvex", "--object-path",
                    "/org/mpris/MediaPlayer2", "--method", "org.freedesktop.DBus.Properties.Get",
                    "org.mpris.MediaPlayer2", "Identity"});
    QVERIFY(WaitUntil([&] { return identity.state() == QProcess::NotRunning; }));
    QCOMPARE(identity.readAllStandardOutput().trimmed(), QByteArray("(<'Lorvex'>,)"));
}

void MprisTest::playPauseOfHtml5Media() {
    QVERIFY(OpenPage(Main(), QString("/33/mtv5.asp?id=1024") + kSong));
    QVERIFY(AskUntil({"-p", "lorvex", "status"}, "Playing", kPlayDeadline));
    Ask({"-p", "lorvex", "play-pause"});
    QVERIFY(WaitUntil([&] { return Evaluate(Main(), "video.paused").toBool(); }));
    QVERIFY(AskUntil({"-p", "lorvex", "status"}, "Paused"));
    Ask({"-p", "lorvex", "play-pause"});
    QVERIFY(WaitUntil([&] { return !Evaluate(Main(), "video.paused").toBool(); }));
    QVERIFY(AskUntil({"-p", "lorvex", "status"}, "Playing"));
}

void MprisTest::leavingThePageAndTheSideColumnLeaveNoPlayer() {
    QVERIFY(OpenPage(Main(), QString("/33/playwmv.asp?id=1024") + kSong));
    QVERIFY(AskUntil({"-p", "lorvex", "status"}, "Playing", kPlayDeadline));
    QVERIFY(OpenPage(Main(), "/33/about.htm"));
    QVERIFY(AskUntil({"-l"}, ""));

    BrowserView* side = fixture_.window->SideColumn();
    QVERIFY(OpenPage(side, QString("/33/playwmv.asp?id=1024") + kSong));
    QVERIFY(
        WaitUntil([&] { return Evaluate(side, "document.readyState").toString() == "complete"; }));
    QCOMPARE(Ask({"-l"}), QString());
    OpenPage(side, "/33/fl.htm");
}

void MprisTest::busGoingAwayLeavesTheClientRunning() {
    QVERIFY(OpenPage(Main(), QString("/33/playwmv.asp?id=1024") + kSong));
    QVERIFY(AskUntil({"-p", "lorvex", "status"}, "Playing", kPlayDeadline));
    QCOMPARE(kill(busPid, SIGTERM), 0);
    busPid = 0;
    // The players go on and come and go without the bus.
    QVERIFY(OpenPage(Main(), "/33/about.htm"));
    QVERIFY(OpenPage(Main(), QString("/33/playrm.asp?id=1025") + kSong));
    QVERIFY(WaitUntil(
        [&] {
            MediaPlayback* playback = Players().Playback(1);
            return playback != nullptr && playback->State() == PlaybackState::Playing;
        },
        kPlayDeadline));
}

int main(int argc, char* argv[]) {
    SwitchOffEngineMediaControls();
    StartSessionBus();
    return RunUiTest(argc, argv, [](int c, char** v) {
        MprisTest test;
        return QTest::qExec(&test, c, v);
    });
}

#include "test_mpris.moc"
