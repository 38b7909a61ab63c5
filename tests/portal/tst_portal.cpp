// The portal back end against a portal of the tests' own on a private session bus: the set-up
// conversation, the exact pointer calls of a script, consent refused or failed, a session that ends
// mid-run, the restore token, and the start/stop shortcut as a global shortcut of the desktop.

#include <QApplication>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "app/MainFrame.h"
#include "engine/HotKeyIds.h"
#include "engine/Sequencer.h"
#include "platform/HotKeys.h"
#include "platform/VirtualKeys.h"
#include "platform/Profile.h"
#include "platform/portal/PortalInput.h"
#include "platform/portal/PortalSession.h"
#include "tests/support/Actions.h"
#include "script/ScriptHeader.h"
#include "script/VantrellDoc.h"
#include "settings/Settings.h"
#include "tests/support/FakePortal.h"
#include "tests/support/FakeUiServices.h"
#include "tests/support/PrivateBus.h"
#include "tests/support/TestMain.h"
#include "ui/DesktopHotKeys.h"
#include "ui/VantrellView.h"

using namespace Qt::StringLiterals;
using testsupport::CFakePortal;
using testsupport::SFakeStream;
using testsupport::SRow;

namespace {

const QString kTokenSection = u"Desktop Portal"_s;
const QString kTokenEntry = u"RestoreToken"_s;

const QStringList kSetUp{"CreateSession", "SelectDevices types=2", "SelectSources types=1 multiple=true", "Start"};

// Two monitors as GNOME describes them, the second right of the first and 200 pixels higher.
const QList<SFakeStream> kTwoMonitors{{51, true, {0, 0}, {1280, 1024}}, {52, true, {1280, -200}, {1024, 768}}};

QStringList PointerCalls(const QStringList& calls) {
    QStringList pointer;
    for (const QString& call : calls) {
        if (call.startsWith(u"Motion"_s) || call.startsWith(u"Button"_s))
            pointer << call;
    }
    return pointer;
}

bool EveryPressReleased(const QStringList& calls) {
    for (const char* code : {"272", "273", "274"}) {
        const QString button = u"Button "_s + QLatin1String(code);
        if (calls.count(button + u" 1"_s) != calls.count(button + u" 0"_s))
            return false;
    }
    return true;
}

// A main window as the program makes it on Wayland: its shortcuts through the desktop's global shortcuts
// (and its own keys), its runs through the given input.
struct SWindow {
    SWindow(const QString& bus, platform::EShortcutsForm form, platform::InputFactory runInput = {})
        : hotkeys({{HOTKEY_START_STOP, {u"start-stop"_s, u"Start or stop the script"_s}}}, {bus, form}),
          fakes(hotkeys, input) {
        if (runInput)
            fakes.services.makeRunInput = std::move(runInput);
        frame = std::make_unique<CMainFrame>(fakes.services);
        frame->NewDocument();
        frame->show();
    }
    CVantrellView& view() { return frame->View(); }
    // Sets the script's start/stop shortcut as the Assign button does.
    void Assign(uint16_t vk, uint16_t flags) {
        view().HotKeyCtrl().SetHotKey(vk, flags);
        view().OnAssignHotKey();
    }

    CDesktopHotKeys hotkeys;
    platform::CEventLog log;
    platform::CRecordingInput input{log};
    testsupport::CFakeServices fakes;
    std::unique_ptr<CMainFrame> frame;
};

QStringList ShortcutCalls(const QStringList& calls) {
    QStringList shortcuts;
    for (const QString& call : calls) {
        if (call.startsWith(u"GlobalShortcuts."_s))
            shortcuts << call;
    }
    return shortcuts;
}

}  // namespace

class TestPortal : public QObject {
    Q_OBJECT

    struct SRun {
        quint64 executed = 0;
        QString error;
    };

    const QString m_strBus;
    const QString m_strBusError;
    QTemporaryDir m_portals;
    std::unique_ptr<CFakePortal> m_portal;
    std::shared_ptr<platform::CPortalSession> m_session;
    std::unique_ptr<CActionList> m_rows;
    CSettings m_settings;
    std::unique_ptr<CSequencer> m_sequencer;

