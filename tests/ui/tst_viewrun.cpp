// Runs started from the window: the button, the start/stop shortcut and the scheduled start, with fake
// services (the run's clicks are recorded, not made) and a manual clock.

#include <QApplication>
#include <QSignalSpy>
#include <QtTest>

#include "app/MainFrame.h"
#include "platform/RecordingInput.h"
#include "script/ScriptHeader.h"
#include "script/VantrellDoc.h"
#include "settings/Settings.h"
#include "tests/support/FakeHotKeys.h"
#include "tests/support/FakeUiServices.h"
#include "tests/support/TestMain.h"
#include "ui/DocManager.h"
#include "ui/VantrellView.h"

using namespace platform;
using testsupport::CFakeHotKeys;

namespace {

constexpr unsigned VK_F = 0x46;
constexpr unsigned VK_F6 = 0x75;

struct CWindow {
    CWindow() {
        frame.NewDocument();
        frame.show();
    }
    CVantrellView& view() { return frame.View(); }
    CVantrellDoc& doc() { return frame.Doc(); }
    void AddRows(int n, uint32_t delay = 0) {
        for (int i = 0; i < n; ++i) {
            auto a = std::make_unique<CMouseAction>();
            a->m_iX = i;
            a->m_iY = 100 + i;
            a->m_dwDelay = delay;
            view().AppendRow(std::move(a));
        }
    }
    // The x positions the run moved to, in order.
    QList<int> Moves() {
        QList<int> xs;
        for (const QString& line : fakes.runLog.Lines())
            if (line.startsWith(QStringLiteral("move ")))
                xs << line.section(u' ', 1, 1).toInt();
        return xs;
    }
    QString ButtonText() { return view().StartStopButton().text(); }

    CFakeHotKeys hotKeys;
    CEventLog log;
    CRecordingInput input{log};
    testsupport::CFakeServices fakes{hotKeys, input};
    CMainFrame frame{fakes.services};
};

}  // namespace

