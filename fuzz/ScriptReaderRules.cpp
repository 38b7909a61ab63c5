#include "fuzz/ScriptReaderRules.h"

#include <QBuffer>

#include "script/ScriptFile.h"

namespace {

// The script the user has open before the read; every field differs from what a fresh header holds.
CScriptHeader OpenHeader() {
    CScriptHeader h;
    h.m_bAutoMinimize = 7;
    h.m_bAutoRun = -3;
    h.m_wHotKeyCode = 0x7B;
    h.m_wHotKeyModifiers = 0x05;
    h.m_iRepeatCount = 1234;
    h.m_iActionCount = 99;
    h.m_dtAutoRunDate = COleDateTime(46361.0);
    h.m_dtAutoRunTime = COleDateTime(0.5, COleDateTime::null);
    return h;
}

bool SameHeader(const CScriptHeader& a, const CScriptHeader& b) {
    return a.m_bAutoMinimize == b.m_bAutoMinimize && a.m_bAutoRun == b.m_bAutoRun &&
           a.m_wHotKeyCode == b.m_wHotKeyCode && a.m_wHotKeyModifiers == b.m_wHotKeyModifiers &&
           a.m_iRepeatCount == b.m_iRepeatCount && a.m_iActionCount == b.m_iActionCount &&
           a.m_dtAutoRunDate == b.m_dtAutoRunDate && a.m_dtAutoRunTime == b.m_dtAutoRunTime;
}

void SetUpOpenScript() {
    g_scriptHeader = OpenHeader();
    g_arrLoadedActions.clear();
    auto pending = std::make_unique<CMouseAction>();
    pending->m_strComment = QStringLiteral("pending");
    g_arrLoadedActions.push_back(std::move(pending));
}

QByteArray Store(const CScriptHeader& header, const CActionList& rows) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    CScriptHeader written = header;
    CArchive ar(&buffer, CArchive::store);
    StoreScript(ar, written, rows);
    ar.Close();
    return buffer.data();
}

// Reads saved bytes over a copy of header, as opening them again would.
bool ReadSaved(const QByteArray& bytes, const CScriptHeader& header, CLoadedScript& out) {
    QBuffer saved;
    saved.setData(bytes);
    saved.open(QIODevice::ReadOnly);
    out = CLoadedScript{header, {}};
    QString error;
    return ReadScript(saved, out, &error);
}

bool SameDateTexts(const COleDateTime& a, const COleDateTime& b) {
    if (a.GetStatus() == COleDateTime::null)
        return b == COleDateTime(0.0, COleDateTime::invalid);
    const QTime ta = a.GetTime(), tb = b.GetTime();
    return a.GetDate() == b.GetDate() && ta.isValid() == tb.isValid() &&
           (!ta.isValid() || QTime(ta.hour(), ta.minute(), ta.second()) == tb);
}

bool SameValues(const CScriptHeader& h, const CActionList& rows, const CLoadedScript& back) {
    const CScriptHeader& b = back.header;
    if (b.m_bAutoMinimize != h.m_bAutoMinimize || b.m_bAutoRun != h.m_bAutoRun ||
        b.m_wHotKeyCode != h.m_wHotKeyCode || b.m_wHotKeyModifiers != h.m_wHotKeyModifiers ||
        b.m_iRepeatCount != h.m_iRepeatCount || b.m_iActionCount != rows.GetItemCount() ||
        !SameDateTexts(h.m_dtAutoRunDate, b.m_dtAutoRunDate) ||
        !SameDateTexts(h.m_dtAutoRunTime, b.m_dtAutoRunTime) ||
        back.actions.size() != static_cast<size_t>(rows.GetItemCount()))
        return false;
    for (int i = 0; i < rows.GetItemCount(); ++i) {
        const CMouseAction& x = *rows.GetItemData(i);
        const CMouseAction& y = *back.actions[static_cast<size_t>(i)];
        if (x.m_iClickType != y.m_iClickType || x.m_iX != y.m_iX || x.m_iY != y.m_iY ||
            x.m_dwDelay != y.m_dwDelay || x.m_strComment != y.m_strComment)
            return false;
    }
    return true;
}

// A cell's text as the list shows it: a comment longer than the list shows is cut, with an ellipsis.
QString ShownText(const QString& text, int column) {
    if (column != CActionList::ColComment || text.size() <= CActionList::kShownCommentLength)
        return text;
    return text.left(CActionList::kShownCommentLength) + QChar(0x2026);
}

