// `vantrell --run`: the real binary, run as a user would from a terminal, without a display. The child
// inherits this suite's private profile folder, so the settings saved here are the ones it plays with.

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>

#include "script/ScriptFile.h"
#include "settings/Settings.h"
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

std::unique_ptr<CMouseAction> Row(int clickType, int x, int y, uint32_t delay) {
    auto action = std::make_unique<CMouseAction>();
    action->m_iClickType = clickType;
    action->m_iX = x;
    action->m_iY = y;
    action->m_dwDelay = delay;
    return action;
}

// A double click after 100 ms, a right click at once, a middle click after 250 ms.
QString WriteScript(const QTemporaryDir& dir, const QString& name, int repeatCount, bool bWithRows = true) {
    CActionList rows;
    if (bWithRows) {
        rows.Append(Row(DoubleClick, 10, -20, 100));
        rows.Append(Row(RightClick, 300, 400, 0));
        rows.Append(Row(MiddleClick, -5, 7, 250));
    }
    CScriptHeader header;
    header.m_iRepeatCount = repeatCount;
    const QString path = dir.filePath(name);
    QString error;
    if (!WriteScriptFile(path, header, rows, &error))
        qWarning("cannot write %s: %s", qPrintable(path), qPrintable(error));
    return path;
}

const char* const kOnePass[] = {
    "wait 100",  "move 10 -20", "down left", "wait 15",      "up left",    "wait %1",
    "down left", "wait 15",     "up left",   "move 300 400", "down right", "wait 15",
    "up right",  "wait 250",    "move -5 7", "down middle",  "wait 15",    "up middle",
};

// One pass whose gap is gap ms.
QString Pass(int gap) {
    QString text;
    for (const char* line : kOnePass)
        text += QString::fromLatin1(line).replace(QStringLiteral("%1"), QString::number(gap)) + u'\n';
    return text;
}

}  // namespace

class TestRun : public QObject {
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
    }

    void dryRunPrintsTheRun() {
        QTemporaryDir dir;
        const QString path = WriteScript(dir, QStringLiteral("two passes.Vantrell"), 2);
        const Result r = Run({QStringLiteral("--run"), path, QStringLiteral("--dry-run")});
        QCOMPARE(r.err, QString());
        QCOMPARE(r.status, 0);
        // The gaps draw 41 and then 18467 from the series, which goes on across the passes.
        QCOMPARE(r.out,
                 Pass(50 + 41 % 50) + Pass(50 + 18467 % 50) + QStringLiteral("Executed 6 Action(s)\n"));
        // And starts afresh with every run.
        QCOMPARE(Run({QStringLiteral("--dry-run"), QStringLiteral("--run=") + path}).out, r.out);
    }

    void repeatCountBelowOneRunsOnePass_data() {
        QTest::addColumn<int>("repeatCount");
        QTest::newRow("0") << 0;
        QTest::newRow("-3") << -3;
    }

    void repeatCountBelowOneRunsOnePass() {
        QFETCH(int, repeatCount);
        QTemporaryDir dir;
        const QString path = WriteScript(dir, QStringLiteral("once.Vantrell"), repeatCount);
        const Result r = Run({QStringLiteral("--run"), path, QStringLiteral("--dry-run")});
        QCOMPARE(r.status, 0);
        QCOMPARE(r.out, Pass(91) + QStringLiteral("Executed 3 Action(s)\n"));
        QCOMPARE(r.err.count(u'\n'), 1);
        QVERIFY2(r.err.startsWith(QStringLiteral("vantrell: ") + path + QStringLiteral(": ")),
                 qPrintable(r.err));
        QVERIFY2(r.err.contains(QStringLiteral("one pass")), qPrintable(r.err));
    }

    void emptyList() {
        QTemporaryDir dir;
        const QString path = WriteScript(dir, QStringLiteral("empty.Vantrell"), 5, false);
        for (const QStringList& args :
             {QStringList{QStringLiteral("--run"), path},
              QStringList{QStringLiteral("--run"), path, QStringLiteral("--dry-run")}}) {
            const Result r = Run(args);
            QCOMPARE(r.status, 1);
            QCOMPARE(r.out, QString());
            QCOMPARE(r.err, QStringLiteral("No Action(s) in the List of Actions to Execute.\n"));
        }
    }

    void unreadableFiles() {
        QTemporaryDir dir;
        const QString whole = WriteScript(dir, QStringLiteral("whole.Vantrell"), 1);
        QFile file(whole);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        const QString truncated = dir.filePath(QStringLiteral("truncated.Vantrell"));
        QFile cut(truncated);
        QVERIFY(cut.open(QIODevice::WriteOnly));
        cut.write(bytes.left(bytes.size() - 10));  // ends inside the last row
        cut.close();

        for (const QString& path : {truncated, dir.filePath(QStringLiteral("missing.Vantrell"))}) {
            const Result r = Run({QStringLiteral("--run"), path, QStringLiteral("--dry-run")});
            QCOMPARE(r.status, 2);
            QCOMPARE(r.out, QString());
            QVERIFY2(r.err.startsWith(QStringLiteral("vantrell: ") + path + QStringLiteral(": ")),
                     qPrintable(r.err));
            QCOMPARE(r.err.count(u'\n'), 1);
        }
    }

    void noWayToInjectIsAnError() {
        QTemporaryDir dir;
        const QString path = WriteScript(dir, QStringLiteral("real.Vantrell"), 1);
        const Result r = Run({QStringLiteral("--run"), path});  // no DISPLAY
        QCOMPARE(r.status, 1);
        QCOMPARE(r.out, QString());
        QVERIFY2(r.err.startsWith(QStringLiteral("vantrell: ")), qPrintable(r.err));
        QCOMPARE(r.err.count(u'\n'), 1);

        const Result alone = Run({QStringLiteral("--dry-run")});
        QCOMPARE(alone.status, 1);
        QVERIFY(alone.err.contains(QStringLiteral("--run")));
    }

    void signalStopsTheRun_data() {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGINT") << SIGINT;
        QTest::newRow("SIGTERM") << SIGTERM;
    }

    void signalStopsTheRun() {
        QFETCH(int, signal);
        QTemporaryDir dir;
        const QString path = WriteScript(dir, QStringLiteral("long.Vantrell"), INT_MAX);
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
};

VANTRELL_TEST_MAIN(TestRun)
#include "tst_run.moc"
