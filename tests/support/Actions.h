#pragma once
// Builds an action record the way the suites need one.

#include <memory>

#include "script/MouseAction.h"

namespace testsupport {

inline std::unique_ptr<CMouseAction> MakeAction(int type, int x, int y, uint32_t delay,
                                                const QString& comment = {}) {
    auto a = std::make_unique<CMouseAction>();
    a->m_iClickType = type;
    a->m_iX = x;
    a->m_iY = y;
    a->m_dwDelay = delay;
    a->m_strComment = comment;
    return a;
}

}  // namespace testsupport
