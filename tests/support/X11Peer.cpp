#include "tests/support/X11Peer.h"

#include "platform/HotKeys.h"
#include "platform/x11/X11ErrorTrap.h"

#include <unistd.h>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace testsupport {

namespace {

constexpr struct {
    unsigned nFlag;
    KeySym nKeySym;
} kModifierKeys[] = {
    {platform::MOD_CONTROL, XK_Control_L},
    {platform::MOD_SHIFT, XK_Shift_L},
    {platform::MOD_ALT, XK_Alt_L},
    {platform::MOD_WIN, XK_Super_L},
};

// Calls each(index, value) for every value of a window's 32-bit property; false when it has none.
template <class Each>
bool ForEachValue(Display* display, Window window, const char* name, Each&& each) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    const bool bFound = XGetWindowProperty(display, window, XInternAtom(display, name, False), 0, 64, False,
                                           AnyPropertyType, &type, &format, &count, &after, &data) == Success &&
                        data != nullptr && format == 32 && count > 0;
    if (bFound) {
        const auto* values = reinterpret_cast<const unsigned long*>(data);
        for (unsigned long i = 0; i < count; ++i)
            each(i, values[i]);
    }
    if (data != nullptr)
        XFree(data);
    return bFound;
}

}  // namespace

CX11Peer::~CX11Peer() {
    if (!m_pDisplay)
        return;
    if (m_nRepeatDelay != 0)
        XkbSetAutoRepeatRate(m_pDisplay, XkbUseCoreKbd, m_nRepeatDelay, m_nRepeatInterval);
    XCloseDisplay(m_pDisplay);
}

bool CX11Peer::Open(QString* error) {
    m_pDisplay = XOpenDisplay(nullptr);
    if (!m_pDisplay)
        *error = QStringLiteral("the peer cannot open the display");
    return m_pDisplay != nullptr;
}

bool CX11Peer::HasKey(unsigned long keySym) {
    return XKeysymToKeycode(m_pDisplay, keySym) != 0;
}

bool CX11Peer::FakeKey(unsigned long keySym, bool press) {
    const KeyCode keyCode = XKeysymToKeycode(m_pDisplay, keySym);
    if (keyCode == 0)
        return false;
    XTestFakeKeyEvent(m_pDisplay, keyCode, press ? True : False, CurrentTime);
    XFlush(m_pDisplay);
    return true;
}

bool CX11Peer::TapKey(unsigned long keySym, unsigned modifiers) {
    for (const auto& modifier : kModifierKeys) {
        if (modifiers & modifier.nFlag)
            FakeKey(modifier.nKeySym, true);
    }
    const bool ok = FakeKey(keySym, true) && FakeKey(keySym, false);
    for (const auto& modifier : kModifierKeys) {
        if (modifiers & modifier.nFlag)
            FakeKey(modifier.nKeySym, false);
    }
    return ok;
}

unsigned CX11Peer::NumLockMask() {
    return XkbKeysymToModifiers(m_pDisplay, XK_Num_Lock);
}

bool CX11Peer::SetLocks(bool numLock, bool capsLock) {
    const unsigned mask = NumLockMask() | LockMask;
    const unsigned wanted = (numLock ? NumLockMask() : 0) | (capsLock ? LockMask : 0);
    XkbLockModifiers(m_pDisplay, XkbUseCoreKbd, mask, wanted);
    XSync(m_pDisplay, False);
    XkbStateRec state{};
    XkbGetState(m_pDisplay, XkbUseCoreKbd, &state);
    return (state.locked_mods & mask) == wanted;
}

int CX11Peer::GrabKey(unsigned long keySym, unsigned xModifiers) {
    platform::CX11ErrorTrap trap(m_pDisplay);
    XGrabKey(m_pDisplay, XKeysymToKeycode(m_pDisplay, keySym), xModifiers, DefaultRootWindow(m_pDisplay),
             False, GrabModeAsync, GrabModeAsync);
    return trap.Sync();
}

void CX11Peer::UngrabKey(unsigned long keySym, unsigned xModifiers) {
    XUngrabKey(m_pDisplay, XKeysymToKeycode(m_pDisplay, keySym), xModifiers, DefaultRootWindow(m_pDisplay));
    XSync(m_pDisplay, False);
}

