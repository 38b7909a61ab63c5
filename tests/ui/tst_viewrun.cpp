// Runs started from the window: the button, the start/stop shortcut and the scheduled start, with fake
// services (the run's clicks are recorded, not made) and a manual clock.

#include "tests/ui/UiFixture.h"

using namespace uitest;

namespace {

const QString kStart = u"Start Script Execution"_s;

// The x positions the window's runs moved to, in order.
QList<int> Moves(const CWindow& w) {
    QList<int> xs;
    for (const QString& line : w.fakes.runLog.Lines())
        if (line.startsWith(u"move "_s))
            xs << line.section(u' ', 1, 1).toInt();
    return xs;
}

// The modifiers the start/stop shortcut is held with, -1 when it is not held.
int HeldModifiers(const CWindow& w) {
    for (const auto& r : w.fakeHotKeys.Registrations())
        if (r.id == CVantrellView::HOTKEY_START_STOP && r.vk == VK_F)
            return int(r.modifiers);
    return -1;
}

}  // namespace

class TestViewRun : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() {
        ResetGlobals();
        g_settings.m_iMdMuMin = g_settings.m_iMdMuMax = 0;
        g_settings.m_iDcMin = g_settings.m_iDcMax = 0;
        g_settings.Save();
    }

    // An empty list is refused; a repeat count below one is asked about first; every pass runs the rows
    // in order.
    void runsEveryPassInRowOrder() {
        CWindow w;
        w.view().OnStartStop();
        QCOMPARE(w.messages(),
                 QStringList{"No Action(s) in the List of Actions to Execute.\n\nAdd Action(s) to "
                             "the List of Actions and then try Again."});
        w.fakes.messages.Clear();
        w.AddRows(3);
        w.view().RepeatCountEdit().setText(u"0"_s);
        w.fakes.messages.QueueAnswer(IDNO);
        w.view().OnStartStop();
        QCOMPARE(w.messages(), QStringList{"Repeat Count will be made to 1, Continue ?"});
        QVERIFY(!w.view().IsRunning());
        QCOMPARE(w.view().RepeatCountEdit().text(), u"0"_s);
        w.fakes.messages.QueueAnswer(IDYES);
        w.view().OnStartStop();
        QCOMPARE(w.view().RepeatCountEdit().text(), u"1"_s);
        QVERIFY(w.doc().IsModified());
        QTRY_COMPARE(w.view().StartStopButton().text(), kStart);
        QCOMPARE(Moves(w), (QList<int>{0, 10, 20}));

        w.doc().SetModifiedFlag(false);
        w.view().RepeatCountEdit().setText(u"2"_s);
        w.view().OnStartStop();
        QTRY_COMPARE(w.view().StartStopButton().text(), kStart);
        QCOMPARE(Moves(w), (QList<int>{0, 10, 20, 0, 10, 20, 0, 10, 20}));
        QCOMPARE(w.view().ExecutionInfo().text(), u"Executed 6 Action(s)"_s);
        QCOMPARE(w.list().GetItemData(1)->m_crColor.load(), kColorBlack);
        QVERIFY(!w.doc().IsModified());
    }

    // Stop cuts a delay short; Delete All stops the run first, since rows are never freed under the worker.
    void stopAndDeleteAllDuringARun() {
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
        QVERIFY(Moves(w).isEmpty());  // the action behind the delay is not performed

        w.view().ClearList();
        w.AddRows(50, 20);
        w.view().OnStartStop();
        QTRY_VERIFY(!Moves(w).isEmpty());
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
        w.view().OnAssignHotKey();
        w.view().OnAssignHotKey();  // the key is given up first, so assigning it again succeeds
        QVERIFY(w.messages().isEmpty());
        QCOMPARE(HeldModifiers(w), int(MOD_CONTROL | MOD_SHIFT));
        QCOMPARE(g_scriptHeader.m_wHotKeyModifiers, uint16_t(0x03));
        QVERIFY(!w.doc().IsModified());
        QVERIFY(w.fakeHotKeys.Press(MOD_CONTROL | MOD_SHIFT, VK_F));
        QVERIFY(w.view().IsRunning());
        QVERIFY(w.fakeHotKeys.Press(MOD_CONTROL | MOD_SHIFT, VK_F));
        QVERIFY(!w.view().IsRunning());

        // The field's flags (Shift 1, Ctrl 2, Alt 4, extended 8) become the desktop's modifiers.
        const std::pair<uint16_t, int> keys[] = {{0x0C, MOD_ALT | MOD_WIN}, {0x01, MOD_SHIFT}, {0, 0}};
        for (const auto& [flags, modifiers] : keys) {
            w.view().HotKeyCtrl().SetHotKey(VK_F, flags);
            w.view().OnAssignHotKey();
            QCOMPARE(HeldModifiers(w), modifiers);
        }
        QVERIFY(!w.doc().IsModified());

        // Clear empties the field, gives the key up and marks the script.
        w.view().HotKeyCtrl().SetHotKey(VK_F, 0x02);
        w.view().OnAssignHotKey();
        w.view().OnClearHotKey();
        QCOMPARE(HeldModifiers(w), -1);
        QCOMPARE(w.view().HotKeyCtrl().text(), QString());
        QCOMPARE(g_scriptHeader.m_wHotKeyCode, uint16_t(0));
        QVERIFY(w.doc().IsModified());

        // A key that is taken (here by the view's own add-action key) is refused with the error code, and
        // the field and the header are emptied.
        QCOMPARE(w.view().AddButton().text(), u"Add New Mouse Click\n( F6 )"_s);
        w.view().HotKeyCtrl().SetHotKey(VK_F6, 0);
        w.view().OnAssignHotKey();
        QCOMPARE(w.messages().last(),
                 u"Could Not Assign Keyboard Shortcut, Probably Already used by Some Other "
                 "Application.\n\nLast Error 10 "_s);
        QCOMPARE(w.fakes.messages.Messages().back().type, MB_OK | MB_ICONERROR);
        QCOMPARE(w.view().HotKeyCtrl().text(), QString());
        QCOMPARE(g_scriptHeader.m_wHotKeyCode, uint16_t(0));
    }

    // The scheduled start, with a manual clock.
    void autoRun() {
        CWindow w;
        QDateTime now(QDate(2026, 12, 5), QTime(14, 5, 0));
        w.frame.SetClock([&now] { return now; });
        const auto tickAt = [&](int seconds, int msecs = 0) {
            now = QDateTime(QDate(2026, 12, 5), QTime(14, 5, seconds, msecs));
            w.frame.OnClockTick();
            QApplication::processEvents();
        };
        w.AddRows(1, 5000);
        g_scriptHeader.m_bAutoRun = 1;
        g_scriptHeader.m_dtAutoRunDate = COleDateTime(QDate(2026, 12, 5), QTime(0, 0));
        g_scriptHeader.m_dtAutoRunTime = COleDateTime(QDate(1899, 12, 30), QTime(14, 5, 9));
        w.view().UpdateData(false);
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

        // Reached while a run is in progress, the scheduled start stops it.
        w.view().AutoRunCheck().click();
        g_scriptHeader.m_dtAutoRunTime = COleDateTime(QDate(1899, 12, 30), QTime(14, 5, 13));
        tickAt(13, 500);
        QVERIFY(!w.view().IsRunning());

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
