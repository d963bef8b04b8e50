// Songs as the user meets them, against GStreamer's own player (gst-play-1.0) on the same
// clip from the same portal:
//   clickToFirstPicture  a real click on a song link in the side column's page to the clip's
//                        first frame painted in the player's box, 5 rounds per player form,
//                        each followed by gst-play-1.0 from its start to its first frame
//   cpuWhilePlaying      CPU of the client's whole process tree (this process and its web
//                        engine processes) over 5 s of playback, and of gst-play-1.0 over
//                        the same 5 s of the clip shown in an X window (ximagesink)
//   memoryOverTwentyPlays  RSS and PSS of the tree while playing and after leaving the
//                        page, 20 plays in one run
// gst-play-1.0 cannot send a Referer and the portal refuses its clips without one, so it
// reads them through a proxy in this process that adds the player page as Referer, as the
// client's own relay does. No sound card: both players' sound goes to GStreamer's automatic
// audio sink, which finds none here. Prints every round and the medians; asserts nothing
// about time. Run under X (Xvfb and openbox will do): bench/players_bench.sh
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QMap>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <algorithm>
#include <memory>

#include "PortalMedia.h"
#include "support/UiTestSupport.h"
#include "ui/media/PagePlayerHost.h"
#include "ui/media/PlayerBox.h"

using namespace lorvex;
using namespace lorvex::testing;

namespace {

constexpr int kPlayDeadline = 60000;

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n == 0 ? 0 : (values[(n - 1) / 2] + values[n / 2]) / 2;
}

// The process and its descendants.
QList<qint64> ProcessTree(qint64 root) {
    QList<qint64> tree;
    QList<qint64> pending{root};
    while (!pending.isEmpty()) {
        const qint64 pid = pending.takeLast();
        tree << pid;
        pending += ChildProcesses(pid);
    }
    return tree;
}

// User and system CPU of a process or thread ("/proc/<pid>" or "/proc/<pid>/task/<tid>"),
// in ms; a process's figure holds its ended threads too.
double CpuMs(const QString& folder) {
    QFile file(folder + QStringLiteral("/stat"));
    if (!file.open(QIODevice::ReadOnly)) return 0;
    const QByteArray line = file.readAll();
    // After "pid (name) ": state is field 0, utime field 11, stime field 12.
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13) return 0;
    static const double tick = 1000.0 / static_cast<double>(sysconf(_SC_CLK_TCK));
    return static_cast<double>(fields[11].toLongLong() + fields[12].toLongLong()) * tick;
}

QString Name(const QString& folder) {
    QFile file(folder + QStringLiteral("/comm"));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll().trimmed())
                                          : QStringLiteral("?");
}

// CPU of processes, by process and by thread, in ms. The threads are read first or last
// (`threadsFirst`), so that reading them falls outside the stretch measured.
struct TreeCpu {
    QHash<qint64, double> processes;
    QHash<QString, double> threads;  // by "pid/tid process/thread"
};

TreeCpu Cpu(const QList<qint64>& pids, bool threadsFirst) {
    TreeCpu cpu;
    const auto readProcesses = [&] {
        for (const qint64 pid : pids) {
            cpu.processes.insert(pid, CpuMs(QStringLiteral("/proc/%1").arg(pid)));
        }
    };
    if (!threadsFirst) readProcesses();
    for (const qint64 pid : pids) {
        const QString folder = QStringLiteral("/proc/%1").arg(pid);
        const QString process = Name(folder);
        for (const QString& tid : QDir(folder + QStringLiteral("/task")).entryList(QDir::Dirs)) {
            const QString task = folder + QStringLiteral("/task/") + tid;
            if (tid.startsWith(u'.')) continue;
            cpu.threads.insert(QStringLiteral("%1/%2 %3/%4").arg(pid).arg(tid, process, Name(task)),
                               CpuMs(task));
        }
    }
    if (threadsFirst) readProcesses();
    return cpu;
}

