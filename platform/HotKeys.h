#pragma once
// System-wide hotkeys: a key combination claimed for an owner under an id, delivered to the owner's
// OnHotKey on the user-interface thread whichever application is in front.

#include <QString>
#include <cstdint>

namespace platform {

// Modifier flags of a registration, as the Windows hotkey API numbers them.
constexpr unsigned MOD_ALT = 0x0001;
constexpr unsigned MOD_CONTROL = 0x0002;
constexpr unsigned MOD_SHIFT = 0x0004;
constexpr unsigned MOD_WIN = 0x0008;

// Error codes of a failed registration. A key that someone else holds reports the X error BadAccess.
constexpr uint32_t kHotKeyErrorNone = 0;
constexpr uint32_t kHotKeyErrorTaken = 10;        // X BadAccess: another client or owner holds the key
constexpr uint32_t kHotKeyErrorNoKeySym = 1001;   // the virtual-key code has no X keysym
constexpr uint32_t kHotKeyErrorNoKeyCode = 1002;  // the keysym is not on this keyboard
constexpr uint32_t kHotKeyErrorNoDisplay = 1003;  // no X display to grab on
constexpr uint32_t kHotKeyErrorRefused = 1004;    // the desktop did not accept the global shortcut

class IHotKeyOwner {
public:
    virtual void OnHotKey(int id) = 0;
    // A registration that the service took at first failed later, when a desktop service answered (it
    // refused the shortcut): the key no longer works as registered. Delivered on the user-interface thread.
    virtual void OnHotKeyFailed(int id, uint32_t error) {
        (void)id;
        (void)error;
    }

protected:
    ~IHotKeyOwner() = default;
};

class IHotKeys {
public:
    virtual ~IHotKeys() = default;
    // Claims modifiers + virtual-key code for owner under id. Registering an id the owner already uses
    // fails, as on Windows; unregister it first. On failure LastError() tells why.
    virtual bool RegisterHotKey(IHotKeyOwner* owner, int id, unsigned modifiers, unsigned vk) = 0;
    virtual bool UnregisterHotKey(IHotKeyOwner* owner, int id) = 0;
    // Drops every registration of an owner; owners call it when they are destroyed.
    virtual void UnregisterAll(IHotKeyOwner* owner) = 0;
    virtual uint32_t LastError() const = 0;
};

// A one-line explanation of a registration error code, for messages and logs.
QString HotKeyErrorText(uint32_t code);

}  // namespace platform
