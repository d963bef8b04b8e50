// The demo portal that the UI tests and manual runs browse: GBK pages, GBK query decoding,
// 404s and the request log the tests rely on. No display needed.
#include <QImage>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSignalSpy>
#include <QTest>

#include "DemoPortal.h"
#include "support/QtTestSupport.h"

using namespace Qt::StringLiterals;
using lorvex::testing::Gb18030;

namespace {

struct Fetched {
    int status = 0;
    QByteArray contentType;
    QByteArray body;
};

}  // namespace

class TestDemoPortal : public QObject {
    Q_OBJECT

    lorvex::DemoPortal portal_;
    QNetworkAccessManager network_;

    Fetched Fetch(const QString& pathAndQuery) {
        // StrictMode keeps the query bytes exactly as written here.
        QNetworkReply* reply =
            network_.get(QNetworkRequest(QUrl(portal_.Origin() + pathAndQuery, QUrl::StrictMode)));
        QSignalSpy finished(reply, &QNetworkReply::finished);
        if (!reply->isFinished()) finished.wait(lorvex::testing::Deadline(5000));
        Fetched result{reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(),
                       reply->header(QNetworkRequest::ContentTypeHeader).toByteArray(),
                       reply->readAll()};
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