// Lets the event loop run for `ms` (QTest::qWait would wake it every few milliseconds, which
// is CPU of its own).
void Idle(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// CPU between two samples, in ms: the whole tree; and in `detail` the threads that used
// 10 ms or more, by process and thread name.
double CpuBetween(const TreeCpu& before, const TreeCpu& after, QString* detail) {
    double total = 0;
    for (auto it = after.processes.cbegin(); it != after.processes.cend(); ++it) {
        total += it.value() - before.processes.value(it.key(), 0);
    }
    QMap<QString, double> byName;
    for (auto it = after.threads.cbegin(); it != after.threads.cend(); ++it) {
        byName[it.key().section(u' ', 1)] += it.value() - before.threads.value(it.key(), 0);
    }
    for (auto it = byName.cbegin(); it != byName.cend(); ++it) {
        if (it.value() >= 10) {
            *detail += QStringLiteral(" %1 %2;").arg(it.key()).arg(it.value(), 0, 'f', 0);
        }
    }
    return total;
}

qint64 KiB(const QString& path, const QByteArray& key) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& row : file.readAll().split('\n')) {
        if (row.startsWith(key)) return row.mid(key.size()).trimmed().split(' ')[0].toLongLong();
    }
    return 0;
}

struct Memory {
    qint64 rssKiB = 0;
    qint64 pssKiB = 0;
    qint64 rootPssKiB = 0;  // of the root process alone
};

Memory TreeMemory(qint64 root) {
    Memory memory;
    for (const qint64 pid : ProcessTree(root)) {
        memory.rssKiB += KiB(QStringLiteral("/proc/%1/status").arg(pid), "VmRSS:");
        const qint64 pss = KiB(QStringLiteral("/proc/%1/smaps_rollup").arg(pid), "Pss:");
        memory.pssKiB += pss;
        if (pid == root) memory.rootPssKiB = pss;
    }
    return memory;
}

// Hands gst-play-1.0's requests (it uses http_proxy) to the portal with the player page
// as Referer, one request a connection.
class RefererProxy : public QObject {
  public:
    RefererProxy(quint16 portalPort, QByteArray referer)
        : portalPort_(portalPort), referer_(std::move(referer)) {
        connect(&server_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* client = server_.nextPendingConnection()) Serve(client);
        });
        server_.listen(QHostAddress::LocalHost);
    }
    quint16 Port() const { return server_.serverPort(); }

  private:
    // "GET http://host:port/path HTTP/1.1" and its headers, as the portal is to get them.
    QByteArray Rewritten(const QByteArray& head) const {
        QList<QByteArray> lines = head.split('\n');
        QList<QByteArray> request = lines.takeFirst().trimmed().split(' ');
        if (request.size() == 3 && request[1].startsWith("http://")) {
            request[1] = request[1].mid(request[1].indexOf('/', 7));
        }
        QByteArray out = request.join(' ') + "\r\n";
        for (const QByteArray& raw : lines) {
            const QByteArray line = raw.trimmed();
            const QByteArray name = line.left(line.indexOf(':')).toLower();
            if (line.isEmpty() || name == "connection" || name == "proxy-connection" ||
                name == "referer") {
                continue;
            }
            out += line + "\r\n";
        }
        return out + "Referer: " + referer_ + "\r\nConnection: close\r\n\r\n";
    }

    void Serve(QTcpSocket* client) {
        auto* upstream = new QTcpSocket(client);
        auto head = std::make_shared<QByteArray>();
        connect(client, &QTcpSocket::readyRead, client, [=, this] {
            if (upstream->state() != QAbstractSocket::UnconnectedState) {
                upstream->write(client->readAll());
                return;
            }
            *head += client->readAll();
            const qsizetype end = head->indexOf("\r\n\r\n");
            if (end < 0) return;
            const QByteArray request = Rewritten(head->left(end)) + head->mid(end + 4);
            connect(upstream, &QTcpSocket::connected, upstream, [=] { upstream->write(request); });
            upstream->connectToHost(QHostAddress::LocalHost, portalPort_);
        });
        connect(upstream, &QTcpSocket::readyRead, client,
                [=] { client->write(upstream->readAll()); });
        connect(upstream, &QTcpSocket::disconnected, client, [=] { client->disconnectFromHost(); });
        connect(client, &QTcpSocket::disconnected, client, &QObject::deleteLater);
    }

    QTcpServer server_;
    quint16 portalPort_;
    QByteArray referer_;
};

