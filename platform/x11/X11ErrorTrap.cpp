#include "platform/x11/X11ErrorTrap.h"

#include <atomic>

#include <X11/Xlib.h>

namespace platform {

namespace {

// The handler may run on any thread that gets an error on any connection, so its state is atomic; the
// mutex only keeps two traps from overlapping.
std::mutex g_trapMutex;
std::atomic<Display*> g_trapDisplay{nullptr};
std::atomic<unsigned long> g_trapFirstSerial{0};
std::atomic<int> g_trapError{Success};
std::atomic<XErrorHandler> g_previousHandler{nullptr};

int OnError(Display* display, XErrorEvent* event) {
    if (display == g_trapDisplay.load() && event->serial >= g_trapFirstSerial.load()) {
        int none = Success;
        g_trapError.compare_exchange_strong(none, event->error_code);
        return 0;
    }
    const XErrorHandler previous = g_previousHandler.load();
    return previous ? previous(display, event) : 0;
}

}  // namespace

CX11ErrorTrap::CX11ErrorTrap(_XDisplay* display) : m_lock(g_trapMutex), m_pDisplay(display) {
    g_trapFirstSerial.store(NextRequest(display));
    g_trapError.store(Success);
    g_trapDisplay.store(display);
    g_previousHandler.store(XSetErrorHandler(OnError));
}

CX11ErrorTrap::~CX11ErrorTrap() {
    XSync(m_pDisplay, False);
    XSetErrorHandler(g_previousHandler.load());
    g_trapDisplay.store(nullptr);
}

int CX11ErrorTrap::Sync() {
    XSync(m_pDisplay, False);
    return g_trapError.load();
}

}  // namespace platform