    // Starts a run of every row once and waits for its end.
    bool Run(SRun* run, int timeoutMs = 20000) {
        QSignalSpy finished(m_sequencer.get(), &CSequencer::RunFinished);
        QSignalSpy unavailable(m_sequencer.get(), &CSequencer::InputUnavailable);
        if (!m_sequencer->Start(1) || !finished.wait(timeoutMs))
            return false;
        run->executed = finished.at(0).at(0).value<quint64>();
        run->error = unavailable.isEmpty() ? QString() : unavailable.at(0).at(0).toString();
        return true;
    }

public:
    // The bus's address, or why there is none.
    TestPortal(QString bus, QString busError) : m_strBus(std::move(bus)), m_strBusError(std::move(busError)) {}

private Q_SLOTS:
    void initTestCase() {
        if (!testsupport::CPrivateBus::Available())
            QSKIP("skipped: dbus-daemon is not installed");
        QVERIFY2(!m_strBus.isEmpty(), qPrintable(m_strBusError));
        // The fake's desktop half, described where the portal's front end would read it.
        QFile description(m_portals.filePath(u"vantrelltest.portal"_s));
        QVERIFY(description.open(QIODevice::WriteOnly));
        description.write(CFakePortal::BackEndDescription().toUtf8());
        description.close();
        qputenv("XDG_DESKTOP_PORTAL_DIR", QFile::encodeName(m_portals.path()));
        // Clicks without pauses: the calls are what counts here.
        m_settings.m_iMdMuMin = m_settings.m_iMdMuMax = 0;
        m_settings.m_iDcMin = m_settings.m_iDcMax = 0;
    }

    void init() {
        g_scriptHeader = CScriptHeader();
        m_portal = std::make_unique<CFakePortal>(m_strBus);
        QVERIFY(m_portal->IsRegistered());
        m_portal->SetStreams(kTwoMonitors);
        platform::RemoveProfileEntry(kTokenSection, kTokenEntry);
        platform::SPortalOptions options;
        options.busAddress = m_strBus;
        m_session = std::make_shared<platform::CPortalSession>(options);
        m_rows = std::make_unique<CActionList>();
        m_sequencer = std::make_unique<CSequencer>(
            *m_rows, [session = m_session](QString* error) { return platform::CreatePortalInput(session, error); },
            CSequencer::WaitFactory{}, m_settings);
    }

    void cleanup() {
        m_sequencer.reset();
        m_rows.reset();
        m_session.reset();
        m_portal.reset();
    }

    // Each click goes to the stream that holds its point, in the stream's own coordinates; a point on no
    // stream goes to the nearest edge of the nearest one. One consent serves every run of the process, and
    // only a new session's first move is made twice.
    void clicksGoToTheStreamThatHoldsThePoint_data() {
        QTest::addColumn<bool>("workspace");
        QTest::addColumn<QStringList>("pointer");
        QTest::newRow("two monitors, one at an offset")
            << false
            << QStringList{"Motion 51 100 200", "Motion 51 100 200", "Button 272 1", "Button 272 0",
                           "Motion 52 20 50",   "Button 273 1",      "Button 273 0", "Motion 52 720 500",
                           "Button 274 1",      "Button 274 0",      "Motion 51 1279 1023", "Button 272 1",
                           "Button 272 0",      "Button 272 1",      "Button 272 0", "Motion 52 1023 200",
                           "Button 273 1",      "Button 273 0",      "Button 273 1", "Button 273 0",
                           "Motion 51 0 500",   "Button 274 1",      "Button 274 0", "Button 274 1",
                           "Button 274 0"};
        QTest::newRow("one stream of the whole workspace, without a position")
            << true
            << QStringList{"Motion 60 100 200", "Motion 60 100 200", "Button 272 1", "Button 272 0",
                           "Motion 60 1300 -150", "Button 273 1",    "Button 273 0", "Motion 60 2000 300",
                           "Button 274 1",      "Button 274 0",      "Motion 60 1279 1023", "Button 272 1",
                           "Button 272 0",      "Button 272 1",      "Button 272 0", "Motion 60 2400 0",
                           "Button 273 1",      "Button 273 0",      "Button 273 1", "Button 273 0",
                           "Motion 60 -50 500", "Button 274 1",      "Button 274 0", "Button 274 1",
                           "Button 274 0"};
    }
    void clicksGoToTheStreamThatHoldsThePoint() {
        QFETCH(bool, workspace);
        QFETCH(QStringList, pointer);
        if (workspace)
            m_portal->SetStreams({{60, false, {}, {}}});
        testsupport::AppendRows(*m_rows, {SRow(LeftClick, 100, 200), SRow(RightClick, 1300, -150),
                                          SRow(MiddleClick, 2000, 300), SRow(DoubleClick, 1279, 1023),
                                          SRow(DoubleRightClick, 2400, 0), SRow(DoubleMiddleClick, -50, 500)});
        SRun run;
        QVERIFY(Run(&run));
        QCOMPARE(run.error, QString());
        QCOMPARE(run.executed, 6u);
        QCOMPARE(m_portal->Calls(), kSetUp + pointer);

        QVERIFY(Run(&run));
        QCOMPARE(run.executed, 6u);
        QCOMPARE(m_portal->Calls(), kSetUp + pointer + pointer.mid(1));
    }

