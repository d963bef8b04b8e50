// The demo portal that the UI tests and manual runs browse: GBK pages, GBK query decoding,
// 404s and the request log the tests rely on. No display needed.
#include <QDir>
#include <QFile>
#include <QImage>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSignalSpy>
#include <QTest>

#include "DemoPortal.h"
#include "PortalMedia.h"
#include "support/QtTestSupport.h"

using namespace Qt::StringLiterals;
using lorvex::testing::Gb18030;

namespace {

struct Fetched {
    int status = 0;
    QByteArray contentType;
    QByteArray body;
    QNetworkReply::RawHeaderPair range;  // Content-Range and Accept-Ranges, as sent
};

using Headers = QList<QPair<QByteArray, QByteArray>>;

}  // namespace

class TestDemoPortal : public QObject {
    Q_OBJECT

    lorvex::DemoPortal portal_;
    QNetworkAccessManager network_;

    Fetched Fetch(const QString& pathAndQuery, const Headers& headers = {}) {
        // StrictMode keeps the query bytes exactly as written here.
        QNetworkRequest request(QUrl(portal_.Origin() + pathAndQuery, QUrl::StrictMode));
        for (const auto& [name, value] : headers) request.setRawHeader(name, value);
        QNetworkReply* reply = network_.get(request);
        QSignalSpy finished(reply, &QNetworkReply::finished);
        if (!reply->isFinished()) finished.wait(lorvex::testing::Deadline(5000));
        Fetched result{reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(),
                       reply->header(QNetworkRequest::ContentTypeHeader).toByteArray(),
                       reply->readAll(),
                       {reply->rawHeader("Content-Range"), reply->rawHeader("Accept-Ranges")}};
        reply->deleteLater();
        return result;
    }

  private slots:
    void initTestCase() {
        QVERIFY(portal_.Start() != 0);
        QCOMPARE(portal_.Origin(), QStringLiteral("http://127.0.0.1:%1").arg(portal_.Port()));
    }

    void categoriesPageIsGbkWithRawChineseLinks() {
        const Fetched page = Fetch("/33/fl.htm");
        QCOMPARE(page.status, 200);
        QCOMPARE(page.contentType, QByteArray("text/html; charset=gb2312"));
        QVERIFY(page.body.contains(
            Gb18030(u"<a href=\"playwmv.asp?id=1024&g=海边的风&c=林小雨\" target=\"_blank\">"_s)));
        QVERIFY(page.body.contains("playrm.asp?id=1025&"));
        QVERIFY(page.body.contains("playwmv.asp?id=77&g=Blue Moon&c=Ann"));
    }

    void search_data() {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QByteArray>("expected");
        QTest::addColumn<QByteArray>("absent");
        QTest::newRow("GBK song name")
            << "keyword=%BA%A3%B1%DF" << QByteArray("id=1024&") << QByteArray("id=1035&");
        QTest::newRow("GBK singer, two songs")
            << "keyword=" + QString::fromLatin1(Gb18030(u"林小雨"_s).toPercentEncoding())
            << QByteArray("id=1028&") << QByteArray("id=1025&");
        QTest::newRow("English, any case")
            << "keyword=blue" << QByteArray("id=77&") << QByteArray("id=1024&");
        QTest::newRow("empty lists all") << "keyword=" << QByteArray("id=77&") << QByteArray();
        QTest::newRow("escaped ampersand")
            << "keyword=R%26B" << QByteArray("R&amp;B") << QByteArray("<li>");
        QTest::newRow("plus stays a plus")
            << "keyword=a+b" << QByteArray("a+b") << QByteArray("<li>");
        QTest::newRow("markup is escaped")
            << "keyword=%3Cb%3E" << QByteArray("&lt;b&gt;") << QByteArray("<b>");
    }

