// The start-up trace. With the logging category "lorvex.startup" on (for example
// QT_LOGGING_RULES=lorvex.startup.info=true), the client prints when it reached each step
// of its start, in milliseconds on the monotonic clock: a harness that notes the exec time
// on the same clock can then tell where the time goes (bench/startup_bench.py does). Off,
// as by default, each step costs one check of the category.
#pragma once

#include <QLoggingCategory>

class QWebEngineView;

namespace lorvex {

Q_DECLARE_LOGGING_CATEGORY(lcStartup)

// Prints "<milliseconds> <step>" the first time a step of this name is reached.
void TraceStartup(const char* step);

// Traces the view's first finished load and its first paint with content, as
// "<name> loaded" and "<name> painted".
void TraceFirstPaint(QWebEngineView* view, const char* name);

}  // namespace lorvex
