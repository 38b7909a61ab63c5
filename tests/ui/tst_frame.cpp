// The script editing window as a user drives it: the form's commands and the document's file commands,
// with fake message boxes and file dialogs answering.

#include <QMimeData>
#include <QTemporaryDir>

#include "platform/Profile.h"
#include "tests/ui/UiFixture.h"

using namespace uitest;

namespace {

QStringList Comments(const CActionList& list) {
    return Column(list, CActionList::ColComment);
}

// The number of rows in a script file, -1 when it cannot be read.
int RowsInFile(const QString& path) {
    CLoadedScript script;
    QString error;
    return ReadScriptFile(path, script, &error) ? int(script.actions.size()) : -1;
}

}  // namespace

class TestFrame : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { ResetGlobals(); }

    void addAndEditGoThroughTheEditor() {
        CWindow w;
        w.AddRows(3);
        w.view().ListCtrl().SelectRow(1);
        w.fakeInput.SetCursorPos(321, 123);
        AnswerNextEditor(true, u"editComment"_s, u"added"_s);
        w.view().OnAddAction();
        QCOMPARE(Comments(w.list()), (QStringList{"row 0", "row 1", "row 2", "added"}));
        QCOMPARE(w.list().GetItemData(3)->m_iX, 321);  // the cursor when Add was pressed
        QCOMPARE(w.list().Text(3, CActionList::ColSr), u"4"_s);
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
        QCOMPARE(w.fakes.messages.Messages().back().type, MB_YESNOCANCEL | MB_ICONQUESTION);
        QCOMPARE(w.list().GetItemCount(), 4);
        QVERIFY(!w.doc().IsModified());
        w.fakes.messages.QueueAnswer(IDYES);
        w.view().OnDeleteAction();
        QCOMPARE(Column(w.list(), CActionList::ColSr), (QStringList{"1", "2", "3"}));
        QCOMPARE(Comments(w.list()), (QStringList{"row 0", "row 2", "row 3"}));
        QCOMPARE(w.view().ListCtrl().GetSelectedRow(), -1);
        QVERIFY(w.doc().IsModified());

        // Without the confirmation Del deletes at once, even from the repeat count field.
        g_settings.m_bDeletionConfirmation = 0;
        w.view().ListCtrl().SelectRow(2);
        w.view().RepeatCountEdit().setFocus();
        QTRY_VERIFY(w.view().RepeatCountEdit().hasFocus());
        QTest::keyClick(&w.view().RepeatCountEdit(), Qt::Key_Delete);
        QCOMPARE(Comments(w.list()), (QStringList{"row 0", "row 2"}));
        QCOMPARE(w.view().RepeatCountEdit().text(), u"1"_s);
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
        QCOMPARE(w.fakes.messages.Messages()[0].type, MB_OK | MB_ICONINFORMATION);

        // A double-click below the rows clears the selection and asks for one.
        w.AddRows(2);
        w.view().ListCtrl().SelectRow(0);
        QWidget* viewport = w.view().ListCtrl().viewport();
        QTest::mouseDClick(viewport, Qt::LeftButton, {}, QPoint(10, viewport->height() - 5));
        QCOMPARE(w.messages().mid(4), QStringList{"Please Select a Record to Edit and then Try Again."});
        QCOMPARE(w.view().ListCtrl().GetSelectedRow(), -1);
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
        const QString first = WriteScript(dir.filePath(u"first.Vantrell"_s), {"a", "b"});
        const QString second = WriteScript(dir.filePath(u"clicks.Vantrell.Vantrell"_s), {"x", "y"}, 4);
        CWindow w;
        QVERIFY(w.docs().OpenDocumentFile(first));
        w.doc().SetModifiedFlag(true);
        w.fakes.messages.QueueAnswer(IDCANCEL);
        QVERIFY(!w.docs().OpenDocumentFile(second));
        QCOMPARE(w.messages().last(), u"Save changes to first?"_s);
        QCOMPARE(Comments(w.list()), (QStringList{"a", "b"}));
        w.fakes.messages.QueueAnswer(IDNO);
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(second)});
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&w.frame, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&w.frame, &drop);
        QTRY_COMPARE(Comments(w.list()), (QStringList{"x", "y"}));
        QCOMPARE(w.messages().size(), 2);
        QCOMPARE(w.view().RepeatCountEdit().text(), u"4"_s);
        QCOMPARE(w.frame.windowTitle(), u"clicks - Vantrell by Orlenby"_s);
        QCOMPARE(w.docs().RecentFiles().Paths().mid(0, 2), (QStringList{second, first}));

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
        const QString good = WriteScript(dir.filePath(u"good.Vantrell"_s), {"kept"}, 9);
        QFile bad(dir.filePath(u"bad.Vantrell"_s));
        QVERIFY(bad.open(QIODevice::WriteOnly) && bad.write(QByteArray(10, '\x01')) == 10);
        bad.close();
        CWindow w;
        QVERIFY(w.docs().OpenDocumentFile(good));
        w.doc().SetModifiedFlag(true);
        w.fakes.messages.QueueAnswer(IDNO);
        QVERIFY(!w.docs().OpenDocumentFile(bad.fileName()));
        QVERIFY(w.messages().last().contains(u"unexpected file format"_s));
        QVERIFY(!w.docs().OpenDocumentFile(dir.filePath(u"missing.Vantrell"_s)));
        QCOMPARE(Comments(w.list()), QStringList{"kept"});
        QCOMPARE(g_scriptHeader.m_iRepeatCount, 9);
        QCOMPARE(w.doc().GetPathName(), good);
        QCOMPARE(w.frame.windowTitle(), u"good - Vantrell by Orlenby"_s);
        QVERIFY(w.doc().IsModified());
    }

    // Ctrl+S is the view's save, which offers the title as the name; the menu's Save is the document's,
    // which saves to its path without a dialog and offers no name for a new script.
    void saveFromTheViewAndTheMenu() {
        QTemporaryDir dir;
        CWindow w;
        w.frame.CommandAction(ID_SCRIPT_IN_FILE_MANAGER)->trigger();
        QCOMPARE(w.messages(), QStringList{"Script File Not Saved Yet.\n\nTo Save the Script File, you can "
                                           "Click on File - > Save."});
        w.AddRows(2);
        w.fakes.fileDialogs.QueuePath(dir.filePath(u"abc"_s));
        QTest::keyClick(&w.frame, Qt::Key_S, Qt::ControlModifier);
        const QString saved = dir.filePath(u"abc.Vantrell"_s);
        QTRY_COMPARE(RowsInFile(saved), 2);
        QVERIFY(!w.doc().IsModified());
        QCOMPARE(w.frame.windowTitle(), u"abc - Vantrell by Orlenby"_s);
        QCOMPARE(w.docs().RecentFiles().Paths().value(0), saved);
        w.frame.CommandAction(ID_SCRIPT_IN_FILE_MANAGER)->trigger();
        QCOMPARE(w.fakes.shell.m_shownFiles, std::vector<QString>{saved});

        w.AddRows(1);
        w.frame.CommandAction(ID_FILE_SAVE)->trigger();
        QCOMPARE(RowsInFile(saved), 3);
        w.docs().OnFileNew();
        w.frame.CommandAction(ID_FILE_SAVE)->trigger();
        const auto& requests = w.fakes.fileDialogs.Requests();
        QCOMPARE(requests.size(), size_t(2));
        QCOMPARE(requests[0].initialName, u"Untitled"_s);
        QCOMPARE(requests[1].initialName, QString());
    }

    void columnWidthsSurviveARestartNewAndOpen() {
        QTemporaryDir dir;
        const QString other = WriteScript(dir.filePath(u"widths.Vantrell"_s));
        {
            CWindow w;
            w.view().ListCtrl().setColumnWidth(5, 222);
            w.docs().OnFileNew();
            QVERIFY(w.docs().OpenDocumentFile(other));
            QCOMPARE(w.view().ListCtrl().columnWidth(5), 222);
            w.frame.close();
        }
        QCOMPARE(GetProfileInt(u"Settings"_s, u"Column5"_s, 0), 222);
        CWindow again;
        QCOMPARE(again.view().ListCtrl().columnWidth(5), 222);
        QCOMPARE(again.view().ListCtrl().columnWidth(1), 125);
    }
};

VANTRELL_X11_TEST_MAIN(TestFrame, QApplication)
#include "tst_frame.moc"
