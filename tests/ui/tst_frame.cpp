// The script window as a user drives it: the form's commands, the document's file commands, and runs
// started from the button, the start/stop shortcut and the scheduled start. Fake message boxes and file
// dialogs answer, the runs' clicks are recorded, not made, and the scheduled start has a manual clock.

#include <sys/stat.h>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMimeData>
#include <QCheckBox>
#include <QDir>
#include <QMenuBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>

#include "platform/Profile.h"
#include "tests/support/FullDisk.h"
#include "tests/ui/UiFixture.h"
#include "ui/DlgAction.h"

using namespace uitest;

namespace {

// Answers the action editor that the caller is about to open: a field typed over (if named), then OK or
// Cancel.
void AnswerNextEditor(bool accept, const QString& field = {}, const QString& text = {}) {
    QTimer::singleShot(0, [=] {
        auto* dlg = qobject_cast<CDlgAction*>(QApplication::activeModalWidget());
        QVERIFY(dlg);
        if (!field.isEmpty())
            dlg->findChild<QLineEdit*>(field)->setText(text);
        if (accept)
            QTest::mouseClick(dlg->findChild<QPushButton*>(u"btnOK"_s), Qt::LeftButton);
        else
            dlg->reject();
    });
}

// The number of rows in a script file, -1 when it cannot be read.
int RowsInFile(const QString& path) {
    CLoadedScript script;
    QString error;
    return ReadScriptFile(path, script, &error) ? int(script.actions.size()) : -1;
}

const QString kStart = u"&Start Script Execution"_s;

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
        if (r.id == HOTKEY_START_STOP && r.vk == VK_F)
            return int(r.modifiers);
    return -1;
}

}  // namespace

