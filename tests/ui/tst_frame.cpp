// The script editing window as a user drives it: the form's commands, the document's file commands and
// the menus, with fake message boxes and file dialogs answering.

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "app/MainFrame.h"
#include "platform/Profile.h"
#include "platform/RecordingInput.h"
#include "script/ScriptFile.h"
#include "script/VantrellDoc.h"
#include "settings/Settings.h"
#include "tests/support/FakeHotKeys.h"
#include "tests/support/FakeUiServices.h"
#include "tests/support/TestMain.h"
#include "ui/DlgAction.h"
#include "ui/DocManager.h"
#include "ui/VantrellView.h"

using namespace platform;
using testsupport::CFakeHotKeys;
using namespace Qt::StringLiterals;

namespace {

constexpr unsigned VK_F6 = 0x75;

// Answers the next action editor when it opens: fn fills it in, then it is accepted or cancelled.
void AnswerNextEditor(bool accept, std::function<void(CDlgAction&)> fn = {}) {
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, accept, fn] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* dlg = qobject_cast<CDlgAction*>(w);
            if (dlg == nullptr || !dlg->isVisible())
                continue;
            timer->stop();
            timer->deleteLater();
            if (fn)
                fn(*dlg);
            if (accept)
                QTest::mouseClick(dlg->findChild<QPushButton*>(QStringLiteral("btnOK")), Qt::LeftButton);
            else
                dlg->reject();
            return;
        }
    });
    timer->start();
}

std::unique_ptr<CMouseAction> Row(int x, const QString& comment = {}) {
    auto a = std::make_unique<CMouseAction>();
    a->m_iX = x;
    a->m_iY = x + 1;
    a->m_strComment = comment;
    return a;
}

QStringList SrColumn(const CActionList& list) {
    QStringList out;
    for (int r = 0; r < list.GetItemCount(); ++r)
        out << list.Text(r, CActionList::ColSr);
    return out;
}

QStringList Comments(const CActionList& list) {
    QStringList out;
    for (int r = 0; r < list.GetItemCount(); ++r)
        out << list.GetItemData(r)->m_strComment;
    return out;
}

QString WriteScript(const QString& path, const QStringList& comments, int repeat = 1) {
    CScriptHeader header;
    header.m_iRepeatCount = repeat;
    CActionList rows;
    for (int i = 0; i < comments.size(); ++i)
        rows.Append(Row(i, comments[i]));
    QString error;
    if (!WriteScriptFile(path, header, rows, &error))
        qFatal("cannot write %s", qPrintable(error));
    return path;
}

// One window with fake services, as the program sets it up at start.
struct CWindow {
    CWindow() {
        log.Clear();
        frame.NewDocument();
        frame.show();
        QApplication::setActiveWindow(&frame);
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
    }
    CVantrellView& view() { return frame.View(); }
    CActionList& list() { return frame.View().List(); }
    CVantrellDoc& doc() { return frame.Doc(); }
    testsupport::CFakeMessageBox& messages() { return fakes.messages; }
    void AddRows(int n) {
        for (int i = 0; i < n; ++i)
            view().AppendRow(Row(i * 10, QStringLiteral("row %1").arg(i)));
    }

    CFakeHotKeys hotKeys;
    CEventLog log;
    CRecordingInput input{log};
    testsupport::CFakeServices fakes{hotKeys, input};
    CMainFrame frame{fakes.services};
};

}  // namespace