    // Consent refused or a failed set-up: a clear reason, nothing clicked, the session given back, and
    // the next start asks again.
    void refusedOrFailedRunsNothing_data() {
        QTest::addColumn<QString>("method");
        QTest::addColumn<int>("response");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<int>("closes");
        QTest::newRow("refused in the dialog") << "Start" << 1 << "did not allow Vantrell" << 1;
        QTest::newRow("start failed") << "Start" << 2 << "could not start" << 1;
        QTest::newRow("pointer not selected") << "SelectDevices" << 2 << "could not select the pointer" << 1;
        QTest::newRow("no session") << "CreateSession" << 2 << "could not create" << 0;
        QTest::newRow("no remote desktop") << "" << 0 << "offers no remote control" << 0;
    }
    void refusedOrFailedRunsNothing() {
        QFETCH(QString, method);
        QFETCH(int, response);
        QFETCH(QString, reason);
        QFETCH(int, closes);
        if (method.isEmpty())
            m_portal->SetRemoteDesktop(false);
        else
            m_portal->SetResponse(method, response);
        testsupport::AppendRows(*m_rows, {SRow(LeftClick, 10, 10), SRow(RightClick, 20, 20)});
        SRun run;
        QVERIFY(Run(&run));
        QCOMPARE(run.executed, 0u);
        QVERIFY2(run.error.contains(reason), qPrintable(run.error));
        QCOMPARE(PointerCalls(m_portal->Calls()), QStringList());
        // The session is given back without waiting for the portal.
        QTRY_COMPARE(m_portal->CountOf(u"Close"_s), closes);
        QVERIFY(!m_sequencer->IsRunning());

        m_portal->SetRemoteDesktop(true);
        m_portal->SetResponse(method, 0);
        const int asked = m_portal->CountOf(u"CreateSession"_s);
        QVERIFY(Run(&run));
        QCOMPARE(run.error, QString());
        QCOMPARE(run.executed, 2u);
        QCOMPARE(m_portal->CountOf(u"CreateSession"_s), asked + 1);
    }