QString BrokenRenderRule(const CActionList& rows) {
    for (int r = 0; r < rows.GetItemCount(); ++r)
        for (int c = 0; c < CActionList::ColumnCount; ++c)
            if (rows.data(rows.index(r, c), Qt::DisplayRole).toString() != ShownText(rows.Text(r, c), c))
                return QStringLiteral("the list shows each cell's text");
    return {};
}

QString BrokenDateRule(const CScriptHeader& h, const QLocale& locale) {
    const QDate date = h.m_dtAutoRunDate.GetDate();
    const QString dateText = h.m_dtAutoRunDate.FormatDate(locale);
    if (date.isValid() && COleDateTime::ParseDate(dateText, locale).GetDate() != date)
        return QStringLiteral("the date %1 written in %2 as \"%3\" reads back as the same day")
            .arg(date.toString(Qt::ISODate), locale.name(), dateText);
    const QTime time = h.m_dtAutoRunTime.GetTime();
    const QString timeText = h.m_dtAutoRunTime.FormatTime(locale);
    if (time.isValid() && COleDateTime::ParseTime(timeText, locale).GetTime() !=
                              QTime(time.hour(), time.minute(), time.second()))
        return QStringLiteral("the time %1 written in %2 as \"%3\" reads back as the same second")
            .arg(time.toString(Qt::ISODate), locale.name(), timeText);
    return {};
}

}  // namespace

std::span<const QLocale> ReaderRuleLocales() {
    static const QLocale locales[] = {
        QLocale(QLocale::English, QLocale::UnitedStates), QLocale(QLocale::German, QLocale::Germany),
        QLocale(QLocale::Japanese, QLocale::Japan),       QLocale(QLocale::Arabic, QLocale::Egypt),
        QLocale(QLocale::Persian, QLocale::Iran),         QLocale(QLocale::Korean, QLocale::SouthKorea),
        QLocale(QLocale::Hindi, QLocale::India),          QLocale(QLocale::Finnish, QLocale::Finland),
    };
    return locales;
}

QString BrokenReaderRule(QIODevice& device, const QLocale& locale) {
    SetUpOpenScript();
    QString error;
    if (!ReadScriptIntoOpenScript(device, &error)) {
        if (error.isEmpty())
            return QStringLiteral("a failed read says why");
        if (!SameHeader(g_scriptHeader, OpenHeader()))
            return QStringLiteral("a failed read keeps the header");
        if (g_arrLoadedActions.size() != 1 ||
            g_arrLoadedActions[0]->m_strComment != QStringLiteral("pending"))
            return QStringLiteral("a failed read keeps the rows not yet taken");
        return {};
    }
    const CScriptHeader header = g_scriptHeader;
    if (device.size() == 0) {
        if (!SameHeader(header, OpenHeader()) || !g_arrLoadedActions.empty())
            return QStringLiteral("an empty file sets nothing and has no rows");
    } else if (g_arrLoadedActions.size() != static_cast<size_t>(std::max(0, header.m_iActionCount))) {
        return QStringLiteral("a read gives the rows the header announces");
    }

    CActionList rows;
    rows.AppendAll(g_arrLoadedActions);
    QString broken = BrokenRenderRule(rows);
    for (const QLocale& l : {ReaderRuleLocales().front(), locale})
        if (broken.isEmpty())
            broken = BrokenDateRule(header, l);
    if (!broken.isEmpty())
        return broken;

    // Saved and read back, nothing changes but what the texts cannot hold: a time's milliseconds, and a
    // null date or time, which is written empty and so reads back invalid.
    CLoadedScript once;
    if (!ReadSaved(Store(header, rows), header, once))
        return QStringLiteral("a saved script reads back");
    if (!SameValues(header, rows, once))
        return QStringLiteral("a saved script reads back with the same values");
    // From then on a save is a fixed point.
    CActionList onceRows;
    onceRows.AppendAll(once.actions);
    const QByteArray saved = Store(once.header, onceRows);
    CLoadedScript twice;
    if (!ReadSaved(saved, once.header, twice))
        return QStringLiteral("a saved script reads back");
    CActionList twiceRows;
    twiceRows.AppendAll(twice.actions);
    if (Store(twice.header, twiceRows) != saved)
        return QStringLiteral("saving what was read and reading it back gives the same bytes");
    return {};
}
