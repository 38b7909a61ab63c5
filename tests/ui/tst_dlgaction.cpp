// The action editor on its own: what it shows, the capture key it holds while open, and that only a
// successful OK ever changes the record.

#include <QComboBox>
#include <QLabel>

#include "tests/ui/UiFixture.h"

using namespace uitest;

namespace {

const QString kIntegerPrompt = u"Please enter an integer."_s;
const QString kDelayPrompt = u"Please enter a positive integer or 0."_s;
const QString kPressF6 = u"Press F6 to Update X & Y with Current Location"_s;

// Stands for the view, which holds its own capture key while the editor is open.
struct CViewOwner final : IHotKeyOwner {
    explicit CViewOwner(IHotKeys& hotKeys) : m_captureHotKey(hotKeys) {}
    void OnHotKey(int) override {}
    CCaptureHotKey m_captureHotKey;
};

struct CEditor {
    void Open(CMouseAction& record, bool bEditMode = false) {
        dlg->m_pAction = &record;
        dlg->m_bEditMode = bEditMode;
        dlg->open();
    }
    template <class T = QLineEdit>
    T* Child(const char* name) {
        T* child = dlg->findChild<T*>(QLatin1String(name));
        if (!child)
            qFatal("no child %s", name);
        return child;
    }
    QComboBox* type() { return Child<QComboBox>("cmbClickType"); }
    QLabel* label(const char* name) { return Child<QLabel>(name); }
    void Click(const char* button) { QTest::mouseClick(Child<QPushButton>(button), Qt::LeftButton); }

    CFakeHotKeys hotKeys;
    CEventLog log;
    CRecordingInput input{log};
    testsupport::CFakeServices fakes{hotKeys, input};
    std::unique_ptr<CDlgAction> dlg = std::make_unique<CDlgAction>(fakes.services);
};

// One line per record, so a comparison failure shows every field.
QString Describe(const CMouseAction& a) {
    return u"type %1 at %2,%3 after %4 ms \"%5\""_s.arg(a.m_iClickType)
        .arg(a.m_iX)
        .arg(a.m_iY)
        .arg(a.m_dwDelay)
        .arg(a.m_strComment);
}

void Retype(QLineEdit* edit, const QString& text) {
    edit->selectAll();
    QTest::keyClicks(edit, text);
}

}  // namespace

