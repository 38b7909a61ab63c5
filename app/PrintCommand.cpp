#include "app/PrintCommand.h"

#include <QStringList>

#include "script/ScriptFile.h"

namespace {

QString Hex(uint16_t value) {
    return QStringLiteral("0x%1").arg(value, 4, 16, QLatin1Char('0'));
}

QString IsoOrInvalid(const COleDateTime& value, bool date) {
    if (date) {
        const QDate d = value.GetDate();
        return d.isValid() ? d.toString(Qt::ISODate) : QStringLiteral("invalid");
    }
    const QTime t = value.GetTime();
    return t.isValid() ? t.toString(QStringLiteral("HH:mm:ss")) : QStringLiteral("invalid");
}

}  // namespace

int PrintScript(const QString& path, QTextStream& out, QTextStream& err) {
    CLoadedScript script{g_scriptHeader, {}};
    QString error;
    if (!ReadScriptFile(path, script, &error)) {
        err << "vantrell: " << path << ": " << error << Qt::endl;
        return 2;
    }
    const CScriptHeader& h = script.header;
    out << "minimize\t" << h.m_bAutoMinimize << '\n'
        << "autorun\t" << h.m_bAutoRun << '\n'
        << "hotkey_code\t" << Hex(h.m_wHotKeyCode) << '\n'
        << "hotkey_modifiers\t" << Hex(h.m_wHotKeyModifiers) << '\n'
        << "repeat\t" << h.m_iRepeatCount << '\n'
        << "actions\t" << h.m_iActionCount << '\n'
        << "autorun_date\t" << IsoOrInvalid(h.m_dtAutoRunDate, true) << '\n'
        << "autorun_time\t" << IsoOrInvalid(h.m_dtAutoRunTime, false) << '\n'
        << '\n';

    CActionList rows;
    rows.AppendAll(script.actions);
    QStringList cells;
    for (int c = 0; c < CActionList::ColumnCount; ++c)
        cells << CActionList::ColumnHeading(c);
    out << cells.join(u'\t') << '\n';
    for (int r = 0; r < rows.GetItemCount(); ++r) {
        cells.clear();
        for (int c = 0; c < CActionList::ColumnCount; ++c)
            cells << rows.Text(r, c);
        out << cells.join(u'\t') << '\n';
    }
    out.flush();
    return 0;
}