    // While the desktop's dialog is open the window says what it waits for, and its Stop ends the wait at
    // once; the grant given later serves the next run without asking again.
    void windowShowsTheWaitForConsentAndStopEndsIt() {
        m_portal->SetResponse(u"Start"_s, -1);
        SWindow w(m_strBus, platform::EShortcutsForm::Detect,
                  [session = m_session](QString* error) { return platform::CreatePortalInput(session, error); });
        w.view().AppendRow(testsupport::MakeAction(LeftClick, 10, 10, 0, {}));
        QSignalSpy running(&w.view(), &CVantrellView::RunningChanged);
        w.view().OnStartStop();
        QVERIFY(w.view().IsRunning());
        QTRY_COMPARE_WITH_TIMEOUT(w.view().ExecutionInfo().text(),
                                  u"Waiting for the desktop to allow control of the pointer\u2026"_s, 10000);
        QTRY_COMPARE_WITH_TIMEOUT(m_portal->CountOf(u"Start"_s), 1, 10000);
        w.view().OnStartStop();
        QVERIFY(!w.view().IsRunning());
        QTRY_COMPARE_WITH_TIMEOUT(w.view().ExecutionInfo().text(), u"Executed 0 Action(s)"_s, 10000);
        QCOMPARE(w.view().StartStopButton().text(), u"&Start Script Execution"_s);
        QVERIFY(w.fakes.messages.Texts().isEmpty());

        m_portal->AnswerHeld(0);
        w.view().OnStartStop();
        QTRY_VERIFY_WITH_TIMEOUT(!w.view().IsRunning(), 10000);
        QCOMPARE(w.view().ExecutionInfo().text(), u"Executed 1 Action(s)"_s);
        QCOMPARE(m_portal->CountOf(u"CreateSession"_s), 1);
        QCOMPARE(PointerCalls(m_portal->Calls()),
                 QStringList({"Motion 51 10 10", "Motion 51 10 10", "Button 272 1", "Button 272 0"}));
    }

    // The session ends under a run, here in the middle of a long delay: the run ends at once with the
    // reason, no button is left down, nothing more is sent, and the next start asks again.
    void sessionEndingStopsTheRun_data() {
        QTest::addColumn<int>("ending");
        QTest::addColumn<QString>("reason");
        QTest::newRow("closed by the desktop") << 0 << "revoked";
        QTest::newRow("portal left the bus") << 1 << "portal service went away";
        // Its front end would answer every event and pass it to no one: nothing may count as done.
        QTest::newRow("its desktop half left the bus") << 2 << "half of the portal";
    }
    void sessionEndingStopsTheRun() {
        QFETCH(int, ending);
        QFETCH(QString, reason);
        testsupport::AppendRows(*m_rows, {SRow(DoubleClick, 10, 10), SRow(LeftClick, 20, 20, 600000)});
        QSignalSpy finished(m_sequencer.get(), &CSequencer::RunFinished);
        QSignalSpy unavailable(m_sequencer.get(), &CSequencer::InputUnavailable);
        QVERIFY(m_sequencer->Start(1));
        QTRY_COMPARE_WITH_TIMEOUT(m_portal->CountOf(u"Button 272 0"_s), 2, 10000);
        if (ending == 0)
            m_portal->CloseSession();
        else if (ending == 1)
            m_portal->Unregister();
        else
            m_portal->BackEndLeaves();
        QVERIFY(finished.wait(10000));
        QCOMPARE(finished.at(0).at(0).value<quint64>(), 1u);
        QCOMPARE(unavailable.count(), 1);
        QVERIFY2(unavailable.at(0).at(0).toString().contains(reason), qPrintable(unavailable.at(0).at(0).toString()));
        const QStringList calls = m_portal->Calls();
        QVERIFY(EveryPressReleased(calls));
        QCOMPARE(PointerCalls(calls).size(), 6);

        if (ending != 0)
            m_portal->Register();
        QVERIFY(m_sequencer->Start(1));
        QTRY_COMPARE_WITH_TIMEOUT(m_portal->CountOf(u"Button 272 0"_s), 4, 10000);
        QCOMPARE(m_portal->CountOf(u"CreateSession"_s), 2);
        m_sequencer->StopAndWait();
    }

