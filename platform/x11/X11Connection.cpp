#include "platform/x11/X11Connection.h"

#include <algorithm>
#include <mutex>
#include <vector>

#include <X11/Xlib.h>

namespace platform {

namespace {

std::mutex g_connectionsMutex;
std::vector<Display*> g_connections;  // ours, guarded by g_connectionsMutex
std::atomic<XIOErrorHandler> g_previousIOErrorHandler{nullptr};

bool IsOurs(Display* display) {
    std::lock_guard lock(g_connectionsMutex);
    return std::find(g_connections.begin(), g_connections.end(), display) != g_connections.end();
}

int OnIOError(Display* display) {
    // Returning lets Xlib go on to the connection's exit handler, which marks it lost; whoever uses the
    // connection reports the loss in its own words.
    if (IsOurs(display))
        return 0;
    const XIOErrorHandler previous = g_previousIOErrorHandler.load();
    return previous ? previous(display) : 0;
}

// Puts our handler first again. Qt's xcb plugin installs one of its own when the application object is
// made, and that one ends the process from whatever thread meets the error, a run's worker included.
void InstallIOErrorHandler() {
    std::lock_guard lock(g_connectionsMutex);
    const XIOErrorHandler current = XSetIOErrorHandler(OnIOError);
    if (current != OnIOError)
        g_previousIOErrorHandler.store(current);
}

}  // namespace

std::unique_ptr<CX11Connection> CX11Connection::Open(QString* error) {
    // Each thread that injects has a connection of its own; Xlib still shares some state between them.
    // Since libX11 1.8 this already happened when the library was loaded, and a second call is a no-op.
    XInitThreads();
    InstallIOErrorHandler();

    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        if (error) {
            *error = QStringLiteral(
                         "Cannot open the X display \"%1\": Vantrell needs an X11 session (or XWayland).")
                         .arg(QString::fromLocal8Bit(XDisplayName(nullptr)));
        }
        return nullptr;
    }
    std::unique_ptr<CX11Connection> connection(new CX11Connection(display));
    XSetIOErrorExitHandler(display, &CX11Connection::OnIOErrorExit, connection.get());
    std::lock_guard lock(g_connectionsMutex);
    g_connections.push_back(display);
    return connection;
}

CX11Connection::~CX11Connection() {
    // Stays registered while closing: a server that dies right now must not end the process. On a lost
    // connection this only frees Xlib's structures: Xlib sends nothing once it has seen the I/O error.
    XCloseDisplay(m_pDisplay);
    std::lock_guard lock(g_connectionsMutex);
    std::erase(g_connections, m_pDisplay);
}

void CX11Connection::OnIOErrorExit(_XDisplay*, void* self) {
    static_cast<CX11Connection*>(self)->m_bLost.store(true, std::memory_order_release);
}

}  // namespace platform
