// The real program, run as a user would: from a terminal without a display, and against a private X server
// where a recorder window of ours receives what it clicks and another X client presses the keys a user
// would. The children inherit this suite's private profile folder, so the settings saved here are the ones
// they play with.

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDateTime>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <optional>

#include "platform/HotKeys.h"
#include "platform/Profile.h"
#include "settings/Settings.h"
#include "tests/support/Actions.h"
#include "tests/support/PrivateBus.h"
#include "tests/support/ButtonRecorder.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TestMain.h"
#include "tests/support/X11Peer.h"

using namespace Qt::StringLiterals;
using testsupport::Header;
using testsupport::Press;
using testsupport::SButtonEvent;
using testsupport::SRow;

namespace {

constexpr unsigned long XK_F9 = 0xFFC6, XK_Return = 0xFF0D;
const QString kExample = QStringLiteral(VANTRELL_TEST_DATA "/worked-example.Vantrell");

struct Result {
    int status;
    QString out;
    QString err;
};

void Start(QProcess& p, const QStringList& args, bool bWithDisplay) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (!bWithDisplay)
        env.remove(u"DISPLAY"_s);
    // The suite's Xvfb is the only session, whatever the desktop it was started from.
    env.remove(u"WAYLAND_DISPLAY"_s);
    env.remove(u"XDG_SESSION_TYPE"_s);
    env.insert(u"LC_ALL"_s, u"en_US.UTF-8"_s);
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(VANTRELL_BINARY), args);
}

// Sends the signal and waits for the process to end. Under ThreadSanitizer a signal that arrives while the
// program's event loop waits inside an uninstrumented library is handled only when that thread next passes
// through an intercepted call, which a quiet loop may not do for a long time; there it is sent again until
// the process ends.
bool SignalAndWait(QProcess& p, int signal) {
#ifdef __SANITIZE_THREAD__
    constexpr int kTries = 10, kWaitMs = 2000;
#else
    constexpr int kTries = 1, kWaitMs = 20000;
#endif
    for (int i = 0; i < kTries; ++i) {
        if (::kill(static_cast<pid_t>(p.processId()), signal) != 0)
            return false;
        if (p.waitForFinished(kWaitMs))
            return true;
    }
    return false;
}

Result Run(const QStringList& args, bool bWithDisplay = false) {
    QProcess p;
    Start(p, args, bWithDisplay);
    if (!p.waitForFinished(30000))
        return {-1, {}, u"timed out"_s};
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}

// Ctrl+F9, the shortcut of the scripts that have one.
constexpr uint16_t kF9 = 0x78, kCtrl = 0x02;

// A double click after 100 ms, a right click at once, a middle click after 250 ms; and one pass of it as
// a dry run prints it, with its double-click gap.
const QList<SRow> kThreeRows = {
    {DoubleClick, 10, -20, 100}, {RightClick, 300, 400, 0}, {MiddleClick, -5, 7, 250}};
QString Pass(int gap) {
    return u"wait 100\nmove 10 -20\ndown left\nwait 15\nup left\nwait %1\ndown left\nwait 15\nup left\n"
           "move 300 400\ndown right\nwait 15\nup right\nwait 250\nmove -5 7\ndown middle\nwait 15\nup middle\n"_s
               .arg(gap);
}

QList<SRow> ManyRows(int count, int type, int x, int y, uint32_t delay) {
    QList<SRow> rows;
    for (int i = 0; i < count; ++i)
        rows << SRow{type, x + i % 50, y, delay};
    return rows;
}

// A dry run's lines as the button events a recorder would see.
QList<SButtonEvent> EventsOfDryRun(const QString& output) {
    QList<SButtonEvent> events;
    int x = 0, y = 0;
    for (const QString& line : output.split(u'\n')) {
        const QStringList w = line.split(u' ');
        if (w[0] == u"move"_s) {
            x = w[1].toInt();
            y = w[2].toInt();
        } else if (w[0] == u"down"_s || w[0] == u"up"_s) {
            const unsigned button = w[1] == u"left"_s ? 1 : w[1] == u"middle"_s ? 2 : 3;
            events << SButtonEvent{w[0] == u"down"_s, button, x, y};
        }
    }
    return events;
}

