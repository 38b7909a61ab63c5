#pragma once
// Claims the first function key from F6 to F12 that nobody holds, without modifiers, as hotkey id 1 of its
// owner, so a window can take the cursor position with one key press from any application. The view and the
// action editor each keep one; while the view holds F6 an editor opened meanwhile gets F7.
//
// Lifetime: an owner keeps its CCaptureHotKey as a member (or otherwise ends it no later than itself) and
// calls IHotKeys::UnregisterAll(this) when it is destroyed. A release that comes after that hands the
// service a pointer it only compares, finds nothing for it and does nothing; the owner is never called.
// User-interface thread only.

#include <QString>

#include "engine/HotKeyIds.h"
#include "platform/HotKeys.h"

class CCaptureHotKey {
public:
    explicit CCaptureHotKey(platform::IHotKeys& hotKeys) : m_hotKeys(hotKeys) {}
    ~CCaptureHotKey() { Release(); }
    CCaptureHotKey(const CCaptureHotKey&) = delete;
    CCaptureHotKey& operator=(const CCaptureHotKey&) = delete;

    // Registers the first free key and gives its name ("F6" to "F12"), or the empty text when all seven are
    // taken. A key this owner held from an earlier call is given up first, so calling again for the same
    // owner takes the first free key afresh.
    QString RegisterFirstFree(platform::IHotKeyOwner* owner);
    // Gives the key up; safe to call at any time, also when nothing is held.
    void Release();
    // The name of the key held now, or the empty text.
    QString KeyName() const;

    platform::IHotKeyOwner* m_hOwner = nullptr;
    // 1 from the first RegisterFirstFree until the release, even when no key could be had.
    int m_nId = 0;

private:
    platform::IHotKeys& m_hotKeys;
    unsigned m_vk = 0;  // 0 while no key is held
};
