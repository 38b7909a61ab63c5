#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include "engine/CaptureHotKey.h"
#include "platform/RecordingInput.h"
#include "tests/support/FakeHotKeys.h"
#include "tests/support/FakeUiServices.h"
#include "tests/support/TestMain.h"
#include "ui/DlgAction.h"

using testsupport::CFakeHotKeys;
using namespace Qt::StringLiterals;

namespace {

constexpr unsigned VK_F6 = 0x75;
constexpr unsigned VK_F12 = 0x7B;

const QString kTemplateHint = QStringLiteral("Shortcut Key to Update X,Y will be Displayed here");
const QString kIntegerPrompt = QStringLiteral("Please enter an integer.");
const QString kDelayPrompt = QStringLiteral("Please enter a positive integer or 0.");

// Stands for the view, which holds its own capture key while the editor is open.
struct CViewOwner final : platform::IHotKeyOwner {
    explicit CViewOwner(platform::IHotKeys& hotKeys) : m_captureHotKey(hotKeys) {}
    void OnHotKey(int) override {}
    CCaptureHotKey m_captureHotKey;
};

struct CEnv {
    CFakeHotKeys hotKeys;
    platform::CEventLog log;
    platform::CRecordingInput input{log};
    testsupport::CFakeServices fakes{hotKeys, input};
};

// The dialog's controls, found as a test finds them.
struct CControls {
    explicit CControls(QDialog& dlg)
        : type(dlg.findChild<QComboBox*>(QStringLiteral("cmbClickType"))),
          hint(dlg.findChild<QLabel*>(QStringLiteral("lblShortcutHint"))),
          x(dlg.findChild<QLineEdit*>(QStringLiteral("editX"))),
          y(dlg.findChild<QLineEdit*>(QStringLiteral("editY"))),
          delay(dlg.findChild<QLineEdit*>(QStringLiteral("editDelay"))),
          comment(dlg.findChild<QLineEdit*>(QStringLiteral("editComment"))),
          location(dlg.findChild<QLabel*>(QStringLiteral("lblCurrentLocation"))),
          ok(dlg.findChild<QPushButton*>(QStringLiteral("btnOK"))),
          cancel(dlg.findChild<QPushButton*>(QStringLiteral("btnCancel"))) {}

    bool AllFound() const { return type && hint && x && y && delay && comment && location && ok && cancel; }

