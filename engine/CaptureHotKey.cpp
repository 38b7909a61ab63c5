#include "engine/CaptureHotKey.h"

#include "platform/VirtualKeys.h"

using platform::VK_F12;
using platform::VK_F6;

QString CCaptureHotKey::RegisterFirstFree(platform::IHotKeyOwner* owner) {
    // One instance serves one owner; should it be handed another, the first one's key must not stay behind.
    if (m_hOwner != owner)
        Release();

    m_vk = 0;
    m_hOwner = owner;
    m_nId = HOTKEY_CAPTURE;
    if (!owner)
        return {};
    m_hotKeys.UnregisterHotKey(owner, HOTKEY_CAPTURE);  // drops the key of an earlier call, if any
    for (unsigned vk = VK_F6; vk <= VK_F12; ++vk) {
        if (m_hotKeys.RegisterHotKey(owner, HOTKEY_CAPTURE, 0, vk)) {
            m_vk = vk;
            return platform::VirtualKeyName(vk);
        }
    }
    return {};
}

void CCaptureHotKey::Release() {
    if (m_nId != 0 && m_hOwner)
        m_hotKeys.UnregisterHotKey(m_hOwner, m_nId);
    m_nId = 0;
    m_vk = 0;
}

QString CCaptureHotKey::KeyName() const {
    return m_vk != 0 ? platform::VirtualKeyName(m_vk) : QString();
}
