#include "script/ScriptHeader.h"

CScriptHeader g_scriptHeader;

QDateTime CScriptHeader::AutoRunMoment() const {
    const QDate date = m_dtAutoRunDate.GetDate();
    const QTime time = m_dtAutoRunTime.GetTime();
    if (!date.isValid() || !time.isValid())
        return {};
    return QDateTime(date, QTime(time.hour(), time.minute(), time.second()));
}
