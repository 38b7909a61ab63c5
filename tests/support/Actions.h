#pragma once
// Builds action records, lists and script files the way the suites need them.

#include <QList>
#include <QString>
#include <memory>

#include "script/ScriptFile.h"

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

// A row without a comment.
struct SRow {
    int type = LeftClick;
    int x = 0;
    int y = 0;
    uint32_t delay = 0;
};

inline void AppendRows(CActionList& list, const QList<SRow>& rows) {
    for (const SRow& r : rows)
        list.Append(MakeAction(r.type, r.x, r.y, r.delay));
}

// Saves the rows under the header as a script file and returns its path.
inline QString WriteScript(const QString& path, const QList<SRow>& rows, CScriptHeader header = {}) {
    CActionList list;
    AppendRows(list, rows);
    QString error;
    if (!WriteScriptFile(path, header, list, &error))
        qFatal("cannot write %s: %s", qPrintable(path), qPrintable(error));
    return path;
}

}  // namespace testsupport