    // From RemoteDesktop version 2 the grant is asked to persist and its token kept in the profile and
    // offered next time; a token the desktop no longer accepts is dropped and the user asked afresh.
    void restoreToken_data() {
        QTest::addColumn<uint>("version");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("accepted");
        QTest::addColumn<QStringList>("selections");
        QTest::addColumn<QString>("storedAfter");
        QTest::newRow("version 1 offers no token")
            << 1u << "kept" << "kept" << QStringList{"SelectDevices types=2"} << "kept";
        QTest::newRow("version 2, first start")
            << 2u << "" << "" << QStringList{"SelectDevices types=2 persist_mode=2"} << "token-1";
        QTest::newRow("version 2, token reused")
            << 2u << "token-7" << "token-7"
            << QStringList{"SelectDevices types=2 persist_mode=2 restore_token=token-7"} << "token-1";
        QTest::newRow("version 2, rejected token dropped")
            << 2u << "stale" << "token-7"
            << QStringList{"SelectDevices types=2 persist_mode=2 restore_token=stale",
                           "SelectDevices types=2 persist_mode=2"}
            << "token-1";
    }
    void restoreToken() {
        QFETCH(uint, version);
        QFETCH(QString, stored);
        QFETCH(QString, accepted);
        QFETCH(QStringList, selections);
        QFETCH(QString, storedAfter);
        m_portal->SetVersion(version);
        m_portal->SetValidToken(accepted);
        if (!stored.isEmpty())
            QVERIFY(platform::WriteProfileString(kTokenSection, kTokenEntry, stored));
        testsupport::AppendRows(*m_rows, {SRow(LeftClick, 10, 10)});
        SRun run;
        QVERIFY(Run(&run));
        QCOMPARE(run.error, QString());
        QCOMPARE(run.executed, 1u);
        QStringList seen;
        for (const QString& call : m_portal->Calls()) {
            if (call.startsWith(u"SelectDevices"_s))
                seen << call;
        }
        QCOMPARE(seen, selections);
        QCOMPARE(m_portal->CountOf(u"CreateSession"_s), selections.size());
        QCOMPARE(platform::GetProfileString(kTokenSection, kTokenEntry), storedAfter);
    }

    // The script's start/stop shortcut becomes a global shortcut of the desktop in the form its portal
    // takes, with the desktops' trigger text ("CTRL+SHIFT+F11"); a changed shortcut makes a new session,
    // and a cleared one closes it.
    void shortcutReachesTheDesktop_data() {
        QTest::addColumn<uint>("version");
        QTest::addColumn<int>("form");
        QTest::addColumn<uint>("vk");
        QTest::addColumn<uint>("flags");
        QTest::addColumn<QStringList>("calls");
        using platform::EShortcutsForm;
        const int detect = int(EShortcutsForm::Detect);
        QTest::newRow("version 1: in CreateSession, function key")
            << 1u << detect << platform::VK_F1 + 6 << 0u << QStringList{"GlobalShortcuts.CreateSession start-stop-F7=F7"};
        QTest::newRow("version 1: Ctrl+Shift+F11")
            << 1u << detect << platform::VK_F1 + 10 << uint(platform::HOTKEYF_CONTROL | platform::HOTKEYF_SHIFT)
            << QStringList{"GlobalShortcuts.CreateSession start-stop-CTRL-SHIFT-F11=CTRL+SHIFT+F11"};
        QTest::newRow("version 2: BindShortcuts, a letter")
            << 2u << detect << platform::VK_A << uint(platform::HOTKEYF_ALT)
            << QStringList{"GlobalShortcuts.CreateSession", "GlobalShortcuts.BindShortcuts start-stop-ALT-a=ALT+a"};
        QTest::newRow("version 2: every modifier and a digit")
            << 2u << detect << platform::VK_0 + 5
            << uint(platform::HOTKEYF_CONTROL | platform::HOTKEYF_ALT | platform::HOTKEYF_SHIFT | platform::HOTKEYF_EXT)
            << QStringList{"GlobalShortcuts.CreateSession",
                           "GlobalShortcuts.BindShortcuts start-stop-CTRL-ALT-SHIFT-LOGO-5=CTRL+ALT+SHIFT+LOGO+5"};
        QTest::newRow("forced BindShortcuts on version 1: Super with keypad and page keys")
            << 1u << int(EShortcutsForm::BindShortcuts) << platform::VK_NUMPAD0 + 9 << uint(platform::HOTKEYF_EXT)
            << QStringList{"GlobalShortcuts.CreateSession", "GlobalShortcuts.BindShortcuts start-stop-LOGO-KP_9=LOGO+KP_9"};
    }
    void shortcutReachesTheDesktop() {
        QFETCH(uint, version);
        QFETCH(int, form);
        QFETCH(uint, vk);
        QFETCH(uint, flags);
        QFETCH(QStringList, calls);
        m_portal->SetShortcutsVersion(version);
        SWindow w(m_strBus, platform::EShortcutsForm(form));
        QSignalSpy probed(&w.hotkeys, &CDesktopHotKeys::Probed);
        QSignalSpy bound(&w.hotkeys.Shortcuts(), &platform::CGlobalShortcuts::Bound);
        w.hotkeys.Probe();
        QVERIFY(probed.wait(10000));
        QCOMPARE(probed.at(0).at(0).toBool(), true);
        w.Assign(uint16_t(vk), uint16_t(flags));
        QVERIFY(bound.wait(10000));
        QCOMPARE(ShortcutCalls(m_portal->Calls()), calls);
        QVERIFY(w.fakes.messages.Texts().isEmpty());

        // Changed: the old session closed, a new one with the new trigger. Registered anew unchanged (as a
        // new script with the same shortcut does): nothing asked. Cleared: closed.
        const QString f8 = calls.constLast().section(u' ', 0, 0) + u" start-stop-CTRL-F8=CTRL+F8"_s;
        w.Assign(platform::VK_F1 + 7, platform::HOTKEYF_CONTROL);
        QVERIFY(bound.wait(10000));
        w.Assign(platform::VK_F1 + 7, platform::HOTKEYF_CONTROL);
        w.view().OnClearHotKey();
        QTRY_COMPARE_WITH_TIMEOUT(ShortcutCalls(m_portal->Calls()).size(), 2 * calls.size() + 2, 10000);
        const QStringList expected = calls + QStringList{u"GlobalShortcuts.Close"_s} +
                                     calls.mid(0, calls.size() - 1) + QStringList{f8, u"GlobalShortcuts.Close"_s};
        QCOMPARE(ShortcutCalls(m_portal->Calls()), expected);
    }

