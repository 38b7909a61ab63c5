#include "platform/x11/X11HotKeys.h"

#include <QPointer>
#include <QSocketNotifier>
#include <QThread>
#include <algorithm>

#include "platform/x11/KeyMap.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11ErrorTrap.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

namespace platform {

namespace {

constexpr unsigned kMatchedModifiers = ShiftMask | ControlMask | Mod1Mask | Mod4Mask;

unsigned ToXModifiers(unsigned modifiers) {
    unsigned mask = 0;
    if (modifiers & MOD_SHIFT)
        mask |= ShiftMask;
    if (modifiers & MOD_CONTROL)
        mask |= ControlMask;
    if (modifiers & MOD_ALT)
        mask |= Mod1Mask;
    if (modifiers & MOD_WIN)
        mask |= Mod4Mask;
    return mask;
}

// The lock-key combinations a key is grabbed with: plain, NumLock, CapsLock, both.
std::vector<unsigned> LockVariants(unsigned numLockMask) {
    std::vector<unsigned> variants{0, LockMask};
    if (numLockMask != 0) {
        variants.push_back(numLockMask);
        variants.push_back(numLockMask | LockMask);
    }
    return variants;
}

}  // namespace

CX11HotKeys::CX11HotKeys(std::unique_ptr<CX11Connection> connection, QObject* parent)
    : QObject(parent), m_pConnection(std::move(connection)) {
    if (!m_pConnection)
        return;
    Display* display = m_pConnection->Get();
    m_root = DefaultRootWindow(display);
    ReadNumLockMask();
    SetDetectableAutoRepeat(true);
    m_pNotifier = std::make_unique<QSocketNotifier>(ConnectionNumber(display), QSocketNotifier::Read);
    connect(m_pNotifier.get(), &QSocketNotifier::activated, this, [this] { Dispatch(); });
    ReadPending();
}

CX11HotKeys::~CX11HotKeys() {
    // The server would drop our grabs with the connection, but only once it notices the close; a service made
    // right after this one must find the keys free.
    if (IsConnected()) {
        for (const SHotKey& hotKey : m_hotKeys)
            Ungrab(hotKey);
        XSync(m_pConnection->Get(), False);
    }
    // The notifier goes before the connection closes its socket: members end in reverse order.
}

bool CX11HotKeys::IsConnected() const {
    return m_pConnection && !m_pConnection->IsLost();
}

bool CX11HotKeys::Fail(uint32_t error) {
    m_nLastError = error;
    return false;
}

bool CX11HotKeys::RegisterHotKey(IHotKeyOwner* owner, int id, unsigned modifiers, unsigned vk) {
    Q_ASSERT(QThread::currentThread() == thread());
    m_nLastError = kHotKeyErrorNone;
    if (!IsConnected())
        return Fail(kHotKeyErrorNoDisplay);
    const unsigned long keySym = VirtualKeyToKeySym(vk);
    if (keySym == NoSymbol)
        return Fail(kHotKeyErrorNoKeySym);
    Display* display = m_pConnection->Get();
    const unsigned keyCode = XKeysymToKeycode(display, keySym);
    if (keyCode == 0)
        return Fail(kHotKeyErrorNoKeyCode);

    const SHotKey hotKey{owner, id, keyCode, ToXModifiers(modifiers), m_nNumLockMask};
    // The server never refuses a client a second grab of its own keys, so our owners are checked here.
    const bool bTaken = std::any_of(m_hotKeys.begin(), m_hotKeys.end(), [&](const SHotKey& other) {
        return (other.pOwner == owner && other.nId == id) ||
               (other.nKeyCode == keyCode && other.nModifiers == hotKey.nModifiers);
    });
    if (bTaken)
        return Fail(kHotKeyErrorTaken);

    int xError = Success;
    {
        CX11ErrorTrap trap(display);
        for (unsigned variant : LockVariants(hotKey.nNumLockMask))
            XGrabKey(display, static_cast<int>(keyCode), hotKey.nModifiers | variant, m_root, False,
                     GrabModeAsync, GrabModeAsync);
        xError = trap.Sync();
        // Some variants may have been granted before one was refused; none of them may stay.
        if (xError != Success)
            Ungrab(hotKey);
    }
    ReadPending();
    if (xError != Success)
        return Fail(static_cast<uint32_t>(xError));
    if (!IsConnected())
        return Fail(kHotKeyErrorNoDisplay);
    m_hotKeys.push_back(hotKey);
    return true;
}

bool CX11HotKeys::UnregisterHotKey(IHotKeyOwner* owner, int id) {
    Q_ASSERT(QThread::currentThread() == thread());
    const auto it = std::find_if(m_hotKeys.begin(), m_hotKeys.end(), [&](const SHotKey& hotKey) {
        return hotKey.pOwner == owner && hotKey.nId == id;
    });
    if (it == m_hotKeys.end())
        return false;
    const SHotKey hotKey = *it;
    m_hotKeys.erase(it);
    Ungrab(hotKey);
    SyncAndReadPending();
    return true;
}

void CX11HotKeys::UnregisterAll(IHotKeyOwner* owner) {
    Q_ASSERT(QThread::currentThread() == thread());
    std::erase_if(m_hotKeys, [&](const SHotKey& hotKey) {
        if (hotKey.pOwner != owner)
            return false;
        Ungrab(hotKey);
        return true;
    });
    SyncAndReadPending();
}

void CX11HotKeys::Ungrab(const SHotKey& hotKey) {
    if (!IsConnected())
        return;
    Display* display = m_pConnection->Get();
    for (unsigned variant : LockVariants(hotKey.nNumLockMask))
        XUngrabKey(display, static_cast<int>(hotKey.nKeyCode), hotKey.nModifiers | variant, m_root);
}

void CX11HotKeys::ReadNumLockMask() {
    m_nNumLockMask = 0;
    if (!IsConnected())
        return;
    Display* display = m_pConnection->Get();
    const KeyCode numLock = XKeysymToKeycode(display, XK_Num_Lock);
    XModifierKeymap* map = numLock != 0 ? XGetModifierMapping(display) : nullptr;
    if (!map)
        return;
    for (unsigned modifier = 0; modifier < 8; ++modifier) {
        for (int i = 0; i < map->max_keypermod; ++i) {
            if (map->modifiermap[static_cast<int>(modifier) * map->max_keypermod + i] == numLock)
                m_nNumLockMask = 1u << modifier;
        }
    }
    XFreeModifiermap(map);
    // A keymap that puts NumLock on a modifier we match on would make every variant a different shortcut.
    if (m_nNumLockMask & (kMatchedModifiers | LockMask))
        m_nNumLockMask = 0;
}

void CX11HotKeys::SetDetectableAutoRepeat(bool enable) {
    if (!IsConnected())
        return;
    Bool supported = False;
    m_bDetectableAutoRepeat =
        XkbSetDetectableAutoRepeat(m_pConnection->Get(), enable ? True : False, &supported) == True;
}

void CX11HotKeys::SyncAndReadPending() {
    // Once an unregistration returns, the key is free for other programs, as on Windows.
    if (IsConnected())
        XSync(m_pConnection->Get(), False);
    ReadPending();
}

void CX11HotKeys::ReadPending() {
    // Our own requests may have read events into Xlib's queue, where the notifier cannot see them; or they
    // may have met a broken connection, which Dispatch reports.
    if (!m_pConnection)
        return;
    if (!IsConnected() || XPending(m_pConnection->Get()) > 0)
        PostDispatch();
}

void CX11HotKeys::PostDispatch() {
    if (m_bDispatchPosted)
        return;
    m_bDispatchPosted = true;
    QMetaObject::invokeMethod(
        this, [this] { Dispatch(); }, Qt::QueuedConnection);
}

void CX11HotKeys::Dispatch() {
    m_bDispatchPosted = false;
    // An owner may delete this service from its OnHotKey.
    const QPointer<CX11HotKeys> self(this);
    while (self && IsConnected() && XPending(m_pConnection->Get()) > 0) {
        XEvent event;
        XNextEvent(m_pConnection->Get(), &event);
        switch (event.type) {
            case KeyPress:
                OnKeyPress(event.xkey.keycode, event.xkey.state, event.xkey.time);
                break;
            case KeyRelease:
                OnKeyRelease(event.xkey.keycode, event.xkey.time);
                break;
            case MappingNotify:
                XRefreshKeyboardMapping(&event.xmapping);
                if (event.xmapping.request == MappingModifier || event.xmapping.request == MappingKeyboard)
                    ReadNumLockMask();
                break;
            default:
                break;
        }
    }
    // A dead connection reads as ready forever.
    if (self && !IsConnected() && m_pNotifier && m_pNotifier->isEnabled()) {
        m_pNotifier->setEnabled(false);
        Q_EMIT ConnectionLost();
    }
}

void CX11HotKeys::OnKeyPress(unsigned keyCode, unsigned state, unsigned long time) {
    ++m_nKeyPressesSeen;
    const bool bRepeat =
        m_downKeys.count(keyCode) != 0 ||
        (!m_bDetectableAutoRepeat && keyCode == m_nLastReleaseKey && time == m_nLastReleaseTime);
    m_nLastReleaseKey = 0;
    if (m_nGrabKey == 0)
        m_nGrabKey = keyCode;
    m_downKeys.insert(keyCode);
    if (bRepeat)
        return;
    const unsigned modifiers = state & kMatchedModifiers;
    const auto it = std::find_if(m_hotKeys.begin(), m_hotKeys.end(), [&](const SHotKey& hotKey) {
        return hotKey.nKeyCode == keyCode && hotKey.nModifiers == modifiers;
    });
    if (it != m_hotKeys.end())
        it->pOwner->OnHotKey(it->nId);  // the last use of it: the owner may change the table
}

void CX11HotKeys::OnKeyRelease(unsigned keyCode, unsigned long time) {
    m_downKeys.erase(keyCode);
    if (keyCode == m_nGrabKey) {
        m_downKeys.clear();
        m_nGrabKey = 0;
    }
    m_nLastReleaseKey = keyCode;
    m_nLastReleaseTime = time;
}

std::unique_ptr<CX11HotKeys> CreateX11HotKeys(QString* error) {
    return std::make_unique<CX11HotKeys>(CX11Connection::Open(error));
}

}  // namespace platform
