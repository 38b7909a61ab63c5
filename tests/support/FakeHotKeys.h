#pragma once
// A hotkey service without a display. Keys can be held by "another program"; a key that another owner or id
// of ours holds counts as taken too, as on the real desktop. Press() delivers a key to whoever holds it.

#include <algorithm>
#include <vector>

#include "platform/HotKeys.h"

namespace testsupport {

class CFakeHotKeys final : public platform::IHotKeys {
public:
    struct Registration {
        platform::IHotKeyOwner* owner = nullptr;
        int id = 0;
        unsigned modifiers = 0;
        unsigned vk = 0;
    };

    void OccupyByOtherProgram(unsigned modifiers, unsigned vk) {
        m_otherProgram.push_back({nullptr, 0, modifiers, vk});
    }

    bool RegisterHotKey(platform::IHotKeyOwner* owner, int id, unsigned modifiers, unsigned vk) override {
        const bool bTaken =
            Find(m_otherProgram, modifiers, vk) || Find(m_registrations, modifiers, vk) ||
            std::any_of(m_registrations.begin(), m_registrations.end(),
                        [&](const Registration& r) { return r.owner == owner && r.id == id; });
        m_lastError = bTaken ? platform::kHotKeyErrorTaken : platform::kHotKeyErrorNone;
        if (!bTaken)
            m_registrations.push_back({owner, id, modifiers, vk});
        return !bTaken;
    }
    bool UnregisterHotKey(platform::IHotKeyOwner* owner, int id) override {
        return std::erase_if(m_registrations,
                             [&](const Registration& r) { return r.owner == owner && r.id == id; }) != 0;
    }
    void UnregisterAll(platform::IHotKeyOwner* owner) override {
        std::erase_if(m_registrations, [&](const Registration& r) { return r.owner == owner; });
    }
    uint32_t LastError() const override { return m_lastError; }

    // Delivers the key to the owner that holds it; false when nobody of ours does.
    bool Press(unsigned modifiers, unsigned vk) {
        const Registration* held = Find(m_registrations, modifiers, vk);
        if (!held)
            return false;
        // Copied out first: the handler may well unregister keys.
        const Registration copy = *held;
        copy.owner->OnHotKey(copy.id);
        return true;
    }

    // What is held now, in the order it was registered.
    const std::vector<Registration>& Registrations() const { return m_registrations; }

private:
    static const Registration* Find(const std::vector<Registration>& in, unsigned modifiers, unsigned vk) {
        const auto it = std::find_if(in.begin(), in.end(), [&](const Registration& r) {
            return r.modifiers == modifiers && r.vk == vk;
        });
        return it == in.end() ? nullptr : &*it;
    }

    std::vector<Registration> m_otherProgram;
    std::vector<Registration> m_registrations;
    uint32_t m_lastError = platform::kHotKeyErrorNone;
};

}  // namespace testsupport
