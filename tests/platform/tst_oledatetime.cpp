// The auto-run date and time values and their texts in script files.

#include <QtTest>

#include "platform/OleDateTime.h"
#include "tests/support/TestMain.h"

namespace {

const COleDateTime kInvalid(0.0, COleDateTime::invalid);

}  // namespace

class TestOleDateTime : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void valuesAndCalendar_data() {
        QTest::addColumn<QDate>("date");
        QTest::addColumn<QTime>("time");
        QTest::addColumn<double>("value");
        QTest::newRow("epoch") << QDate(1899, 12, 30) << QTime(0, 0) << 0.0;
        QTest::newRow("day one noon") << QDate(1899, 12, 31) << QTime(12, 0) << 1.5;
        // Before the epoch the fraction still counts forward within the day.
        QTest::newRow("negative") << QDate(1899, 12, 29) << QTime(6, 0) << -1.25;
        QTest::newRow("negative late") << QDate(1899, 12, 28) << QTime(18, 0) << -2.75;
        QTest::newRow("worked example")
            << QDate(2026, 12, 5) << QTime(14, 5, 9) << 46361.0 + (14 * 3600 + 5 * 60 + 9) / 86400.0;
        QTest::newRow("first day") << QDate(100, 1, 1) << QTime(0, 0) << -657434.0;
        QTest::newRow("last second") << QDate(9999, 12, 31) << QTime(23, 59, 59)
                                     << 2958465.0 + 86399 / 86400.0;
    }
    void valuesAndCalendar() {
        QFETCH(QDate, date);
        QFETCH(QTime, time);
        QFETCH(double, value);
        const COleDateTime dt(date, time);
        QCOMPARE(dt.GetStatus(), COleDateTime::valid);
        QCOMPARE(dt.Value(), value);
        QCOMPARE(COleDateTime(value).GetDate(), date);
        QCOMPARE(COleDateTime(value).GetTime(), time);
    }

    void outOfRangeNullAndInvalid() {
        QCOMPARE(COleDateTime(QDate(99, 12, 31), QTime(0, 0)).GetStatus(), COleDateTime::invalid);
        QCOMPARE(COleDateTime(QDate(10000, 1, 1), QTime(0, 0)).GetStatus(), COleDateTime::invalid);
        QCOMPARE(COleDateTime(1e12).FormatDate(), QStringLiteral("Invalid DateTime"));
        QCOMPARE(COleDateTime(std::nan("")).FormatTime(), QStringLiteral("Invalid DateTime"));
        QVERIFY(!COleDateTime(-1e9).GetDate().isValid());
        COleDateTime dt;
        dt.SetStatus(COleDateTime::null);
        QCOMPARE(dt.FormatDate() + dt.FormatTime(), QString());
        for (const QString& text : {QString(), QStringLiteral("Invalid DateTime"),
                                    QStringLiteral("12/5/2026x"), QStringLiteral("25:00:00")}) {
            QCOMPARE(COleDateTime::ParseDate(text), kInvalid);
            QCOMPARE(COleDateTime::ParseTime(text), kInvalid);
        }
        const COleDateTime now = COleDateTime::GetCurrentTime();
        QCOMPARE(now.GetTime().msec(), 0);
        QVERIFY(qAbs(now.GetDate().daysTo(QDate::currentDate())) <= 1);
    }

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
        QTest::newRow("en_GB") << "en_GB"
                               << "05/12/2026"
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
        // Read back: the date alone at midnight, the time alone on day 0.
        QCOMPARE(COleDateTime::ParseDate(date), COleDateTime(46361.0));
        QCOMPARE(COleDateTime::ParseTime(time), COleDateTime(QDate(1899, 12, 30), QTime(14, 5, 9)));
    }

    // A file written by an en_US user opens with the same values under other locales.
    void readingFallsBackToUsThenIso() {
        for (const char* name : {"de_DE", "C", "ja_JP"}) {
            QLocale::setDefault(QLocale(QString::fromLatin1(name)));
            QCOMPARE(COleDateTime::ParseDate(QStringLiteral("12/5/2026")).GetDate(), QDate(2026, 12, 5));
            QCOMPARE(COleDateTime::ParseTime(QStringLiteral("2:05:09 PM")).GetTime(), QTime(14, 5, 9));
            QCOMPARE(COleDateTime::ParseDate(QStringLiteral("2026-12-05")).GetDate(), QDate(2026, 12, 5));
            QCOMPARE(COleDateTime::ParseTime(QStringLiteral("14:05:09")).GetTime(), QTime(14, 5, 9));
        }
        // The locale's own form wins over the en_US one.
        QLocale::setDefault(QLocale(QStringLiteral("en_GB")));
        QCOMPARE(COleDateTime::ParseDate(QStringLiteral("12/05/2026")).GetDate(), QDate(2026, 5, 12));
        // Two-digit years fall in 1930 to 2029.
        QLocale::setDefault(QLocale(QStringLiteral("en_US")));
        QCOMPARE(COleDateTime::ParseDate(QStringLiteral("12/5/26")).GetDate(), QDate(2026, 12, 5));
        QCOMPARE(COleDateTime::ParseDate(QStringLiteral("12/5/45")).GetDate(), QDate(1945, 12, 5));
    }
};

VANTRELL_TEST_MAIN(TestOleDateTime)
#include "tst_oledatetime.moc"
