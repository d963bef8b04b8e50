#include "ui/web/DocumentStarts.h"

#include <QWebChannel>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>

#include "ui/scripts/PageScripts.h"

namespace lorvex {

namespace {

// The world of the client's own scripts: pages run in the main world and cannot reach it.
constexpr quint32 kClientWorld = QWebEngineScript::ApplicationWorld;

}  // namespace

DocumentStarts::DocumentStarts(QWebEnginePage* page) : QObject(page) {
    auto* channel = new QWebChannel(this);
    channel->registerObject(QStringLiteral("documents"), this);
    page->setWebChannel(channel, kClientWorld);

    QWebEngineScript script;
    script.setName(QStringLiteral("lorvex-document-started"));
    script.setSourceCode(PageScripts::Source(PageScript::DocumentStarted));
    script.setInjectionPoint(QWebEngineScript::DocumentCreation);
    script.setWorldId(kClientWorld);
    script.setRunsOnSubFrames(false);
    page->scripts().insert(script);
}

void DocumentStarts::Started() { emit NewDocument(); }

}  // namespace lorvex
