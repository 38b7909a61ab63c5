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
    _XDisplay* Get() const { return m_pDisplay; }

    // Each returns false when the keyboard has no key for the keysym. Requests are flushed at once.
    bool PressKey(unsigned long keySym);
    bool ReleaseKey(unsigned long keySym);
    // Holds the modifiers of the MOD_* flags, taps the key, and lets the modifiers go, as a person would.
    bool TapKey(unsigned long keySym, unsigned modifiers = 0);

    void SetLocks(bool numLock, bool capsLock);
    bool IsNumLockOn();
    bool IsCapsLockOn();
    unsigned NumLockMask();

    // Grabs a key on the root window with an X modifier mask; returns the X error code (0 when granted).
    int GrabKey(unsigned long keySym, unsigned xModifiers);
    void UngrabKey(unsigned long keySym, unsigned xModifiers);

    bool QueryPointer(int* x, int* y);
    void SetAutoRepeat(unsigned delayMs, unsigned intervalMs);
    void Sync();

private:
    bool FakeKey(unsigned long keySym, bool press);
    unsigned LockedModifiers();

    _XDisplay* m_pDisplay = nullptr;
    unsigned m_nRepeatDelay = 0;  // the server's own, restored when the peer closes (0: never changed)
    unsigned m_nRepeatInterval = 0;
};

}  // namespace testsupport
