#pragma once
// Hotkeys for Wayland sessions: every registration is a key of this program's own windows (CAppHotKeys),
// and where the desktop portal offers global shortcuts, the ids named here are also shortcuts of the whole
// desktop there. Registering such an id answers at once from the window's side; the desktop answers later,
// and a refusal reaches the owner as OnHotKeyFailed. User-interface thread only.

#include <QObject>
#include <map>

#include "platform/HotKeys.h"
#include "platform/portal/GlobalShortcuts.h"
#include "ui/AppHotKeys.h"

class CDesktopHotKeys final : public QObject, public platform::IHotKeys {
    Q_OBJECT

public:
    struct SGlobalId {
        QString name;         // the shortcut's id at the portal
        QString description;  // what the desktop's settings call it
    };

    CDesktopHotKeys(std::map<int, SGlobalId> globalIds, platform::SGlobalShortcutsOptions options = {});
    ~CDesktopHotKeys() override;

    // Asks, without waiting, whether the desktop offers global shortcuts; Probed follows.
    void Probe();
    platform::CGlobalShortcuts& Shortcuts() { return m_global; }

    bool RegisterHotKey(platform::IHotKeyOwner* owner, int id, unsigned modifiers, unsigned vk) override;
    bool UnregisterHotKey(platform::IHotKeyOwner* owner, int id) override;
    void UnregisterAll(platform::IHotKeyOwner* owner) override;
    uint32_t LastError() const override { return m_lastError; }

Q_SIGNALS:
    // Whether keys of the ids named work across the whole desktop.
    void Probed(bool global);

private:
    void OnActivated(const QString& name);
    void OnFailed();

    CAppHotKeys m_local;
    platform::CGlobalShortcuts m_global;
    std::map<int, SGlobalId> m_globalIds;
    std::map<int, platform::IHotKeyOwner*> m_owners;  // of the global ids registered now
    uint32_t m_lastError = platform::kHotKeyErrorNone;
};
