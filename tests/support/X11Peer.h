#pragma once
// Another X client for tests: it types through XTest, locks NumLock and CapsLock, holds key grabs as another
// program would, and reads the pointer, all on a connection of its own. Keys are given as keysyms and
// modifiers as the MOD_* flags of the hotkey service, so suites need no X11 header to use it.

#include <QString>

struct _XDisplay;

namespace testsupport {

class CX11Peer {
public:
    CX11Peer() = default;
    CX11Peer(const CX11Peer&) = delete;
    CX11Peer& operator=(const CX11Peer&) = delete;
    ~CX11Peer();

    bool Open(QString* error);

    bool HasKey(unsigned long keySym);
    // Presses or releases a key, flushed at once; false when the keyboard has no key for the keysym.
    bool FakeKey(unsigned long keySym, bool press);
    // Holds the modifiers of the MOD_* flags, taps the key, and lets the modifiers go, as a person would.
    bool TapKey(unsigned long keySym, unsigned modifiers = 0);

    // Locks or unlocks both keys; true when the server's lock state is then as asked.
    bool SetLocks(bool numLock, bool capsLock);
    unsigned NumLockMask();

    // Grabs a key on the root window with an X modifier mask; returns the X error code (0 when granted).
    int GrabKey(unsigned long keySym, unsigned xModifiers);
    void UngrabKey(unsigned long keySym, unsigned xModifiers);

    bool QueryPointer(int* x, int* y);
    // Moves the pointer there and clicks the left button, as a user's hand would.
    void Click(int x, int y);

    // What the window manager has made of a client window: mapped and viewable, WM_STATE Iconic, and
    // _NET_WM_STATE_HIDDEN.
    struct WindowState {
        bool viewable = false;
        bool iconic = false;
        bool hidden = false;
    };
    WindowState StateOf(unsigned long window);
    // Asks the window manager to activate the window, as a task bar does when the user picks it.
    void Activate(unsigned long window);
    // The window's rectangle in root coordinates and whether another client's window is its parent (a tray
    // host docked it); false when the window is gone.
    bool Placement(unsigned long window, int* x, int* y, int* width, int* height, bool* docked);
    // True while a client owns the selection (a window manager's WM_S0, a tray's _NET_SYSTEM_TRAY_S0).
    bool SelectionOwned(const char* selection);
    // Maps a window of the peer's own and answers whether the window manager takes it in (sets its
    // WM_STATE) within a second; the window goes again.
    bool WindowManagerTakesWindows();
    // Sets the server's auto-repeat; the old rate comes back when the peer closes.
    void SetAutoRepeat(unsigned delayMs, unsigned intervalMs);

private:
    _XDisplay* m_pDisplay = nullptr;
    unsigned m_nRepeatDelay = 0;  // the server's own (0: never changed)
    unsigned m_nRepeatInterval = 0;
};

}  // namespace testsupport