// Every press has its release, and no button is pressed twice in a row.
bool EveryPressReleased(const QList<SButtonEvent>& events) {
    int down[4] = {};
    for (const SButtonEvent& e : events) {
        down[e.nButton] += e.bPress ? 1 : -1;
        if (down[e.nButton] < 0 || down[e.nButton] > 1)
            return false;
    }
    return down[1] == 0 && down[2] == 0 && down[3] == 0;
}

// One line on stderr: the program, the file and the reason.
QString FileError(const QString& path, const QString& reason = {}) {
    return QRegularExpression::escape(u"vantrell: "_s + path + u": "_s) + u"[^\\n]*"_s + reason +
           u"[^\\n]*\\n"_s;
}

// The id of the window with that title, empty while there is none.
QString WindowTitled(const QString& title) {
    QProcess search;
    search.start(u"xdotool"_s, {u"search"_s, u"--name"_s, u"^"_s + title + u"$"_s});
    if (!search.waitForFinished(5000) || search.exitCode() != 0)
        return {};
    return QString::fromUtf8(search.readAllStandardOutput()).section(u'\n', 0, 0);
}

// The window's name on the session bus, which the desktop entry's actions and users' key bindings call.
const QString kBusName = u"io.github.vantrell.Vantrell"_s;

// The owner of the bus name first, then the windows that wait for it.
QStringList QueuedOwners(const QDBusConnection& bus) {
    const QDBusMessage reply =
        bus.call(QDBusMessage::createMethodCall(u"org.freedesktop.DBus"_s, u"/org/freedesktop/DBus"_s,
                                                u"org.freedesktop.DBus"_s, u"ListQueuedOwners"_s)
                 << kBusName);
    return reply.type() == QDBusMessage::ReplyMessage ? reply.arguments().value(0).toStringList()
                                                      : QStringList();
}

// A kilobyte count from /proc/PID/status ("VmRSS", "VmHWM"); -1 when it cannot be read.
qint64 StatusKiB(qint64 pid, const QByteArray& key) {
    QFile status(u"/proc/%1/status"_s.arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(key + ':'))
            return line.mid(key.size() + 1).trimmed().split(' ').constFirst().toLongLong();
    }
    return -1;
}

}  // namespace

