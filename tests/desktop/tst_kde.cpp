// The program on a real KDE Plasma: a private headless kwin with its desktop portal (tests/support/Kde.*),
// the recorder window on kwin's output, and `vantrell --run` clicking there through the portal's remote
// control, as it does on a user's Plasma desktop. Without kwin and its portal the suite is skipped.

#include <QDBusConnection>
#include <QDBusMessage>
#include <QProcess>
#include <QScopeGuard>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QUrl>
#include <tuple>
#include <QtTest>

#include "platform/Profile.h"
#include "platform/VirtualKeys.h"
#include "tests/support/Actions.h"
#include "tests/support/Kde.h"
#include "tests/support/PortalKeyboard.h"
#include "tests/support/Sway.h"
#include "tests/support/TestMain.h"

using namespace Qt::StringLiterals;
using testsupport::SRow;

namespace {

testsupport::CKde* g_kde = nullptr;  // null when the desktop did not start
QString g_kdeError;

}  // namespace

class TestKde : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        if (const QString missing = testsupport::CKde::Missing(); !missing.isEmpty())
            QSKIP(qPrintable(u"skipped: "_s + missing));
        QVERIFY2(g_kde, qPrintable(g_kdeError));
        QString error;
        QVERIFY2(m_recorder.Start(g_kde->ClientEnvironment(), &error), qPrintable(error));
        QCOMPARE(m_recorder.Screens().size(), 1);
        QCOMPARE(m_recorder.Screens().constFirst().second, QRect(0, 0, 1280, 1024));
    }

    void init() { m_recorder.Clear(); }

    // A left, a right and a double click at three places arrive there, with the exit status and the count
    // of a run on X11; with no --backend the program chooses the portal on Plasma by itself.
    void threeClicksArrive_data() {
        QTest::addColumn<QStringList>("backend");
        QTest::newRow("--backend portal") << QStringList{u"--backend"_s, u"portal"_s};
        QTest::newRow("chosen by itself") << QStringList{};
    }
    void threeClicksArrive() {
        QFETCH(QStringList, backend);
        QTemporaryDir dir;
        const QString script = testsupport::WriteScript(
            dir.filePath(u"three.Vantrell"_s),
            {SRow{LeftClick, 100, 120, 50}, SRow{RightClick, 640, 500, 50}, SRow{DoubleClick, 1100, 900, 50}},
            testsupport::Header(1));
        QProcess vantrell;
        vantrell.setProcessEnvironment(g_kde->ClientEnvironment());
        vantrell.start(QStringLiteral(VANTRELL_BINARY), QStringList{u"--run"_s, script} + backend);
        QVERIFY(vantrell.waitForFinished(30000));
        const QString err = QString::fromUtf8(vantrell.readAllStandardError());
        QVERIFY2(vantrell.exitStatus() == QProcess::NormalExit && vantrell.exitCode() == 0, qPrintable(err));
        QCOMPARE(QString::fromUtf8(vantrell.readAllStandardOutput()), u"Executed 3 Action(s)\n"_s);
        QVERIFY(m_recorder.WaitForEvents(8));
        QTest::qWait(200);  // nothing more comes
        QCOMPARE(testsupport::Described(m_recorder.Events()), testsupport::Clicks(0x110, 100, 120) +
                                                                  testsupport::Clicks(0x111, 640, 500) +
                                                                  testsupport::Clicks(0x110, 1100, 900, 2));
    }

    // The portal's keyboard, which the start/stop shortcut's tests press: F7 reaches the focused window.
    void portalKeyboardReachesTheWindow() {
        testsupport::CPortalKeyboard keyboard;
        QString error;
        QVERIFY2(keyboard.Open(g_kde->BusAddress(), &error), qPrintable(error));
        QVERIFY2(keyboard.Tap(testsupport::kKeyF7, &error), qPrintable(error));
        QTRY_VERIFY_WITH_TIMEOUT(m_recorder.KeyPresses().contains(Qt::Key_F7), 10000);
    }

    // The program's window takes the script's start/stop shortcut (Ctrl+Shift+F11) as a shortcut of the
    // whole desktop: pressed at the desktop's keyboard it starts the run, pressed again it stops it, though
    // the run's clicks land on another window; the stop leaves no button down. A script with another key
    // (Ctrl+Shift+F10) opened in the same window moves the shortcut there, and back again.
    void globalShortcutStartsAndStopsTheWindowsRun() {
        const QList<int> modifiers{testsupport::kKeyLeftCtrl, testsupport::kKeyLeftShift};
        const uint16_t ctrlShift = platform::HOTKEYF_CONTROL | platform::HOTKEYF_SHIFT;
        QTemporaryDir dir;
        QList<SRow> rows;
        for (int i = 0; i < 400; ++i)
            rows << SRow{LeftClick, 1100 + i % 20, 900, 30};
        const QString script = testsupport::WriteScript(dir.filePath(u"shortcut.Vantrell"_s), rows,
                                                        testsupport::Header(1000, platform::VK_F1 + 10, ctrlShift));
        const QString changed = testsupport::WriteScript(dir.filePath(u"changed.Vantrell"_s), rows,
                                                         testsupport::Header(1000, platform::VK_F1 + 9, ctrlShift));
        // Told once already, should the window think it has no shortcuts of the whole desktop.
        QVERIFY(platform::WriteProfileInt(u"Settings"_s, u"m_bToldHowToBindToggle"_s, 1));
        QProcess window;
        window.setProcessEnvironment(g_kde->ClientEnvironment());
        window.setProcessChannelMode(QProcess::ForwardedChannels);
        window.start(QStringLiteral(VANTRELL_BINARY), {script});
        QVERIFY(window.waitForStarted());
        const auto end = qScopeGuard([this, &window] {
            window.terminate();
            if (!window.waitForFinished(20000))
                window.kill();
            QTest::qWait(300);  // a click cut off by the end leaves the next case nothing of it
            m_recorder.Clear();
        });
        testsupport::CPortalKeyboard keyboard;
        QString error;
        QVERIFY2(keyboard.Open(g_kde->BusAddress(), &error), qPrintable(error));
        const auto startAndStop = [&](int key) {
            // The shortcut is bound once the window has made its session; until then a press does nothing.
            QTest::qWait(3000);
            QCOMPARE(m_recorder.Events().size(), 0);
            QVERIFY2(keyboard.Tap(key, &error, modifiers), qPrintable(error));
            QVERIFY2(m_recorder.WaitForEvents(10, 20000), qPrintable(g_kde->LogTail()));
            QVERIFY2(keyboard.Tap(key, &error, modifiers), qPrintable(error));
            const auto [clicks, stopped] = testsupport::StoppedRow(m_recorder, 1100, 900, 800, 500);
            QCOMPARE(clicks, stopped);
            m_recorder.Clear();
        };
        startAndStop(testsupport::kKeyF11);
        // Opened in the window, a script with another key: the old key, pressed once the new one is bound,
        // does nothing; the new one starts and stops the run. Then back to the first key.
        QDBusConnection bus = QDBusConnection::connectToBus(g_kde->BusAddress(), u"kde-open"_s);
        const auto disconnect = qScopeGuard([] { QDBusConnection::disconnectFromBus(u"kde-open"_s); });
        for (const auto& [file, key, oldKey] : {std::tuple{changed, testsupport::kKeyF10, testsupport::kKeyF11},
                                                std::tuple{script, testsupport::kKeyF11, testsupport::kKeyF10}}) {
            if (QTest::currentTestFailed())
                return;
            QDBusMessage open = QDBusMessage::createMethodCall(u"io.github.vantrell.Vantrell"_s,
                                                               u"/io/github/vantrell/Vantrell"_s,
                                                               u"org.freedesktop.Application"_s, u"Open"_s);
            open << QStringList{QUrl::fromLocalFile(file).toString()} << QVariantMap();
            const QDBusMessage reply = bus.call(open, QDBus::Block, 10000);
            QVERIFY2(reply.type() == QDBusMessage::ReplyMessage, qPrintable(reply.errorMessage()));
            QTest::qWait(3000);
            QVERIFY2(keyboard.Tap(oldKey, &error, modifiers), qPrintable(error));
            startAndStop(key);
        }
    }

    // A run without pauses waits while kwin reads nothing, rather than fill the socket of the portal's KDE
    // half, which dies of it within a quarter of a second: with kwin stopped for two seconds mid-run, every
    // click arrives after all, in order, and the run ends well.
    void compositorStoppedMidFlood() {
        for (const char* entry : {"m_iMdMuMin", "m_iMdMuMax", "m_iDcMin", "m_iDcMax"})
            QVERIFY(platform::WriteProfileInt(u"Settings"_s, QString::fromLatin1(entry), 0));
        const auto restore = qScopeGuard([] {
            for (const char* entry : {"m_iMdMuMin", "m_iMdMuMax", "m_iDcMin", "m_iDcMax"})
                platform::RemoveProfileEntry(u"Settings"_s, QString::fromLatin1(entry));
        });
        constexpr int kClicks = 3000;
        QTemporaryDir dir;
        QProcess vantrell;
        StartRowRun(vantrell, dir, kClicks, 0, 1);
        QVERIFY(m_recorder.WaitForEvents(200, 30000));
        g_kde->PauseCompositor(true);
        QTest::qWait(2000);
        g_kde->PauseCompositor(false);
        QVERIFY(vantrell.waitForFinished(60000));
        QVERIFY2(vantrell.exitStatus() == QProcess::NormalExit && vantrell.exitCode() == 0,
                 qPrintable(QString::fromUtf8(vantrell.readAllStandardError()) + g_kde->LogTail()));
        QVERIFY(m_recorder.WaitForEvents(2 * kClicks, 30000));
        QStringList expected;
        for (int i = 0; i < kClicks; ++i)
            expected += testsupport::Clicks(0x110, 200 + i % 50, 300);
        QCOMPARE(testsupport::Described(m_recorder.Events()), expected);
    }

    // The portal service ending mid-run ends the run at once: status 1, one line that says why (after the
    // line of the wait for consent, on a slow start), nothing reported as done, and every press the window
    // saw has its release. Runs last: the desktop has no portal afterwards.
    void portalGoneMidRun() {
        QTemporaryDir dir;
        QProcess vantrell;
        StartRowRun(vantrell, dir, 200, 40, 100);
        QVERIFY(m_recorder.WaitForEvents(6, 30000));
        g_kde->KillPortal();
        QVERIFY(vantrell.waitForFinished(10000));
        QCOMPARE(vantrell.exitStatus(), QProcess::NormalExit);
        QCOMPARE(vantrell.exitCode(), 1);
        QCOMPARE(QString::fromUtf8(vantrell.readAllStandardOutput()), QString());
        const QString err = QString::fromUtf8(vantrell.readAllStandardError());
        const QRegularExpression oneLine(u"^(vantrell: waiting for [^\\n]*\\n)?vantrell: [^\\n]*portal[^\\n]*\\n$"_s);
        QVERIFY2(oneLine.match(err).hasMatch(), qPrintable(err));
        QTest::qWait(500);
        const auto clicks = m_recorder.Events();
        QStringList expected;
        for (int i = 0; i < (clicks.size() + 1) / 2; ++i)
            expected += testsupport::Clicks(0x110, 200 + i % 50, 300);
        QCOMPARE(testsupport::Described(clicks), expected);
    }

