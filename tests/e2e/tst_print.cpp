// `vantrell --print`: the real binary, run as a user would from a terminal, without a display.

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "tests/support/TestMain.h"

namespace {

struct Result {
    int status;
    QString out;
    QString err;
};

Result Run(const QStringList& args) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("en_US.UTF-8"));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(VANTRELL_BINARY), args);
    if (!p.waitForFinished(20000))
        return {-1, {}, QStringLiteral("timed out")};
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}

const QString kExample = QStringLiteral(VANTRELL_TEST_DATA "/worked-example.Vantrell");

}  // namespace

class TestPrint : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void workedExample() {
        const Result r = Run({QStringLiteral("--print"), kExample});
        QCOMPARE(r.status, 0);
        QCOMPARE(r.err, QString());
        QCOMPARE(r.out, QStringLiteral("minimize\t0\n"
                                       "autorun\t0\n"
                                       "hotkey_code\t0x0078\n"
                                       "hotkey_modifiers\t0x0002\n"
                                       "repeat\t3\n"
                                       "actions\t1\n"
                                       "autorun_date\t2026-12-05\n"
                                       "autorun_time\t14:05:09\n"
                                       "\n"
                                       "Sr\tAction\tX\tY\tDelay (ms)\tComment\n"
                                       "1\tDouble Click\t640\t480\t200\tOK\n"));
    }

    void unreadableFiles() {
        QTemporaryDir dir;
        const QString truncated = dir.filePath(QStringLiteral("truncated.Vantrell"));
        QFile example(kExample);
        QVERIFY(example.open(QIODevice::ReadOnly));
        QFile cut(truncated);
        QVERIFY(cut.open(QIODevice::WriteOnly));
        cut.write(example.read(70));  // ends inside the row's integers
        cut.close();

        for (const QString& path : {truncated, dir.filePath(QStringLiteral("missing.Vantrell"))}) {
            const Result r = Run({QStringLiteral("--print"), path});
            QCOMPARE(r.status, 2);
            QCOMPARE(r.out, QString());
            QVERIFY2(r.err.startsWith(QStringLiteral("vantrell: ") + path + QStringLiteral(": ")),
                     qPrintable(r.err));
            QCOMPARE(r.err.count(u'\n'), 1);
        }
    }

    // The window needs an X display; without one the program says so and ends.
    void windowWithoutADisplay() {
        const Result r = Run({});
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.contains(QStringLiteral("no X display")), qPrintable(r.err));
        const Result bad =
            Run({QStringLiteral("--run"), QStringLiteral(VANTRELL_TEST_DATA "/worked-example.Vantrell")});
        QCOMPARE(bad.status, 1);
        QVERIFY2(bad.err.contains(QStringLiteral("X")), qPrintable(bad.err));
    }

    void helpAndVersion() {
        const Result help = Run({QStringLiteral("--help")});
        QCOMPARE(help.status, 0);
        QVERIFY(help.out.contains(QStringLiteral("--print <file>")));
        const Result version = Run({QStringLiteral("--version")});
        QCOMPARE(version.status, 0);
        QVERIFY(version.out.startsWith(QStringLiteral("Vantrell ")));
    }
};

VANTRELL_TEST_MAIN(TestPrint)
#include "tst_print.moc"