    QComboBox* type;
    QLabel* hint;
    QLineEdit* x;
    QLineEdit* y;
    QLineEdit* delay;
    QLineEdit* comment;
    QLabel* location;
    QPushButton* ok;
    QPushButton* cancel;
};

CMouseAction MakeRecord(int type, int x, int y, uint32_t delay, const QString& comment) {
    CMouseAction a;
    a.m_iClickType = type;
    a.m_iX = x;
    a.m_iY = y;
    a.m_dwDelay = delay;
    a.m_strComment = comment;
    return a;
}

// One line per record, so a comparison failure shows every field.
QString Describe(const CMouseAction& a) {
    return QStringLiteral("type %1 at %2,%3 after %4 ms \"%5\"")
        .arg(a.m_iClickType)
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

class CDlgActionTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void titleAndCaptureKeyHint_data() {
        QTest::addColumn<bool>("bEditMode");
        QTest::addColumn<bool>("bViewHoldsF6");
        QTest::addColumn<bool>("bAllTaken");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("hint");
        QTest::newRow("add, nothing held")
            << false << false << false << QStringLiteral("Add New Mouse Click - Vantrell by Orlenby")
            << QStringLiteral("Press F6 to Update X & Y with Current Location");
        QTest::newRow("add, view holds F6")
            << false << true << false << QStringLiteral("Add New Mouse Click - Vantrell by Orlenby")
            << QStringLiteral("Press F7 to Update X & Y with Current Location");
        QTest::newRow("edit, all seven taken")
            << true << false << true << QStringLiteral("Edit Mouse Click - Vantrell by Orlenby")
            << kTemplateHint;
    }

    void titleAndCaptureKeyHint() {
        QFETCH(bool, bEditMode);
        QFETCH(bool, bViewHoldsF6);
        QFETCH(bool, bAllTaken);
        CEnv env;
        CViewOwner view(env.hotKeys);
        if (bViewHoldsF6)
            QCOMPARE(view.m_captureHotKey.RegisterFirstFree(&view), QStringLiteral("F6"));
        if (bAllTaken) {
            for (unsigned vk = VK_F6; vk <= VK_F12; ++vk)
                env.hotKeys.OccupyByOtherProgram(0, vk);
        }
        CMouseAction record;
        CDlgAction dlg(env.fakes.services);
        dlg.m_pAction = &record;
        dlg.m_bEditMode = bEditMode;
        dlg.open();
        const CControls c(dlg);
        QVERIFY(c.AllFound());
        QTEST(dlg.windowTitle(), "title");
        QTEST(c.hint->text(), "hint");
        // The ampersand must show as it is, not be eaten as a mnemonic marker.
        QCOMPARE(c.hint->textFormat(), Qt::PlainText);
        QVERIFY(c.hint->buddy() == nullptr);
    }

    void opensWithTheRecordAndFocusOnType() {
        CEnv env;
        CMouseAction record = MakeRecord(DoubleRightClick, -5, 7, 250, QStringLiteral("third"));
        CDlgAction dlg(env.fakes.services);
        QVERIFY(!dlg.m_bEditMode);
        dlg.m_pAction = &record;
        dlg.open();
        const CControls c(dlg);
        QCOMPARE(c.type->count(), 6);
        for (int i = 0; i < 6; ++i) {
            QCOMPARE(c.type->itemText(i), GetClickTypeName(i));
            QCOMPARE(c.type->itemData(i).toInt(), i);
        }
        QCOMPARE(c.type->currentText(), QStringLiteral("Double Right Click"));
        QCOMPARE(c.x->text(), QStringLiteral("-5"));
        QCOMPARE(c.y->text(), QStringLiteral("7"));
        QCOMPARE(c.delay->text(), QStringLiteral("250"));
        QCOMPARE(c.comment->text(), QStringLiteral("third"));
        QCOMPARE(dlg.focusWidget(), c.type);

        const QList<QWidget*> tabOrder{c.type, c.x, c.y, c.delay, c.comment, c.ok, c.cancel};
        for (int i = 1; i < tabOrder.size(); ++i) {
            QTest::keyClick(dlg.focusWidget(), Qt::Key_Tab);
            QCOMPARE(dlg.focusWidget(), tabOrder[i]);
        }

        // X takes a minus sign; the delay takes typed digits only.
        Retype(c.x, QStringLiteral("-20"));
        QCOMPARE(c.x->text(), QStringLiteral("-20"));
        Retype(c.delay, QStringLiteral("1a2-3"));
        QCOMPARE(c.delay->text(), QStringLiteral("123"));
    }

    void captureKeyFillsFieldsNotRecord() {
        CEnv env;
        CMouseAction record = MakeRecord(LeftClick, 1, 2, 3, QStringLiteral("keep"));
        const QString before = Describe(record);
        CDlgAction dlg(env.fakes.services);
        dlg.m_pAction = &record;
        dlg.open();
        const CControls c(dlg);

        env.input.SetCursorPos(-300, 42);
        QVERIFY(env.hotKeys.Press(0, VK_F6));
        QCOMPARE(c.x->text(), QStringLiteral("-300"));
        QCOMPARE(c.y->text(), QStringLiteral("42"));
        QCOMPARE(Describe(record), before);

        QTest::mouseClick(c.cancel, Qt::LeftButton);
        QCOMPARE(dlg.result(), int(QDialog::Rejected));
        QCOMPARE(Describe(record), before);
    }

    // Every way out but OK leaves the record alone, and the key goes at once, not when the object goes.
    void closingRejectsAndGivesTheKeyBack_data() {
        QTest::addColumn<int>("how");
        QTest::newRow("Cancel") << 0;
        QTest::newRow("Esc") << 1;
        QTest::newRow("close box") << 2;
    }

    void closingRejectsAndGivesTheKeyBack() {
        QFETCH(int, how);
        CEnv env;
        CMouseAction record = MakeRecord(MiddleClick, 10, 20, 30, QStringLiteral("old"));
        const QString before = Describe(record);
        CDlgAction dlg(env.fakes.services);
        dlg.m_pAction = &record;
        dlg.open();
        const CControls c(dlg);
        c.type->setCurrentIndex(RightClick);
        Retype(c.x, QStringLiteral("99"));
        Retype(c.comment, QStringLiteral("new"));
        QCOMPARE(env.hotKeys.Registrations().size(), std::size_t{1});

        if (how == 0)
            QTest::mouseClick(c.cancel, Qt::LeftButton);
        else if (how == 1)
            QTest::keyClick(c.comment, Qt::Key_Escape);
        else
            dlg.close();
        QVERIFY(!dlg.isVisible());
        QCOMPARE(dlg.result(), int(QDialog::Rejected));
        QCOMPARE(Describe(record), before);
        QVERIFY(env.hotKeys.Registrations().empty());
        QVERIFY(!env.hotKeys.Press(0, VK_F6));

        // Opened again, it takes the key afresh and starts over from the record.
        dlg.open();
        QCOMPARE(c.hint->text(), QStringLiteral("Press F6 to Update X & Y with Current Location"));
        QCOMPARE(c.x->text(), QStringLiteral("10"));
        QCOMPARE(c.type->currentIndex(), int(MiddleClick));
        QCOMPARE(c.location->text(), QStringLiteral("Current Location"));
    }

    void destructionGivesTheKeyBack() {
        CEnv env;
        CMouseAction record;
        {
            CDlgAction dlg(env.fakes.services);
            dlg.m_pAction = &record;
            dlg.open();
            QCOMPARE(env.hotKeys.Registrations().size(), std::size_t{1});
        }
        QVERIFY(env.hotKeys.Registrations().empty());
    }

    void okConvertsEveryFieldOrNone_data() {
        QTest::addColumn<QString>("x");
        QTest::addColumn<QString>("y");
        QTest::addColumn<QString>("delay");
        QTest::addColumn<QString>("comment");
        QTest::addColumn<QString>("refusedField");  // empty when OK goes through
        QTest::addColumn<QString>("prompt");
        const QString none;
        QTest::newRow("negative X") << u"-20"_s << u"15"_s << u"100"_s << u"c"_s << none << none;
        QTest::newRow("empty comment") << u"1"_s << u"2"_s << u"0"_s << u""_s << none << none;
        QTest::newRow("extremes of the types")
            << u"-2147483648"_s << u"2147483647"_s << u"4294967295"_s << u"c"_s << none << none;
        QTest::newRow("blanks around numbers") << u" 7 "_s << u"8 "_s << u" 9"_s << u"c"_s << none << none;
        QTest::newRow("letter in X") << u"1a"_s << u"15"_s << u"100"_s << u"c"_s << u"editX"_s
                                     << kIntegerPrompt;
        QTest::newRow("empty X") << u""_s << u"15"_s << u"100"_s << u"c"_s << u"editX"_s << kIntegerPrompt;
        QTest::newRow("X beyond 32 bits")
            << u"2147483648"_s << u"0"_s << u"1"_s << u"c"_s << u"editX"_s << kIntegerPrompt;
        QTest::newRow("letter in Y, X fine")
            << u"5"_s << u"y"_s << u"100"_s << u"c"_s << u"editY"_s << kIntegerPrompt;
        QTest::newRow("empty delay") << u"5"_s << u"6"_s << u""_s << u"c"_s << u"editDelay"_s << kDelayPrompt;
        QTest::newRow("negative delay")
            << u"5"_s << u"6"_s << u"-1"_s << u"c"_s << u"editDelay"_s << kDelayPrompt;
        QTest::newRow("delay beyond 32 bits")
            << u"5"_s << u"6"_s << u"4294967296"_s << u"c"_s << u"editDelay"_s << kDelayPrompt;
        QTest::newRow("X and delay bad: X is named")
            << u"x"_s << u"6"_s << u""_s << u"c"_s << u"editX"_s << kIntegerPrompt;
    }

    void okConvertsEveryFieldOrNone() {
        QFETCH(QString, x);
        QFETCH(QString, y);
        QFETCH(QString, delay);
        QFETCH(QString, comment);
        QFETCH(QString, refusedField);
        QFETCH(QString, prompt);
        CEnv env;
        CMouseAction record = MakeRecord(LeftClick, 111, 222, 333, QStringLiteral("before"));
        const QString before = Describe(record);
        CDlgAction dlg(env.fakes.services);
        dlg.m_bEditMode = true;
        dlg.m_pAction = &record;
        dlg.open();
        const CControls c(dlg);
        c.type->setCurrentIndex(DoubleClick);
        // Set, not typed: the delay field would drop a typed minus sign, but a paste gets through.
        c.x->setText(x);
        c.y->setText(y);
        c.delay->setText(delay);
        c.comment->setText(comment);
        QTest::mouseClick(c.ok, Qt::LeftButton);

        const auto& messages = env.fakes.messages.Messages();
        if (refusedField.isEmpty()) {
            QCOMPARE(dlg.result(), int(QDialog::Accepted));
            QVERIFY(!dlg.isVisible());
            QVERIFY(messages.empty());
            QCOMPARE(record.m_iClickType, int(DoubleClick));
            QCOMPARE(record.m_iX, x.trimmed().toInt());
            QCOMPARE(record.m_iY, y.trimmed().toInt());
            QCOMPARE(record.m_dwDelay, delay.trimmed().toUInt());
            QCOMPARE(record.m_strComment, comment);
            return;
        }
        QVERIFY(dlg.isVisible());
        QCOMPARE(messages.size(), std::size_t{1});
        QCOMPARE(messages[0].text, prompt);
        QCOMPARE(messages[0].type, platform::MB_OK | platform::MB_ICONINFORMATION);
        QCOMPARE(messages[0].parent, &dlg);
        auto* field = dlg.findChild<QLineEdit*>(refusedField);
        QCOMPARE(dlg.focusWidget(), field);
        QCOMPARE(field->selectedText(), field->text());
        QCOMPARE(Describe(record), before);

        // Nothing of the refused OK reaches the record when the user then gives up.
        QTest::mouseClick(c.cancel, Qt::LeftButton);
        QCOMPARE(dlg.result(), int(QDialog::Rejected));
        QCOMPARE(Describe(record), before);
    }

    void enterConfirmsANewType() {
        CEnv env;
        CMouseAction record = MakeRecord(DoubleRightClick, 4, 5, 6, QStringLiteral("row"));
        CDlgAction dlg(env.fakes.services);
        dlg.m_bEditMode = true;
        dlg.m_pAction = &record;
        dlg.open();
        const CControls c(dlg);
        QCOMPARE(c.type->currentText(), QStringLiteral("Double Right Click"));
        c.type->setCurrentIndex(MiddleClick);
        QTest::keyClick(c.type, Qt::Key_Return);
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(record.m_iClickType, int(MiddleClick));
        QCOMPARE(record.m_strComment, QStringLiteral("row"));
    }

    void unknownTypeSelectsNothingAndIsKept() {
        CEnv env;
        CMouseAction record = MakeRecord(9, 4, 5, 6, QString());
        CDlgAction dlg(env.fakes.services);
        dlg.m_pAction = &record;
        dlg.open();
        const CControls c(dlg);
        QCOMPARE(c.type->currentIndex(), -1);
        Retype(c.x, QStringLiteral("40"));
        QTest::mouseClick(c.ok, Qt::LeftButton);
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(record.m_iClickType, 9);
        QCOMPARE(record.m_iX, 40);
    }

    void currentLocationFollowsTheCursor() {
        CEnv env;
        env.input.SetCursorPos(640, -12);
        CMouseAction record;
        CDlgAction dlg(env.fakes.services);
        dlg.m_pAction = &record;
        dlg.open();
        const CControls c(dlg);
        QCOMPARE(c.location->text(), QStringLiteral("Current Location"));
        QTRY_COMPARE(c.location->text(), QStringLiteral("Mouse Cursor at X = 640 and Y = -12"));
        env.input.SetCursorPos(3, 4);
        QTRY_COMPARE(c.location->text(), QStringLiteral("Mouse Cursor at X = 3 and Y = 4"));
    }

    void execReturnsOkWithTheRecordStored() {
        CEnv env;
        CMouseAction record = MakeRecord(LeftClick, 0, 0, 0, QString());
        CDlgAction dlg(env.fakes.services);
        dlg.m_pAction = &record;
        env.input.SetCursorPos(77, 88);
        QTimer::singleShot(0, &dlg, [&] {
            const CControls c(dlg);
            env.hotKeys.Press(0, VK_F6);
            QTest::mouseClick(c.ok, Qt::LeftButton);
        });
        QCOMPARE(dlg.exec(), platform::IDOK);
        QCOMPARE(record.m_iX, 77);
        QCOMPARE(record.m_iY, 88);
    }
};

VANTRELL_X11_TEST_MAIN(CDlgActionTest, QApplication)
#include "tst_dlgaction.moc"
