#include "script/MouseAction.h"

#include "settings/Settings.h"

CMouseAction::CMouseAction() : m_dwDelay(static_cast<uint32_t>(g_settings.m_iDefaultTimeDelay)) {}
