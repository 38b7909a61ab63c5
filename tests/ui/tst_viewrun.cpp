// Runs started from the window: the button, the start/stop shortcut and the scheduled start, with fake
// services (the run's clicks are recorded, not made) and a manual clock.

#include <QSignalSpy>

#include "tests/ui/UiFixture.h"

using namespace uitest;

namespace {

const QString kStart = u"Start Script Execution"_s;

// The start/stop shortcut the fake desktop holds for the view, if any.
std::optional<CFakeHotKeys::Registration> StartStopKey(const CWindow& w) {
    for (const auto& r : w.fakeHotKeys.Registrations())
        if (r.id == CVantrellView::HOTKEY_START_STOP)
            return r;
    return std::nullopt;
}

}  // namespace

class TestViewRun : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() {
        g_scriptHeader = CScriptHeader();
        g_settings = CSettings();
        g_settings.m_iMdMuMin = g_settings.m_iMdMuMax = 0;
        g_settings.m_iDcMin = g_settings.m_iDcMax = 0;
        g_settings.Save();
    }

    void runsEveryPassInRowOrder() {
        CWindow w;
        w.AddRows(3);
        w.view().RepeatCountEdit().setText(u"2"_s);
        w.view().OnStartStop();
        QTRY_COMPARE(w.view().StartStopButton().text(), kStart);
        QCOMPARE(w.Moves(), (QList<int>{0, 10, 20, 0, 10, 20}));
        QCOMPARE(w.view().ExecutionInfo().text(), u"Executed 6 Action(s)"_s);
        for (int r = 0; r < 3; ++r)
            QCOMPARE(w.list().GetItemData(r)->m_crColor.load(), kColorBlack);
        QVERIFY(!w.doc().IsModified());
    }

    void repeatCountBelowOneAsks() {
        CWindow w;
        w.AddRows(2);
        w.view().RepeatCountEdit().setText(u"0"_s);
        w.fakes.messages.QueueAnswer(IDNO);
        w.view().OnStartStop();
        QCOMPARE(w.messages().last(), u"Repeat Count will be made to 1, Continue ?"_s);
        QVERIFY(!w.view().IsRunning());
        QCOMPARE(w.view().RepeatCountEdit().text(), u"0"_s);
        w.fakes.messages.QueueAnswer(IDYES);
        w.view().OnStartStop();
        QCOMPARE(w.view().RepeatCountEdit().text(), u"1"_s);
        QVERIFY(w.doc().IsModified());
        QTRY_COMPARE(w.view().StartStopButton().text(), kStart);
        QCOMPARE(w.Moves(), (QList<int>{0, 10}));
    }

    // Neither the button nor the scheduled start runs an empty list; the window is not minimized.
    void emptyListIsRefused() {
        CWindow w;
        QDateTime now(QDate(2030, 1, 1), QTime(8, 0, 0));
        w.frame.SetClock([&now] { return now; });
        g_scriptHeader.m_bAutoMinimize = 1;
        g_scriptHeader.m_bAutoRun = 1;
        g_scriptHeader.m_dtAutoRunDate = COleDateTime(QDate(2030, 1, 1), QTime(0, 0));
        g_scriptHeader.m_dtAutoRunTime = COleDateTime(QDate(1899, 12, 30), QTime(8, 0, 1));
        w.view().UpdateData(false);
        QSignalSpy minimize(&w.view(), &CVantrellView::MinimizeRequested);
        w.view().OnStartStop();
        now = now.addMSecs(1500);
        w.frame.OnClockTick();
        QTRY_VERIFY(!w.view().AutoRunCheck().isChecked());
        const QString refused =
            u"No Action(s) in the List of Actions to Execute.\n\nAdd Action(s) to the List of "
            "Actions and then try Again."_s;
        QCOMPARE(w.messages(), (QStringList{refused, refused}));
        QCOMPARE(minimize.size(), 0);
        QVERIFY(!w.view().IsRunning());
    }

    void stopCutsTheDelayShort() {
        CWindow w;
        w.AddRows(1, 5000);
        QElapsedTimer timer;
        timer.start();
        w.view().OnStartStop();
        QCOMPARE(w.view().StartStopButton().text(), u"Stop Script Execution"_s);
        w.view().OnStartStop();
        QCOMPARE(w.view().StartStopButton().text(), kStart);
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
        QCOMPARE(w.list().GetItemCount(), 0);
        QVERIFY(!w.view().IsRunning());
        QTRY_COMPARE(w.view().StartStopButton().text(), kStart);
    }

    void startStopShortcut() {
        CWindow w;
        w.AddRows(1, 5000);
        w.view().HotKeyCtrl().setFocus();
        QTest::keyClick(&w.view().HotKeyCtrl(), Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(w.view().HotKeyCtrl().text(), u"Ctrl + Shift + F"_s);
        // Assigned twice: the second gives the key up first, so it succeeds too.
        for (int i = 0; i < 2; ++i) {
            w.view().OnAssignHotKey();
            QVERIFY(StartStopKey(w));
            QCOMPARE(StartStopKey(w)->modifiers, MOD_CONTROL | MOD_SHIFT);
            QCOMPARE(StartStopKey(w)->vk, VK_F);
        }
        QCOMPARE(g_scriptHeader.m_wHotKeyModifiers, uint16_t(0x03));
        QVERIFY(w.messages().isEmpty());
        QVERIFY(!w.doc().IsModified());

        // The key toggles the run.
        QVERIFY(w.fakeHotKeys.Press(MOD_CONTROL | MOD_SHIFT, VK_F));
        QVERIFY(w.view().IsRunning());
        QVERIFY(w.fakeHotKeys.Press(MOD_CONTROL | MOD_SHIFT, VK_F));
        QVERIFY(!w.view().IsRunning());

        // The field's flags (Shift 1, Ctrl 2, Alt 4, extended 8) become the desktop's modifiers.
        const std::pair<uint16_t, unsigned> conversions[] = {
            {0x0C, MOD_ALT | MOD_WIN}, {0x01, MOD_SHIFT}, {0x00, 0u}};
        for (const auto& [flags, modifiers] : conversions) {
            w.view().HotKeyCtrl().SetHotKey(VK_F, flags);
            w.view().OnAssignHotKey();
            QCOMPARE(StartStopKey(w)->modifiers, modifiers);
        }

        // Assign with the field empty gives the key up and marks nothing; Clear empties, gives up and marks.
        w.view().HotKeyCtrl().SetHotKey(0, 0);
        w.view().OnAssignHotKey();
        QVERIFY(!StartStopKey(w));
        QVERIFY(!w.doc().IsModified());
        w.view().HotKeyCtrl().SetHotKey(VK_F, 0x02);
        w.view().OnAssignHotKey();
        w.view().OnClearHotKey();
        QVERIFY(!StartStopKey(w));
        QCOMPARE(w.view().HotKeyCtrl().text(), QString());
        QCOMPARE(g_scriptHeader.m_wHotKeyCode, uint16_t(0));
        QVERIFY(w.doc().IsModified());
    }

    void shortcutTakenByTheAddActionKey() {
        CWindow w;
        QCOMPARE(w.view().AddButton().text(), u"Add New Mouse Click\n( F6 )"_s);
        w.view().HotKeyCtrl().SetHotKey(VK_F6, 0);
        w.view().OnAssignHotKey();
        QCOMPARE(w.messages().last(),
                 u"Could Not Assign Keyboard Shortcut, Probably Already used by Some Other "
                 "Application.\n\nLast Error 10 "_s);
        QCOMPARE(w.fakes.messages.Messages().back().type, MB_OK | MB_ICONERROR);
        QCOMPARE(g_scriptHeader.m_wHotKeyCode, uint16_t(0));
        QCOMPARE(w.view().HotKeyCtrl().text(), QString());
        QVERIFY(w.doc().IsModified());
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
        // Ticks two seconds apart still catch the scheduled second, once: the next tick does not stop it.
        tickAt(6);
        tickAt(8);
        QVERIFY(!w.view().IsRunning());
        tickAt(10);
        QVERIFY(w.view().IsRunning());
        QVERIFY(!w.view().AutoRunCheck().isChecked());
        QCOMPARE(g_scriptHeader.m_bAutoRun, 0);
        QVERIFY(!w.doc().IsModified());
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
};

VANTRELL_X11_TEST_MAIN(TestViewRun, QApplication)
#include "tst_viewrun.moc"
