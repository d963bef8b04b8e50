#include "ui/mpris/SessionBusLoss.h"

#ifdef LORVEX_HAVE_GIO
// GLib's headers use "signals" as a name, which Qt's keywords would replace.
#undef signals
#include <gio/gio.h>
#endif

namespace lorvex {

void SurviveSessionBusLoss() {
#ifdef LORVEX_HAVE_GIO
    // The shared connection stays open for the life of the process: this reference is
    // never given back, and every later g_bus_get of the session bus gets this one.
    GDBusConnection* connection = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
    if (connection != nullptr) g_dbus_connection_set_exit_on_close(connection, FALSE);
#endif
}

}  // namespace lorvex