    // Activated for the start/stop shortcut starts the window's run, with the real sequencer, and stops it
    // again, as the key of an X11 session does; an id not set, or of a session given up, does nothing.
    void activatedTogglesTheRun_data() {
        QTest::addColumn<uint>("version");
        QTest::newRow("shortcuts in CreateSession") << 1u;
        QTest::newRow("shortcuts through BindShortcuts") << 2u;
    }
    void activatedTogglesTheRun() {
        QFETCH(uint, version);
        m_portal->SetShortcutsVersion(version);
        SWindow w(m_strBus, platform::EShortcutsForm::Detect);
        w.view().AppendRow(testsupport::MakeAction(LeftClick, 10, 20, 0, {}));
        w.view().AppendRow(testsupport::MakeAction(RightClick, 30, 40, 600000, {}));
        QSignalSpy bound(&w.hotkeys.Shortcuts(), &platform::CGlobalShortcuts::Bound);
        w.hotkeys.Probe();
        w.Assign(platform::VK_F1 + 6, 0);
        QVERIFY(bound.wait(10000));

        m_portal->Activate(u"start-stop"_s);  // not the id of the key set
        m_portal->Activate(u"start-stop-F7"_s);
        QTRY_VERIFY_WITH_TIMEOUT(w.view().IsRunning(), 10000);
        QTRY_COMPARE_WITH_TIMEOUT(w.view().ExecutionInfo().text(), u"Executed 1 Action(s)"_s, 10000);
        QStringList injected = w.fakes.runLog.Lines();
        injected.removeIf([](const QString& line) { return line.startsWith(u"wait"_s); });
        QCOMPARE(injected, QStringList({"move 10 20", "down left", "up left"}));
        m_portal->Activate(u"start-stop-F7"_s);
        QTRY_VERIFY_WITH_TIMEOUT(!w.view().IsRunning(), 10000);
        QCOMPARE(w.view().StartStopButton().text(), u"&Start Script Execution"_s);

        // Cleared: the desktop's key no longer starts anything.
        w.view().OnClearHotKey();
        QTRY_COMPARE_WITH_TIMEOUT(m_portal->CountOf(u"GlobalShortcuts.Close"_s), 1, 10000);
        m_portal->Activate(u"start-stop-F7"_s);
        QTest::qWait(200);
        QVERIFY(!w.view().IsRunning());
    }

