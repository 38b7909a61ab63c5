// The real binary against a real X server: a recorder window of ours receives what the runs click, and
// another X client presses the keys a user would.

#include <QDateTime>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "platform/HotKeys.h"
#include "platform/Profile.h"
#include "settings/Settings.h"
#include "tests/support/Actions.h"
#include "tests/support/ButtonRecorder.h"
#include "tests/support/TestMain.h"
#include "tests/support/X11Peer.h"

using testsupport::Press;
using testsupport::SButtonEvent;
using testsupport::SRow;

namespace {

constexpr unsigned long XK_F9 = 0xFFC6;

// A header whose start/stop shortcut is Ctrl+F9.
CScriptHeader WithShortcut() {
    CScriptHeader header;
    header.m_wHotKeyCode = 0x78;
    header.m_wHotKeyModifiers = 0x02;
    return header;
}

QList<SRow> ManyRows(int count, int type, int x, int y, uint32_t delay) {
    QList<SRow> rows;
    for (int i = 0; i < count; ++i)
        rows << SRow{type, x + i % 50, y, delay};
    return rows;
}

// The dry run's lines as the button events a recorder would see.
QList<SButtonEvent> EventsOfDryRun(const QString& output) {
    QList<SButtonEvent> events;
    int x = 0, y = 0;
    for (const QString& line : output.split(u'\n')) {
        const QStringList w = line.split(u' ');
        if (w[0] == QStringLiteral("move")) {
            x = w[1].toInt();
            y = w[2].toInt();
        } else if (w[0] == QStringLiteral("down") || w[0] == QStringLiteral("up")) {
            const unsigned button = w[1] == QStringLiteral("left")     ? 1
                                    : w[1] == QStringLiteral("middle") ? 2
                                                                       : 3;
            events << SButtonEvent{w[0] == QStringLiteral("down"), button, x, y};
        }
    }
    return events;
}

bool EveryPressReleased(const QList<SButtonEvent>& events) {
    int down[4] = {};
    for (const SButtonEvent& e : events)
        down[e.nButton] += e.bPress ? 1 : -1;
    return down[1] == 0 && down[2] == 0 && down[3] == 0;
}

bool HasWindowTitled(const QString& title) {
    QProcess search;
    search.start(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--name"),
                                             QStringLiteral("^") + title + QStringLiteral("$")});
    return search.waitForFinished(5000) && search.exitCode() == 0;
}

}  // namespace

