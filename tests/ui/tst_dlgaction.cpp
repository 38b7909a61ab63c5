// The action editor on its own: what it shows, the capture key it holds while open, and that only a
// successful OK ever changes the record.

#include <QComboBox>
#include <QLabel>

#include "tests/ui/UiFixture.h"
#include "ui/AppHotKeys.h"
#include "ui/DlgAction.h"

using namespace uitest;

namespace {

struct CEditor {
    void Open(CMouseAction& record, bool bEditMode = false) {
        dlg->m_pAction = &record;
        dlg->m_bEditMode = bEditMode;
        dlg->open();
    }
    template <class T = QLineEdit>
    T* Child(const QString& name) {
        return dlg->findChild<T*>(name);
    }
    QComboBox* type() { return Child<QComboBox>(u"cmbClickType"_s); }
    QString label(const QString& name) { return Child<QLabel>(name)->text(); }
    void Click(const QString& button) { QTest::mouseClick(Child<QPushButton>(button), Qt::LeftButton); }

    CFakeHotKeys hotKeys;
    CEventLog log;
    CRecordingInput input{log};
    testsupport::CFakeServices fakes{hotKeys, input};
    std::unique_ptr<CDlgAction> dlg = std::make_unique<CDlgAction>(fakes.services);
};

// One line per record, so a comparison failure shows every field.
QString Describe(const CMouseAction& a) {
    return u"%1 %2,%3 %4 "_s.arg(a.m_iClickType).arg(a.m_iX).arg(a.m_iY).arg(a.m_dwDelay) + a.m_strComment;
}

}  // namespace