    // A shortcuts session the desktop closes, or one lost with the portal's service, is made again with the
    // same trigger, and the key toggles the run again; while the portal is gone nothing is asked or said.
    // A session closed again at once is not made again: the shortcut fails as a refused one does.
    void droppedSessionIsMadeAgain_data() {
        QTest::addColumn<uint>("version");
        QTest::addColumn<QString>("drop");
        for (const uint version : {1u, 2u}) {
            for (const char* drop : {"closed", "portal restarted", "closed again at once"})
                QTest::addRow("version %u: %s", version, drop) << version << QString::fromLatin1(drop);
        }
    }
    void droppedSessionIsMadeAgain() {
        QFETCH(uint, version);
        QFETCH(QString, drop);
        m_portal->SetShortcutsVersion(version);
        SWindow w(m_strBus, platform::EShortcutsForm::Detect);
        w.view().AppendRow(testsupport::MakeAction(RightClick, 30, 40, 600000, {}));
        QSignalSpy bound(&w.hotkeys.Shortcuts(), &platform::CGlobalShortcuts::Bound);
        w.hotkeys.Probe();
        w.Assign(platform::VK_F1 + 6, 0);
        QVERIFY(bound.wait(10000));
        const QStringList once = ShortcutCalls(m_portal->Calls());

        if (drop == u"portal restarted"_s) {
            m_portal->Unregister();
            QTest::qWait(300);
            QCOMPARE(ShortcutCalls(m_portal->Calls()), once);
            m_portal->Register();
        } else {
            m_portal->CloseShortcutsSession();
        }
        QTRY_COMPARE_WITH_TIMEOUT(ShortcutCalls(m_portal->Calls()), once + once, 10000);
        QTRY_COMPARE_WITH_TIMEOUT(bound.size(), 2, 10000);
        if (drop == u"closed again at once"_s) {
            m_portal->CloseShortcutsSession();
            QTRY_COMPARE_WITH_TIMEOUT(w.fakes.messages.Texts().size(), 1, 10000);
            QVERIFY(w.fakes.messages.Texts().constFirst().contains(u"Could Not Assign Keyboard Shortcut"_s));
            QCOMPARE(w.view().HotKeyCtrl().GetKeyCode(), uint16_t(0));
            QTest::qWait(1000);
            QCOMPARE(ShortcutCalls(m_portal->Calls()), once + once);
            return;
        }
        m_portal->Activate(u"start-stop-F7"_s);
        QTRY_VERIFY_WITH_TIMEOUT(w.view().IsRunning(), 10000);
        m_portal->Activate(u"start-stop-F7"_s);
        QTRY_VERIFY_WITH_TIMEOUT(!w.view().IsRunning(), 10000);
        QVERIFY(w.fakes.messages.Texts().isEmpty());
    }

    // A desktop that refuses the shortcut (or has no global shortcuts) is never taken for one that bound
    // it: the window says the shortcut cannot be assigned and drops it from the script.
    void refusedShortcutIsReported_data() {
        QTest::addColumn<uint>("version");
        QTest::addColumn<QString>("method");
        QTest::addColumn<int>("response");
        QTest::newRow("session refused") << 1u << "GlobalShortcuts.CreateSession" << 2;
        QTest::newRow("binding cancelled in the dialog") << 2u << "GlobalShortcuts.BindShortcuts" << 1;
    }
    void refusedShortcutIsReported() {
        QFETCH(uint, version);
        QFETCH(QString, method);
        QFETCH(int, response);
        m_portal->SetShortcutsVersion(version);
        m_portal->SetResponse(method, response);
        SWindow w(m_strBus, platform::EShortcutsForm::Detect);
        w.frame->Doc().SetModifiedFlag(false);
        w.hotkeys.Probe();
        w.Assign(platform::VK_F1 + 6, 0);
        QTRY_COMPARE_WITH_TIMEOUT(w.fakes.messages.Texts().size(), 1, 10000);
        QVERIFY2(w.fakes.messages.Texts().constFirst().contains(u"Could Not Assign Keyboard Shortcut"_s),
                 qPrintable(w.fakes.messages.Texts().constFirst()));
        QVERIFY(w.fakes.messages.Texts().constFirst().contains(QString::number(platform::kHotKeyErrorRefused)));
        QCOMPARE(g_scriptHeader.m_wHotKeyCode, uint16_t(0));
        QCOMPARE(w.view().HotKeyCtrl().GetKeyCode(), uint16_t(0));
        QVERIFY(w.frame->Doc().IsModified());
    }