class TestFrame : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() {
        QLocale::setDefault(QLocale(QStringLiteral("en_US")));
        g_scriptHeader = CScriptHeader();
        g_settings = CSettings();
        g_settings.Save();
    }

    void addAppendsAndKeepsSelection() {
        CWindow w;
        w.AddRows(3);
        w.view().ListCtrl().SelectRow(0);
        w.input.SetCursorPos(321, 123);
        AnswerNextEditor(true, [](CDlgAction& dlg) {
            dlg.findChild<QLineEdit*>(QStringLiteral("editComment"))->setText(QStringLiteral("added"));
        });
        w.view().OnAddAction();
        QCOMPARE(w.list().GetItemCount(), 4);
        QCOMPARE(w.list().Text(3, CActionList::ColSr), QStringLiteral("4"));
        QCOMPARE(w.list().GetItemData(3)->m_iX, 321);  // the cursor when Add was pressed
        QCOMPARE(w.list().GetItemData(3)->m_strComment, QStringLiteral("added"));
        QCOMPARE(w.view().ListCtrl().GetSelectedRow(), 0);
        QVERIFY(w.doc().IsModified());

        // Cancel changes nothing.
        w.doc().SetModifiedFlag(false);
        AnswerNextEditor(false);
        w.view().OnAddAction();
        QCOMPARE(w.list().GetItemCount(), 4);
        QVERIFY(!w.doc().IsModified());
    }

    void editChangesTheRowOnlyOnOk() {
        CWindow w;
        w.AddRows(2);
        w.view().ListCtrl().SelectRow(1);
        AnswerNextEditor(false, [](CDlgAction& dlg) {
            dlg.findChild<QLineEdit*>(QStringLiteral("editX"))->setText(QStringLiteral("999"));
        });
        w.view().OnEditAction();
        QCOMPARE(w.list().GetItemData(1)->m_iX, 10);
        QVERIFY(!w.doc().IsModified());
        AnswerNextEditor(true, [](CDlgAction& dlg) {
            QCOMPARE(dlg.windowTitle(), QStringLiteral("Edit Mouse Click - Vantrell by Orlenby"));
            dlg.findChild<QLineEdit*>(QStringLiteral("editX"))->setText(QStringLiteral("-20"));
        });
        w.view().OnEditAction();
        QCOMPARE(w.list().Text(1, CActionList::ColX), QStringLiteral("-20"));
        QVERIFY(w.doc().IsModified());
    }

    void deleteRenumbersAndAsks() {
        CWindow w;
        w.AddRows(5);
        w.view().ListCtrl().SelectRow(1);
        w.messages().QueueAnswer(IDNO);
        w.view().OnDeleteAction();
        QCOMPARE(w.list().GetItemCount(), 5);
        QCOMPARE(w.messages().Texts().last(),
                 QStringLiteral("Are you Sure that you wish to Delete Action with Sr No 2 ?"));
        QCOMPARE(w.messages().Messages().back().type, MB_YESNOCANCEL | MB_ICONQUESTION);
        QVERIFY(!w.doc().IsModified());

        w.messages().QueueAnswer(IDYES);
        w.view().OnDeleteAction();
        QCOMPARE(SrColumn(w.list()), (QStringList{u"1"_s, u"2"_s, u"3"_s, u"4"_s}));
        QCOMPARE(Comments(w.list()), (QStringList{u"row 0"_s, u"row 2"_s, u"row 3"_s, u"row 4"_s}));
        QCOMPARE(w.view().ListCtrl().GetSelectedRow(), -1);
        QVERIFY(w.doc().IsModified());
    }

    void deletionConfirmationOffAndDeleteAll() {
        CWindow w;
        g_settings.m_bDeletionConfirmation = 0;
        w.AddRows(3);
        w.view().ListCtrl().SelectRow(0);
        w.view().OnDeleteAction();
        QCOMPARE(w.list().GetItemCount(), 2);
        QVERIFY(w.messages().Texts().isEmpty());

        // Delete All asks all the same, and leaves the modified flag as it was.
        for (const bool modified : {false, true}) {
            w.AddRows(2);
            w.doc().SetModifiedFlag(modified);
            w.messages().QueueAnswer(IDCANCEL);
            w.view().OnDeleteAll();
            QVERIFY(w.list().GetItemCount() > 0);
            w.messages().QueueAnswer(IDYES);
            w.view().OnDeleteAll();
            QCOMPARE(w.list().GetItemCount(), 0);
            QCOMPARE(w.messages().Texts().last(), QStringLiteral("Delete All Action(s) from the List ?"));
            QCOMPARE(w.doc().IsModified(), modified);
        }
        w.view().OnDeleteAll();
        QCOMPARE(w.messages().Texts().last(), QStringLiteral("No Action(s) in the List to Delete"));
    }

    void commandsNeedASelection() {
        CWindow w;
        w.view().OnEditAction();
        w.view().OnDeleteAction();
        w.view().OnLocateXY();
        QCOMPARE(w.messages().Texts(),
                 (QStringList{u"Please Select a Record to Edit and then Try Again."_s,
                              u"Please Select a Record to Delete and then Try Again."_s,
                              u"Please Select a Record to Locate X,Y and then Try Again."_s}));
        for (const auto& m : w.messages().Messages())
            QCOMPARE(m.type, MB_OK | MB_ICONINFORMATION);

        // A double-click below the rows clears the selection and asks for one.
        w.AddRows(2);
        w.view().ListCtrl().SelectRow(0);
        w.messages().Clear();
        QWidget* viewport = w.view().ListCtrl().viewport();
        const QPoint below(10, viewport->height() - 5);
        QTest::mouseDClick(viewport, Qt::LeftButton, {}, below);
        QCOMPARE(w.messages().Texts(), QStringList{u"Please Select a Record to Edit and then Try Again."_s});
        QCOMPARE(w.view().ListCtrl().GetSelectedRow(), -1);
    }

    void locateMovesTheCursor() {
        CWindow w;
        auto row = Row(0);
        row->m_iX = -100;
        row->m_iY = 50;
        w.view().AppendRow(std::move(row));
        w.view().ListCtrl().SelectRow(0);
        w.view().OnLocateXY();
        POINT pt;
        QVERIFY(w.input.GetCursorPos(&pt));
        QCOMPARE(pt, (POINT{-100, 50}));
        QVERIFY(!w.doc().IsModified());
    }

    void deleteKeyWorksInTheRepeatField() {
        CWindow w;
        g_settings.m_bDeletionConfirmation = 0;
        w.AddRows(3);
        w.view().ListCtrl().SelectRow(2);
        w.frame.activateWindow();
        w.view().RepeatCountEdit().setFocus();
        QTRY_VERIFY(w.view().RepeatCountEdit().hasFocus());
        QTest::keyClick(&w.view().RepeatCountEdit(), Qt::Key_Delete);
        QCOMPARE(w.list().GetItemCount(), 2);
        QCOMPARE(w.view().RepeatCountEdit().text(), QStringLiteral("1"));
    }

    void addActionKeyAppendsAtTheCursor() {
        CWindow w;
        QCOMPARE(w.view().AddButton().text(), QStringLiteral("Add New Mouse Click\n( F6 )"));
        w.AddRows(1);
        w.input.SetCursorPos(77, 88);
        g_settings.m_iDefaultTimeDelay = 350;
        QVERIFY(w.hotKeys.Press(0, VK_F6));
        QCOMPARE(w.list().GetItemCount(), 2);
        const CMouseAction& added = *w.list().GetItemData(1);
        QCOMPARE(added.m_iClickType, int(LeftClick));
        QCOMPARE(added.m_iX, 77);
        QCOMPARE(added.m_iY, 88);
        QCOMPARE(added.m_dwDelay, 350u);
        QCOMPARE(w.list().Text(1, CActionList::ColSr), QStringLiteral("2"));
        QVERIFY(w.doc().IsModified());

        // Switched off in the settings: the key is given back and the button says so.
        g_settings.m_bAutoShortcut = 0;
        w.view().RefreshAddShortcut();
        QCOMPARE(w.view().AddButton().text(), QStringLiteral("Add New Mouse Click to Script"));
        QVERIFY(!w.hotKeys.Press(0, VK_F6));
    }

    void headerControlsTakeValuesAndMarkModified() {
        CWindow w;
        QTest::keyClicks(&w.view().RepeatCountEdit(), QStringLiteral("5x"));  // the letter is refused
        QCOMPARE(w.view().RepeatCountEdit().text(), QStringLiteral("15"));
        QCOMPARE(g_scriptHeader.m_iRepeatCount, 15);
        QVERIFY(w.doc().IsModified());
        w.view().RepeatCountEdit().clear();
        QTest::keyClick(&w.view().RepeatCountEdit(), Qt::Key_Backspace);
        QVERIFY(w.messages().Texts().isEmpty());  // no prompt while typing
        w.doc().SetModifiedFlag(false);
        w.view().AutoMinimizeCheck().click();
        QCOMPARE(g_scriptHeader.m_bAutoMinimize, 1);
        QVERIFY(w.doc().IsModified());
        w.doc().SetModifiedFlag(false);
        w.view().AutoRunDateEdit().setDate(QDate(2030, 1, 2));
        QCOMPARE(g_scriptHeader.m_dtAutoRunDate.GetDate(), QDate(2030, 1, 2));
        QVERIFY(w.doc().IsModified());
        w.doc().SetModifiedFlag(false);
        w.view().AutoRunTimeEdit().setTime(QTime(8, 9, 10));
        QCOMPARE(g_scriptHeader.m_dtAutoRunTime.GetTime(), QTime(8, 9, 10));
        QVERIFY(w.doc().IsModified());
    }

    void newKeepsHeaderValuesButTakesTheMoment() {
        CWindow w;
        g_scriptHeader.m_iRepeatCount = 7;
        g_scriptHeader.m_wHotKeyCode = 0x78;
        g_scriptHeader.m_wHotKeyModifiers = 0x02;
        g_scriptHeader.m_bAutoMinimize = 1;
        g_scriptHeader.m_bAutoRun = 1;
        g_scriptHeader.m_dtAutoRunDate = COleDateTime(QDate(2001, 1, 1), QTime(1, 1));
        w.AddRows(2);
        const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
        w.frame.DocManager().OnFileNew();
        QCOMPARE(w.list().GetItemCount(), 0);
        QCOMPARE(w.view().RepeatCountEdit().text(), QStringLiteral("7"));
        QVERIFY(w.view().AutoMinimizeCheck().isChecked());
        QVERIFY(w.view().AutoRunCheck().isChecked());
        QCOMPARE(g_scriptHeader.m_wHotKeyCode, uint16_t(0x78));
        const QDateTime shown(w.view().AutoRunDateEdit().date(), w.view().AutoRunTimeEdit().time());
        QVERIFY2(shown >= before && shown <= QDateTime::currentDateTime(), qPrintable(shown.toString()));
        QCOMPARE(w.doc().GetTitle(), QStringLiteral("Untitled"));
        QCOMPARE(w.frame.windowTitle(), QStringLiteral("Untitled - Vantrell by Orlenby"));
    }

    void openShowsExactlyTheSecondScript() {
        QTemporaryDir dir;
        const QString first = WriteScript(dir.filePath(u"first.Vantrell"_s), {"a", "b", "c"});
        const QString second = WriteScript(dir.filePath(u"clicks.Vantrell.Vantrell"_s), {"x", "y"}, 4);
        CWindow w;
        QVERIFY(w.frame.DocManager().OpenDocumentFile(first));
        QVERIFY(w.frame.DocManager().OpenDocumentFile(second));
        QCOMPARE(Comments(w.list()), (QStringList{u"x"_s, u"y"_s}));
        QCOMPARE(w.view().RepeatCountEdit().text(), QStringLiteral("4"));
        QCOMPARE(w.doc().GetTitle(), QStringLiteral("clicks"));
        QCOMPARE(w.frame.windowTitle(), QStringLiteral("clicks - Vantrell by Orlenby"));
        QCOMPARE(w.frame.DocManager().RecentFiles().Paths(), (QStringList{second, first}));
    }

    void askToSaveBeforeOpenAndNew() {
        QTemporaryDir dir;
        const QString other = WriteScript(dir.filePath(u"other.Vantrell"_s), {"o"});
        CWindow w;
        w.AddRows(1);
        w.doc().SetModifiedFlag(true);
        w.messages().QueueAnswer(IDCANCEL);
        QVERIFY(!w.frame.DocManager().OpenDocumentFile(other));
        QCOMPARE(w.messages().Texts().last(), QStringLiteral("Save changes to Untitled?"));
        QCOMPARE(Comments(w.list()), QStringList{u"row 0"_s});
        w.messages().QueueAnswer(IDNO);
        QVERIFY(w.frame.DocManager().OpenDocumentFile(other));
        QCOMPARE(Comments(w.list()), QStringList{u"o"_s});

        // Yes saves first, through the save dialog of a script that has no file yet.
        w.frame.DocManager().OnFileNew();
        w.AddRows(1);
        w.doc().SetModifiedFlag(true);
        w.messages().QueueAnswer(IDYES);
        w.fakes.fileDialogs.QueuePath(dir.filePath(u"saved"_s));
        w.frame.DocManager().OnFileNew();
        QCOMPARE(w.list().GetItemCount(), 0);
        CLoadedScript saved;
        QString error;
        QVERIFY(ReadScriptFile(dir.filePath(u"saved.Vantrell"_s), saved, &error));
        QCOMPARE(saved.actions.size(), size_t(1));
    }

    void failedOpenChangesNothing() {
        QTemporaryDir dir;
        const QString good = WriteScript(dir.filePath(u"good.Vantrell"_s), {"kept"}, 9);
        QFile bad(dir.filePath(u"bad.Vantrell"_s));
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write(QByteArray(10, '\x01'));
        bad.close();
        CWindow w;
        QVERIFY(w.frame.DocManager().OpenDocumentFile(good));
        w.doc().SetModifiedFlag(true);
        w.messages().QueueAnswer(IDNO);
        QVERIFY(!w.frame.DocManager().OpenDocumentFile(bad.fileName()));
        QCOMPARE(Comments(w.list()), QStringList{u"kept"_s});
        QCOMPARE(g_scriptHeader.m_iRepeatCount, 9);
        QCOMPARE(w.doc().GetTitle(), QStringLiteral("good"));
        QCOMPARE(w.doc().GetPathName(), good);
        QVERIFY(w.doc().IsModified());
        QVERIFY(w.messages().Texts().last().contains(QStringLiteral("unexpected file format")));
        QVERIFY(!w.frame.DocManager().OpenDocumentFile(dir.filePath(u"missing.Vantrell"_s)));
        QCOMPARE(w.doc().GetTitle(), QStringLiteral("good"));
    }

    void saveFromTheViewOffersTheTitle() {
        QTemporaryDir dir;
        CWindow w;
        w.AddRows(2);
        w.fakes.fileDialogs.QueuePath(dir.filePath(u"abc"_s));
        QTest::keyClick(&w.frame, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(w.fakes.fileDialogs.Requests().size(), size_t(1));
        QCOMPARE(w.fakes.fileDialogs.Requests()[0].initialName, QStringLiteral("Untitled"));
        const QString saved = dir.filePath(u"abc.Vantrell"_s);
        QTRY_VERIFY(QFileInfo(saved).size() > 0);
        QVERIFY(!w.doc().IsModified());
        QCOMPARE(w.frame.windowTitle(), QStringLiteral("abc - Vantrell by Orlenby"));
        QCOMPARE(w.frame.DocManager().RecentFiles().Paths().value(0), saved);
        CLoadedScript back;
        QString error;
        QVERIFY(ReadScriptFile(saved, back, &error));
        QCOMPARE(back.actions.size(), size_t(2));

        // The menu's Save is the document's: with a path it saves without a dialog; on a new script it
        // asks through the document manager's dialog, which offers no name.
        w.AddRows(1);
        w.frame.CommandAction(ID_FILE_SAVE)->trigger();
        QVERIFY(!w.doc().IsModified());
        QCOMPARE(w.fakes.fileDialogs.Requests().size(), size_t(1));
        w.frame.DocManager().OnFileNew();
        w.fakes.fileDialogs.QueueCancel();
        w.frame.CommandAction(ID_FILE_SAVE)->trigger();
        QCOMPARE(w.fakes.fileDialogs.Requests().size(), size_t(2));
        QCOMPARE(w.fakes.fileDialogs.Requests()[1].initialName, QString());
    }

    void scriptFileInFileManager() {
        QTemporaryDir dir;
        CWindow w;
        w.frame.CommandAction(ID_SCRIPT_IN_FILE_MANAGER)->trigger();
        QCOMPARE(
            w.messages().Texts(),
            QStringList{
                u"Script File Not Saved Yet.\n\nTo Save the Script File, you can Click on File - > Save."_s});
        QVERIFY(w.fakes.shell.m_shownFiles.empty());
        const QString path = WriteScript(dir.filePath(u"shown.Vantrell"_s), {"a"});
        QVERIFY(w.frame.DocManager().OpenDocumentFile(path));
        w.frame.CommandAction(ID_SCRIPT_IN_FILE_MANAGER)->trigger();
        QCOMPARE(w.fakes.shell.m_shownFiles, std::vector<QString>{path});
    }

    void columnWidthsSurviveARestartNewAndOpen() {
        QTemporaryDir dir;
        const QString other = WriteScript(dir.filePath(u"widths.Vantrell"_s), {"w"});
        {
            CWindow w;
            w.view().ListCtrl().setColumnWidth(5, 222);
            w.frame.DocManager().OnFileNew();
            QCOMPARE(w.view().ListCtrl().columnWidth(5), 222);
            QVERIFY(w.frame.DocManager().OpenDocumentFile(other));
            QCOMPARE(w.view().ListCtrl().columnWidth(5), 222);
            w.frame.close();
        }
        QCOMPARE(GetProfileInt(QStringLiteral("Settings"), QStringLiteral("Column5"), 0), 222);
        QCOMPARE(GetProfileInt(QStringLiteral("Settings"), QStringLiteral("Column0"), 0), 30);
        CWindow again;
        QCOMPARE(again.view().ListCtrl().columnWidth(5), 222);
        QCOMPARE(again.view().ListCtrl().columnWidth(1), 125);
    }

    void windowIsFittedAndCannotShrink() {
        CWindow w;
        const QSize fitted = w.frame.size();
        QCOMPARE(w.frame.minimumSize(), fitted);
        QCOMPARE(g_settings.m_rcMainFrame.Width(), w.frame.frameGeometry().width());
        QCOMPARE(g_settings.m_rcMainFrame.Height(), w.frame.frameGeometry().height());
        w.frame.resize(fitted / 2);
        QCOMPARE(w.frame.size(), fitted);
    }

    void contextMenuItems() {
        CWindow w;
        QStringList texts;
        for (QAction* a : w.view().ContextMenu().actions())
            texts << (a->isSeparator() ? QStringLiteral("-") : a->text());
        QCOMPARE(texts,
                 (QStringList{u"Locate X,Y"_s, u"-"_s, u"Add New..."_s, u"-"_s, u"Edit Selected..."_s, u"-"_s,
                              u"Delete Selected"_s, u"-"_s, u"Settings..."_s, u"-"_s, u"Share"_s}));
        QCOMPARE(w.view().ContextMenu().defaultAction(), w.view().ContextAction(ID_CONTEXT_EDIT));
        QVERIFY(w.view().ContextAction(ID_CONTEXT_EDIT)->font().bold());
        QVERIFY(w.view().ContextAction(ID_SHARE_TWITTER) != nullptr);
    }

    // Rows are drawn in their record's colour, and a header click never reorders them.
    void rowColoursAndHeaderClicks() {
        CWindow w;
        w.AddRows(3);
        w.list().SetColor(1, kColorExecuted);
        CColoredListCtrl& list = w.view().ListCtrl();
        QTest::mouseClick(list.horizontalHeader()->viewport(), Qt::LeftButton, {},
                          QPoint(list.columnViewportPosition(2) + 5, 5));
        QCOMPARE(Comments(w.list()), (QStringList{u"row 0"_s, u"row 1"_s, u"row 2"_s}));
        QCOMPARE(SrColumn(w.list()), (QStringList{u"1"_s, u"2"_s, u"3"_s}));
        const QImage image = list.viewport()->grab().toImage();
        const auto greenPixels = [&](int row) {
            const QRect rect = list.visualRect(w.list().index(row, CActionList::ColAction));
            int n = 0;
            for (int y = rect.top(); y <= rect.bottom(); ++y)
                for (int x = rect.left(); x <= rect.right(); ++x) {
                    const QColor c = image.pixelColor(x * image.width() / list.viewport()->width(),
                                                      y * image.height() / list.viewport()->height());
                    n += c.green() > 100 && c.red() < 60 && c.blue() < 60;
                }
            return n;
        };
        QVERIFY(greenPixels(1) > 10);
        QCOMPARE(greenPixels(0), 0);
        QCOMPARE(greenPixels(2), 0);
    }

    void droppedFileOpens() {
        QTemporaryDir dir;
        const QString path = WriteScript(dir.filePath(u"dropped.Vantrell"_s), {"d1", "d2"});
        CWindow w;
        auto* mime = new QMimeData;
        mime->setUrls({QUrl::fromLocalFile(path)});
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&w.frame, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&w.frame, &drop);
        QTRY_COMPARE(Comments(w.list()), (QStringList{u"d1"_s, u"d2"_s}));
        delete mime;
    }
};

VANTRELL_X11_TEST_MAIN(TestFrame, QApplication)
#include "tst_frame.moc"
