#pragma once
// Builds action records, lists and script files the way the suites need them.

#include <QList>
#include <QString>
#include <QStringList>
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

struct SRow {
    SRow(int t = LeftClick, int px = 0, int py = 0, uint32_t ms = 0, QString text = {})
        : type(t), x(px), y(py), delay(ms), comment(std::move(text)) {}
    int type;
    int x;
    int y;
    uint32_t delay;
    QString comment;
};

inline void AppendRows(CActionList& list, const QList<SRow>& rows) {
    for (const SRow& r : rows)
        list.Append(MakeAction(r.type, r.x, r.y, r.delay, r.comment));
}

// Left clicks at x = y = their row, each with its comment.
inline QList<SRow> CommentedRows(const QStringList& comments) {
    QList<SRow> rows;
    for (int i = 0; i < comments.size(); ++i)
        rows.append({LeftClick, i, i, 0, comments[i]});
    return rows;
}

// A header with the repeat count and the start/stop shortcut (virtual-key code and hotkey flags).
inline CScriptHeader Header(int repeat, uint16_t shortcut = 0, uint16_t flags = 0) {
    CScriptHeader header;
    header.m_iRepeatCount = repeat;
    header.m_wHotKeyCode = shortcut;
    header.m_wHotKeyModifiers = flags;
    return header;
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
