#include "app/DesktopComposition.h"

#include <QGuiApplication>
#include <QWidget>

#ifdef KESTRUNE_HAVE_XCB
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#endif

namespace kestrune {

namespace {

#ifdef KESTRUNE_HAVE_XCB
xcb_connection_t* X11Connection() {
    if (QGuiApplication::platformName() != "xcb") return nullptr;
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 != nullptr ? x11->connection() : nullptr;
}

xcb_atom_t Atom(xcb_connection_t* connection, const char* name) {
    const xcb_intern_atom_cookie_t cookie =
        xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(name)), name);
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
    const xcb_atom_t atom = reply != nullptr ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(reply);
    return atom;
}
#endif

}  // namespace

bool CompositionSwitchAvailable() {
#ifdef KESTRUNE_HAVE_XCB
    return X11Connection() != nullptr;
#else
    return false;
#endif
}

void SetBypassCompositor([[maybe_unused]] QWidget& window, [[maybe_unused]] bool bypass) {
#ifdef KESTRUNE_HAVE_XCB
    xcb_connection_t* connection = X11Connection();
    if (connection == nullptr) return;
    const xcb_atom_t property = Atom(connection, "_NET_WM_BYPASS_COMPOSITOR");
    if (property == XCB_ATOM_NONE) return;
    const auto id = static_cast<xcb_window_t>(window.winId());
    const uint32_t request = 1;
    if (bypass)
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, property, XCB_ATOM_CARDINAL, 32, 1, &request);
    else
        xcb_delete_property(connection, id, property);
    xcb_flush(connection);
#endif
}

}  // namespace kestrune
