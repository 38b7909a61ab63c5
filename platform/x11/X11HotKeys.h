#pragma once
// System-wide hotkeys through passive key grabs on the root window, on a display connection of the service's
// own: it works in a QCoreApplication without Qt's xcb plugin (the headless runner) as well as in the GUI.
//
// Create it on the user-interface thread and use it only there: a socket notifier on that thread reads the
// connection, and OnHotKey is called from that thread's event loop, never from inside RegisterHotKey.
//
// Each key is grabbed four times (plain, with NumLock, with CapsLock, with both), so a shortcut works
// whatever lock keys are on; Shift, Control, Alt and Super must match exactly. Holding a key down delivers
// one press, with or without the server's detectable auto-repeat.
//
// Errors (LastError): kHotKeyErrorTaken when another X client holds the combination (the X error BadAccess;
// any other X error is reported by its own code), when another owner or id of this program holds it, or when
// the owner already uses the id (Windows refuses that with "hot key already registered" as well);
// kHotKeyErrorNoKeySym, kHotKeyErrorNoKeyCode, and kHotKeyErrorNoDisplay without a (working) display.

#include <QObject>
#include <QString>
#include <memory>
#include <set>
#include <vector>

#include "platform/HotKeys.h"

class QSocketNotifier;

namespace platform {

class CX11Connection;

class CX11HotKeys final : public QObject, public IHotKeys {
    Q_OBJECT

public:
    // connection may be null: every registration then fails with kHotKeyErrorNoDisplay.
    explicit CX11HotKeys(std::unique_ptr<CX11Connection> connection, QObject* parent = nullptr);
    ~CX11HotKeys() override;

    bool RegisterHotKey(IHotKeyOwner* owner, int id, unsigned modifiers, unsigned vk) override;
    bool UnregisterHotKey(IHotKeyOwner* owner, int id) override;
    void UnregisterAll(IHotKeyOwner* owner) override;
    uint32_t LastError() const override { return m_nLastError; }

    bool IsConnected() const;

Q_SIGNALS:
    // The connection broke (the X server went away or closed it), seen by the event loop as soon as the
    // server's end of the socket closes. Emitted once; from then on nothing is grabbed or delivered.
    void ConnectionLost();

private:
    friend class CX11HotKeysTestPeer;

    struct SHotKey {
        IHotKeyOwner* pOwner;
        int nId;
        unsigned nKeyCode;
        unsigned nModifiers;    // X modifier mask, without the lock keys
        unsigned nNumLockMask;  // as it was when grabbed, so the ungrab matches the grab
    };

    bool Fail(uint32_t error);
    void ReadNumLockMask();
    void Ungrab(const SHotKey& hotKey);
    void SetDetectableAutoRepeat(bool enable);
    void SyncAndReadPending();
    void ReadPending();
    void PostDispatch();
    void Dispatch();
    void OnKeyPress(unsigned keyCode, unsigned state, unsigned long time);
    void OnKeyRelease(unsigned keyCode, unsigned long time);

    std::unique_ptr<CX11Connection> m_pConnection;
    std::unique_ptr<QSocketNotifier> m_pNotifier;
    unsigned long m_root = 0;
    unsigned m_nNumLockMask = 0;
    bool m_bDetectableAutoRepeat = false;
    bool m_bDispatchPosted = false;
    uint32_t m_nLastError = kHotKeyErrorNone;
    std::vector<SHotKey> m_hotKeys;

    // Auto-repeat: keys whose press we have seen and whose release we have not. The key that started the
    // current grab is the one whose release the server is sure to send us; keys pressed during the grab may
    // be released after it ended, out of our sight, so the grab's end forgets them.
    std::set<unsigned> m_downKeys;
    unsigned m_nGrabKey = 0;
    // Without detectable auto-repeat, a release and a press of one key with the same time are one repeat.
    unsigned m_nLastReleaseKey = 0;
    unsigned long m_nLastReleaseTime = 0;
    unsigned m_nKeyPressesSeen = 0;  // repeats included; tests watch it to know the server repeats
};

// The hotkey service, on the calling (user-interface) thread. Always returns a service; without a display
// it sets *error (when given) and every registration fails with kHotKeyErrorNoDisplay.
std::unique_ptr<CX11HotKeys> CreateX11HotKeys(QString* error);

}  // namespace platform