    void search() {
        QFETCH(QString, query);
        QFETCH(QByteArray, expected);
        QFETCH(QByteArray, absent);
        const Fetched page = Fetch("/33/search.asp?" + query);
        QCOMPARE(page.status, 200);
        QVERIFY2(page.body.contains(expected), page.body.constData());
        if (!absent.isEmpty()) QVERIFY(!page.body.contains(absent));
    }

    void playerShowsSongAndGbkParameters() {
        const Fetched page = Fetch("/33/playwmv.asp?id=1024&g=%BA%A3%B1%DF&c=Ann");
        QCOMPARE(page.status, 200);
        QVERIFY(page.body.contains(Gb18030(u"<h1>海边的风</h1>"_s)));
        QVERIFY(page.body.contains(Gb18030(u"g=海边 c=Ann"_s)));
        QCOMPARE(Fetch("/33/mtvplayer.asp?id=77").status, 200);
        QCOMPARE(Fetch("/33/mtvplayer.asp?id=999").status, 404);
    }

    void staticAssets() {
        const Fetched icon = Fetch("/33/58.gif");
        QCOMPARE(icon.contentType, QByteArray("image/gif"));
        QCOMPARE(QImage::fromData(icon.body, "GIF").size(), QSize(20, 20));
        QCOMPARE(Fetch("/33/mtv.css").contentType, QByteArray("text/css"));
    }

    void unknownPathIs404Html() {
        const Fetched page = Fetch("/33/missing.htm");
        QCOMPARE(page.status, 404);
        QCOMPARE(page.contentType, QByteArray("text/html; charset=gb2312"));
    }

    // Clips: only for the portal's own pages, whole or in a byte range.
    void clips_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("referer");  // "-": none; {} stands for the origin
        QTest::addColumn<QByteArray>("range");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("file");  // the clip whose bytes come back
        QTest::addColumn<QByteArray>("contentType");
        QTest::addColumn<QByteArray>("contentRange");  // "a-b": of the file's size

