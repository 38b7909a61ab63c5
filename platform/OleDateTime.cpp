#include "platform/OleDateTime.h"

#include <QDateTime>
#include <QStringList>
#include <cmath>

namespace {

constexpr qint64 kMsecsPerDay = 86'400'000;
// The OLE range: 1 January 100 to 31 December 9999.
constexpr double kMinDay = -657434.0;
constexpr double kMaxDay = 2958466.0;

qint64 EpochJulianDay() {
    return COleDateTime::EpochDate().toJulianDay();
}

// Splits a value into its calendar day (relative to the epoch) and its time of day in milliseconds. For
// negative values the fraction is still the time of day: -1.25 is 29 December 1899 06:00.
bool Decode(double dt, qint64* day, qint64* msecs) {
    if (!std::isfinite(dt) || dt <= kMinDay - 1.0 || dt >= kMaxDay)
        return false;
    const double whole = std::trunc(dt);
    *day = static_cast<qint64>(whole);
    *msecs = std::llround(std::fabs(dt - whole) * static_cast<double>(kMsecsPerDay));
    if (*msecs >= kMsecsPerDay) {
        *msecs -= kMsecsPerDay;
        *day += 1;
    }
    return true;
}

// Applies fn to each unquoted run of one pattern letter; quoted literals pass through unchanged.
template <typename Fn>
QString MapPatternRuns(const QString& format, Fn fn) {
    QString out;
    for (qsizetype i = 0; i < format.size();) {
        const QChar c = format[i];
        if (c == u'\'') {
            qsizetype j = format.indexOf(u'\'', i + 1);
            j = j < 0 ? format.size() : j + 1;
            out += format.mid(i, j - i);
            i = j;
            continue;
        }
        qsizetype j = i;
        while (j < format.size() && format[j] == c)
            ++j;
        out += fn(c, format.mid(i, j - i), out);
        i = j;
    }
    return out;
}

// Windows and Qt may put a no-break space before AM/PM; a script file wants the plain one.
QString PlainSpaces(QString text) {
    text.replace(QChar(0x202F), u' ');
    text.replace(QChar(0x00A0), u' ');
    return text;
}

QLocale EnUs() {
    return QLocale(QLocale::English, QLocale::UnitedStates);
}

// Two-digit years read as 1930 to 2029, the window Windows uses.
QDate FixTwoDigitYear(QDate date, const QString& format) {
    if (date.isValid() && !format.contains(QStringLiteral("yyyy")) && date.year() < 1930)
        return date.addYears(100);
    return date;
}

QStringList Unique(const QStringList& list) {
    QStringList out;
    for (const QString& s : list)
        if (!s.isEmpty() && !out.contains(s))
            out += s;
    return out;
}

}  // namespace

COleDateTime::COleDateTime(const QDate& date, const QTime& time) {
    if (!date.isValid() || !time.isValid() || date.year() < 100 || date.year() > 9999) {
        m_status = invalid;
        return;
    }
    const double day = static_cast<double>(date.toJulianDay() - EpochJulianDay());
    const double fraction =
        static_cast<double>(time.msecsSinceStartOfDay()) / static_cast<double>(kMsecsPerDay);
    m_dt = day >= 0 ? day + fraction : day - fraction;
}

COleDateTime COleDateTime::GetCurrentTime() {
    const QDateTime now = QDateTime::currentDateTime();
    const QTime t = now.time();
    return COleDateTime(now.date(), QTime(t.hour(), t.minute(), t.second()));
}

QDate COleDateTime::GetDate() const {
    qint64 day = 0, msecs = 0;
    if (m_status != valid || !Decode(m_dt, &day, &msecs))
        return {};
    return QDate::fromJulianDay(EpochJulianDay() + day);
}

QTime COleDateTime::GetTime() const {
    qint64 day = 0, msecs = 0;
    if (m_status != valid || !Decode(m_dt, &day, &msecs))
        return {};
    return QTime::fromMSecsSinceStartOfDay(static_cast<int>(msecs));
}

QString COleDateTime::ShortDateFormat(const QLocale& locale) {
    return MapPatternRuns(
        locale.dateFormat(QLocale::ShortFormat),
        [](QChar c, const QString& run, const QString&) { return c == u'y' ? QStringLiteral("yyyy") : run; });
}

QString COleDateTime::LongTimeFormat(const QLocale& locale) {
    const QString format =
        MapPatternRuns(locale.timeFormat(QLocale::LongFormat), [](QChar c, const QString& run, QString& out) {
            if (c != u't')
                return run;
            // Drop the zone with the space that set it apart.
            while (!out.isEmpty() && out.back().isSpace())
                out.chop(1);
            return QString();
        });
    return PlainSpaces(format).trimmed();
}

QString COleDateTime::FormatDate(const QLocale& locale) const {
    if (m_status == null)
        return {};
    const QDate date = GetDate();
    if (!date.isValid())
        return QStringLiteral("Invalid DateTime");
    return PlainSpaces(locale.toString(date, ShortDateFormat(locale)));
}

QString COleDateTime::FormatTime(const QLocale& locale) const {
    if (m_status == null)
        return {};
    const QTime time = GetTime();
    if (!time.isValid())
        return QStringLiteral("Invalid DateTime");
    const QTime seconds(time.hour(), time.minute(), time.second());
    return PlainSpaces(locale.toString(seconds, LongTimeFormat(locale)));
}

COleDateTime COleDateTime::ParseDate(const QString& text, const QLocale& locale) {
    const QString input = PlainSpaces(text.trimmed());
    const QLocale enUs = EnUs();
    const std::pair<QLocale, QStringList> attempts[] = {
        {locale, Unique({ShortDateFormat(locale), locale.dateFormat(QLocale::ShortFormat),
                         locale.dateFormat(QLocale::LongFormat)})},
        {enUs, Unique({ShortDateFormat(enUs), enUs.dateFormat(QLocale::ShortFormat)})},
        // What a run without a configured locale (LANG=C, a bare session) writes.
        {QLocale::c(), {ShortDateFormat(QLocale::c())}},
    };
    if (!input.isEmpty()) {
        for (const auto& [loc, formats] : attempts) {
            for (const QString& format : formats) {
                const QDate date = FixTwoDigitYear(loc.toDate(input, format), format);
                if (date.isValid())
                    return COleDateTime(date, QTime(0, 0));
            }
        }
        const QDate iso = QDate::fromString(input, Qt::ISODate);
        if (iso.isValid())
            return COleDateTime(iso, QTime(0, 0));
    }
    return COleDateTime(0.0, invalid);
}

COleDateTime COleDateTime::ParseTime(const QString& text, const QLocale& locale) {
    const QString input = PlainSpaces(text.trimmed());
    const QLocale enUs = EnUs();
    const std::pair<QLocale, QStringList> attempts[] = {
        {locale, Unique({LongTimeFormat(locale), PlainSpaces(locale.timeFormat(QLocale::ShortFormat))})},
        {enUs, Unique({LongTimeFormat(enUs), PlainSpaces(enUs.timeFormat(QLocale::ShortFormat))})},
        {QLocale::c(), {LongTimeFormat(QLocale::c())}},
    };
    if (!input.isEmpty()) {
        for (const auto& [loc, formats] : attempts) {
            for (const QString& format : formats) {
                const QTime time = loc.toTime(input, format);
                if (time.isValid())
                    return TimeOfDay(time);
            }
        }
        const QTime iso = QTime::fromString(input, Qt::ISODate);
        if (iso.isValid())
            return TimeOfDay(iso);
    }
    return COleDateTime(0.0, invalid);
}
