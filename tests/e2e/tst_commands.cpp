// The terminal commands: the real binary, run as a user would from a terminal, without a display. The child
// inherits this suite's private profile folder, so the settings saved here are the ones it plays with.

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>

#include "settings/Settings.h"
#include "tests/support/Actions.h"
#include "tests/support/TestMain.h"

namespace {

struct Result {
    int status;
    QString out;
    QString err;
};

QProcessEnvironment Environment() {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("en_US.UTF-8"));
    return env;
}

Result Run(const QStringList& args) {
    QProcess p;
    p.setProcessEnvironment(Environment());
    p.start(QStringLiteral(VANTRELL_BINARY), args);
    if (!p.waitForFinished(30000))
        return {-1, {}, QStringLiteral("timed out")};
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}

// A script with a repeat count: a double click after 100 ms, a right click at once, a middle click after
// 250 ms, or no rows at all.
QString WriteScript(const QTemporaryDir& dir, const QString& name, int repeatCount, bool bWithRows = true) {
    CScriptHeader header;
    header.m_iRepeatCount = repeatCount;
    QList<testsupport::SRow> rows;
    if (bWithRows)
        rows = {{DoubleClick, 10, -20, 100}, {RightClick, 300, 400, 0}, {MiddleClick, -5, 7, 250}};
    return testsupport::WriteScript(dir.filePath(name), rows, header);
}

// One pass of that script whose double-click gap is gap ms.
QString Pass(int gap) {
    return QStringLiteral(
               "wait 100\nmove 10 -20\ndown left\nwait 15\nup left\nwait %1\ndown left\nwait 15\n"
               "up left\nmove 300 400\ndown right\nwait 15\nup right\nwait 250\nmove -5 7\n"
               "down middle\nwait 15\nup middle\n")
        .arg(gap);
}

// One line on stderr: the program, the file and the reason.
QString FileError(const QString& path, const QString& reason = {}) {
    return QRegularExpression::escape(QStringLiteral("vantrell: ") + path + QStringLiteral(": ")) +
           QStringLiteral("[^\\n]*") + reason + QStringLiteral("[^\\n]*\\n");
}

const QString kExample = QStringLiteral(VANTRELL_TEST_DATA "/worked-example.Vantrell");

}  // namespace