class TestProgram : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        QLocale::setDefault(QLocale(u"en_US"_s));  // the children's, for the dates in the scripts
        // Holds of exactly 15 ms, gaps from 50 to 99 ms: none of them the defaults.
        CSettings settings;
        settings.m_iMdMuMin = 15;
        settings.m_iMdMuMax = 15;
        settings.m_iDcMin = 100;
        settings.m_iDcMax = 50;
        settings.Save();
        QString error;
        QVERIFY2(m_recorder.Open(&error), qPrintable(error));
        QVERIFY2(m_peer.Open(&error), qPrintable(error));

        QFile whole(Script(u"whole.Vantrell"_s, kThreeRows));
        QVERIFY(whole.open(QIODevice::ReadOnly));
        QFile cut(m_dir.filePath(u"truncated.Vantrell"_s));
        QVERIFY(cut.open(QIODevice::WriteOnly));
        cut.write(whole.readAll().chopped(10));  // ends inside the last row
        QCOMPARE(::mkfifo(QFile::encodeName(m_dir.filePath(u"fifo.Vantrell"_s)).constData(), 0600), 0);

        // A session bus of our own, which every window started here joins.
        if (QStandardPaths::findExecutable(u"dbus-daemon"_s).isEmpty())
            return;
        // Under ThreadSanitizer a process that has started a child while it had threads may start no more
        // (the children share its memory until they run their program), so the thread of Qt's bus
        // connections is started here, before the first such child.
        QDBusConnection::connectToBus(u"unix:path=/nonexistent"_s, u"start"_s);
        QDBusConnection::disconnectFromBus(u"start"_s);
        QVERIFY2(m_bus.Start(&error, true), qPrintable(error));
        m_busAddress = m_bus.Address();
        qputenv("DBUS_SESSION_BUS_ADDRESS", m_busAddress.toUtf8());
    }
    void init() {
        m_recorder.Sync();
        m_recorder.Clear();
    }

    void dryRunPrintsTheRun() {
        const QString path = Script(u"two passes.Vantrell"_s, kThreeRows, Header(2));
        const Result r = Run({u"--run"_s, path, u"--dry-run"_s});
        QCOMPARE(r.err, QString());
        QCOMPARE(r.status, 0);
        // The gaps draw 41 and then 18467 from the series, which goes on across the passes.
        QCOMPARE(r.out, Pass(50 + 41 % 50) + Pass(50 + 18467 % 50) + u"Executed 6 Action(s)\n"_s);
        // And starts afresh with every run.
        QCOMPARE(Run({u"--dry-run"_s, u"--run="_s + path}).out, r.out);
    }

    void printShowsHeaderAndRows() {
        const Result r = Run({u"--print"_s, kExample});
        QCOMPARE(r.status, 0);
        QCOMPARE(r.err, QString());
        QCOMPARE(r.out,
                 u"minimize\t0\nautorun\t0\nhotkey_code\t0x0078\nhotkey_modifiers\t0x0002\nrepeat\t3\n"
                 "actions\t1\nautorun_date\t2026-12-05\nautorun_time\t14:05:09\n\n"
                 "Sr\tAction\tX\tY\tDelay (ms)\tComment\n1\tDouble Click\t640\t480\t200\tOK\n"_s);

        // The list as the window shows it: every click type by its name, the unknown ones without.
        QList<SRow> rows;
        QString expected;
        const QStringList names =
            u"Left Click|Middle Click|Right Click|Double Click|Double Middle Click|Double Right Click||"_s
                .split(u'|');
        for (int i = 0; i < names.size(); ++i) {
            rows << SRow{i < 6 ? i : 5 - i, i, -i, 10u * i};
            expected += u"%1\t%2\t%3\t%4\t%5\t\n"_s.arg(i + 1).arg(names[i]).arg(i).arg(-i).arg(10 * i);
        }
        QCOMPARE(Run({u"--print"_s, Script(u"types.Vantrell"_s, rows)}).out.section(u'\n', 10), expected);

        // A comment's TAB, backslash and control characters come out escaped, so they neither break the
        // columns nor reach the terminal; other texts pass as they are.
        CActionList list;
        list.Append(testsupport::MakeAction(LeftClick, 1, 2, 3,
                                            u"a\tb\x1b[31mc\\d\x7f\u0085\x01 \u00e9\u2028 \U0001F5B1"_s));
        QString error;
        CScriptHeader header;
        const QString path = m_dir.filePath(u"controls.Vantrell"_s);
        QVERIFY2(WriteScriptFile(path, header, list, &error), qPrintable(error));
        const Result r2 = Run({u"--print"_s, path});
        QCOMPARE(r2.status, 0);
        QCOMPARE(r2.out.section(u'\n', 10),
                 u"1\tLeft Click\t1\t2\t3\ta\\tb\\x1b[31mc\\\\d\\x7f\\x85\\x01 \u00e9\u2028 \U0001F5B1\n"_s);
    }

    // The exit status and both outputs, matched whole by the patterns.
    void statusAndMessages_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");
        const QString dry = u"--dry-run"_s, run = u"--run"_s;
        const QString truncated = m_dir.filePath(u"truncated.Vantrell"_s);
        const QString missing = m_dir.filePath(u"missing.Vantrell"_s);
        const QString empty = Script(u"empty.Vantrell"_s, {}, Header(5));
        const QString noRows = u"No Action\\(s\\) in the List of Actions to Execute.\\n"_s;
        const QString onePass = QRegularExpression::escape(Pass(91) + u"Executed 3 Action(s)\n"_s);
        for (int repeat : {0, -3}) {
            const QString path = Script(u"once %1.Vantrell"_s.arg(repeat), kThreeRows, Header(repeat));
            QTest::addRow("repeat %d runs one pass", repeat)
                << QStringList{run, path, dry} << 0 << onePass << FileError(path, u"one pass"_s);
        }
        QTest::newRow("empty list") << QStringList{run, empty} << 1 << "" << noRows;
        QTest::newRow("empty list, dry") << QStringList{run, empty, dry} << 1 << "" << noRows;
        QTest::newRow("truncated") << QStringList{run, truncated, dry} << 2 << "" << FileError(truncated);
        QTest::newRow("missing") << QStringList{"--print", missing} << 2 << "" << FileError(missing);
        QTest::newRow("print truncated")
            << QStringList{"--print", truncated} << 2 << "" << FileError(truncated);
        // Only regular files are read: nothing waits for a FIFO's writer, and no pipe reads as an empty script.
        const QString fifo = m_dir.filePath(u"fifo.Vantrell"_s);
        const QString notRegular = u"not a regular file"_s;
        QTest::newRow("print FIFO") << QStringList{"--print", fifo} << 2 << "" << FileError(fifo, notRegular);
        QTest::newRow("run FIFO") << QStringList{run, fifo} << 2 << "" << FileError(fifo, notRegular);
        QTest::newRow("run empty pipe")
            << QStringList{run, "/dev/stdin", dry} << 2 << "" << FileError(u"/dev/stdin"_s, notRegular);
        QTest::newRow("no display to run on") << QStringList{run, kExample} << 1 << ""
                                              << "vantrell: [^\\n]*\\n";
        QTest::newRow("window, no display") << QStringList{} << 1 << ""
                                            << "[^\\n]*no display[^\\n]*\\n";
        // A back end asked for by name that cannot start is a usage error, in the window and on the
        // command line.
        QTest::newRow("unknown back end") << QStringList{run, kExample, "--backend", "mir"} << 2 << ""
                                          << "vantrell: unknown back end \"mir\" \\(choose x11, wlroots or "
                                             "portal\\)\\.\n";
        QTest::newRow("forced wlroots, no compositor")
            << QStringList{run, kExample, "--backend=wlroots"} << 2 << "" << "vantrell: [^\n]+\n";
        QTest::newRow("forced portal") << QStringList{run, kExample, "--backend", "portal"} << 2 << ""
                                       << "vantrell: [^\n]*portal[^\n]*\n";
        QTest::newRow("window, forced x11, no display")
            << QStringList{"--backend", "x11"} << 2 << "" << "vantrell: [^\n]*DISPLAY is not set[^\n]*\n";
        QTest::newRow("dry run alone") << QStringList{dry} << 1 << ""
                                       << "(.|\\n)*--run(.|\\n)*";
        // The help names the program as a user calls it, not the path it was started by, and lists the
        // exit statuses of the manual page.
        QTest::newRow("help") << QStringList{"--help"} << 0
                              << "Usage: vantrell \\[options\\] \\[file\\]\\n(.|\\n)*\\nExit status:\\n"
                                 "  0 +Success\\.\\n  1 (.|\\n)*\\n  2 (.|\\n)*\\n  130 (.|\\n)*"
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

    // Standard output that takes nothing (a full disk): an error on stderr and status 1, and no count
    // claimed, nor a listing passed off as printed.
    void outputThatCannotBeWritten_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<bool>("bDisplay");
        const QString full = Script(u"full.Vantrell"_s, kThreeRows, Header(50));
        QTest::newRow("dry run") << QStringList{u"--run"_s, full, u"--dry-run"_s} << false;
        QTest::newRow("run") << QStringList{u"--run"_s, Script(u"one.Vantrell"_s, kThreeRows, Header(1))} << true;
        QTest::newRow("print") << QStringList{u"--print"_s, kExample} << false;
    }
    void outputThatCannotBeWritten() {
        QFETCH(QStringList, args);
        QFETCH(bool, bDisplay);
        QProcess p;
        p.setStandardOutputFile(u"/dev/full"_s);
        Start(p, args, bDisplay);
        QVERIFY(p.waitForFinished(20000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 1);
        QCOMPARE(QString::fromUtf8(p.readAllStandardError()),
                 u"vantrell: cannot write the output: No space left on device\n"_s);
    }

    // A dry run into a reader that takes nothing: the run waits for it instead of piling its output up in
    // memory, and SIGINT still ends it.
    void dryRunIntoAStalledReader() {
        int fds[2];
        QCOMPARE(::pipe2(fds, O_CLOEXEC), 0);
        QProcess p;
        p.setChildProcessModifier([&fds] { ::dup2(fds[1], STDOUT_FILENO); });
        Start(
            p,
            {u"--run"_s, Script(u"endless.Vantrell"_s, ManyRows(100, DoubleClick, 5, 5, 0), Header(INT_MAX)),
             u"--dry-run"_s},
            false);
        ::close(fds[1]);
        QVERIFY(p.waitForStarted());
        const qint64 pid = p.processId();
        // Once the pipe is full (how many bytes that is depends on how the writes fell into its pages), the
        // run waits; a run that did not would go on recording as fast as it can.
        int queued = 0;
        QTRY_VERIFY_WITH_TIMEOUT((::ioctl(fds[0], FIONREAD, &queued), queued >= 16384), 20000);
        const qint64 settled = StatusKiB(pid, "VmRSS");
        QVERIFY(settled > 0);
        QTest::qWait(1500);
        const qint64 peak = StatusKiB(pid, "VmHWM");
        QVERIFY2(peak - settled < 32 * 1024,
                 qPrintable(u"%1 KiB, then a peak of %2 KiB"_s.arg(settled).arg(peak)));
        QCOMPARE(p.state(), QProcess::Running);

        QVERIFY(SignalAndWait(p, SIGINT));
        ::close(fds[0]);
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 130);
        QVERIFY(QString::fromUtf8(p.readAllStandardError()).contains(u"not being read"_s));
    }

    // The X server goes away under a headless run: one line says so, no count is claimed, status 1; and
    // a run in the middle of a long delay notices as well.
    void lostServerEndsTheRun_data() {
        QTest::addColumn<QList<SRow>>("rows");
        QTest::newRow("clicking") << ManyRows(100, LeftClick, 100, 100, 0);
        QTest::newRow("in a long delay")
            << QList<SRow>{{LeftClick, 100, 100, 0}, {LeftClick, 200, 100, 600000}};
    }
    void lostServerEndsTheRun() {
        QFETCH(QList<SRow>, rows);
        const QString path = Script(u"lost.Vantrell"_s, rows, Header(INT_MAX));
        testsupport::CScopedEnv display("DISPLAY", qgetenv("DISPLAY"));
        testsupport::CXvfb server;
        QString error;
        QVERIFY2(server.Start(&error), qPrintable(error));
        QProcess p;
        {
            testsupport::CButtonRecorder recorder;  // on the server that goes, and gone before it
            QVERIFY2(recorder.Open(&error), qPrintable(error));
            Start(p, {u"--run"_s, path}, true);
            QVERIFY(recorder.WaitForEvents(2, 20000));
        }
        server.Stop();
        QVERIFY(p.waitForFinished(20000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(QString::fromUtf8(p.readAllStandardError()),
                 u"vantrell: the X server connection was lost\n"_s);
        QCOMPARE(QString::fromUtf8(p.readAllStandardOutput()), QString());
        QCOMPARE(p.exitCode(), 1);
    }

    // The process ends in the middle of a 3 s hold, in the window (opened on the script, its shortcut
    // starting the run) and in a headless run: by a signal, or by xkill on the window (Qt then ends the
    // process itself). The run stops, the button comes up, and the process ends.
    void endDuringAHoldReleases_data() {
        QTest::addColumn<bool>("bWindow");
        QTest::addColumn<int>("signal");  // 0: xkill
        QTest::addColumn<int>("status");
        QTest::newRow("window, SIGTERM") << true << SIGTERM << 128 + SIGTERM;
        QTest::newRow("window, SIGHUP") << true << SIGHUP << 128 + SIGHUP;
        QTest::newRow("window, SIGINT") << true << SIGINT << 128 + SIGINT;
        QTest::newRow("window, xkill") << true << 0 << 1;
        QTest::newRow("run, SIGHUP") << false << SIGHUP << 130;
        QTest::newRow("run, SIGTERM") << false << SIGTERM << 130;
        QTest::newRow("run, SIGINT") << false << SIGINT << 130;
    }
    void endDuringAHoldReleases() {
        QFETCH(bool, bWindow);
        QFETCH(int, signal);
        QFETCH(int, status);
        CSettings settings;
        settings.Load();
        settings.m_iMdMuMin = 3000;
        settings.m_iMdMuMax = 3000;
        settings.Save();
        const auto restore = qScopeGuard([&] {
            settings.m_iMdMuMin = 15;
            settings.m_iMdMuMax = 15;
            settings.Save();
        });
        // Nearly endless, so a run that the signal did not stop would not end within the test; and clear of
        // the window, which would take the click otherwise.
        const QString path =
            Script(u"hold.Vantrell"_s, {{LeftClick, 1100, 950, 0}}, Header(1000, kF9, kCtrl));
        QProcess p;
        QString window;
        if (bWindow) {
            Start(p, {path}, true);
            QTRY_VERIFY_WITH_TIMEOUT(!(window = WindowTitled(u"hold - Vantrell by Orlenby"_s)).isEmpty(),
                                     10000);
            QTest::qWait(300);
            QVERIFY(m_peer.TapKey(XK_F9, platform::MOD_CONTROL));
        } else {
            Start(p, {u"--run"_s, path}, true);
        }
        QVERIFY(m_recorder.WaitForEvents(1, 10000));
        QCOMPARE(m_recorder.Events().first(), Press(1, 1100, 950));
        // Opened from the command line, the script entered the recent-file list.
        if (bWindow)
            QCOMPARE(platform::GetProfileString(u"Recent File List"_s, u"File1"_s), path);
        if (signal != 0)
            QVERIFY(SignalAndWait(p, signal));
        else
            QVERIFY(QProcess::execute(u"xkill"_s, {u"-id"_s, window}) == 0 && p.waitForFinished(20000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), status);
        // As the Stop button does: the action under way completes, and the count tells what was done.
        if (!bWindow)
            QCOMPARE(p.readAllStandardOutput(), "Executed 1 Action(s)\n"_ba);
        m_recorder.Sync();
        QCOMPARE(m_recorder.Events(),
                 (QList<SButtonEvent>{Press(1, 1100, 950), testsupport::Release(1, 1100, 950)}));
    }

    // A run delivers exactly what its dry run prints.
    void runMatchesItsDryRun() {
        const QString path =
            Script(u"mixed.Vantrell"_s,
                   {{0, 700, 600, 5}, {3, 710, 610, 0}, {5, 720, 620, 3}, {1, 730, 630, 0}}, Header(2));
        const QList<SButtonEvent> expected = EventsOfDryRun(Run({u"--run"_s, path, u"--dry-run"_s}).out);
        QCOMPARE(expected.size(), 2 * (2 + 4 + 4 + 2));
        const Result r = Run({u"--run"_s, path}, true);
        QCOMPARE(r.status, 0);
        QCOMPARE(r.out, u"Executed 8 Action(s)\n"_s);
        QVERIFY(m_recorder.WaitForEvents(expected.size()));
        QCOMPARE(m_recorder.Events(), expected);
        QCOMPARE(m_recorder.Events().first(), Press(1, 700, 600));
    }

    // The script's own start/stop shortcut stops a headless run; no button stays down.
    void shortcutStopsAHeadlessRun() {
        QProcess p;
        Start(p,
              {u"--run"_s,
               Script(u"long.Vantrell"_s, ManyRows(200, DoubleClick, 800, 700, 20), Header(1, kF9, kCtrl))},
              true);
        QVERIFY(m_recorder.WaitForEvents(4));
        QVERIFY(m_peer.TapKey(XK_F9, platform::MOD_CONTROL));
        QVERIFY(p.waitForFinished(5000));
        QCOMPARE(p.exitCode(), 0);
        m_recorder.Sync();
        QVERIFY(m_recorder.Events().size() < 800);
        QVERIFY(EveryPressReleased(m_recorder.Events()));
    }

    // The commands to the running window, with none to reach: one line and status 1.
    void controlWithoutAWindow_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("busAddress");  // null: the suite's own bus
        QTest::addColumn<QString>("err");
        const QString none = u"vantrell: no Vantrell window is running\n"_s;
        QTest::newRow("stop") << QStringList{u"--stop"_s} << QByteArray() << none;
        QTest::newRow("no session bus") << QStringList{u"--toggle"_s} << "unix:path=/nonexistent/bus"_ba
                                        << u"vantrell: no session bus[^\n]*\n"_s;
        QTest::newRow("two commands") << QStringList{u"--start"_s, u"--stop"_s} << QByteArray()
                                      << u"vantrell: --toggle, --start and --stop go alone\n"_s;
    }
    void controlWithoutAWindow() {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, busAddress);
        QFETCH(QString, err);
        if (m_busAddress.isEmpty() && busAddress.isNull())
            QSKIP("skipped: dbus-daemon is not installed");
        std::optional<testsupport::CScopedEnv> address;
        if (!busAddress.isNull())
            address.emplace("DBUS_SESSION_BUS_ADDRESS", busAddress);
        const Result r = Run(args);
        QCOMPARE(r.status, 1);
        QCOMPARE(r.out, QString());
        QVERIFY2(QRegularExpression(QRegularExpression::anchoredPattern(err)).match(r.err).hasMatch(),
                 qPrintable(r.err));
    }

    // `vantrell --toggle`, `--start` and `--stop` drive the first window's run from outside. A second window
    // works as usual and gets the name only when the first has gone; a window that does not answer does not
    // hold the command up.
    void controlFromOutside() {
        if (m_busAddress.isEmpty())
            QSKIP("skipped: dbus-daemon is not installed");
        QDBusConnection bus = QDBusConnection::connectToBus(m_busAddress, u"test"_s);
        QVERIFY2(bus.isConnected(), qPrintable(bus.lastError().message()));
        // Runs that last: clicks 30 ms apart, the first window's on the line y = 800, the second's on y =
        // 700. The first script's repeat count of 0 makes its start ask whether to run it once.
        QProcess first, second;
        Start(first, {Script(u"first.Vantrell"_s, ManyRows(400, LeftClick, 900, 800, 30), Header(0))}, true);
        QTRY_COMPARE_WITH_TIMEOUT(QueuedOwners(bus).size(), 1, 20000);
        Start(second, {Script(u"second.Vantrell"_s, ManyRows(20, LeftClick, 900, 700, 30), Header(1000))},
              true);
        QTRY_COMPARE_WITH_TIMEOUT(QueuedOwners(bus).size(), 2, 20000);
        QTRY_VERIFY_WITH_TIMEOUT(!WindowTitled(u"second - Vantrell by Orlenby"_s).isEmpty(), 10000);

        // The command is answered at once; the run starts when the question has its answer.
        const Result asked = Run({u"--toggle"_s});
        QCOMPARE(asked.err, QString());
        QCOMPARE(asked.status, 0);
        QCOMPARE(RunState(false, 800), QString());
        QVERIFY(m_peer.TapKey(XK_Return, 0));
        QCOMPARE(RunState(true, 800), QString());

        const struct {
            const char* command;
            bool bRunning;
        } steps[] = {{"--toggle", false}, {"--start", true},  {"--start", true}, {"--stop", false},
                     {"--stop", false},   {"--toggle", true}, {"--stop", false}};
        for (const auto& step : steps) {
            const Result r = Run({QString::fromLatin1(step.command)});
            QCOMPARE(r.err, QString());
            QCOMPARE(r.status, 0);
            const QString wrong = RunState(step.bRunning, 800);
            QVERIFY2(wrong.isEmpty(), qPrintable(QString::fromLatin1(step.command) + u": "_s + wrong));
        }

        // An action the window does not have is an error to the caller, and does nothing.
        const QDBusMessage reply =
            bus.call(QDBusMessage::createMethodCall(kBusName, u"/io/github/vantrell/Vantrell"_s,
                                                    u"org.freedesktop.Application"_s, u"ActivateAction"_s)
                     << u"jump"_s << QVariantList() << QVariantMap());
        QCOMPARE(reply.errorName(), u"org.freedesktop.DBus.Error.InvalidArgs"_s);
        QCOMPARE(RunState(false, 800), QString());

        // The first window gone, the second is the one the commands reach.
        first.terminate();
        QVERIFY(first.waitForFinished(20000));
        QTRY_COMPARE_WITH_TIMEOUT(QueuedOwners(bus).size(), 1, 10000);
        m_recorder.Clear();
        QCOMPARE(Run({u"--toggle"_s}).status, 0);
        QCOMPARE(RunState(true, 700), QString());
        QCOMPARE(Run({u"--stop"_s}).status, 0);
        QCOMPARE(RunState(false, 700), QString());

        // A window that does not answer: the command gives up after its time-out.
        QCOMPARE(::kill(static_cast<pid_t>(second.processId()), SIGSTOP), 0);
        const Result r = Run({u"--toggle"_s});
        ::kill(static_cast<pid_t>(second.processId()), SIGKILL);
        second.waitForFinished();
        QCOMPARE(r.status, 1);
        QCOMPARE(r.err, u"vantrell: the Vantrell window did not answer\n"_s);
    }

