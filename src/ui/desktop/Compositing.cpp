#include "ui/desktop/Compositing.h"

#include <QQuickWindow>
#include <QSGRendererInterface>
#include <QtGlobal>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string_view>

#ifdef LORVEX_HAVE_XCB
#include <xcb/xcb.h>
#endif

namespace lorvex {

namespace {

// Qt's X platform reads this when the application starts: "none" loads no OpenGL support.
constexpr char kXcbGlIntegration[] = "QT_XCB_GL_INTEGRATION";
bool setXcbGlIntegration = false;

#ifdef LORVEX_HAVE_XCB
// Whether the X server named by DISPLAY offers direct rendering. Nothing when there is no
// X display to ask.
std::optional<bool> XDisplayRendersDirectly() {
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    const std::unique_ptr<xcb_connection_t, void (*)(xcb_connection_t*)> closer(connection,
                                                                                xcb_disconnect);
    if (xcb_connection_has_error(connection) != 0) return std::nullopt;
    // Mesa renders directly through DRI3 or DRI2; NVIDIA's driver through its own GLX.
    static constexpr std::array<std::string_view, 3> kDirect = {"DRI3", "DRI2", "NV-GLX"};
    std::array<xcb_query_extension_cookie_t, kDirect.size()> cookies{};
    for (std::size_t i = 0; i < kDirect.size(); ++i) {
        cookies[i] = xcb_query_extension(connection, static_cast<std::uint16_t>(kDirect[i].size()),
                                         kDirect[i].data());
    }
    bool direct = false;
    for (const xcb_query_extension_cookie_t cookie : cookies) {
        xcb_query_extension_reply_t* reply = xcb_query_extension_reply(connection, cookie, nullptr);
        if (reply != nullptr && reply->present != 0) direct = true;
        std::free(reply);
    }
    return direct;
}
#endif

}  // namespace

bool ChooseCompositing(bool onX11) {
#ifdef LORVEX_HAVE_XCB
    if (!onX11 || qEnvironmentVariableIsSet("QT_QUICK_BACKEND") ||
        qEnvironmentVariableIsSet(kXcbGlIntegration)) {
        return false;
    }
    if (XDisplayRendersDirectly().value_or(true)) return false;
    QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    setXcbGlIntegration = qputenv(kXcbGlIntegration, "none");
    return true;
#else
    Q_UNUSED(onX11);
    return false;
#endif
}

void ForgetCompositingChoiceForChildren() {
    if (setXcbGlIntegration) qunsetenv(kXcbGlIntegration);
    setXcbGlIntegration = false;
}

}  // namespace lorvex
