#include "QtTestSupport.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringEncoder>
#include <QTest>

namespace lorvex::testing {

int Deadline(int ms) {
    bool ok = false;
    const double scale = qEnvironmentVariable("LORVEX_TEST_DEADLINE_SCALE").toDouble(&ok);
    return ok && scale > 1 ? static_cast<int>(ms * scale) : ms;
}

bool WaitUntil(const std::function<bool()>& done, int timeoutMs) {
    const QDeadlineTimer deadline(Deadline(timeoutMs));
    while (!done()) {
        if (deadline.hasExpired()) return false;
        QTest::qWait(20);
    }
    return true;
}

QByteArray Gb18030(const QString& text) {
    QStringEncoder encoder("GB18030");
    return encoder.encode(text);
}

QString NumberedSongs(int count) {
    QString text;
    for (int i = 1; i <= count; ++i) text += QStringLiteral("$$DD%1&g=歌曲%1&c=歌手%1\r\n").arg(i);
    return text;
}

QByteArray ReadBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WriteBytes(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

}  // namespace lorvex::testing