private:
    // Empty when, after a command to a window, a run goes on (or no run does), and every click so far was on
    // the line y; otherwise what is wrong.
    QString RunState(bool bRunning, int y) {
        QTest::qWait(300);  // a stopped run completes the click under way
        m_recorder.Sync();
        const qsizetype before = m_recorder.Events().size();
        if (bRunning && !m_recorder.WaitForEvents(before + 6, 10000))
            return u"no run goes on"_s;
        if (!bRunning) {
            QTest::qWait(300);
            m_recorder.Sync();
            if (m_recorder.Events().size() != before)
                return u"a run goes on"_s;
            if (!EveryPressReleased(m_recorder.Events()))
                return u"a button was left down"_s;
        }
        for (const SButtonEvent& e : m_recorder.Events()) {
            if (e.nRootY != y)
                return u"a click at y = %1"_s.arg(e.nRootY);
        }
        return {};
    }

    QString Script(const QString& name, const QList<SRow>& rows, const CScriptHeader& header = {}) {
        return testsupport::WriteScript(m_dir.filePath(name), rows, header);
    }

    QTemporaryDir m_dir;
    testsupport::CPrivateBus m_bus;
    QString m_busAddress;
    testsupport::CButtonRecorder m_recorder;
    testsupport::CX11Peer m_peer;
};

VANTRELL_X11_TEST_MAIN(TestProgram, QCoreApplication)
#include "tst_program.moc"
