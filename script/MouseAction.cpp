#include "script/MouseAction.h"

#include "settings/Settings.h"

CMouseAction::CMouseAction() : m_dwDelay(static_cast<uint32_t>(g_settings.m_iDefaultTimeDelay)) {}

CMouseAction::CMouseAction(const CMouseAction& other)
    : m_iClickType(other.m_iClickType),
      m_iX(other.m_iX),
      m_iY(other.m_iY),
      m_dwDelay(other.m_dwDelay),
      m_strComment(other.m_strComment),
      m_crColor(other.m_crColor.load(std::memory_order_relaxed)) {}

CMouseAction& CMouseAction::operator=(const CMouseAction& other) {
    m_iClickType = other.m_iClickType;
    m_iX = other.m_iX;
    m_iY = other.m_iY;
    m_dwDelay = other.m_dwDelay;
    m_strComment = other.m_strComment;
    m_crColor.store(other.m_crColor.load(std::memory_order_relaxed), std::memory_order_relaxed);
    return *this;
}