private:
    // Starts `vantrell --run` through the portal on a script in dir of `clicks` left clicks along the row
    // (200 + i % 50, 300), each after delayMs, repeated `repeat` times.
    static void StartRowRun(QProcess& vantrell, const QTemporaryDir& dir, int clicks, uint32_t delayMs, int repeat) {
        QList<SRow> rows;
        for (int i = 0; i < clicks; ++i)
            rows << SRow{LeftClick, 200 + i % 50, 300, delayMs};
        const QString script =
            testsupport::WriteScript(dir.filePath(u"row.Vantrell"_s), rows, testsupport::Header(repeat));
        vantrell.setProcessEnvironment(g_kde->ClientEnvironment());
        vantrell.start(QStringLiteral(VANTRELL_BINARY), {u"--run"_s, script, u"--backend"_s, u"portal"_s});
    }

    testsupport::CWaylandRecorder m_recorder;
};

// The desktop comes first, while this process has a single thread.
int main(int argc, char** argv) {
    testsupport::CPrivateProfileDir profileDir;
    testsupport::CKde kde;
    {
        QCoreApplication starting(argc, argv);
        if (testsupport::CKde::Missing().isEmpty()) {
            if (kde.Start(&g_kdeError))
                g_kde = &kde;
        }
    }
    QCoreApplication app(argc, argv);
    TestKde tc;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&tc, argc, argv);
}

#include "tst_kde.moc"