class TestViewRun : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() {
        g_scriptHeader = CScriptHeader();
        g_settings = CSettings();
        g_settings.m_iMdMuMin = 0;
        g_settings.m_iMdMuMax = 0;
        g_settings.m_iDcMin = 0;
        g_settings.m_iDcMax = 0;
        g_settings.Save();
    }

    void runsEveryPassInRowOrder() {
        CWindow w;
        w.AddRows(3);
        w.view().RepeatCountEdit().setText(QStringLiteral("2"));
        QCOMPARE(w.ButtonText(), QStringLiteral("Start Script Execution"));
        w.view().OnStartStop();
        QTRY_COMPARE(w.ButtonText(), QStringLiteral("Start Script Execution"));
        QCOMPARE(w.Moves(), (QList<int>{0, 1, 2, 0, 1, 2}));
        QCOMPARE(w.view().ExecutionInfo().text(), QStringLiteral("Executed 6 Action(s)"));
        for (int r = 0; r < 3; ++r)
            QCOMPARE(w.view().List().GetItemData(r)->m_crColor.load(), kColorBlack);
        QVERIFY(!w.doc().IsModified());
    }

    void repeatCountBelowOneAsks() {
        CWindow w;
        w.AddRows(2);
        w.view().RepeatCountEdit().setText(QStringLiteral("0"));
        w.fakes.messages.QueueAnswer(IDNO);
        w.view().OnStartStop();
        QCOMPARE(w.fakes.messages.Texts().last(),
                 QStringLiteral("Repeat Count will be made to 1, Continue ?"));
        QVERIFY(!w.view().IsRunning());
        QCOMPARE(w.view().RepeatCountEdit().text(), QStringLiteral("0"));
        w.fakes.messages.QueueAnswer(IDYES);
        w.view().OnStartStop();
        QCOMPARE(w.view().RepeatCountEdit().text(), QStringLiteral("1"));
        QVERIFY(w.frame.Doc().IsModified());
        QTRY_COMPARE(w.ButtonText(), QStringLiteral("Start Script Execution"));
        QCOMPARE(w.Moves(), (QList<int>{0, 1}));
    }

    void emptyListIsRefused() {
        CWindow w;
        g_scriptHeader.m_bAutoMinimize = 1;
        w.view().UpdateData(false);
        QSignalSpy minimize(&w.view(), &CVantrellView::MinimizeRequested);
        w.view().OnStartStop();
        QCOMPARE(
            w.fakes.messages.Texts().last(),
            QStringLiteral("No Action(s) in the List of Actions to Execute.\n\nAdd Action(s) to the List of "
                           "Actions and then try Again."));
        QCOMPARE(minimize.size(), 0);
        QVERIFY(!w.view().IsRunning());
    }

    void stopCutsTheDelayShort() {
        CWindow w;
        w.AddRows(1, 5000);
        QElapsedTimer timer;
        timer.start();
        w.view().OnStartStop();
        QCOMPARE(w.ButtonText(), QStringLiteral("Stop Script Execution"));
        w.view().OnStartStop();
        QCOMPARE(w.ButtonText(), QStringLiteral("Start Script Execution"));
        w.view().StopRun();
        QVERIFY(timer.elapsed() < 2000);
        QVERIFY(w.Moves().isEmpty());  // the action behind the delay is not performed
    }

    // Rows are never freed under the worker: Delete All stops the run first.
    void deleteAllDuringARun() {
        CWindow w;
        w.AddRows(50, 20);
        w.view().OnStartStop();
        QTRY_VERIFY(!w.Moves().isEmpty());
        w.fakes.messages.QueueAnswer(IDYES);
        w.view().OnDeleteAll();
        QCOMPARE(w.view().List().GetItemCount(), 0);
        QVERIFY(!w.view().IsRunning());
        QTRY_COMPARE(w.ButtonText(), QStringLiteral("Start Script Execution"));
    }

    void startStopShortcut() {
        CWindow w;
        const auto held = [&w] {
            for (const auto& r : w.hotKeys.Registrations())
                if (r.id == CVantrellView::HOTKEY_START_STOP)
                    return std::optional<CFakeHotKeys::Registration>(r);
            return std::optional<CFakeHotKeys::Registration>();
        };
        // Ctrl+Shift+F typed into the field.
        w.view().HotKeyCtrl().setFocus();
        QTest::keyClick(&w.view().HotKeyCtrl(), Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(w.view().HotKeyCtrl().text(), QStringLiteral("Ctrl + Shift + F"));
        w.view().OnAssignHotKey();
        QVERIFY(held());
        QCOMPARE(held()->modifiers, MOD_CONTROL | MOD_SHIFT);
        QCOMPARE(held()->vk, VK_F);
        QCOMPARE(g_scriptHeader.m_wHotKeyModifiers, uint16_t(0x03));
        QVERIFY(!w.frame.Doc().IsModified());
        // Assigning it again succeeds: it is given up first.
        w.view().OnAssignHotKey();
        QVERIFY(held());
        QVERIFY(w.fakes.messages.Texts().isEmpty());

        // Alt with the extended flag is Alt + Windows.
        w.view().HotKeyCtrl().SetHotKey(VK_F, 0x0C);
        w.view().OnAssignHotKey();
        QCOMPARE(held()->modifiers, MOD_ALT | MOD_WIN);
        // A key without modifiers registers too.
        w.view().HotKeyCtrl().SetHotKey(VK_F, 0);
        w.view().OnAssignHotKey();
        QCOMPARE(held()->modifiers, 0u);

        // Assign with the field empty gives the key up and marks nothing.
        w.view().HotKeyCtrl().SetHotKey(0, 0);
        w.view().OnAssignHotKey();
        QVERIFY(!held());
        QVERIFY(!w.frame.Doc().IsModified());

        // Clear empties, gives up and marks.
        w.view().HotKeyCtrl().SetHotKey(VK_F, 0x02);
        w.view().OnAssignHotKey();
        w.view().OnClearHotKey();
        QVERIFY(!held());
        QCOMPARE(w.view().HotKeyCtrl().text(), QString());
        QCOMPARE(g_scriptHeader.m_wHotKeyCode, uint16_t(0));
        QVERIFY(w.frame.Doc().IsModified());
    }

    void shortcutTakenByTheAddActionKey() {
        CWindow w;
        QCOMPARE(w.view().AddButton().text(), QStringLiteral("Add New Mouse Click\n( F6 )"));
        w.view().HotKeyCtrl().SetHotKey(VK_F6, 0);
        w.view().OnAssignHotKey();
        QCOMPARE(w.fakes.messages.Texts().last(),
                 QStringLiteral("Could Not Assign Keyboard Shortcut, Probably Already used by Some Other "
                                "Application.\n\nLast Error 10 "));
        QCOMPARE(w.fakes.messages.Messages().back().type, MB_OK | MB_ICONERROR);
        QCOMPARE(g_scriptHeader.m_wHotKeyCode, uint16_t(0));
        QCOMPARE(w.view().HotKeyCtrl().text(), QString());
        QVERIFY(w.frame.Doc().IsModified());
    }

    void shortcutTogglesTheRun() {
        CWindow w;
        w.AddRows(1, 5000);
        w.view().HotKeyCtrl().SetHotKey(VK_F, 0x02);
        w.view().OnAssignHotKey();
        QVERIFY(w.hotKeys.Press(MOD_CONTROL, VK_F));
        QVERIFY(w.view().IsRunning());
        QVERIFY(w.hotKeys.Press(MOD_CONTROL, VK_F));
        QVERIFY(!w.view().IsRunning());
    }

    // The scheduled start, with a manual clock.
    void autoRun() {
        CWindow w;
        QDateTime now(QDate(2026, 12, 5), QTime(14, 5, 0));
        w.frame.SetClock([&now] { return now; });
        w.AddRows(1, 5000);
        g_scriptHeader.m_bAutoRun = 1;
        g_scriptHeader.m_dtAutoRunDate = COleDateTime(QDate(2026, 12, 5), QTime(0, 0));
        g_scriptHeader.m_dtAutoRunTime = COleDateTime(QDate(1899, 12, 30), QTime(14, 5, 9));
        w.view().UpdateData(false);
        const auto tickAt = [&](int seconds, int msecs = 0) {
            now = QDateTime(QDate(2026, 12, 5), QTime(14, 5, seconds, msecs));
            w.frame.OnClockTick();
            QApplication::processEvents();
        };
        // Ticks two seconds apart still catch the scheduled second, once.
        tickAt(6);
        QVERIFY(!w.view().IsRunning());
        tickAt(8);
        tickAt(10);
        QVERIFY(w.view().IsRunning());
        QVERIFY(!w.view().AutoRunCheck().isChecked());
        QCOMPARE(g_scriptHeader.m_bAutoRun, 0);
        QVERIFY(!w.frame.Doc().IsModified());
        tickAt(12);
        QVERIFY(w.view().IsRunning());

        // Reached while a run is in progress: the run stops and the box is cleared.
        w.view().AutoRunCheck().click();
        g_scriptHeader.m_dtAutoRunTime = COleDateTime(QDate(1899, 12, 30), QTime(14, 5, 13));
        tickAt(13, 500);
        QVERIFY(!w.view().IsRunning());
        QVERIFY(!w.view().AutoRunCheck().isChecked());

        // A moment already past when the box is ticked never fires.
        w.view().AutoRunCheck().click();
        tickAt(20);
        tickAt(21);
        QVERIFY(!w.view().IsRunning());
        QVERIFY(w.view().AutoRunCheck().isChecked());
    }

    void autoRunWithAnEmptyList() {
        CWindow w;
        QDateTime now(QDate(2030, 1, 1), QTime(8, 0, 0));
        w.frame.SetClock([&now] { return now; });
        g_scriptHeader.m_bAutoRun = 1;
        g_scriptHeader.m_dtAutoRunDate = COleDateTime(QDate(2030, 1, 1), QTime(0, 0));
        g_scriptHeader.m_dtAutoRunTime = COleDateTime(QDate(1899, 12, 30), QTime(8, 0, 1));
        w.view().UpdateData(false);
        now = now.addMSecs(1500);
        w.frame.OnClockTick();
        QTRY_VERIFY(!w.view().AutoRunCheck().isChecked());
        QVERIFY(w.fakes.messages.Texts().last().startsWith(QStringLiteral("No Action(s) in the List")));
    }
};

VANTRELL_X11_TEST_MAIN(TestViewRun, QApplication)
#include "tst_viewrun.moc"
