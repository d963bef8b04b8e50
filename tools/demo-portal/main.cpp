// lorvex-demo-portal: runs the demo portal until killed. A development and test tool, not
// part of the client; point a client built for http://127.0.0.1:8033 at it.
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QLoggingCategory>

#include <cstdio>

#include "DemoPortal.h"

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("lorvex-demo-portal"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Serves demo portal pages in GB2312 on 127.0.0.1."));
    parser.addHelpOption();
    const QCommandLineOption portOption(QStringLiteral("port"),
                                        QStringLiteral("Port to listen on (default 8033)."),
                                        QStringLiteral("N"), QStringLiteral("8033"));
    parser.addOption(portOption);
    const QCommandLineOption paintOption(
        QStringLiteral("report-paints"),
        QStringLiteral(
            "Pages ask for /painted?<path>&at=<ms> when first painted (for benchmarks)."));
    parser.addOption(paintOption);
    parser.process(app);

    bool ok = false;
    const uint requested = parser.value(portOption).toUInt(&ok);
    if (!ok || requested == 0 || requested > 65535) {
        std::fprintf(stderr, "lorvex-demo-portal: invalid port '%s'\n",
                     qPrintable(parser.value(portOption)));
        return 1;
    }

    lorvex::DemoPortal portal;
    // It may run for as long as the user is logged in: requests are printed, never kept.
    portal.SetLoggedRequests(0);
    portal.ReportPaints(parser.isSet(paintOption));
    // Qt logs its own message when the port is taken; the message below says it in one line.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.httpserver.critical=false"));
    const quint16 port = portal.Start(static_cast<quint16>(requested));
    QLoggingCategory::setFilterRules(QString());
    if (port == 0) {
        std::fprintf(stderr, "lorvex-demo-portal: cannot listen on 127.0.0.1:%u (port in use?)\n",
                     requested);
        return 1;
    }
    // Flushed at once: scripts and tests wait for this line on a pipe.
    std::printf("demo portal listening on %s\n", qPrintable(portal.Origin()));
    std::fflush(stdout);
    // Echo each request so a manual run shows what the client asked for.
    QObject::connect(&portal, &lorvex::DemoPortal::RequestReceived, [](const QString& request) {
        std::printf("%s\n", qPrintable(request));
        std::fflush(stdout);
    });
    return app.exec();
}
