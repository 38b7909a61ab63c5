#include "app/PrintCommand.h"

#include <QIODevice>
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

QString EscapeForPrint(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        switch (u) {
            case u'\\':
                out += u"\\\\";
                break;
            case u'\t':
                out += u"\\t";
                break;
            case u'\n':
                out += u"\\n";
                break;
            case u'\r':
                out += u"\\r";
                break;
            default:
                // C0, DEL and the C1 controls (ESC and CSI among them) would act on the terminal.
                if (u < 0x20 || (u >= 0x7F && u <= 0x9F))
                    out += QStringLiteral("\\x%1").arg(unsigned(u), 2, 16, QLatin1Char('0'));
                else
                    out += c;
        }
    }
    return out;
}

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
            cells << EscapeForPrint(rows.Text(r, c));
        out << cells.join(u'\t') << '\n';
        if (out.status() != QTextStream::Ok)
            break;  // the rest would go the same way
    }
    out.flush();
    if (out.status() != QTextStream::Ok) {
        const QIODevice* device = out.device();
        err << "vantrell: cannot write the output: "
            << (device ? device->errorString() : QStringLiteral("write failed")) << Qt::endl;
        return 1;
    }
    return 0;
}