    // The program itself on a desktop without a virtual pointer: the back-end choice finds the portal (or
    // says that there is none), `--run` asks for the session, clicks through it and ends cleanly.
    void theProgramClicksThroughThePortal_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<bool>("remoteDesktop");
        QTest::addColumn<int>("startResponse");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("err");
        QTest::addColumn<QStringList>("calls");
        const QStringList clicks = kSetUp + QStringList{"Motion 51 5 6",   "Motion 51 5 6",   "Button 272 1",
                                                        "Button 272 0",    "Motion 52 0 100", "Button 273 1",
                                                        "Button 273 0", "Close"};
        QTest::newRow("chosen for a Wayland session") << QStringList{} << true << 0 << 0 << "" << clicks;
        QTest::newRow("forced") << QStringList{"--backend", "portal"} << true << 0 << 0 << "" << clicks;
        QTest::newRow("refused after a wait") << QStringList{"--backend", "portal"} << true << -1 << 1
                                 << "vantrell: waiting for the desktop to allow control of the pointer\n"
                                    "vantrell: the desktop did not allow Vantrell" << kSetUp + QStringList{"Close"};
        QTest::newRow("forced, no remote desktop") << QStringList{"--backend", "portal"} << false << 0 << 2
                                                   << "vantrell: the desktop portal offers no remote control"
                                                   << QStringList{};
    }
    void theProgramClicksThroughThePortal() {
        QFETCH(QStringList, args);
        QFETCH(bool, remoteDesktop);
        QFETCH(int, startResponse);
        QFETCH(int, status);
        QFETCH(QString, err);
        QFETCH(QStringList, calls);
        m_portal->SetRemoteDesktop(remoteDesktop);
        m_portal->SetResponse(u"Start"_s, startResponse);
        QTemporaryDir dir;
        const QString script = testsupport::WriteScript(dir.filePath(u"two.Vantrell"_s),
                                                        {SRow(LeftClick, 5, 6), SRow(RightClick, 1280, -100)},
                                                        testsupport::Header(1));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"DBUS_SESSION_BUS_ADDRESS"_s, m_strBus);
        env.insert(u"WAYLAND_DISPLAY"_s, u"vantrell-test-no-compositor"_s);
        env.remove(u"DISPLAY"_s);
        QProcess program;
        program.setProcessEnvironment(env);
        QSignalSpy finished(&program, &QProcess::finished);
        program.start(QStringLiteral(VANTRELL_BINARY), QStringList{u"--run"_s, script} + args);
        // The portal answers from this thread's event loop while the program runs. A held answer is given
        // once the program said that it waits for it.
        QByteArray errBytes;
        if (startResponse < 0) {
            QTRY_VERIFY_WITH_TIMEOUT((errBytes += program.readAllStandardError()).contains("waiting"), 20000);
            QTRY_COMPARE_WITH_TIMEOUT(m_portal->CountOf(u"Start"_s), 1, 20000);
            QCOMPARE(program.state(), QProcess::Running);
            m_portal->AnswerHeld(1);
        }
        QVERIFY(finished.wait(30000));
        const QString errText = QString::fromUtf8(errBytes + program.readAllStandardError());
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QVERIFY2(program.exitCode() == status, qPrintable(errText));
        QCOMPARE(errText.left(err.size()), err);
        // The session is closed as the program ends.
        QTRY_COMPARE(m_portal->Calls(), calls);
        if (status == 0)
            QCOMPARE(QString::fromUtf8(program.readAllStandardOutput()), u"Executed 2 Action(s)\n"_s);
    }
};

// The bus starts before the application object, while the process has one thread.
int main(int argc, char** argv) {
    testsupport::CPrivateProfileDir profileDir;
    testsupport::CPrivateBus bus;
    QString error;
    if (testsupport::CPrivateBus::Available())
        bus.Start(&error);
    QApplication app(argc, argv);
    TestPortal tc(bus.Address(), error);
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&tc, argc, argv);
}
#include "tst_portal.moc"
