#pragma once
// One row of a script: a click of some type at a screen position, made after a delay.

#include <QString>
#include <cstdint>

#include "platform/CopyableAtomic.h"
#include "script/ClickType.h"

constexpr uint32_t kColorBlack = 0x000000;
constexpr uint32_t kColorExecuted = 0x009600;  // 0x00BBGGRR: green 150

struct CMouseAction {
    // Click type 0, position 0,0, the user's default delay, no comment, black.
    CMouseAction();

    int32_t m_iClickType = LeftClick;
    int32_t m_iX = 0;
    int32_t m_iY = 0;
    uint32_t m_dwDelay = 0;
    QString m_strComment;
    // Written by a run's worker while the list paints it, hence atomic. Never stored in a file.
    platform::CCopyableAtomic<uint32_t> m_crColor{kColorBlack};
};
