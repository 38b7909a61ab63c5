#pragma once
// Hotkeys for sessions that offer no system-wide key grabs (Wayland): the same registrations, delivered
// when the key is pressed in any of this program's own windows. A registered key press is taken, as a grab
// takes it, so the focused control never sees it. User-interface thread only.

#include <QObject>
#include <vector>

#include "platform/HotKeys.h"

class CAppHotKeys final : public QObject, public platform::IHotKeys {
public:
    // Watches the key presses of the whole application from now on.
    CAppHotKeys();
    ~CAppHotKeys() override;
    CAppHotKeys(const CAppHotKeys&) = delete;
    CAppHotKeys& operator=(const CAppHotKeys&) = delete;

    bool RegisterHotKey(platform::IHotKeyOwner* owner, int id, unsigned modifiers, unsigned vk) override;
    bool UnregisterHotKey(platform::IHotKeyOwner* owner, int id) override;
    void UnregisterAll(platform::IHotKeyOwner* owner) override;
    uint32_t LastError() const override { return m_lastError; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Registration {
        platform::IHotKeyOwner* owner;
        int id;
        unsigned modifiers;
        unsigned vk;
    };
    std::vector<Registration> m_registrations;
    uint32_t m_lastError = platform::kHotKeyErrorNone;
};
