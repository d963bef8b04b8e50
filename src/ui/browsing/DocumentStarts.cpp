#include "ui/browsing/DocumentStarts.h"

#include <QFile>
#include <QWebChannel>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>

// The library's scripts are linked in statically: their resources are registered on first use.
static void InitialiseScripts() { Q_INIT_RESOURCE(scripts); }

namespace lorvex {

namespace {

// The world of the client's own scripts: pages run in the main world and cannot reach it.
constexpr quint32 kClientWorld = QWebEngineScript::ApplicationWorld;

QString ScriptSource() {
    static const bool initialised = (InitialiseScripts(), true);
    Q_UNUSED(initialised);
    QFile file(QStringLiteral(":/scripts/document_started.js"));
    file.open(QIODevice::ReadOnly);
    return QString::fromUtf8(file.readAll());
}

}  // namespace

DocumentStarts::DocumentStarts(QWebEnginePage* page) : QObject(page) {
    auto* channel = new QWebChannel(this);
    channel->registerObject(QStringLiteral("documents"), this);
    page->setWebChannel(channel, kClientWorld);

    QWebEngineScript script;
    script.setName(QStringLiteral("lorvex-document-started"));
    script.setSourceCode(ScriptSource());
    script.setInjectionPoint(QWebEngineScript::DocumentCreation);
    script.setWorldId(kClientWorld);
    script.setRunsOnSubFrames(false);
    page->scripts().insert(script);
}

void DocumentStarts::Started() { emit NewDocument(); }

}  // namespace lorvex