class TestFrame : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() {
        ResetGlobals();
        // Runs without the random pauses around clicks take no longer than their delays.
        g_settings.m_iMdMuMin = g_settings.m_iMdMuMax = g_settings.m_iDcMin = g_settings.m_iDcMax = 0;
        g_settings.Save();
    }

    void addAndEditGoThroughTheEditor() {
        CWindow w;
        w.AddRows(3);
        w.view().ListCtrl().SelectRow(1);
        w.fakeInput.SetCursorPos(321, 123);
        AnswerNextEditor(true, u"editComment"_s, u"added"_s);
        w.view().OnAddAction();
        QCOMPARE(w.comments(), (QStringList{"row 0", "row 1", "row 2", "added"}));

        // A comment of megabytes shows its start; the record keeps every character.
        const QString huge(10'000'000, u'c');
        w.view().AppendRow(MakeAction(LeftClick, 0, 0, 0, huge));
        const QModelIndex cell = w.list().index(4, CActionList::ColComment);
        QCOMPARE(cell.data().toString(), huge.left(CActionList::kShownCommentLength) + QChar(0x2026));
        QCOMPARE(w.list().GetItemData(4)->m_strComment.size(), huge.size());
        w.list().RemoveAt(4);
        QCOMPARE(w.list().GetItemData(3)->m_iX, 321);  // the cursor when Add was pressed
        QCOMPARE(w.view().ListCtrl().GetSelectedRow(), 1);
        QVERIFY(w.doc().IsModified());

        // Cancel changes nothing, neither for Add nor for Edit; Edit's OK changes the selected row.
        w.doc().SetModifiedFlag(false);
        AnswerNextEditor(false);
        w.view().OnAddAction();
        AnswerNextEditor(false, u"editX"_s, u"999"_s);
        w.view().OnEditAction();
        QCOMPARE(w.list().GetItemCount(), 4);
        QVERIFY(!w.doc().IsModified());
        AnswerNextEditor(true, u"editX"_s, u"-20"_s);
        w.view().OnEditAction();
        QCOMPARE(Column(w.list(), CActionList::ColX), (QStringList{"0", "-20", "20", "321"}));
        QVERIFY(w.doc().IsModified());
    }

    void deleteAsksAndRenumbers() {
        CWindow w;
        w.AddRows(4);
        w.view().ListCtrl().SelectRow(1);
        w.fakes.messages.QueueAnswer(IDNO);
        w.view().OnDeleteAction();
        QCOMPARE(w.messages().last(), u"Are you Sure that you wish to Delete Action with Sr No 2 ?"_s);
        QCOMPARE(w.list().GetItemCount(), 4);
        QVERIFY(!w.doc().IsModified());
        w.fakes.messages.QueueAnswer(IDYES);
        QSignalSpy changed(&w.list(), &CActionList::dataChanged);
        w.view().OnDeleteAction();
        QCOMPARE(Column(w.list(), CActionList::ColSr), (QStringList{"1", "2", "3"}));
        // The rows below are told that their numbers changed.
        QCOMPARE(changed.size(), 1);
        QCOMPARE(changed[0][0].toModelIndex(), w.list().index(1, CActionList::ColSr));
        QCOMPARE(changed[0][1].toModelIndex(), w.list().index(2, CActionList::ColSr));
        QCOMPARE(w.comments(), (QStringList{"row 0", "row 2", "row 3"}));
        QCOMPARE(w.view().ListCtrl().GetSelectedRow(), -1);
        QVERIFY(w.doc().IsModified());

        // Without the confirmation Del deletes at once, even from the repeat count field.
        g_settings.m_bDeletionConfirmation = 0;
        w.view().ListCtrl().SelectRow(2);
        w.view().RepeatCountEdit().setFocus();
        QTRY_VERIFY(w.view().RepeatCountEdit().hasFocus());
        QTest::keyClick(&w.view().RepeatCountEdit(), Qt::Key_Delete);
        QCOMPARE(w.comments(), (QStringList{"row 0", "row 2"}));
        QCOMPARE(w.messages().size(), 2);

        // Delete All asks all the same, and leaves the modified flag as it was.
        w.doc().SetModifiedFlag(false);
        w.fakes.messages.QueueAnswer(IDCANCEL);
        w.view().OnDeleteAll();
        QCOMPARE(w.list().GetItemCount(), 2);
        w.fakes.messages.QueueAnswer(IDYES);
        w.view().OnDeleteAll();
        QCOMPARE(w.list().GetItemCount(), 0);
        QCOMPARE(w.messages().last(), u"Delete All Action(s) from the List ?"_s);
        QVERIFY(!w.doc().IsModified());
    }

    void commandsNeedASelection() {
        CWindow w;
        w.view().OnEditAction();
        w.view().OnDeleteAction();
        w.view().OnLocateXY();
        w.view().OnDeleteAll();
        QCOMPARE(w.messages(), (QStringList{"Please Select a Record to Edit and then Try Again.",
                                            "Please Select a Record to Delete and then Try Again.",
                                            "Please Select a Record to Locate X,Y and then Try Again.",
                                            "No Action(s) in the List to Delete"}));
    }

    // The header controls write the header at once and mark the script; New keeps the header values but
    // takes the present moment as the auto-run date and time.
    void headerValues() {
        CWindow w;
        QTest::keyClicks(&w.view().RepeatCountEdit(), u"5x"_s);  // the letter is refused
        QCOMPARE(g_scriptHeader.m_iRepeatCount, 15);
        QVERIFY(w.doc().IsModified());
        w.doc().SetModifiedFlag(false);
        w.view().AutoRunTimeEdit().setTime(QTime(8, 9, 10));
        QCOMPARE(g_scriptHeader.m_dtAutoRunTime.GetTime(), QTime(8, 9, 10));
        QVERIFY(w.doc().IsModified());

        g_scriptHeader.m_bAutoRun = 1;
        const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
        w.fakes.messages.QueueAnswer(IDNO);
        w.docs().OnFileNew();
        QCOMPARE(w.view().RepeatCountEdit().text(), u"15"_s);
        QVERIFY(w.view().AutoRunCheck().isChecked());
        const QDateTime shown(w.view().AutoRunDateEdit().date(), w.view().AutoRunTimeEdit().time());
        QVERIFY2(shown >= before && shown <= QDateTime::currentDateTime(), qPrintable(shown.toString()));
        QCOMPARE(w.frame.windowTitle(), u"Untitled - Vantrell by Orlenby"_s);
    }

    // Opening, from the menu or by a drop, asks first whether to save a modified script.
    void openAsksToSaveFirst() {
        QTemporaryDir dir;
        const QString first = WriteScript(dir.filePath(u"first.Vantrell"_s), CommentedRows({"a", "b"}));
        const QString second =
            WriteScript(dir.filePath(u"clicks.Vantrell.Vantrell"_s), CommentedRows({"x", "y"}), Header(4));
        CWindow w;
        QVERIFY(w.docs().OpenDocumentFile(first));
        w.doc().SetModifiedFlag(true);
        w.fakes.messages.QueueAnswer(IDCANCEL);
        QVERIFY(!w.docs().OpenDocumentFile(second));
        QCOMPARE(w.messages().last(), u"Save changes to first?"_s);
        QCOMPARE(w.comments(), (QStringList{"a", "b"}));
        w.fakes.messages.QueueAnswer(IDNO);
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(second)});
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&w.frame, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&w.frame, &drop);
        QTRY_COMPARE(w.comments(), (QStringList{"x", "y"}));
        QCOMPARE(w.view().RepeatCountEdit().text(), u"4"_s);
        QCOMPARE(w.frame.windowTitle(), u"clicks - Vantrell by Orlenby"_s);

        // Yes saves first, through the save dialog of a script that has no file yet.
        w.docs().OnFileNew();
        w.AddRows(1);
        w.doc().SetModifiedFlag(true);
        w.fakes.messages.QueueAnswer(IDYES);
        w.fakes.fileDialogs.QueuePath(dir.filePath(u"saved"_s));
        w.docs().OnFileNew();
        QCOMPARE(w.list().GetItemCount(), 0);
        QCOMPARE(RowsInFile(dir.filePath(u"saved.Vantrell"_s)), 1);
    }

    void failedOpenChangesNothing() {
        QTemporaryDir dir;
        const QString good =
            WriteScript(dir.filePath(u"good.Vantrell"_s), CommentedRows({"kept"}), Header(9));
        const QString bad = WriteScript(dir.filePath(u"bad.Vantrell"_s), CommentedRows({"cut short"}));
        QVERIFY(QFile::resize(bad, 30));
        CWindow w;
        QVERIFY(w.docs().OpenDocumentFile(good));
        w.doc().SetModifiedFlag(true);
        w.fakes.messages.QueueAnswer(IDNO);
        QVERIFY(!w.docs().OpenDocumentFile(bad));
        QVERIFY(w.messages().last().contains(u"unexpected file format"_s));
        QCOMPARE(w.comments(), QStringList{"kept"});
        QCOMPARE(g_scriptHeader.m_iRepeatCount, 9);
        QCOMPARE(w.doc().GetPathName(), good);
        QCOMPARE(w.frame.windowTitle(), u"good - Vantrell by Orlenby"_s);
        QVERIFY(w.doc().IsModified());
    }

    // Only a regular file opens: a FIFO, from the command line or the recent files, a device or a folder
    // is refused at once with the open-failure message, and the open script stays.
    void onlyRegularFilesOpen() {
        QTemporaryDir dir;
        const QString good = WriteScript(dir.filePath(u"good.Vantrell"_s), CommentedRows({"kept"}));
        const QString fifo = dir.filePath(u"fifo.Vantrell"_s);
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        CWindow w;
        QVERIFY(w.docs().OpenDocumentFile(good));
        for (const QString& path : {fifo, u"/dev/zero"_s, dir.path()}) {
            QVERIFY(!w.docs().OpenDocumentFile(path));
            QCOMPARE(w.messages().last(), u"Cannot open %1:\nnot a regular file"_s.arg(path));
        }
        w.docs().RecentFiles().Add(fifo);
        Q_EMIT w.docs().RecentFilesChanged();
        const QList<QAction*> actions = w.frame.findChildren<QAction*>();
        const auto recent = std::find_if(actions.begin(), actions.end(),
                                         [&](QAction* a) { return a->text() == u"&1 "_s + fifo; });
        QVERIFY(recent != actions.end());
        const qsizetype shown = w.messages().size();
        (*recent)->trigger();
        QCOMPARE(w.messages().size(), shown + 1);
        QCOMPARE(w.messages().last(), u"Cannot open %1:\nnot a regular file"_s.arg(fifo));
        QCOMPARE(w.comments(), QStringList{"kept"});
        QCOMPARE(w.doc().GetPathName(), good);
    }

    // Ctrl+S is the view's save, which offers the title as the name; the menu's Save is the document's,
    // which saves to its path without a dialog.
    void saveFromTheViewAndTheMenu() {
        QTemporaryDir dir;
        CWindow w;
        w.AddRows(2);
        w.fakes.fileDialogs.QueuePath(dir.filePath(u"abc"_s));
        QTest::keyClick(&w.frame, Qt::Key_S, Qt::ControlModifier);
        const QString saved = dir.filePath(u"abc.Vantrell"_s);
        QTRY_COMPARE(RowsInFile(saved), 2);
        QVERIFY(!w.doc().IsModified());
        QCOMPARE(w.frame.windowTitle(), u"abc - Vantrell by Orlenby"_s);
        QCOMPARE(w.docs().RecentFiles().Paths().value(0), saved);

        w.AddRows(1);
        w.frame.CommandAction(ID_FILE_SAVE)->trigger();
        QCOMPARE(RowsInFile(saved), 3);
        QCOMPARE(w.fakes.fileDialogs.Requests().size(), size_t(1));
        QCOMPARE(w.fakes.fileDialogs.Requests()[0].initialName, u"Untitled"_s);
    }

    // On a full disk neither save writes a byte: the previous file stays as it was, the user is told why,
    // and the script keeps its title, its path and its unsaved changes. No other file is left behind, also
    // of a script saved for the first time.
    void failedSaveChangesNothing() {
        testsupport::CFullDisk disk;
        if (!disk.Mounted())
            QSKIP(qPrintable(disk.SkipReason()));
        const QString saved = WriteScript(disk.FilePath(u"saved.Vantrell"_s), CommentedRows({u"on disk"_s}));
        QFile file(saved);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray before = file.readAll();
        file.close();
        disk.Fill();

        CWindow w;
        QVERIFY(w.docs().OpenDocumentFile(saved));
        w.AddRows(40);
        w.view().OnHeaderValueChanged();
        QTest::keyClick(&w.frame, Qt::Key_S, Qt::ControlModifier);
        QTRY_COMPARE(w.messages().size(), 1);
        QCOMPARE(w.messages().last(), u"Cannot save %1:\nNo space left on device"_s.arg(saved));
        w.frame.CommandAction(ID_FILE_SAVE)->trigger();
        QCOMPARE(w.messages().size(), 2);
        QVERIFY(w.doc().IsModified());
        QCOMPARE(w.frame.windowTitle(), u"saved - Vantrell by Orlenby"_s);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll() == before);

        w.doc().SetModifiedFlag(false);
        w.docs().OnFileNew();
        w.fakes.fileDialogs.QueuePath(disk.FilePath(u"new"_s));
        QTest::keyClick(&w.frame, Qt::Key_S, Qt::ControlModifier);
        QTRY_COMPARE(w.messages().size(), 3);
        QCOMPARE(QDir(disk.FilePath({})).entryList(QDir::Files), (QStringList{"filler", "saved.Vantrell"}));
        QVERIFY(w.doc().GetPathName().isEmpty());
        QCOMPARE(w.frame.windowTitle(), u"Untitled - Vantrell by Orlenby"_s);
        QCOMPARE(w.docs().RecentFiles().Paths().value(0), saved);
    }

    // A script from a file that would act on the whole desktop by itself, through a typing key alone as its
    // shortcut or a start still ahead, asks first; only Yes keeps it, anything else clears it and marks the
    // script changed. Keys with a modifier and starts in the past ask nothing.
    void fileThatActsByItselfAsksFirst_data() {
        QTest::addColumn<int>("vk");
        QTest::addColumn<int>("flags");
        QTest::addColumn<int>("daysAhead");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("question");
        const QString space =
            u"This script's start/stop shortcut is Space alone; while the script is open, Space "
            "would stop typing in every program. Use it anyway?"_s;
        const QDate ahead = QDate::currentDate().addDays(1);
        const QString start =
            u"This script starts by itself on %1 at 2:05:09 PM. Keep the automatic start?"_s.arg(
                ahead.toString(u"M/d/yyyy"_s));
        QTest::newRow("Space, kept") << int(VK_SPACE) << 0 << -1 << int(IDYES) << space;
        QTest::newRow("Space, refused") << int(VK_SPACE) << 0 << -1 << int(IDNO) << space;
        QTest::newRow("Num 5, cancelled")
            << 0x65 << 0 << -1 << int(IDCANCEL) << QString(space).replace(u"Space"_s, u"Num 5"_s);
        QTest::newRow("Ctrl+A") << int(VK_A) << 0x02 << -1 << int(IDNO) << QString();
        QTest::newRow("F9 alone") << int(VK_F1 + 8) << 0 << -1 << int(IDNO) << QString();
        QTest::newRow("start ahead, kept") << 0 << 0 << 1 << int(IDYES) << start;
        QTest::newRow("start ahead, refused") << 0 << 0 << 1 << int(IDNO) << start;
        QTest::newRow("start past") << 0 << 0 << -1 << int(IDNO) << QString();
    }
    void fileThatActsByItselfAsksFirst() {
        QFETCH(int, vk);
        QFETCH(int, flags);
        QFETCH(int, daysAhead);
        QFETCH(int, answer);
        QFETCH(QString, question);
        QTemporaryDir dir;
        CScriptHeader header;
        header.m_wHotKeyCode = uint16_t(vk);
        header.m_wHotKeyModifiers = uint16_t(flags);
        header.m_bAutoRun = 1;
        header.m_dtAutoRunDate = COleDateTime(QDate::currentDate().addDays(daysAhead), QTime(0, 0));
        header.m_dtAutoRunTime = COleDateTime::TimeOfDay(QTime(14, 5, 9));
        const QString path = WriteScript(dir.filePath(u"file.Vantrell"_s), {}, header);

        CWindow w;
        w.fakes.messages.QueueAnswer(answer);
        QVERIFY(w.docs().OpenDocumentFile(path));
        QCOMPARE(w.messages(), question.isEmpty() ? QStringList() : QStringList{question});
        const bool cleared = !question.isEmpty() && answer != IDYES;
        QCOMPARE(w.doc().IsModified(), cleared);
        const bool shortcut = vk != 0 && !(cleared && daysAhead < 0);
        QCOMPARE(g_scriptHeader.m_wHotKeyCode != 0, shortcut);
        QCOMPARE(w.fakeHotKeys.Registrations().size() > 1, shortcut);
        QCOMPARE(w.view().AutoRunCheck().isChecked(), !(cleared && daysAhead > 0));
    }

    // The list is one stop of the Tab order, whichever way and with Ctrl too; Enter and F2 edit the selected
    // action as a double-click does, the keypad's Enter included.
    void keysThatLeaveOrEditTheList_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("leavesTo");  // 1 the next control, -1 the one before, 0 stays and edits
        QTest::newRow("Tab") << int(Qt::Key_Tab) << 0 << 1;
        QTest::newRow("Shift+Tab") << int(Qt::Key_Backtab) << int(Qt::ShiftModifier) << -1;
        QTest::newRow("Ctrl+Tab") << int(Qt::Key_Tab) << int(Qt::ControlModifier) << 1;
        QTest::newRow("Ctrl+Shift+Tab") << int(Qt::Key_Backtab) << int(Qt::ControlModifier | Qt::ShiftModifier)
                                        << -1;
        QTest::newRow("Enter") << int(Qt::Key_Return) << 0 << 0;
        QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << 0;
        QTest::newRow("F2") << int(Qt::Key_F2) << 0 << 0;
    }
    void keysThatLeaveOrEditTheList() {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(int, leavesTo);
        CWindow w;
        w.AddRows(3);
        CColoredListCtrl& list = w.view().ListCtrl();
        list.setFocus();
        QTRY_VERIFY(list.hasFocus());
        QTest::keyClick(&list, Qt::Key_Down);
        QTest::keyClick(&list, Qt::Key_Down);
        QCOMPARE(list.GetSelectedRow(), 1);
        if (leavesTo == 0)
            AnswerNextEditor(true, u"editComment"_s, u"edited"_s);
        QTest::keyClick(&list, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        if (leavesTo == 0) {
            QCOMPARE(w.comments(), (QStringList{"row 0", "edited", "row 2"}));
            QVERIFY(list.hasFocus());
            return;
        }
        QWidget* expected = leavesTo > 0 ? static_cast<QWidget*>(&w.view().AddButton())
                                         : list.previousInFocusChain();
        while (leavesTo < 0 && !(expected->focusPolicy() & Qt::TabFocus))
            expected = expected->previousInFocusChain();
        QCOMPARE(QApplication::focusWidget(), expected);
        QCOMPARE(w.comments(), (QStringList{"row 0", "row 1", "row 2"}));
    }

    // Home and End go to the first and the last row (not to a column), and the row they reach is the
    // selected one that Edit works on.
    void keysMoveTheSelectionByRows() {
        CWindow w;
        w.AddRows(200);
        CColoredListCtrl& list = w.view().ListCtrl();
        list.setFocus();
        QTRY_VERIFY(list.hasFocus());
        QTest::keyClick(&list, Qt::Key_End);
        QCOMPARE(list.GetSelectedRow(), 199);
        QTest::keyClick(&list, Qt::Key_Home);
        QCOMPARE(list.GetSelectedRow(), 0);
    }

    // Every button and check box of the form answers an Alt letter of its own that no menu of the bar
    // uses, shown underlined in a text that otherwise reads as before.
    void altLettersOfTheForm() {
        CWindow w;
        QMap<QString, QString> owners;
        for (QAction* menu : w.frame.menuBar()->actions()) {
            const QKeySequence letter = QKeySequence::mnemonic(menu->text());
            if (!letter.isEmpty())
                owners.insert(letter.toString(), u"menu "_s + menu->text());
        }
        QCOMPARE(owners.keys(), (QStringList{"Alt+E", "Alt+F", "Alt+H", "Alt+V"}));
        QStringList shown;
        QList<QAbstractButton*> buttons;
        for (QPushButton* button : w.view().findChildren<QPushButton*>())
            buttons << button;
        for (QCheckBox* box : w.view().findChildren<QCheckBox*>())
            buttons << box;
        for (QAbstractButton* button : buttons) {
            const QString letter = QKeySequence::mnemonic(button->text()).toString();
            QVERIFY2(!letter.isEmpty(), qPrintable(button->text()));
            QVERIFY2(!owners.contains(letter), qPrintable(button->text() + u" and "_s + owners.value(letter)));
            owners.insert(letter, button->text());
            shown << QString(button->text()).remove(u'&');
        }
        shown.sort();
        QCOMPARE(shown, (QStringList{"Add New Mouse Click\n( F6 )", "Assign", "Auto Run Script on",
                                     "Automatically Minimize on Script Execution", "Clear", "Delete Selected",
                                     "Edit Selected", "Hide to Notification Area", "Start Script Execution"}));
        // The letters work, as a click does: Alt+T edits (here: no row is selected), Alt+M ticks the box and
        // marks the script.
        QTest::keyClick(&w.frame, Qt::Key_T, Qt::AltModifier);
        QTRY_COMPARE(w.messages(), QStringList{"Please Select a Record to Edit and then Try Again."});
        QTest::keyClick(&w.frame, Qt::Key_M, Qt::AltModifier);
        QTRY_COMPARE(g_scriptHeader.m_bAutoMinimize, 1);
        QVERIFY(w.doc().IsModified());
    }

    // The list keeps its border inside the box around it, and the box stays inside the window: once the
    // list's title shows the pointer's position (a second after the start), and after the settings
    // relabel Add to a wider text.
    void listStaysInsideTheWindow() {
        const auto listInside = [](CWindow& w) {
            QWidget& list = w.view().ListCtrl();
            QWidget& box = *list.parentWidget();
            return box.rect().contains(list.geometry()) &&
                   w.frame.rect().contains(QRect(box.mapTo(&w.frame, QPoint(0, 0)), box.size()));
        };
        {
            CWindow w;
            auto* box = qobject_cast<QGroupBox*>(w.view().ListCtrl().parentWidget());
            QTRY_VERIFY(box && box->title().contains(u"Cursor at"_s));
            QVERIFY(listInside(w));
        }
        // In a small font the list's default columns, which are so many pixels, make the top row the
        // widest one of the form, so the window has no room to spare for a wider button.
        const QFont font = QApplication::font();
        QFont small = font;
        small.setPixelSize(8);
        QApplication::setFont(small);
        const auto restore = qScopeGuard([&] { QApplication::setFont(font); });
        CWindow w;
        QVERIFY(listInside(w));
        g_settings.m_bAutoShortcut = 0;
        w.view().RefreshAddShortcut();  // as the settings dialog's OK does
        QCOMPARE(w.view().AddButton().text(), u"&Add New Mouse Click to Script"_s);
        QTRY_VERIFY(w.view().AddButton().width() >= w.view().AddButton().sizeHint().width());
        QTRY_VERIFY(listInside(w));
    }

    // A width the user set is stored and wins at the next start; a column left at its default is stored
    // as the built-in width, so it fits its texts again in whatever font the next start has.
    void columnWidthsSurviveARestartNewAndOpen() {
        QTemporaryDir dir;
        const QString other = WriteScript(dir.filePath(u"widths.Vantrell"_s), {});
        {
            CWindow w;
            w.view().ListCtrl().setColumnWidth(1, 222);
            w.docs().OnFileNew();
            QVERIFY(w.docs().OpenDocumentFile(other));
            QCOMPARE(w.view().ListCtrl().columnWidth(1), 222);
            w.frame.close();
        }
        QCOMPARE(GetProfileInt(u"Settings"_s, u"Column1"_s, 0), 222);
        QCOMPARE(GetProfileInt(u"Settings"_s, u"Column0"_s, 0), CActionList::DefaultColumnWidth(0));
        QCOMPARE(GetProfileInt(u"Settings"_s, u"Column5"_s, 0), CActionList::DefaultColumnWidth(5));
        CWindow again;
        QCOMPARE(again.view().ListCtrl().columnWidth(1), 222);
        QCOMPARE(again.view().ListCtrl().columnWidth(0), again.view().ListCtrl().FittedColumnWidth(0));
    }

    // The default widths come from the font in use: every heading fits, "Sr" fits six digits, Action the
    // longest click-type name, X and Y any coordinate, and none is narrower than the built-in width (what
    // earlier starts stored for untouched columns). Comment takes the rest of the width as the window grows.
    void defaultColumnsFitTheirTexts_data() {
        QTest::addColumn<int>("pointSize");
        QTest::newRow("default font") << 0;
        QTest::newRow("12 point") << 12;
    }
    void defaultColumnsFitTheirTexts() {
        QFETCH(int, pointSize);
        const QFont before = QApplication::font();
        const auto restore = qScopeGuard([&] { QApplication::setFont(before); });
        if (pointSize != 0) {
            QFont font = before;
            font.setPointSize(pointSize);
            QApplication::setFont(font);
        }
        for (int c = 0; c < CActionList::ColumnCount; ++c)
            WriteProfileInt(u"Settings"_s, u"Column%1"_s.arg(c), CActionList::DefaultColumnWidth(c));
        CWindow w;
        std::vector<std::unique_ptr<CMouseAction>> rows;
        for (int i = 0; i < 100000; ++i)
            rows.push_back(MakeAction(i % 6, -32768, -32768, 100000, u"row"_s));
        w.list().AppendAll(rows);
        CColoredListCtrl& list = w.view().ListCtrl();
        // What the view's own delegate asks for the rows on screen, the last one "100000".
        const auto needed = [&list](int c) {
            return static_cast<QAbstractItemView&>(list).sizeHintForColumn(c);
        };
        list.scrollToBottom();
        QCOMPARE(list.model()->index(99999, CActionList::ColSr).data().toString(), u"100000"_s);
        for (int c = 0; c < CActionList::ColumnCount; ++c) {
            const int width = list.columnWidth(c);
            QVERIFY2(width >= CActionList::DefaultColumnWidth(c), qPrintable(QString::number(c)));
            QVERIFY2(list.horizontalHeader()->sectionSizeHint(c) <= width, qPrintable(QString::number(c)));
            if (c != CActionList::ColComment)
                QVERIFY2(needed(c) <= width,
                         qPrintable(u"column %1: %2 > %3"_s.arg(c).arg(needed(c)).arg(width)));
        }
        // The fitted window shows every column whole, Comment reaching the list's right edge, and Comment
        // alone grows with the window.
        QCOMPARE(list.horizontalHeader()->length(), list.viewport()->width());
        const int comment = list.columnWidth(CActionList::ColComment);
        const int action = list.columnWidth(CActionList::ColAction);
        w.frame.resize(w.frame.width() + 200, w.frame.height());
        QTRY_COMPARE(list.columnWidth(CActionList::ColComment), comment + 200);
        QCOMPARE(list.columnWidth(CActionList::ColAction), action);
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

        w.view().RepeatCountEdit().setText(u"2"_s);
        w.view().OnStartStop();
        QTRY_COMPARE(w.view().StartStopButton().text(), kStart);
        QCOMPARE(Moves(w).mid(3), (QList<int>{0, 10, 20, 0, 10, 20}));
        QCOMPARE(w.view().ExecutionInfo().text(), u"Executed 6 Action(s)"_s);
        QCOMPARE(w.list().GetItemData(1)->m_crColor.load(), kColorBlack);
    }

    // The list draws an executed row's text in green, the others in the palette's text colour. On a dark
    // palette the green is lighter, so that it reads well there (a contrast ratio of 4.5 at least); the
    // row's stored colour stays as it is.
    void executedRowsAreDrawnGreen_data() {
        QTest::addColumn<bool>("dark");
        QTest::newRow("light palette") << false;
        QTest::newRow("dark palette") << true;
    }
    void executedRowsAreDrawnGreen() {
        QFETCH(bool, dark);
        CWindow w;
        w.AddRows(2);
        w.list().SetColor(0, kColorExecuted);
        CColoredListCtrl& list = w.view().ListCtrl();
        if (dark) {
            QPalette palette = list.palette();
            palette.setColor(QPalette::Base, QColor(30, 30, 30));
            palette.setColor(QPalette::Text, QColor(220, 220, 220));
            list.setPalette(palette);
        }
        const QColor base = list.palette().color(QPalette::Base);
        const QImage shot = list.viewport()->grab().toImage();
        const auto luminance = [](const QColor& c) {
            const auto channel = [](double v) {
                return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
            };
            return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
        };
        const auto contrast = [&](const QColor& a, const QColor& b) {
            const double la = luminance(a), lb = luminance(b);
            return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
        };
        // The text pixel of a row's cell that stands out most from the background: the pen's own colour.
        const auto penOf = [&](int row) {
            const QRect cell =
                list.visualRect(w.list().index(row, CActionList::ColComment)).adjusted(1, 1, -1, -1);
            QColor pen = base;
            for (int y = cell.top(); y <= cell.bottom(); ++y)
                for (int x = cell.left(); x <= cell.right(); ++x)
                    if (contrast(shot.pixelColor(x, y), base) > contrast(pen, base))
                        pen = shot.pixelColor(x, y);
            return pen;
        };
        const auto green = [](const QColor& c) { return c.green() > c.red() + 60 && c.green() > c.blue() + 60; };
        const QColor pen = penOf(0), other = penOf(1);
        QVERIFY2(green(pen), qPrintable(pen.name()));
        QVERIFY2(!green(other) && other != base, qPrintable(other.name()));
        if (dark)
            QVERIFY2(contrast(pen, base) >= 4.5, qPrintable(pen.name()));
        else
            QCOMPARE(pen, QColor(0, 150, 0));
        QCOMPARE(w.list().GetItemData(0)->m_crColor.load(), kColorExecuted);
    }

    // Stop cuts a delay short; Delete All stops the run first, since rows are never freed under the worker.
    void stopAndDeleteAllDuringARun() {
        CWindow w;
        w.AddRows(1, 5000);
        w.view().OnStartStop();
        QCOMPARE(w.view().StartStopButton().text(), u"&Stop Script Execution"_s);
        w.view().OnStartStop();
        QCOMPARE(w.view().StartStopButton().text(), kStart);
        w.view().StopRun();
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
        QVERIFY(w.messages().isEmpty());
        QCOMPARE(HeldModifiers(w), int(MOD_CONTROL | MOD_SHIFT));
        QCOMPARE(g_scriptHeader.m_wHotKeyModifiers, uint16_t(0x03));
        QVERIFY(!w.doc().IsModified());
        QVERIFY(w.fakeHotKeys.Press(MOD_CONTROL | MOD_SHIFT, VK_F));
        QVERIFY(w.view().IsRunning());
        QVERIFY(w.fakeHotKeys.Press(MOD_CONTROL | MOD_SHIFT, VK_F));
        QVERIFY(!w.view().IsRunning());

        // Pressed again while the start's question is open, it does not ask again on top of it.
        w.view().RepeatCountEdit().setText(u"0"_s);
        w.fakes.messages.m_whileOpen = [&] { w.fakeHotKeys.Press(MOD_CONTROL | MOD_SHIFT, VK_F); };
        w.fakes.messages.QueueAnswer(IDNO);
        QVERIFY(w.fakeHotKeys.Press(MOD_CONTROL | MOD_SHIFT, VK_F));
        QCOMPARE(w.messages(), QStringList{u"Repeat Count will be made to 1, Continue ?"_s});
        w.fakes.messages.m_whileOpen = {};
        w.fakes.messages.Clear();
        w.view().RepeatCountEdit().setText(u"1"_s);

        // The field's flags (Shift 1, Ctrl 2, Alt 4, extended 8) become the desktop's modifiers.
        const std::pair<uint16_t, int> keys[] = {{0x0C, MOD_ALT | MOD_WIN}, {0x01, MOD_SHIFT}, {0, 0}};
        for (const auto& [flags, modifiers] : keys) {
            w.view().HotKeyCtrl().SetHotKey(VK_F, flags);
            w.view().OnAssignHotKey();
            QCOMPARE(HeldModifiers(w), modifiers);
        }

        // Clear empties the field, gives the key up and marks the script.
        w.view().HotKeyCtrl().SetHotKey(VK_F, 0x02);
        w.view().OnAssignHotKey();
        w.view().OnClearHotKey();
        QCOMPARE(HeldModifiers(w), -1);
        QCOMPARE(w.view().HotKeyCtrl().text(), QString());
        QCOMPARE(g_scriptHeader.m_wHotKeyCode, uint16_t(0));
        QVERIFY(w.doc().IsModified());

        // A key that is taken (here by the view's own add-action key, F6) is refused with the error code, and
        // the field and the header are emptied.
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
        g_scriptHeader.m_dtAutoRunTime = COleDateTime::TimeOfDay(QTime(14, 5, 9));
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
        g_scriptHeader.m_dtAutoRunTime = COleDateTime::TimeOfDay(QTime(14, 5, 13));
        tickAt(13, 500);
        QVERIFY(!w.view().IsRunning());

        // A moment already past when the box is ticked never fires, even one that fell exactly on the tick
        // before.
        tickAt(20);
        w.view().AutoRunCheck().click();
        g_scriptHeader.m_dtAutoRunTime = COleDateTime::TimeOfDay(QTime(14, 5, 20));
        tickAt(21);
        QVERIFY(!w.view().IsRunning());
        QVERIFY(w.view().AutoRunCheck().isChecked());
    }

    // Where no key can be had for the whole desktop: how to bind one to `vantrell --toggle` on sway and on
    // GNOME, told once for good, also across starts of the program.
    void tellsHowToBindToggleOnce() {
        platform::RemoveProfileEntry(u"Settings"_s, u"m_bToldHowToBindToggle"_s);
        {
            CWindow w;
            QVERIFY(w.frame.TellHowToBindToggle());
            QCOMPARE(w.messages().size(), 1);
            for (const QString& part : {u"bindsym F9 exec vantrell --toggle"_s, u"Custom Shortcuts"_s,
                                        u"command  vantrell --toggle"_s})
                QVERIFY2(w.messages().first().contains(part), qPrintable(w.messages().first()));
            QVERIFY(!w.frame.TellHowToBindToggle());
            QCOMPARE(w.messages().size(), 1);
        }
        CWindow later;
        QVERIFY(!later.frame.TellHowToBindToggle());
        QVERIFY(later.messages().isEmpty());
    }
};

VANTRELL_X11_TEST_MAIN(TestFrame, QApplication)
#include "tst_frame.moc"
