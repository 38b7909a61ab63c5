#pragma once
// A hotkey service without a display. Keys can be held by "another program"; a key that another owner or id
// of ours holds counts as taken too, as on the real desktop. Press() delivers a key to whoever holds it.

#include <cstdint>
#include <vector>

#include "platform/HotKeys.h"

namespace testsupport {

class CFakeHotKeys final : public platform::IHotKeys {
public:
    // The codes Windows gives for an id registered twice and for removing one that is not there.
    static constexpr uint32_t kErrorAlreadyRegistered = 1409;
    static constexpr uint32_t kErrorNotRegistered = 1419;

    struct Registration {
        platform::IHotKeyOwner* owner = nullptr;
        int id = 0;
        unsigned modifiers = 0;
        unsigned vk = 0;
    };

    struct Attempt {
        Registration what;
        bool bSucceeded = false;
    };

    void OccupyByOtherProgram(unsigned modifiers, unsigned vk);
    void FreeFromOtherProgram(unsigned modifiers, unsigned vk);

    bool RegisterHotKey(platform::IHotKeyOwner* owner, int id, unsigned modifiers, unsigned vk) override;
    bool UnregisterHotKey(platform::IHotKeyOwner* owner, int id) override;
    void UnregisterAll(platform::IHotKeyOwner* owner) override;
    uint32_t LastError() const override { return m_lastError; }

    // Delivers the key to the owner that holds it; false when nobody of ours does.
    bool Press(unsigned modifiers, unsigned vk);

    // What is held now, in the order it was registered.
    const std::vector<Registration>& Registrations() const { return m_registrations; }
    // Every RegisterHotKey call, in order.
    const std::vector<Attempt>& Attempts() const { return m_attempts; }

private:
    struct Key {
        unsigned modifiers;
        unsigned vk;
        friend bool operator==(const Key&, const Key&) = default;
    };

    std::vector<Key> m_otherProgram;
    std::vector<Registration> m_registrations;
    std::vector<Attempt> m_attempts;
    uint32_t m_lastError = platform::kHotKeyErrorNone;
};

}  // namespace testsupport