class TestCommands : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        // Holds of exactly 15 ms, gaps from 50 to 99 ms: none of them the defaults.
        CSettings settings;
        settings.m_iMdMuMin = 15;
        settings.m_iMdMuMax = 15;
        settings.m_iDcMin = 100;
        settings.m_iDcMax = 50;
        settings.Save();

        QFile whole(WriteScript(m_dir, QStringLiteral("whole.Vantrell"), 1));
        QVERIFY(whole.open(QIODevice::ReadOnly));
        QFile cut(m_dir.filePath(QStringLiteral("truncated.Vantrell")));
        QVERIFY(cut.open(QIODevice::WriteOnly));
        cut.write(whole.readAll().chopped(10));  // ends inside the last row
    }

    void dryRunPrintsTheRun() {
        const QString path = WriteScript(m_dir, QStringLiteral("two passes.Vantrell"), 2);
        const Result r = Run({QStringLiteral("--run"), path, QStringLiteral("--dry-run")});
        QCOMPARE(r.err, QString());
        QCOMPARE(r.status, 0);
        // The gaps draw 41 and then 18467 from the series, which goes on across the passes.
        QCOMPARE(r.out,
                 Pass(50 + 41 % 50) + Pass(50 + 18467 % 50) + QStringLiteral("Executed 6 Action(s)\n"));
        // And starts afresh with every run.
        QCOMPARE(Run({QStringLiteral("--dry-run"), QStringLiteral("--run=") + path}).out, r.out);
    }

    void printShowsHeaderAndRows() {
        const Result r = Run({QStringLiteral("--print"), kExample});
        QCOMPARE(r.status, 0);
        QCOMPARE(r.err, QString());
        QCOMPARE(r.out,
                 QStringLiteral("minimize\t0\nautorun\t0\nhotkey_code\t0x0078\nhotkey_modifiers\t0x0002\n"
                                "repeat\t3\nactions\t1\nautorun_date\t2026-12-05\nautorun_time\t14:05:09\n\n"
                                "Sr\tAction\tX\tY\tDelay (ms)\tComment\n"
                                "1\tDouble Click\t640\t480\t200\tOK\n"));
    }

    // The exit status and both outputs, matched whole by the patterns.
    void statusAndMessages_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");
        const QString dry = QStringLiteral("--dry-run"), run = QStringLiteral("--run");
        const QString truncated = m_dir.filePath(QStringLiteral("truncated.Vantrell"));
        const QString missing = m_dir.filePath(QStringLiteral("missing.Vantrell"));
        const QString empty = WriteScript(m_dir, QStringLiteral("empty.Vantrell"), 5, false);
        const QString noRows = QStringLiteral("No Action\\(s\\) in the List of Actions to Execute.\\n");
        const QString onePass =
            QRegularExpression::escape(Pass(91) + QStringLiteral("Executed 3 Action(s)\n"));
        for (int repeat : {0, -3}) {
            const QString path = WriteScript(m_dir, QStringLiteral("once %1.Vantrell").arg(repeat), repeat);
            QTest::addRow("repeat %d runs one pass", repeat)
                << QStringList{run, path, dry} << 0 << onePass << FileError(path, QStringLiteral("one pass"));
        }
        QTest::newRow("empty list") << QStringList{run, empty} << 1 << "" << noRows;
        QTest::newRow("empty list, dry") << QStringList{run, empty, dry} << 1 << "" << noRows;
        QTest::newRow("truncated") << QStringList{run, truncated, dry} << 2 << "" << FileError(truncated);
        QTest::newRow("missing") << QStringList{run, missing, dry} << 2 << "" << FileError(missing);
        QTest::newRow("print truncated")
            << QStringList{"--print", truncated} << 2 << "" << FileError(truncated);
        QTest::newRow("print missing") << QStringList{"--print", missing} << 2 << "" << FileError(missing);
        QTest::newRow("no display to run on") << QStringList{run, kExample} << 1 << ""
                                              << "vantrell: [^\\n]*\\n";
        QTest::newRow("window, no display") << QStringList{} << 1 << ""
                                            << "[^\\n]*no X display[^\\n]*\\n";
        QTest::newRow("dry run alone") << QStringList{dry} << 1 << ""
                                       << "(.|\\n)*--run(.|\\n)*";
        QTest::newRow("help") << QStringList{"--help"} << 0 << "(.|\\n)*--print <file>(.|\\n)*"
                              << "";
        QTest::newRow("version") << QStringList{"--version"} << 0 << "Vantrell [^\\n]*\\n"
                                 << "";
    }
    void statusAndMessages() {
        QFETCH(QStringList, args);
        QFETCH(int, status);
        QFETCH(QString, out);
        QFETCH(QString, err);
        const Result r = Run(args);
        QCOMPARE(r.status, status);
        QVERIFY2(QRegularExpression(QRegularExpression::anchoredPattern(out)).match(r.out).hasMatch(),
                 qPrintable(r.out));
        QVERIFY2(QRegularExpression(QRegularExpression::anchoredPattern(err)).match(r.err).hasMatch(),
                 qPrintable(r.err));
    }

    void signalStopsTheRun_data() {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGINT") << SIGINT;
        QTest::newRow("SIGTERM") << SIGTERM;
    }
    void signalStopsTheRun() {
        QFETCH(int, signal);
        const QString path = WriteScript(m_dir, QStringLiteral("long.Vantrell"), INT_MAX);
        QProcess p;
        p.setProcessEnvironment(Environment());
        p.start(QStringLiteral(VANTRELL_BINARY),
                {QStringLiteral("--run"), path, QStringLiteral("--dry-run")});
        QVERIFY(p.waitForStarted());
        QVERIFY(p.waitForReadyRead(20000));  // well into the run
        QCOMPARE(::kill(static_cast<pid_t>(p.processId()), signal), 0);
        QVERIFY(p.waitForFinished(20000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 130);

        // Ended between actions or inside one that then completed: every press has its release.
        const QStringList lines =
            QString::fromUtf8(p.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
        QVERIFY(lines.size() > 1);
        qsizetype moves = 0;
        QString down;
        for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
            const QString& line = lines.at(i);
            if (line.startsWith(QStringLiteral("move ")))
                ++moves;
            if (line.startsWith(QStringLiteral("down "))) {
                QVERIFY(down.isEmpty());
                down = line.mid(5);
            } else if (line.startsWith(QStringLiteral("up "))) {
                QCOMPARE(line.mid(3), down);
                down.clear();
            }
        }
        QVERIFY(down.isEmpty());
        QCOMPARE(lines.last(), QStringLiteral("Executed %1 Action(s)").arg(moves));
    }

private:
    QTemporaryDir m_dir;
};

VANTRELL_TEST_MAIN(TestCommands)
#include "tst_commands.moc"