class TestDlgAction : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The editor takes the first free key from F6 on (F6 is usually the view's own) and names it; it shows
    // the record, and the cursor position twice a second.
    void showsTheRecordAndTheCaptureKey() {
        for (const unsigned taken : {0u, 1u, 7u}) {
            CEditor e;
            for (unsigned vk = VK_F6; vk < VK_F6 + taken; ++vk)
                e.hotKeys.OccupyByOtherProgram(0, vk);
            e.input.SetCursorPos(640, -12);
            CMouseAction record = *MakeAction(DoubleRightClick, -5, 7, 250, u"third"_s);
            e.Open(record, taken == 7);
            QCOMPARE(e.dlg->windowTitle(),
                     (taken == 7 ? u"Edit"_s : u"Add New"_s) + u" Mouse Click - Vantrell by Orlenby"_s);
            QCOMPARE(e.label(u"lblShortcutHint"_s),
                     taken == 7 ? u"Shortcut Key to Update X,Y will be Displayed here"_s
                                : u"Press F%1 to Update X & Y with Current Location"_s.arg(6 + taken));
            QStringList shown = {e.type()->currentText()};
            for (const QString& name : {u"editX"_s, u"editY"_s, u"editDelay"_s, u"editComment"_s})
                shown << e.Child(name)->text();
            QCOMPARE(shown, (QStringList{"Double Right Click", "-5", "7", "250", "third"}));
            QCOMPARE(e.label(u"lblCurrentLocation"_s), u"Current Location"_s);
            QTRY_COMPARE(e.label(u"lblCurrentLocation"_s), u"Mouse Cursor at X = 640 and Y = -12"_s);
        }
    }

    // Every way out but OK leaves the record alone, and the capture key goes at once, not when the object
    // goes.
    void everyWayOutButOkKeepsTheRecord_data() {
        QTest::addColumn<QString>("how");
        for (const char* how : {"Cancel", "Esc", "close box", "destroyed"})
            QTest::newRow(how) << QString::fromLatin1(how);
    }
    void everyWayOutButOkKeepsTheRecord() {
        QFETCH(QString, how);
        CEditor e;
        CMouseAction record = *MakeAction(MiddleClick, 10, 20, 30, u"old"_s);
        const QString before = Describe(record);
        e.Open(record);
        QCOMPARE(e.hotKeys.Registrations().size(), std::size_t{1});
        e.type()->setCurrentIndex(RightClick);
        e.Child(u"editX"_s)->setText(u"-300"_s);
        e.Child(u"editComment"_s)->setText(u"new"_s);
        QCOMPARE(Describe(record), before);

        if (how == u"Cancel")
            e.Click(u"btnCancel"_s);
        else if (how == u"Esc")
            QTest::keyClick(e.Child(u"editComment"_s), Qt::Key_Escape);
        else if (how == u"close box")
            e.dlg->close();
        else
            e.dlg.reset();
        QCOMPARE(Describe(record), before);
        QVERIFY(e.hotKeys.Registrations().empty());
        QVERIFY(!e.dlg || (!e.dlg->isVisible() && e.dlg->result() == QDialog::Rejected));
    }

    // X, Y and delay as set (a paste gets past what typing filters), and the field OK refuses, if any.
    void okConvertsEveryFieldOrNone_data() {
        QTest::addColumn<QString>("fields");
        QTest::addColumn<QString>("refused");
        QTest::newRow("extremes of the types") << u"-2147483648|2147483647|4294967295"_s << QString();
        QTest::newRow("blanks around numbers") << u" 7 |8 | 9"_s << QString();
        QTest::newRow("letter in X") << u"1a|15|100"_s << u"editX"_s;
        QTest::newRow("X beyond 32 bits") << u"2147483648|0|1"_s << u"editX"_s;
        QTest::newRow("letter in Y, X fine") << u"5|y|100"_s << u"editY"_s;
        QTest::newRow("negative delay") << u"5|6|-1"_s << u"editDelay"_s;
        QTest::newRow("delay beyond 32 bits") << u"5|6|4294967296"_s << u"editDelay"_s;
        QTest::newRow("X and delay bad: X is named") << u"x|6|"_s << u"editX"_s;
    }
    void okConvertsEveryFieldOrNone() {
        QFETCH(QString, fields);
        QFETCH(QString, refused);
        const QStringList f = fields.split(u'|');
        CEditor e;
        CMouseAction record = *MakeAction(LeftClick, 111, 222, 333, u"before"_s);
        const QString before = Describe(record);
        e.Open(record, true);
        e.type()->setCurrentIndex(DoubleClick);
        e.Child(u"editX"_s)->setText(f[0]);
        e.Child(u"editY"_s)->setText(f[1]);
        e.Child(u"editDelay"_s)->setText(f[2]);
        e.Child(u"editComment"_s)->setText(u"c"_s);
        e.Click(u"btnOK"_s);

        const auto& messages = e.fakes.messages.Messages();
        if (refused.isEmpty()) {
            QCOMPARE(e.dlg->result(), int(QDialog::Accepted));
            QVERIFY(messages.empty());
            const auto expected = MakeAction(DoubleClick, f[0].trimmed().toInt(), f[1].trimmed().toInt(),
                                             f[2].trimmed().toUInt(), u"c"_s);
            QCOMPARE(Describe(record), Describe(*expected));
            return;
        }
        QVERIFY(e.dlg->isVisible());
        QCOMPARE(messages.size(), std::size_t{1});
        QCOMPARE(messages[0].text, refused == u"editDelay" ? u"Please enter a positive integer or 0."_s
                                                           : u"Please enter an integer."_s);
        QCOMPARE(e.dlg->focusWidget(), e.Child(refused));
        QCOMPARE(e.Child(refused)->selectedText(), e.Child(refused)->text());
        QCOMPARE(Describe(record), before);

        // Nothing of the refused OK reaches the record when the user then gives up.
        e.Click(u"btnCancel"_s);
        QCOMPARE(Describe(record), before);
    }

    // Where the pointer cannot be read, the capture key (a key of the program's own windows then) opens the
    // overlay; the live position follows the pointer over it, a click or the key again takes the point, Esc
    // changes nothing.
    void capturePicksOnTheOverlayWhereThePointerIsUnreadable_data() {
        QTest::addColumn<QString>("how");
        for (const char* how : {"click", "key again", "Esc"})
            QTest::newRow(how) << QString::fromLatin1(how);
    }
    void capturePicksOnTheOverlayWhereThePointerIsUnreadable() {
        QFETCH(QString, how);
        CAppHotKeys hotKeys;
        CEventLog log;
        CRecordingInput input{log};
        testsupport::CFakeServices fakes{hotKeys, input};
        fakes.services.bReadsPointer = false;
        CDlgAction dlg(fakes.services);
        CMouseAction record = *MakeAction(LeftClick, 1, 2, 0, {});
        dlg.m_pAction = &record;
        dlg.open();
        QVERIFY(QTest::qWaitForWindowActive(&dlg));
        const auto label = [&dlg] { return dlg.findChild<QLabel*>(u"lblCurrentLocation"_s)->text(); };
        QTest::qWait(2 * CDlgAction::kLocationIntervalMs);
        QCOMPARE(label(), u"Current Location"_s);  // nothing claimed about a pointer it cannot see

        QTest::keyClick(dlg.windowHandle(), Qt::Key_F6);
        QWidget* cover = nullptr;
        QTRY_VERIFY((cover = Overlay()) != nullptr);
        QVERIFY(QTest::qWaitForWindowExposed(cover));
        const QPoint origin = cover->screen()->geometry().topLeft();
        QTest::mouseMove(cover, QPoint(120, 45));
        QTRY_COMPARE(label(), u"Mouse Cursor at X = %1 and Y = %2"_s.arg(origin.x() + 120).arg(origin.y() + 45));
        if (how == u"click")
            QTest::mouseClick(cover, Qt::LeftButton, {}, QPoint(120, 45));
        else if (how == u"key again")
            QTest::keyClick(cover->windowHandle(), Qt::Key_F6);
        else
            QTest::keyClick(cover->windowHandle(), Qt::Key_Escape);
        QTRY_VERIFY(Overlay() == nullptr);
        const bool picked = how != u"Esc";
        QCOMPARE(dlg.findChild<QLineEdit*>(u"editX"_s)->text(), QString::number(picked ? origin.x() + 120 : 1));
        QCOMPARE(dlg.findChild<QLineEdit*>(u"editY"_s)->text(), QString::number(picked ? origin.y() + 45 : 2));
        QCOMPARE(label(), u"Current Location"_s);
        QVERIFY(dlg.isVisible());  // Esc went to the overlay, not to the editor
        QCOMPARE(record.m_iX, 1);  // only OK changes the record
    }

private:
    static QWidget* Overlay() {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w->isVisible() && w->windowTitle() == u"Pick a position")
                return w;
        }
        return nullptr;
    }
};

VANTRELL_X11_TEST_MAIN(TestDlgAction, QApplication)
#include "tst_dlgaction.moc"
