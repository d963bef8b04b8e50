#include "ui/desktop/X11WindowManager.h"

#include <QGuiApplication>
#include <QWindow>
#include <array>
#include <cstdlib>
#include <cstring>
#include <memory>

#ifdef LORVEX_HAVE_XCB
#include <xcb/xcb.h>
#endif

namespace lorvex::x11 {

#ifdef LORVEX_HAVE_XCB

namespace {

// _NET_WM_MOVERESIZE directions and the source indication of EWMH.
constexpr std::uint32_t kMove = 8;
constexpr std::uint32_t kCancel = 11;
constexpr std::uint32_t kLeftButton = 1;
constexpr std::uint32_t kFromApplication = 1;
constexpr std::uint32_t kFromPager = 2;

struct FreeReply {
    void operator()(void* reply) const { std::free(reply); }
};
template <typename Reply>
using ReplyPtr = std::unique_ptr<Reply, FreeReply>;

xcb_connection_t* Connection() {
    const auto* x11 =
        qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

xcb_atom_t Atom(xcb_connection_t* connection, const char* name) {
    const ReplyPtr<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        connection,
        xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name),
        nullptr));
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

// The root window of the screen `window` is on.
xcb_window_t Root(xcb_connection_t* connection, const QWindow* window) {
    const ReplyPtr<xcb_get_geometry_reply_t> reply(xcb_get_geometry_reply(
        connection, xcb_get_geometry(connection, static_cast<xcb_window_t>(window->winId())),
        nullptr));
    return reply ? reply->root : xcb_window_t{XCB_WINDOW_NONE};
}

// Sends the window manager a message about `window`, as EWMH has clients do.
void TellWindowManager(xcb_connection_t* connection, const QWindow* window, const char* type,
                       const std::array<std::uint32_t, 5>& data) {
    const xcb_window_t root = Root(connection, window);
    if (root == XCB_WINDOW_NONE) return;
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = static_cast<xcb_window_t>(window->winId());
    message.type = Atom(connection, type);
    for (std::size_t i = 0; i < data.size(); ++i) message.data.data32[i] = data[i];
    xcb_send_event(connection, 0, root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&message));
    xcb_flush(connection);
}

}  // namespace

bool Available() { return Connection() != nullptr; }

bool WindowManagerSupports(const char* atom) {
    xcb_connection_t* connection = Connection();
    if (connection == nullptr) return false;
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    const xcb_atom_t wanted = Atom(connection, atom);
    const ReplyPtr<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        connection,
        xcb_get_property(connection, 0, root, Atom(connection, "_NET_SUPPORTED"), XCB_ATOM_ATOM, 0,
                         4096),
        nullptr));
    if (!reply || reply->format != 32) return false;
    const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply.get()));
    const int count = xcb_get_property_value_length(reply.get()) / 4;
    for (int i = 0; i < count; ++i) {
        if (atoms[i] == wanted) return true;
    }
    return false;
}

std::optional<Pointer> QueryPointer(const QWindow* window) {
    xcb_connection_t* connection = Connection();
    if (connection == nullptr) return std::nullopt;
    const xcb_window_t root = Root(connection, window);
    if (root == XCB_WINDOW_NONE) return std::nullopt;
    const ReplyPtr<xcb_query_pointer_reply_t> reply(
        xcb_query_pointer_reply(connection, xcb_query_pointer(connection, root), nullptr));
    if (!reply) return std::nullopt;
    return Pointer{{reply->root_x, reply->root_y}, (reply->mask & XCB_KEY_BUT_MASK_BUTTON_1) != 0};
}

void StartMove(const QWindow* window, QPoint from) {
    xcb_connection_t* connection = Connection();
    if (connection == nullptr) return;
    // The window manager can only take the pointer once the press's hold on it is let go.
    xcb_ungrab_pointer(connection, XCB_CURRENT_TIME);
    TellWindowManager(connection, window, "_NET_WM_MOVERESIZE",
                      {static_cast<std::uint32_t>(from.x()), static_cast<std::uint32_t>(from.y()),
                       kMove, kLeftButton, kFromApplication});
}

void CancelMove(const QWindow* window) {
    xcb_connection_t* connection = Connection();
    if (connection == nullptr) return;
    TellWindowManager(connection, window, "_NET_WM_MOVERESIZE",
                      {0, 0, kCancel, 0, kFromApplication});
}

void Activate(const QWindow* window, quint32 userTime) {
    xcb_connection_t* connection = Connection();
    if (connection == nullptr) return;
    const QWindow* focus = QGuiApplication::focusWindow();
    // The user asked for this window from outside it, as from a taskbar: window managers
    // with focus-stealing prevention refuse a request that comes from the application
    // itself when the user was just busy elsewhere (in the box of the second copy).
    TellWindowManager(
        connection, window, "_NET_ACTIVE_WINDOW",
        {kFromPager, userTime,
         focus ? static_cast<std::uint32_t>(focus->winId()) : std::uint32_t{XCB_WINDOW_NONE}, 0,
         0});
}

quint32 ServerTime() {
    int screenNumber = 0;
    xcb_connection_t* connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        return 0;
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber && screens.rem > 1; ++i) xcb_screen_next(&screens);
    // The time of a property change on a window of our own is the server's time now.
    const xcb_window_t window = xcb_generate_id(connection);
    const std::uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, screens.data->root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK,
                      &events);
    xcb_change_property(connection, XCB_PROP_MODE_APPEND, window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING,
                        8, 0, nullptr);
    xcb_flush(connection);
    quint32 time = 0;
    while (xcb_generic_event_t* event = xcb_wait_for_event(connection)) {
        const bool changed = (event->response_type & 0x7f) == XCB_PROPERTY_NOTIFY;
        if (changed) time = reinterpret_cast<xcb_property_notify_event_t*>(event)->time;
        std::free(event);
        if (changed) break;
    }
    xcb_disconnect(connection);
    return time;
}

#else  // no X11

bool Available() { return false; }
bool WindowManagerSupports(const char*) { return false; }
std::optional<Pointer> QueryPointer(const QWindow*) { return std::nullopt; }
void StartMove(const QWindow*, QPoint) {}
void CancelMove(const QWindow*) {}
void Activate(const QWindow*, quint32) {}
quint32 ServerTime() { return 0; }

#endif

}  // namespace lorvex::x11