// gst-play-1.0 playing one clip in an X window, from its start to its first frame shown.
class GstPlay {
  public:
    GstPlay(const QString& clip, quint16 proxyPort) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("http_proxy"),
                           QStringLiteral("http://127.0.0.1:%1").arg(proxyPort));
        // The X sink notes every picture it puts on the window.
        environment.insert(QStringLiteral("GST_DEBUG"), QStringLiteral("ximagesink:6"));
        environment.insert(QStringLiteral("GST_DEBUG_NO_COLOR"), QStringLiteral("1"));
        process_.setProcessEnvironment(environment);
        process_.setStandardOutputFile(QProcess::nullDevice());
        QObject::connect(&process_, &QProcess::readyReadStandardError, [this] {
            const QByteArray log = process_.readAllStandardError();
            if (firstFrameMs_ < 0 && log.contains("_ximage_put:")) {
                firstFrameMs_ = static_cast<double>(clock_.nsecsElapsed()) / 1e6;
            }
        });
        clock_.start();
        process_.start(QStringLiteral("gst-play-1.0"),
                       {QStringLiteral("--no-interactive"), QStringLiteral("-q"),
                        QStringLiteral("--videosink=ximagesink"), clip});
    }
    ~GstPlay() {
        process_.kill();
        process_.waitForFinished();
    }
    bool WaitForFirstFrame() {
        return WaitUntil([this] { return firstFrameMs_ >= 0; }, kPlayDeadline);
    }
    double FirstFrameMs() const { return firstFrameMs_; }
    qint64 Pid() const { return process_.processId(); }

  private:
    QProcess process_;
    QElapsedTimer clock_;
    double firstFrameMs_ = -1;
};

struct SongToPlay {
    int id;
    QString kind;  // "wmv" or "rm"
    QString clip;  // the clip's extension
};

}  // namespace

Q_DECLARE_METATYPE(SongToPlay)

class PlayersBench : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase();
    void cleanupTestCase() { fixture_.window.reset(); }
    void clickToFirstPicture_data();
    void clickToFirstPicture();
    void cpuWhilePlaying_data() { clickToFirstPicture_data(); }
    void cpuWhilePlaying();
    void memoryOverTwentyPlays();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    BrowserView* Main() { return fixture_.window->MainView(); }
    QString Origin() { return fixture_.portal.Origin(); }
    QString PlayerPage(const SongToPlay& song) {
        return Origin() + QStringLiteral("/33/play%1.asp?id=%2").arg(song.kind).arg(song.id);
    }
    QString ClipAddress(const SongToPlay& song) {
        return Origin() + QStringLiteral("/33/media/%1.%2").arg(song.id).arg(song.clip);
    }
    // Clicks the song's link in the side column; the time to its first picture painted in
    // the main view's player box, in ms (negative: none came).
    double ClickSong(const SongToPlay& song);
    // Leaves the player page for one without players.
    bool Leave();

    PortalWindow fixture_;
    QElapsedTimer clock_;
    double firstPaintMs_ = -1;
};

bool PlayersBench::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Paint && firstPaintMs_ < 0) {
        const auto* box = qobject_cast<PlayerBox*>(watched);
        if (box != nullptr && box->PaintedFrames() > 0) {
            firstPaintMs_ = static_cast<double>(clock_.nsecsElapsed()) / 1e6;
        }
    }
    return false;
}

