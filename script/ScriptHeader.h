#pragma once
// The values that belong to the open script and are saved with it.

#include <QDateTime>
#include <cstdint>

#include "platform/OleDateTime.h"

struct CScriptHeader {
    int32_t m_bAutoMinimize = 0;
    int32_t m_bAutoRun = 0;
    uint16_t m_wHotKeyCode = 0;       // Windows virtual-key code of the start/stop shortcut; 0 = none
    uint16_t m_wHotKeyModifiers = 0;  // 0x01 Shift, 0x02 Control, 0x04 Alt, 0x08 extended (Super)
    int32_t m_iRepeatCount = 1;
    int32_t m_iActionCount = 0;    // the row count, as written to or read from a file
    COleDateTime m_dtAutoRunDate;  // only the date part is stored
    COleDateTime m_dtAutoRunTime;  // only the time of day is stored

    // The scheduled start to the second, the date of the one and the time of day of the other; invalid
    // when either is.
    QDateTime AutoRunMoment() const;
};

extern CScriptHeader g_scriptHeader;