bool CX11Peer::QueryPointer(int* x, int* y) {
    Window root = None, child = None;
    int windowX = 0, windowY = 0;
    unsigned mask = 0;
    return XQueryPointer(m_pDisplay, DefaultRootWindow(m_pDisplay), &root, &child, x, y, &windowX, &windowY,
                         &mask) == True;
}

void CX11Peer::Click(int x, int y) {
    XTestFakeMotionEvent(m_pDisplay, -1, x, y, CurrentTime);
    XTestFakeButtonEvent(m_pDisplay, 1, True, CurrentTime);
    XTestFakeButtonEvent(m_pDisplay, 1, False, CurrentTime);
    XFlush(m_pDisplay);
}

CX11Peer::WindowState CX11Peer::StateOf(unsigned long window) {
    WindowState state;
    platform::CX11ErrorTrap trap(m_pDisplay);
    XWindowAttributes attributes{};
    if (XGetWindowAttributes(m_pDisplay, window, &attributes))
        state.viewable = attributes.map_state == IsViewable;
    ForEachValue(m_pDisplay, window, "WM_STATE", [&](unsigned long i, unsigned long value) {
        if (i == 0)
            state.iconic = value == IconicState;
    });
    const Atom hidden = XInternAtom(m_pDisplay, "_NET_WM_STATE_HIDDEN", False);
    ForEachValue(m_pDisplay, window, "_NET_WM_STATE",
                 [&](unsigned long, unsigned long value) { state.hidden |= value == hidden; });
    trap.Sync();
    return state;
}

void CX11Peer::Activate(unsigned long window) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(m_pDisplay, "_NET_ACTIVE_WINDOW", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = 2;  // from a pager or task bar
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(m_pDisplay, DefaultRootWindow(m_pDisplay), False,
               SubstructureRedirectMask | SubstructureNotifyMask, &event);
    XFlush(m_pDisplay);
}

bool CX11Peer::Placement(unsigned long window, int* x, int* y, int* width, int* height, bool* docked) {
    platform::CX11ErrorTrap trap(m_pDisplay);
    XWindowAttributes attributes{};
    Window root = None, parent = None, child = None;
    Window* children = nullptr;
    unsigned count = 0;
    if (!XGetWindowAttributes(m_pDisplay, window, &attributes) ||
        !XQueryTree(m_pDisplay, window, &root, &parent, &children, &count) ||
        !XTranslateCoordinates(m_pDisplay, window, root, 0, 0, x, y, &child))
        return false;
    if (children != nullptr)
        XFree(children);
    *width = attributes.width;
    *height = attributes.height;
    *docked = parent != root;
    return trap.Sync() == 0;
}

bool CX11Peer::SelectionOwned(const char* selection) {
    return XGetSelectionOwner(m_pDisplay, XInternAtom(m_pDisplay, selection, False)) != None;
}

bool CX11Peer::WindowManagerTakesWindows() {
    const Window window = XCreateSimpleWindow(m_pDisplay, DefaultRootWindow(m_pDisplay), 0, 0, 10, 10, 0, 0, 0);
    XMapWindow(m_pDisplay, window);
    XSync(m_pDisplay, False);
    bool taken = false;
    for (int i = 0; i < 100 && !taken; ++i) {
        taken = ForEachValue(m_pDisplay, window, "WM_STATE", [](unsigned long, unsigned long) {});
        if (!taken)
            usleep(10000);
    }
    XDestroyWindow(m_pDisplay, window);
    XSync(m_pDisplay, False);
    return taken;
}

void CX11Peer::SetAutoRepeat(unsigned delayMs, unsigned intervalMs) {
    if (m_nRepeatDelay == 0)
        XkbGetAutoRepeatRate(m_pDisplay, XkbUseCoreKbd, &m_nRepeatDelay, &m_nRepeatInterval);
    XkbSetAutoRepeatRate(m_pDisplay, XkbUseCoreKbd, delayMs, intervalMs);
    XSync(m_pDisplay, False);
}

}  // namespace testsupport