        const QString page = u"{}/33/playwmv.asp?id=1024&g=%BA%A3"_s;
        QTest::newRow("wmv") << "/33/media/1024.wmv" << page << QByteArray() << 200 << "clip.wmv"
                             << QByteArray("video/x-ms-wmv") << QByteArray();
        QTest::newRow("rm") << "/33/media/1025.rm" << u"{}/33/playrm.asp?id=1025"_s << QByteArray()
                            << 200 << "clip.rm" << QByteArray("application/vnd.rn-realmedia")
                            << QByteArray();
        QTest::newRow("wma") << "/33/media/1024.wma" << page << QByteArray() << 200 << "clip.wma"
                             << QByteArray("audio/x-ms-wma") << QByteArray();
        QTest::newRow("no referer")
            << "/33/media/1024.wmv"
            << "-" << QByteArray() << 403 << "" << QByteArray() << QByteArray();
        QTest::newRow("another site") << "/33/media/1024.wmv"
                                      << "http://other.example/33/" << QByteArray() << 403 << ""
                                      << QByteArray() << QByteArray();
        QTest::newRow("a longer port")
            << "/33/media/1024.wmv"
            << "{}0/33/" << QByteArray() << 403 << "" << QByteArray() << QByteArray();
        QTest::newRow("kind of another song") << "/33/media/1025.wmv" << page << QByteArray() << 404
                                              << "" << QByteArray() << QByteArray();
        QTest::newRow("no such song") << "/33/media/9999.rm" << page << QByteArray() << 404 << ""
                                      << QByteArray() << QByteArray();
        QTest::newRow("range") << "/33/media/1024.wmv" << page << QByteArray("bytes=100-199") << 206
                               << "clip.wmv" << QByteArray("video/x-ms-wmv")
                               << QByteArray("100-199");
        QTest::newRow("open range")
            << "/33/media/1025.rm" << page << QByteArray("bytes=1000-") << 206 << "clip.rm"
            << QByteArray("application/vnd.rn-realmedia") << QByteArray("1000-");
        QTest::newRow("last bytes")
            << "/33/media/1024.wmv" << page << QByteArray("bytes=-10") << 206 << "clip.wmv"
            << QByteArray("video/x-ms-wmv") << QByteArray("-10");
        QTest::newRow("past the end")
            << "/33/media/1024.wmv" << page << QByteArray("bytes=99999999-") << 416 << ""
            << QByteArray() << QByteArray();
    }

    void clips() {
        QFETCH(QString, path);
        QFETCH(QString, referer);
        QFETCH(QByteArray, range);
        QFETCH(int, status);
        QFETCH(QString, file);
        QFETCH(QByteArray, contentType);
        QFETCH(QByteArray, contentRange);
        Headers headers;
        if (referer != u"-"_s) {
            headers.append({"Referer", referer.replace(u"{}"_s, portal_.Origin()).toUtf8()});
        }
        if (!range.isEmpty()) headers.append({"Range", range});
        const Fetched reply = Fetch(path, headers);
        QCOMPARE(reply.status, status);
        if (file.isEmpty()) return;
        QFile clip(QDir(lorvex::portal::MediaFolder()).filePath(file));
        QVERIFY2(clip.open(QIODevice::ReadOnly), qPrintable(clip.fileName()));
        const QByteArray bytes = clip.readAll();
        QCOMPARE(reply.contentType, contentType);
        QCOMPARE(reply.range.second, QByteArray("bytes"));
        if (contentRange.isEmpty()) {
            QCOMPARE(reply.body, bytes);
            return;
        }
        const qsizetype size = bytes.size();
        const QList<QByteArray> ends = contentRange.split('-');
        const qsizetype first =
            ends[0].isEmpty() ? size - ends[1].toLongLong() : ends[0].toLongLong();
        const qsizetype last =
            ends[0].isEmpty() || ends[1].isEmpty() ? size - 1 : ends[1].toLongLong();
        QCOMPARE(reply.range.first, QByteArray("bytes %1-%2/%3")
                                        .replace("%1", QByteArray::number(first))
                                        .replace("%2", QByteArray::number(last))
                                        .replace("%3", QByteArray::number(size)));
        QCOMPARE(reply.body, bytes.mid(first, last - first + 1));
    }

    void clipsAreWhatTheyClaim() {
        const QString folder = lorvex::portal::MediaFolder();
        QVERIFY2(!folder.isEmpty(), "the clips were not made");
        const auto head = [&](const char* name) {
            QFile file(QDir(folder).filePath(QString::fromLatin1(name)));
            return file.open(QIODevice::ReadOnly) ? file.read(16) : QByteArray();
        };
        const QByteArray asf("\x30\x26\xB2\x75\x8E\x66\xCF\x11", 8);
        QVERIFY(head("clip.wmv").startsWith(asf));
        QVERIFY(head("clip.wma").startsWith(asf));
        QVERIFY(head("clip.rm").startsWith(".RMF"));
    }

    void playLists() {
        const Fetched asx = Fetch("/33/media/1024.asx");
        QCOMPARE(asx.status, 200);
        QCOMPARE(asx.contentType, QByteArray("video/x-ms-asf"));  // as IIS served them
        QVERIFY(asx.body.contains("<Ref href=\"1024.wmv\" />"));
        QVERIFY(asx.body.contains(Gb18030(u"<Title>海边的风</Title>"_s)));
        const Fetched ram = Fetch("/33/media/1025.ram");
        QCOMPARE(ram.status, 200);
        QCOMPARE(ram.contentType, QByteArray("audio/x-pn-realaudio"));
        QVERIFY(ram.body.contains((portal_.Origin() + u"/33/media/1025.rm\r\n"_s).toUtf8()));
        QCOMPARE(Fetch("/33/media/1025.asx").status, 404);  // a RealMedia song has no .asx
        QCOMPARE(Fetch("/33/media/broken.asx").status, 200);
    }

    // The markup the player pages will use: each form names a clip or list that is served.
    void playerMarkup() {
        using lorvex::portal::PlayerForm;
        const auto& songs = lorvex::portal::Songs();
        const auto song = [&](int id) {
            return *std::find_if(songs.begin(), songs.end(), [&](auto& s) { return s.id == id; });
        };
        const struct {
            int id;
            PlayerForm form;
            QString classId;
            QString clip;
        } forms[] = {
            {1030, PlayerForm::RealPlayerPair, u"CFCDAA03-8BE4-11CF-B84B-0020AFBBCCFA"_s,
             u"media/1030.ram"_s},
            {1031, PlayerForm::WindowsMedia64, u"22D6F312-B0F6-11D0-94AB-0080C74C7E95"_s,
             u"media/1031.wmv"_s},
            {1024, PlayerForm::WindowsMedia7, u"6BF52A52-394A-11D3-B153-00C04F79FAA6"_s,
             u"media/1024.asx"_s},
        };
        for (const auto& f : forms) {
            QCOMPARE(lorvex::portal::FormFor(song(f.id)), f.form);
            const QString markup = lorvex::portal::PlayerMarkup(song(f.id), f.form);
            QVERIFY2(markup.contains(f.classId) && markup.contains(u"value=\""_s + f.clip),
                     qPrintable(markup));
            const Fetched served =
                Fetch(u"/33/"_s + f.clip, {{"Referer", (portal_.Origin() + u"/33/"_s).toUtf8()}});
            QCOMPARE(served.status, 200);
        }
        const QString pair = lorvex::portal::PlayerMarkup(song(1030), PlayerForm::RealPlayerPair);
        QCOMPARE(pair.count(u"<param name=\"CONSOLE\" value=\"Clip1\">"_s), 2);
        QVERIFY(lorvex::portal::PlayerMarkup(song(1031), PlayerForm::WindowsMedia64)
                    .contains(u"<embed type=\"application/x-mplayer2\""_s));
    }

    void requestLogKeepsRawQuery() {
        portal_.ClearRequests();
        QSignalSpy received(&portal_, &lorvex::DemoPortal::RequestReceived);
        Fetch("/33/search.asp?keyword=R%26B");
        Fetch("/nowhere?keyword=%BA%A3");
        const QStringList expected{"/33/search.asp?keyword=R%26B", "/nowhere?keyword=%BA%A3"};
        QCOMPARE(portal_.Requests(), expected);
        QCOMPARE(received.count(), 2);
        QCOMPARE(received.at(1).at(0).toString(), expected.at(1));
    }

    // The log keeps the last requests up to its limit, headers with them; with no room it
    // keeps nothing, and every request is still announced.
    void requestLogKeepsOnlyTheLast() {
        portal_.ClearRequests();
        QSignalSpy received(&portal_, &lorvex::DemoPortal::RequestReceived);
        portal_.SetLoggedRequests(2);
        for (const char* path : {"/33/fl.htm?1", "/33/fl.htm?2", "/33/fl.htm?3"}) Fetch(path);
        QCOMPARE(portal_.Requests(), (QStringList{"/33/fl.htm?2", "/33/fl.htm?3"}));
        QVERIFY(portal_.Header("/33/fl.htm?1", "host").isEmpty());
        QVERIFY(!portal_.Header("/33/fl.htm?3", "host").isEmpty());
        portal_.SetLoggedRequests(0);
        QCOMPARE(portal_.Requests(), QStringList());
        Fetch("/33/fl.htm?4");
        QCOMPARE(portal_.Requests(), QStringList());
        QCOMPARE(received.count(), 4);
        portal_.SetLoggedRequests(lorvex::DemoPortal::kDefaultLoggedRequests);
    }
};

QTEST_GUILESS_MAIN(TestDemoPortal)
#include "test_demo_portal.moc"
