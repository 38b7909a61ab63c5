#include "tests/support/FakeHotKeys.h"

#include <algorithm>

namespace testsupport {

void CFakeHotKeys::OccupyByOtherProgram(unsigned modifiers, unsigned vk) {
    if (std::find(m_otherProgram.begin(), m_otherProgram.end(), Key{modifiers, vk}) == m_otherProgram.end())
        m_otherProgram.push_back({modifiers, vk});
}

void CFakeHotKeys::FreeFromOtherProgram(unsigned modifiers, unsigned vk) {
    std::erase(m_otherProgram, Key{modifiers, vk});
}

bool CFakeHotKeys::RegisterHotKey(platform::IHotKeyOwner* owner, int id, unsigned modifiers, unsigned vk) {
    const Registration what{owner, id, modifiers, vk};
    auto sameId = [&](const Registration& r) { return r.owner == owner && r.id == id; };
    auto sameKey = [&](const Registration& r) { return r.modifiers == modifiers && r.vk == vk; };

    if (std::any_of(m_registrations.begin(), m_registrations.end(), sameId))
        m_lastError = kErrorAlreadyRegistered;
    else if (std::find(m_otherProgram.begin(), m_otherProgram.end(), Key{modifiers, vk}) !=
                 m_otherProgram.end() ||
             std::any_of(m_registrations.begin(), m_registrations.end(), sameKey))
        m_lastError = platform::kHotKeyErrorTaken;
    else
        m_lastError = platform::kHotKeyErrorNone;

    const bool bSucceeded = m_lastError == platform::kHotKeyErrorNone;
    if (bSucceeded)
        m_registrations.push_back(what);
    m_attempts.push_back({what, bSucceeded});
    return bSucceeded;
}

bool CFakeHotKeys::UnregisterHotKey(platform::IHotKeyOwner* owner, int id) {
    const auto removed =
        std::erase_if(m_registrations, [&](const Registration& r) { return r.owner == owner && r.id == id; });
    m_lastError = removed != 0 ? platform::kHotKeyErrorNone : kErrorNotRegistered;
    return removed != 0;
}

void CFakeHotKeys::UnregisterAll(platform::IHotKeyOwner* owner) {
    std::erase_if(m_registrations, [&](const Registration& r) { return r.owner == owner; });
}

bool CFakeHotKeys::Press(unsigned modifiers, unsigned vk) {
    const auto it = std::find_if(m_registrations.begin(), m_registrations.end(), [&](const Registration& r) {
        return r.modifiers == modifiers && r.vk == vk;
    });
    if (it == m_registrations.end())
        return false;
    // Copied out first: the handler may well unregister keys.
    const Registration held = *it;
    held.owner->OnHotKey(held.id);
    return true;
}

}  // namespace testsupport
