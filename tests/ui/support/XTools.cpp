#include "XTools.h"

#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>

#include "QtTestSupport.h"

namespace lorvex::testing {

bool HavePrograms(const QStringList& programs) {
    for (const QString& program : programs) {
        if (QStandardPaths::findExecutable(program).isEmpty()) return false;
    }
    return true;
}

std::optional<QString> RunXTool(const QString& program, const QStringList& arguments) {
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr) {
        QGuiApplication::sync();
    }
    QProcess tool;
    tool.start(program, arguments);
    if (!WaitUntil([&] { return tool.state() == QProcess::NotRunning; })) {
        tool.kill();
        tool.waitForFinished();
        return std::nullopt;
    }
    if (tool.exitStatus() != QProcess::NormalExit || tool.exitCode() != 0) return std::nullopt;
    return QString::fromUtf8(tool.readAllStandardOutput());
}

QStringList XToolLines(const QString& program, const QStringList& arguments) {
    const std::optional<QString> output = RunXTool(program, arguments);
    return output ? output->split(u'\n', Qt::SkipEmptyParts) : QStringList();
}

bool Xdo(const QStringList& arguments) {
    return RunXTool(QStringLiteral("xdotool"), arguments).has_value();
}

QStringList MoveTo(QPoint global) {
    return {QStringLiteral("mousemove"), QString::number(global.x()), QString::number(global.y())};
}

QRect XGeometry(const QString& window) {
    QRect geometry;
    const QStringList lines =
        XToolLines(QStringLiteral("xdotool"),
                   {QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), window});
    for (const QString& line : lines) {
        const int value = line.section(u'=', 1).toInt();
        if (line.startsWith(QLatin1String("X="))) geometry.moveLeft(value);
        if (line.startsWith(QLatin1String("Y="))) geometry.moveTop(value);
        if (line.startsWith(QLatin1String("WIDTH="))) geometry.setWidth(value);
        if (line.startsWith(QLatin1String("HEIGHT="))) geometry.setHeight(value);
    }
    return geometry;
}

QString WindowUnder(QPoint global) {
    const QStringList lines =
        XToolLines(QStringLiteral("xdotool"), MoveTo(global) << QStringLiteral("getmouselocation")
                                                             << QStringLiteral("--shell"));
    for (const QString& line : lines) {
        if (line.startsWith(QLatin1String("WINDOW="))) return line.mid(7).trimmed();
    }
    return {};
}

QString NetWmState(const QWidget& window) {
    return RunXTool(QStringLiteral("xprop"),
                    {QStringLiteral("-id"), QString::number(window.winId()),
                     QStringLiteral("_NET_WM_STATE")})
        .value_or(QString());
}

}  // namespace lorvex::testing