void PlayersBench::initTestCase() {
    if (portal::MediaFolder().isEmpty()) QSKIP("the demo clips were not made (no ffmpeg)");
    QVERIFY2(!QStandardPaths::findExecutable(QStringLiteral("gst-play-1.0")).isEmpty(),
             "gst-play-1.0 is missing: apt-get install gstreamer1.0-plugins-base-apps");
    QVERIFY(fixture_.Start());
    qApp->installEventFilter(this);
    // gst-play-1.0 once before it is measured, so that its plugins are read from memory,
    // as the client's libraries are. (The client's first song of each form is measured: it
    // loads that form's decoders.)
    QVERIFY(Leave());
    const SongToPlay song{1031, "wmv", "wmv"};
    RefererProxy proxy(fixture_.portal.Port(), PlayerPage(song).toUtf8());
    GstPlay warm(ClipAddress(song), proxy.Port());
    QVERIFY(warm.WaitForFirstFrame());
}

double PlayersBench::ClickSong(const SongToPlay& song) {
    BrowserView* side = fixture_.window->SideColumn();
    // The middle of the link's first line: a name that wraps leaves a gap in its box.
    const QVariantList xy =
        Evaluate(side, QStringLiteral("(function () {"
                                      "  var a = document.querySelector("
                                      "      'a[href^=\"play%1.asp?id=%2&\"]');"
                                      "  if (!a) return null; a.scrollIntoView();"
                                      "  var r = a.getClientRects()[0];"
                                      "  return [r.left + r.width / 2, r.top + r.height / 2]; })()")
                           .arg(song.kind)
                           .arg(song.id))
            .toList();
    if (xy.size() != 2) return -1;
    const QPoint link(xy[0].toInt(), xy[1].toInt());
    firstPaintMs_ = -1;
    clock_.start();
    QTest::mouseClick(side->focusProxy(), Qt::LeftButton, Qt::NoModifier, link);
    if (!WaitUntil([this] { return firstPaintMs_ >= 0; }, kPlayDeadline)) {
        qWarning("no picture; the main view shows %s", Main()->LocationURL().c_str());
        return -1;
    }
    return firstPaintMs_;
}

bool PlayersBench::Leave() {
    const QString away = Origin() + QStringLiteral("/33/about.htm");
    Main()->Navigate(away);
    return WaitUntilDocumentIs(Main(), away) &&
           WaitUntil([this] { return fixture_.window->Players()->Boxes().isEmpty(); });
}

void PlayersBench::clickToFirstPicture_data() {
    QTest::addColumn<SongToPlay>("song");
    QTest::newRow("Windows Media 6.4, the clip") << SongToPlay{1031, "wmv", "wmv"};
    QTest::newRow("Windows Media 7, .asx") << SongToPlay{1024, "wmv", "wmv"};
    QTest::newRow("RealPlayer pair, .ram") << SongToPlay{1025, "rm", "rm"};
}

void PlayersBench::clickToFirstPicture() {
    QFETCH(SongToPlay, song);
    constexpr int kRounds = 5;
    RefererProxy proxy(fixture_.portal.Port(), PlayerPage(song).toUtf8());
    std::vector<double> client;
    std::vector<double> floor;
    for (int round = 1; round <= kRounds; ++round) {
        client.push_back(ClickSong(song));
        QVERIFY(client.back() >= 0);
        QVERIFY(Leave());
        GstPlay gst(ClipAddress(song), proxy.Port());
        QVERIFY(gst.WaitForFirstFrame());
        floor.push_back(gst.FirstFrameMs());
        qInfo("round %d: client %.0f ms, gst-play-1.0 %.0f ms", round, client.back(), floor.back());
    }
    qInfo("median: client %.0f ms, gst-play-1.0 %.0f ms, ratio %.2f", Median(client), Median(floor),
          Median(client) / Median(floor));
}

