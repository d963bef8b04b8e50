#include "ui/scripts/PageScripts.h"

#include <QFile>
#include <array>

// The scripts are compiled into the UI library; a static library's resources must be
// registered by hand.
static void InitialiseScripts() { Q_INIT_RESOURCE(scripts); }

namespace lorvex {

namespace {

QString Read(const char* file) {
    InitialiseScripts();
    QFile source(QStringLiteral(":/scripts/") + QString::fromLatin1(file));
    // A resource of the library itself: it can only be missing from a broken build.
    if (!source.open(QIODevice::ReadOnly)) qFatal("page script %s missing", file);
    return QString::fromUtf8(source.readAll());
}

}  // namespace

const QString& PageScripts::Source(PageScript script) {
    static const std::array<QString, 8> sources = {
        Read("no_scroll.js"),    Read("written_page.js"),     Read("page_dialogs.js"),
        Read("first_paint.js"),  Read("document_created.js"), Read("players.js"),
        Read("player_names.js"), Read("page_media.js"),
    };
    return sources[static_cast<std::size_t>(script)];
}

}  // namespace lorvex
