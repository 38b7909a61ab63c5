// The auto-run date and time values and their texts in script files.

#include <QtTest>

#include "platform/OleDateTime.h"
#include "tests/support/TestMain.h"

using namespace Qt::StringLiterals;

class TestOleDateTime : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void valuesAndCalendar_data() {
        QTest::addColumn<QDate>("date");
        QTest::addColumn<QTime>("time");
        QTest::addColumn<double>("value");
        QTest::newRow("epoch") << QDate(1899, 12, 30) << QTime(0, 0) << 0.0;
        // Before the epoch the fraction still counts forward within the day.
        QTest::newRow("negative") << QDate(1899, 12, 29) << QTime(6, 0) << -1.25;
        QTest::newRow("negative late") << QDate(1899, 12, 28) << QTime(18, 0) << -2.75;
        QTest::newRow("worked example") << QDate(2026, 12, 5) << QTime(14, 5, 9) << 46361.0 + 50709 / 86400.0;
        QTest::newRow("first day") << QDate(100, 1, 1) << QTime(0, 0) << -657434.0;
        QTest::newRow("last second") << QDate(9999, 12, 31) << QTime(23, 59, 59)
                                     << 2958465.0 + 86399 / 86400.0;
    }
    void valuesAndCalendar() {
        QFETCH(QDate, date);
        QFETCH(QTime, time);
        QFETCH(double, value);
        QCOMPARE(COleDateTime(date, time).Value(), value);
        QCOMPARE(COleDateTime(value).GetStatus(), COleDateTime::valid);
        QCOMPARE(COleDateTime(value).GetDate(), date);
        QCOMPARE(COleDateTime(value).GetTime(), time);
    }

    void outOfRangeNullAndInvalid() {
        QCOMPARE(COleDateTime(QDate(99, 12, 31), QTime(0, 0)).GetStatus(), COleDateTime::invalid);
        QCOMPARE(COleDateTime(QDate(10000, 1, 1), QTime(0, 0)).GetStatus(), COleDateTime::invalid);
        QCOMPARE(COleDateTime(1e12).FormatDate(), u"Invalid DateTime"_s);
        QCOMPARE(COleDateTime(std::nan("")).FormatTime(), u"Invalid DateTime"_s);
        COleDateTime null;
        null.SetStatus(COleDateTime::null);
        QCOMPARE(null.FormatDate() + null.FormatTime(), QString());
        for (const char* text : {"", "Invalid DateTime", "12/5/2026x", "25:00:00"}) {
            QCOMPARE(COleDateTime::ParseDate(QString(text)), COleDateTime(0.0, COleDateTime::invalid));
            QCOMPARE(COleDateTime::ParseTime(QString(text)), COleDateTime(0.0, COleDateTime::invalid));
        }
        QCOMPARE(COleDateTime::GetCurrentTime().GetTime().msec(), 0);
    }

    // Written in the locale's short date with a four-digit year and its long time without the zone; read
    // back, the date alone at midnight and the time alone on day 0.
    void texts_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("time");
        QTest::newRow("en_US") << "en_US"
                               << "12/5/2026"
                               << "2:05:09 PM";
        QTest::newRow("de_DE") << "de_DE"
                               << "05.12.2026"
                               << "14:05:09";
        QTest::newRow("C") << "C"
                           << "5 Dec 2026"
                           << "14:05:09";
    }
    void texts() {
        QFETCH(QString, locale);
        QFETCH(QString, date);
        QFETCH(QString, time);
        QLocale::setDefault(QLocale(locale));
        const COleDateTime dt(QDate(2026, 12, 5), QTime(14, 5, 9));
        QCOMPARE(dt.FormatDate(), date);
        QCOMPARE(dt.FormatTime(), time);
        QCOMPARE(COleDateTime::ParseDate(date), COleDateTime(46361.0));
        QCOMPARE(COleDateTime::ParseTime(time), COleDateTime(50709 / 86400.0));
    }

    // A file written by an en_US user, or under the C locale, opens with the same values under other
    // locales; the locale's own form wins over the en_US one; two-digit years fall in 1930 to 2029.
    void readingFallsBackToUsThenIso() {
        for (const char* name : {"de_DE", "ja_JP", "en_US"}) {
            QLocale::setDefault(QLocale(QString::fromLatin1(name)));
            QCOMPARE(COleDateTime::ParseDate(u"12/5/2026"_s).GetDate(), QDate(2026, 12, 5));
            QCOMPARE(COleDateTime::ParseDate(u"5 Dec 2026"_s).GetDate(), QDate(2026, 12, 5));
            QCOMPARE(COleDateTime::ParseTime(u"2:05:09 PM"_s).GetTime(), QTime(14, 5, 9));
            QCOMPARE(COleDateTime::ParseDate(u"2026-12-05"_s).GetDate(), QDate(2026, 12, 5));
        }
        QLocale::setDefault(QLocale(u"en_GB"_s));
        QCOMPARE(COleDateTime::ParseDate(u"12/05/2026"_s).GetDate(), QDate(2026, 5, 12));
        QLocale::setDefault(QLocale(u"en_US"_s));
        QCOMPARE(COleDateTime::ParseDate(u"12/5/26"_s).GetDate(), QDate(2026, 12, 5));
        QCOMPARE(COleDateTime::ParseDate(u"12/5/45"_s).GetDate(), QDate(1945, 12, 5));
    }
};

VANTRELL_TEST_MAIN(TestOleDateTime)
#include "tst_oledatetime.moc"
