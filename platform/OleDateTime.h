#pragma once
// An OLE Automation date: days since 30 December 1899 00:00 as a double, the fraction being the time of
// day, plus a status. Script files store the auto-run date and time as texts of this value in the user's
// locale, so the texts follow the forms Windows gives for the same locale.

#include <QDate>
#include <QLocale>
#include <QString>
#include <QTime>

class COleDateTime {
public:
    enum DateTimeStatus { valid = 0, invalid = 1, null = 2 };

    COleDateTime() = default;
    explicit COleDateTime(double dt, DateTimeStatus status = valid) : m_dt(dt), m_status(status) {}
    // The value of a calendar date and time of day; invalid outside the years 100 to 9999.
    COleDateTime(const QDate& date, const QTime& time);

    // Day 0, 30 December 1899, on which a time of day alone is stored.
    static QDate EpochDate() { return QDate(1899, 12, 30); }
    // A time of day alone: that time on day 0.
    static COleDateTime TimeOfDay(const QTime& time) { return COleDateTime(EpochDate(), time); }

    // The local date and time now, to the second.
    static COleDateTime GetCurrentTime();

    DateTimeStatus GetStatus() const { return m_status; }
    void SetStatus(DateTimeStatus status) { m_status = status; }
    double Value() const { return m_dt; }

    // The calendar date and time of day of a valid value within range; invalid QDate/QTime otherwise.
    QDate GetDate() const;
    QTime GetTime() const;

    // The date alone in the locale's short form with a four-digit year ("12/5/2026" in en_US), the time of
    // day alone in the locale's long form without time zone ("2:05:09 PM"). A null value gives the empty
    // text; an invalid one, or one out of range, "Invalid DateTime".
    QString FormatDate(const QLocale& locale = QLocale()) const;
    QString FormatTime(const QLocale& locale = QLocale()) const;

    // Reads a date (giving that day at 00:00:00) or a time of day (giving it on day 0). Tries the
    // locale's forms, then the en_US forms, then ISO 8601. A text that none of them takes completely gives
    // an invalid value 0.0.
    static COleDateTime ParseDate(const QString& text, const QLocale& locale = QLocale());
    static COleDateTime ParseTime(const QString& text, const QLocale& locale = QLocale());

    static QString ShortDateFormat(const QLocale& locale);
    static QString LongTimeFormat(const QLocale& locale);

    friend bool operator==(const COleDateTime&, const COleDateTime&) = default;

private:
    double m_dt = 0.0;
    DateTimeStatus m_status = valid;
};
