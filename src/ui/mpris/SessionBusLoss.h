// The session bus going away must not end the client. GLib's shared session connection,
// which libraries in this process open for themselves (GStreamer's HTTP source asks GIO
// for the proxy settings, which dconf reads over the bus), ends the whole process with
// SIGTERM when the bus closes it. Taking that shared connection first and switching that
// off keeps the client running; Qt D-Bus's own connection just goes quiet.
#pragma once

namespace lorvex {

// Call once a session bus is known to be there (so GIO starts none of its own).
void SurviveSessionBusLoss();

}  // namespace lorvex