class TestDlgAction : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void titleAndCaptureKeyHint_data() {
        QTest::addColumn<bool>("bEditMode");
        QTest::addColumn<int>("viewHolds");  // function keys held before the editor opens
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("hint");
        QTest::newRow("add, nothing held")
            << false << 0 << u"Add New Mouse Click - Vantrell by Orlenby"_s << kPressF6;
        QTest::newRow("add, view holds F6") << false << 1 << u"Add New Mouse Click - Vantrell by Orlenby"_s
                                            << u"Press F7 to Update X & Y with Current Location"_s;
        QTest::newRow("edit, all seven taken") << true << 7 << u"Edit Mouse Click - Vantrell by Orlenby"_s
                                               << u"Shortcut Key to Update X,Y will be Displayed here"_s;
    }
    void titleAndCaptureKeyHint() {
        QFETCH(bool, bEditMode);
        QFETCH(int, viewHolds);
        CEditor e;
        CViewOwner view(e.hotKeys);
        if (viewHolds == 1)
            QCOMPARE(view.m_captureHotKey.RegisterFirstFree(&view), u"F6"_s);
        for (unsigned vk = VK_F6; viewHolds == 7 && vk <= VK_F12; ++vk)
            e.hotKeys.OccupyByOtherProgram(0, vk);
        CMouseAction record;
        e.Open(record, bEditMode);
        QTEST(e.dlg->windowTitle(), "title");
        QTEST(e.label("lblShortcutHint")->text(), "hint");
        // The ampersand must show as it is, not be eaten as a mnemonic marker.
        QCOMPARE(e.label("lblShortcutHint")->textFormat(), Qt::PlainText);
    }

    void showsTheRecord() {
        CEditor e;
        CMouseAction record = *MakeAction(DoubleRightClick, -5, 7, 250, u"third"_s);
        e.Open(record);
        QCOMPARE(e.type()->count(), 6);
        QCOMPARE(e.type()->currentText(), u"Double Right Click"_s);
        const QStringList shown{e.Child("editX")->text(), e.Child("editY")->text(),
                                e.Child("editDelay")->text(), e.Child("editComment")->text()};
        QCOMPARE(shown, (QStringList{"-5", "7", "250", "third"}));
        QCOMPARE(e.dlg->focusWidget(), e.type());

        // X takes a minus sign; the delay takes typed digits only.
        Retype(e.Child("editX"), u"-20"_s);
        QCOMPARE(e.Child("editX")->text(), u"-20"_s);
        Retype(e.Child("editDelay"), u"1a2-3"_s);
        QCOMPARE(e.Child("editDelay")->text(), u"123"_s);
    }

    // A type the list does not know selects nothing, and OK keeps it rather than taking the first.
    void unknownTypeIsKept() {
        CEditor e;
        CMouseAction record = *MakeAction(9, 4, 5, 6);
        e.Open(record);
        QCOMPARE(e.type()->currentIndex(), -1);
        Retype(e.Child("editX"), u"40"_s);
        e.Click("btnOK");
        QCOMPARE(e.dlg->result(), int(QDialog::Accepted));
        QCOMPARE(Describe(record), Describe(*MakeAction(9, 40, 5, 6)));
    }

    void enterConfirmsANewType() {
        CEditor e;
        CMouseAction record = *MakeAction(DoubleRightClick, 4, 5, 6, u"row"_s);
        e.Open(record, true);
        e.type()->setCurrentIndex(MiddleClick);
        QTest::keyClick(e.type(), Qt::Key_Return);
        QCOMPARE(e.dlg->result(), int(QDialog::Accepted));
        QCOMPARE(Describe(record), Describe(*MakeAction(MiddleClick, 4, 5, 6, u"row"_s)));
    }

    // The capture key fills the fields, not the record. Every way out but OK leaves the record alone, and
    // the key goes at once, not when the object goes.
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
        e.input.SetCursorPos(-300, 42);
        QVERIFY(e.hotKeys.Press(0, VK_F6));
        QCOMPARE(e.Child("editX")->text(), u"-300"_s);
        QCOMPARE(e.Child("editY")->text(), u"42"_s);
        e.type()->setCurrentIndex(RightClick);
        Retype(e.Child("editComment"), u"new"_s);
        QCOMPARE(Describe(record), before);

        if (how == u"Cancel")
            e.Click("btnCancel");
        else if (how == u"Esc")
            QTest::keyClick(e.Child("editComment"), Qt::Key_Escape);
        else if (how == u"close box")
            e.dlg->close();
        else
            e.dlg.reset();
        QCOMPARE(Describe(record), before);
        QVERIFY(e.hotKeys.Registrations().empty());
        if (!e.dlg)
            return;
        QVERIFY(!e.dlg->isVisible());
        QCOMPARE(e.dlg->result(), int(QDialog::Rejected));

        // Opened again, it takes the key afresh and starts over from the record.
        e.dlg->open();
        QCOMPARE(e.label("lblShortcutHint")->text(), kPressF6);
        QCOMPARE(e.Child("editX")->text(), u"10"_s);
        QCOMPARE(e.type()->currentIndex(), int(MiddleClick));
        QCOMPARE(e.label("lblCurrentLocation")->text(), u"Current Location"_s);
    }

    void okConvertsEveryFieldOrNone_data() {
        QTest::addColumn<QStringList>("fields");    // X, Y, delay
        QTest::addColumn<QString>("refusedField");  // empty when OK goes through
        QTest::addColumn<QString>("prompt");
        QTest::newRow("negative X") << QStringList{"-20", "15", "100"} << QString() << QString();
        QTest::newRow("extremes of the types")
            << QStringList{"-2147483648", "2147483647", "4294967295"} << QString() << QString();
        QTest::newRow("blanks around numbers") << QStringList{" 7 ", "8 ", " 9"} << QString() << QString();
        QTest::newRow("letter in X") << QStringList{"1a", "15", "100"} << u"editX"_s << kIntegerPrompt;
        QTest::newRow("empty X") << QStringList{"", "15", "100"} << u"editX"_s << kIntegerPrompt;
        QTest::newRow("X beyond 32 bits")
            << QStringList{"2147483648", "0", "1"} << u"editX"_s << kIntegerPrompt;
        QTest::newRow("letter in Y, X fine") << QStringList{"5", "y", "100"} << u"editY"_s << kIntegerPrompt;
        QTest::newRow("empty delay") << QStringList{"5", "6", ""} << u"editDelay"_s << kDelayPrompt;
        QTest::newRow("negative delay") << QStringList{"5", "6", "-1"} << u"editDelay"_s << kDelayPrompt;
        QTest::newRow("delay beyond 32 bits")
            << QStringList{"5", "6", "4294967296"} << u"editDelay"_s << kDelayPrompt;
        QTest::newRow("X and delay bad: X is named")
            << QStringList{"x", "6", ""} << u"editX"_s << kIntegerPrompt;
    }
    void okConvertsEveryFieldOrNone() {
        QFETCH(QStringList, fields);
        QFETCH(QString, refusedField);
        QFETCH(QString, prompt);
        CEditor e;
        CMouseAction record = *MakeAction(LeftClick, 111, 222, 333, u"before"_s);
        const QString before = Describe(record);
        e.Open(record, true);
        e.type()->setCurrentIndex(DoubleClick);
        // Set, not typed: the delay field would drop a typed minus sign, but a paste gets through.
        e.Child("editX")->setText(fields[0]);
        e.Child("editY")->setText(fields[1]);
        e.Child("editDelay")->setText(fields[2]);
        e.Child("editComment")->setText(u"c"_s);
        e.Click("btnOK");

        const auto& messages = e.fakes.messages.Messages();
        if (refusedField.isEmpty()) {
            QCOMPARE(e.dlg->result(), int(QDialog::Accepted));
            QVERIFY(messages.empty());
            QCOMPARE(Describe(record), Describe(*MakeAction(DoubleClick, fields[0].trimmed().toInt(),
                                                            fields[1].trimmed().toInt(),
                                                            fields[2].trimmed().toUInt(), u"c"_s)));
            return;
        }
        QVERIFY(e.dlg->isVisible());
        QCOMPARE(messages.size(), std::size_t{1});
        QCOMPARE(messages[0].text, prompt);
        QCOMPARE(messages[0].type, MB_OK | MB_ICONINFORMATION);
        QCOMPARE(messages[0].parent, e.dlg.get());
        auto* field = e.dlg->findChild<QLineEdit*>(refusedField);
        QCOMPARE(e.dlg->focusWidget(), field);
        QCOMPARE(field->selectedText(), field->text());
        QCOMPARE(Describe(record), before);

        // Nothing of the refused OK reaches the record when the user then gives up.
        e.Click("btnCancel");
        QCOMPARE(Describe(record), before);
    }

    void currentLocationFollowsTheCursor() {
        CEditor e;
        e.input.SetCursorPos(640, -12);
        CMouseAction record;
        e.Open(record);
        QCOMPARE(e.label("lblCurrentLocation")->text(), u"Current Location"_s);
        QTRY_COMPARE(e.label("lblCurrentLocation")->text(), u"Mouse Cursor at X = 640 and Y = -12"_s);
        e.input.SetCursorPos(3, 4);
        QTRY_COMPARE(e.label("lblCurrentLocation")->text(), u"Mouse Cursor at X = 3 and Y = 4"_s);
    }
};

VANTRELL_X11_TEST_MAIN(TestDlgAction, QApplication)
#include "tst_dlgaction.moc"