class TestRunX11 : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        QString error;
        QVERIFY2(m_recorder.Open(&error), qPrintable(error));
        QVERIFY2(m_peer.Open(&error), qPrintable(error));
        CSettings quick;  // short pauses keep the suite fast
        quick.m_iMdMuMin = 1;
        quick.m_iMdMuMax = 4;
        quick.m_iDcMin = 2;
        quick.m_iDcMax = 5;
        quick.Save();
    }
    void init() {
        m_recorder.Sync();
        m_recorder.Clear();
    }

    // A headless run delivers exactly what its dry run prints.
    void runMatchesItsDryRun() {
        CScriptHeader header;
        header.m_iRepeatCount = 2;
        const QString path = testsupport::WriteScript(
            m_dir.filePath(QStringLiteral("mixed.Vantrell")),
            {{0, 700, 600, 5}, {3, 710, 610, 0}, {5, 720, 620, 3}, {1, 730, 630, 0}}, header);
        QProcess dry;
        dry.start(QStringLiteral(VANTRELL_BINARY),
                  {QStringLiteral("--run"), path, QStringLiteral("--dry-run")});
        QVERIFY(dry.waitForFinished(20000));
        const QList<SButtonEvent> expected = EventsOfDryRun(QString::fromUtf8(dry.readAllStandardOutput()));
        QCOMPARE(expected.size(), 2 * (2 + 4 + 4 + 2));

        QProcess run;
        run.start(QStringLiteral(VANTRELL_BINARY), {QStringLiteral("--run"), path});
        QVERIFY(run.waitForFinished(20000));
        QCOMPARE(run.exitCode(), 0);
        QCOMPARE(QString::fromUtf8(run.readAllStandardOutput()).trimmed(),
                 QStringLiteral("Executed 8 Action(s)"));
        QVERIFY(m_recorder.WaitForEvents(expected.size()));
        QCOMPARE(m_recorder.Events(), expected);
        QCOMPARE(m_recorder.Events().first(), Press(1, 700, 600));
    }

    // The script's own start/stop shortcut stops a headless run; no button stays down.
    void shortcutStopsAHeadlessRun() {
        const QString path =
            testsupport::WriteScript(m_dir.filePath(QStringLiteral("long.Vantrell")),
                                     ManyRows(200, DoubleClick, 800, 700, 20), WithShortcut());
        QProcess run;
        run.start(QStringLiteral(VANTRELL_BINARY), {QStringLiteral("--run"), path});
        QVERIFY(m_recorder.WaitForEvents(4));
        QVERIFY(m_peer.TapKey(XK_F9, platform::MOD_CONTROL));
        QVERIFY(run.waitForFinished(5000));
        QCOMPARE(run.exitCode(), 0);
        m_recorder.Sync();
        QVERIFY(m_recorder.Events().size() < 800);
        QVERIFY(EveryPressReleased(m_recorder.Events()));
    }

    // The window opened on a script: its shortcut starts the run and, pressed again, stops it.
    void windowShortcutStartsAndStops() {
        const QString path = testsupport::WriteScript(m_dir.filePath(QStringLiteral("window.Vantrell")),
                                                      ManyRows(100, LeftClick, 900, 800, 30), WithShortcut());
        QProcess gui;
        gui.start(QStringLiteral(VANTRELL_BINARY), {path});
        // The window has taken its shortcut once its title shows the script.
        QTRY_VERIFY_WITH_TIMEOUT(HasWindowTitled(QStringLiteral("window - Vantrell by Orlenby")), 10000);
        QTest::qWait(300);
        QVERIFY(m_peer.TapKey(XK_F9, platform::MOD_CONTROL));
        QVERIFY(m_recorder.WaitForEvents(6));
        QCOMPARE(m_recorder.Events().first(), Press(1, 900, 800));
        QVERIFY(m_peer.TapKey(XK_F9, platform::MOD_CONTROL));
        QTest::qWait(300);
        m_recorder.Sync();
        const qsizetype afterStop = m_recorder.Events().size();
        QTest::qWait(300);
        m_recorder.Sync();
        QCOMPARE(m_recorder.Events().size(), afterStop);
        QVERIFY(afterStop < 200);
        QVERIFY(EveryPressReleased(m_recorder.Events()));
        // Opened from the command line, the script entered the recent-file list.
        QCOMPARE(platform::GetProfileString(QStringLiteral("Recent File List"), QStringLiteral("File1")),
                 path);
        gui.terminate();
        gui.waitForFinished();

        // Started without a file: an empty untitled script.
        gui.start(QStringLiteral(VANTRELL_BINARY), {});
        QTRY_VERIFY_WITH_TIMEOUT(HasWindowTitled(QStringLiteral("Untitled - Vantrell by Orlenby")), 10000);
        gui.terminate();
        QVERIFY(gui.waitForFinished());
    }

    // A scheduled start a few seconds ahead fires once, at its second.
    void autoRunFiresOnce() {
        const QDateTime at = QDateTime::currentDateTime().addSecs(3);
        const QDateTime when(at.date(), QTime(at.time().hour(), at.time().minute(), at.time().second()));
        CScriptHeader header;
        header.m_bAutoRun = 1;
        header.m_dtAutoRunDate = COleDateTime(when.date(), QTime(0, 0));
        header.m_dtAutoRunTime = COleDateTime(QDate(1899, 12, 30), when.time());
        const QString path = testsupport::WriteScript(m_dir.filePath(QStringLiteral("auto.Vantrell")),
                                                      {{0, 1000, 900, 0}, {0, 1010, 900, 0}}, header);
        QProcess gui;
        gui.start(QStringLiteral(VANTRELL_BINARY), {path});
        QVERIFY(m_recorder.WaitForEvents(4, 10000));
        const QDateTime fired = QDateTime::currentDateTime();
        QVERIFY2(fired >= when && fired < when.addMSecs(1500), qPrintable(fired.toString(Qt::ISODateWithMs)));
        QTest::qWait(1500);
        m_recorder.Sync();
        QCOMPARE(m_recorder.Events().size(), 4);
        gui.terminate();
        gui.waitForFinished();
    }

private:
    QTemporaryDir m_dir;
    testsupport::CButtonRecorder m_recorder;
    testsupport::CX11Peer m_peer;
};

VANTRELL_X11_TEST_MAIN(TestRunX11, QCoreApplication)
#include "tst_run_x11.moc"
