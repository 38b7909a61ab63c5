#include "ui/DesktopHotKeys.h"

#include "platform/VirtualKeys.h"

using namespace platform;

CDesktopHotKeys::CDesktopHotKeys(std::map<int, SGlobalId> globalIds, SGlobalShortcutsOptions options)
    : m_global(std::move(options)), m_globalIds(std::move(globalIds)) {
    connect(&m_global, &CGlobalShortcuts::Probed, this, &CDesktopHotKeys::Probed);
    connect(&m_global, &CGlobalShortcuts::Activated, this, &CDesktopHotKeys::OnActivated);
    connect(&m_global, &CGlobalShortcuts::Failed, this, &CDesktopHotKeys::OnFailed);
}

CDesktopHotKeys::~CDesktopHotKeys() = default;

void CDesktopHotKeys::Probe() {
    m_global.Probe();
}

bool CDesktopHotKeys::RegisterHotKey(IHotKeyOwner* owner, int id, unsigned modifiers, unsigned vk) {
    const auto global = m_globalIds.find(id);
    QString trigger;
    if (global != m_globalIds.end()) {
        trigger = ShortcutTrigger(modifiers, vk);
        const bool taken = m_owners.count(id) != 0;
        // A key the desktop could not be told of is refused unless the desktop has no shortcuts at all.
        if (taken || (trigger.isEmpty() && m_global.State() != CGlobalShortcuts::EState::Absent)) {
            m_lastError = taken ? kHotKeyErrorTaken : kHotKeyErrorNoKeySym;
            return false;
        }
    }
    if (!m_local.RegisterHotKey(owner, id, modifiers, vk)) {
        m_lastError = m_local.LastError();
        return false;
    }
    m_lastError = kHotKeyErrorNone;
    if (global != m_globalIds.end()) {
        m_owners[id] = owner;
        m_global.Set(global->second.name, global->second.description, trigger);
    }
    return true;
}

bool CDesktopHotKeys::UnregisterHotKey(IHotKeyOwner* owner, int id) {
    const auto held = m_owners.find(id);
    if (held != m_owners.end() && held->second == owner) {
        m_owners.erase(held);
        m_global.Set(m_globalIds.at(id).name, {}, {});
    }
    return m_local.UnregisterHotKey(owner, id);
}

void CDesktopHotKeys::UnregisterAll(IHotKeyOwner* owner) {
    for (auto it = m_owners.begin(); it != m_owners.end();) {
        if (it->second == owner) {
            m_global.Set(m_globalIds.at(it->first).name, {}, {});
            it = m_owners.erase(it);
        } else {
            ++it;
        }
    }
    m_local.UnregisterAll(owner);
}

void CDesktopHotKeys::OnActivated(const QString& name) {
    for (const auto& [id, global] : m_globalIds) {
        const auto held = m_owners.find(id);
        if (global.name == name && held != m_owners.end()) {
            // The owner may unregister (and so change the map) from its handler.
            IHotKeyOwner* owner = held->second;
            owner->OnHotKey(id);
            return;
        }
    }
}

void CDesktopHotKeys::OnFailed() {
    m_lastError = kHotKeyErrorRefused;
    // Every global key is without effect now; each owner hears of it, and may unregister from its handler.
    const std::map<int, IHotKeyOwner*> owners = m_owners;
    for (const auto& [id, owner] : owners) {
        if (m_owners.count(id) != 0 && m_owners.at(id) == owner)
            owner->OnHotKeyFailed(id, kHotKeyErrorRefused);
    }
}