void PlayersBench::cpuWhilePlaying() {
    QFETCH(SongToPlay, song);
    constexpr int kRounds = 5;
    constexpr int kSettleMs = 1000;
    constexpr int kStretchMs = 5000;
    RefererProxy proxy(fixture_.portal.Port(), PlayerPage(song).toUtf8());
    const qint64 self = QCoreApplication::applicationPid();
    std::vector<double> client;
    std::vector<double> floor;
    {
        // The client with a page and no song, for comparison.
        QVERIFY(Leave());
        Idle(kSettleMs);
        const QList<qint64> tree = ProcessTree(self);
        const TreeCpu before = Cpu(tree, true);
        Idle(kStretchMs);
        QString detail;
        qInfo("idle: client %.1f %% of a core",
              CpuBetween(before, Cpu(tree, false), &detail) / kStretchMs * 100);
        qInfo("  client ms:%s", qPrintable(detail));
    }
    for (int round = 1; round <= kRounds; ++round) {
        QVERIFY(ClickSong(song) >= 0);
        Idle(kSettleMs);
        const QList<qint64> tree = ProcessTree(self);
        const TreeCpu before = Cpu(tree, true);
        Idle(kStretchMs);
        QString detail;
        client.push_back(CpuBetween(before, Cpu(tree, false), &detail) / kStretchMs * 100);
        QVERIFY(Leave());

        GstPlay gst(ClipAddress(song), proxy.Port());
        QVERIFY(gst.WaitForFirstFrame());
        Idle(kSettleMs);
        const TreeCpu gstBefore = Cpu({gst.Pid()}, true);
        Idle(kStretchMs);
        QString gstDetail;
        floor.push_back(CpuBetween(gstBefore, Cpu({gst.Pid()}, false), &gstDetail) / kStretchMs *
                        100);
        qInfo("round %d: client %.1f %% of a core, gst-play-1.0 %.1f %%", round, client.back(),
              floor.back());
        qInfo("  client ms:%s", qPrintable(detail));
        qInfo("  gst-play-1.0 ms:%s", qPrintable(gstDetail));
    }
    qInfo("median: client %.1f %%, gst-play-1.0 %.1f %%, ratio %.2f", Median(client), Median(floor),
          Median(client) / Median(floor));
}

void PlayersBench::memoryOverTwentyPlays() {
    const int kPlays = qEnvironmentVariableIntValue("LORVEX_BENCH_PLAYS") > 0
                           ? qEnvironmentVariableIntValue("LORVEX_BENCH_PLAYS")
                           : 20;
    constexpr int kSettleMs = 2000;
    const QList<SongToPlay> songs{{1031, "wmv", "wmv"}, {1024, "wmv", "wmv"}, {1025, "rm", "rm"}};
    const qint64 self = QCoreApplication::applicationPid();
    const auto mib = [](qint64 kib) { return static_cast<double>(kib) / 1024; };
    QVERIFY(Leave());
    const Memory start = TreeMemory(self);
    qInfo("before: RSS %.1f MiB, PSS %.1f MiB", mib(start.rssKiB), mib(start.pssKiB));
    std::vector<Memory> left;
    for (int play = 1; play <= kPlays; ++play) {
        QVERIFY(ClickSong(songs[(play - 1) % songs.size()]) >= 0);
        Idle(kSettleMs);
        const Memory playing = TreeMemory(self);
        QVERIFY(Leave());
        Idle(kSettleMs);
        left.push_back(TreeMemory(self));
        qInfo(
            "play %2d: playing RSS %.1f PSS %.1f MiB; left RSS %.1f PSS %.1f MiB "
            "(browser process %.1f MiB)",
            play, mib(playing.rssKiB), mib(playing.pssKiB), mib(left.back().rssKiB),
            mib(left.back().pssKiB), mib(left.back().rootPssKiB));
    }
    qInfo("after leaving, first / last play: RSS %.1f / %.1f MiB, PSS %.1f / %.1f MiB",
          mib(left.front().rssKiB), mib(left.back().rssKiB), mib(left.front().pssKiB),
          mib(left.back().pssKiB));
}

int main(int argc, char* argv[]) {
    // The rounds take longer than Qt Test's five minutes for a test function.
    qputenv("QTEST_FUNCTION_TIMEOUT", "3600000");
    return RunUiTest(argc, argv, [](int c, char** v) {
        PlayersBench bench;
        return QTest::qExec(&bench, c, v);
    });
}
#include "players_bench.moc"
