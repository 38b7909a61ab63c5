// Every file in tests/data/fuzz-regressions: inputs that once broke a rule of the script reader under the
// fuzzer, and the worked example cut short where the reader must decide something. Each is opened as a
// file, in each locale the fuzzer checks dates in, and must keep every rule again.

#include <QDir>
#include <QFile>
#include <QtTest>

#include "fuzz/ScriptReaderRules.h"
#include "tests/support/TestMain.h"

class TestFuzzRegressions : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { QLocale::setDefault(ReaderRuleLocales().front()); }

    void everyInputKeepsTheRules_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QLocale>("locale");
        const QDir dir(QStringLiteral(VANTRELL_TEST_DATA "/fuzz-regressions"));
        const QStringList names = dir.entryList(QDir::Files, QDir::Name);
        QVERIFY2(!names.isEmpty(), qPrintable(dir.path() + QStringLiteral(" holds no inputs")));
        for (const QString& name : names)
            for (const QLocale& locale : ReaderRuleLocales())
                QTest::addRow("%s %s", qPrintable(name), qPrintable(locale.name()))
                    << dir.filePath(name) << locale;
    }
    void everyInputKeepsTheRules() {
        QFETCH(QString, path);
        QFETCH(QLocale, locale);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString broken = BrokenReaderRule(file, locale);
        QVERIFY2(broken.isEmpty(), qPrintable(broken));
    }
};

VANTRELL_TEST_MAIN(TestFuzzRegressions)
#include "tst_fuzz_regressions.moc"
