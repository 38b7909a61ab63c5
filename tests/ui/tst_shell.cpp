// The main window's shell: the clocks, Contact Us, sharing, the icon and the recent-file list; and the
// settings dialog: what it stores and what it refuses.

#include <QCheckBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include "platform/Profile.h"
#include "res/AppIcon.h"
#include "tests/ui/UiFixture.h"
#include "ui/AboutDlg.h"
#include "ui/DlgAction.h"
#include "ui/DlgSettings.h"
#include "ui/QtServices.h"

using namespace uitest;

namespace {

const QStringList kNames =
    u"m_bAutoShortcut m_bDeletionConfirmation m_iTimeUpdateInterval m_iMdMuMin m_iMdMuMax "
    "m_iDcMin m_iDcMax m_iDefaultTimeDelay"_s.split(u' ');
const QList<int> kDefaults = {1, 1, 500, 10, 30, 20, 40, 200};
const QList<int> kNothingStored(8, -424242);

QList<int> Values() {
    const CSettings& s = g_settings;
    return {s.m_bAutoShortcut,   s.m_bDeletionConfirmation, s.m_iTimeUpdateInterval, s.m_iMdMuMin.load(),
            s.m_iMdMuMax.load(), s.m_iDcMin.load(),         s.m_iDcMax.load(),       s.m_iDefaultTimeDelay};
}

// The eight values in the profile, kNothingStored's marker for each one never written.
QList<int> Stored() {
    QList<int> values;
    for (const QString& name : kNames)
        values << GetProfileInt(u"Settings"_s, name, kNothingStored[0]);
    return values;
}

// Puts the values into g_settings, as a profile edited by hand gives them, and empties the profile.
void Preset(const QList<int>& values) {
    for (int i = 0; i < kNames.size(); ++i)
        WriteProfileInt(u"Settings"_s, kNames[i], values[i]);
    g_settings.Load();
    for (const QString& name : kNames)
        RemoveProfileEntry(u"Settings"_s, name);
}

// A menu's items as texts, a separator as "-".
QStringList MenuLayout(const QMenu* menu) {
    QStringList items;
    for (const QAction* a : menu->actions())
        items << (a->isSeparator() ? u"-"_s : a->text());
    return items;
}

// Runs check on the modal dialog that the caller is about to open, once it is on screen.
template <typename Dialog, typename Check>
void OnNextModal(Check check) {
    QTimer::singleShot(0, [check] {
        QTRY_VERIFY(qobject_cast<Dialog*>(QApplication::activeModalWidget()));
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
        check(dialog);
    });
}

// The settings dialog on its own, shown, with a fake message box.
struct CSettingsDialog {
    CSettingsDialog() {
        dlg.show();
        (void)QTest::qWaitForWindowExposed(&dlg);
    }
    QLineEdit* Edit(const QString& name) { return dlg.findChild<QLineEdit*>(name); }

    testsupport::CFakeMessageBox messages;
    CDlgSettings dlg{messages};
    QSignalSpy changed{&dlg, &CDlgSettings::SettingsChanged};
};

}  // namespace

class TestShell : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { ResetGlobals(); }

    // The status bar's clock shows the locale's long time without the zone, the settings dialog's adds the
    // milliseconds; Contact Us names the address, and sharing goes out through the shell service.
    void textsAndAddresses() {
        CWindow w;
        QDateTime now(QDate(2026, 12, 5), QTime(14, 5, 9));
        w.frame.SetClock([&now] { return now; });
        w.frame.OnClockTick();
        QCOMPARE(w.frame.ClockPane().text(), u"2:05:09 PM"_s);
        QCOMPARE(CDlgSettings::ClockText(QTime(14, 5, 9, 7)), u"2:05:09 PM:07"_s);
        QCOMPARE(CDlgSettings::ClockText(QTime(0, 0, 0, 123)), u"12:00:00 AM:123"_s);
        QCOMPARE(CDlgSettings::ClockText(QTime(14, 5, 9, 0), QLocale(u"de_DE"_s)), u"14:05:09:00"_s);
        w.frame.CommandAction(ID_CONTACT_US)->trigger();
        QCOMPARE(w.messages().last(), u"Please Send us an EMail at support@orlenby.org"_s);
        w.frame.CommandAction(ID_SHARE_FACEBOOK)->trigger();
        w.view().ContextAction(ID_SHARE_TWITTER)->trigger();
        QCOMPARE(w.fakes.shell.m_openedUrls,
                 (std::vector<QString>{
                     "https://www.facebook.com/sharer.php?u=https%3A%2F%2Forlenby.github.io%2Fvantrell%2F",
                     "https://twitter.com/share?url=https%3A%2F%2Forlenby.github.io%2Fvantrell%2F"}));
        // The context menu's Share submenu is laid out as the main Share menu.
        QList<QMenu*> shareMenus;
        for (QObject* o : w.view().ContextAction(ID_SHARE_TWITTER)->associatedObjects())
            if (auto* menu = qobject_cast<QMenu*>(o))
                shareMenus << menu;
        QCOMPARE(shareMenus.size(), 2);
        QCOMPARE(MenuLayout(shareMenus[0]), (QStringList{"Facebook", "-", "Twitter"}));
        QCOMPARE(MenuLayout(shareMenus[1]), MenuLayout(shareMenus[0]));
        // The icon comes from PNGs in the resource, so it shows even without Qt's SVG plugin.
        QCOMPARE(res::AppIcon().pixmap(QSize(32, 32)).size(), QSize(32, 32));
    }

    void recentFiles() {
        QTemporaryDir dir;
        CWindow w;
        QStringList paths;
        for (int i = 0; i < 11; ++i) {
            paths.prepend(WriteScript(dir.filePath(u"s%1.Vantrell"_s.arg(i)), {}));
            QVERIFY(w.docs().OpenDocumentFile(paths.first()));
        }
        // The eleventh pushed the oldest out; the menu lists them most recent first.
        QCOMPARE(w.docs().RecentFiles().Paths(), paths.mid(0, 10));
        const auto entry = [&](int i) {
            QAction* found = nullptr;
            for (QAction* a : w.frame.RecentFilesMenu()->actions())
                found = a->data().toInt() == ID_FILE_MRU_FILE1 + i && a->isVisible() ? a : found;
            return found;
        };
        QVERIFY(entry(9) && !entry(10));
        QCOMPARE(entry(0)->text(), u"&1 "_s + paths.first());
        entry(3)->trigger();
        QCOMPARE(w.doc().GetPathName(), paths[3]);

        // A file that is gone is reported and dropped from the list, which the next start reads back.
        QFile::remove(paths[5]);
        entry(5)->trigger();  // the fourth moved to the top, so the sixth is still the sixth
        QVERIFY(w.messages().last().contains(u"no longer exists"_s));
        QVERIFY(!w.docs().RecentFiles().Paths().contains(paths[5]));
        CWindow again;
        QCOMPARE(again.docs().RecentFiles().Paths().size(), 9);
    }

    // Modal dialogs keep the size their forms are fitted to: no resizing, no maximize button; a message box
    // is wide enough for the window manager to show its whole caption (in bold, beside the title bar's
    // icon and buttons), however short its text.
    void dialogSizes() {
        CWindow w;
        const auto fixed = [](QDialog* dialog) {
            QVERIFY(dialog->isVisible());
            QCOMPARE(dialog->minimumSize(), dialog->size());
            QCOMPARE(dialog->maximumSize(), dialog->size());
            QVERIFY(!(dialog->windowFlags() & Qt::WindowMaximizeButtonHint));
            QVERIFY(!(dialog->windowFlags() & Qt::WindowMinimizeButtonHint));
            dialog->reject();
        };
        OnNextModal<CDlgAction>(fixed);
        w.view().OnAddAction();
        OnNextModal<CDlgSettings>(fixed);
        w.frame.OnSettings();
        OnNextModal<CAboutDlg>(fixed);
        w.frame.OnAbout();

        QString caption;
        int width = 0;
        OnNextModal<QMessageBox>([&](QMessageBox* box) {
            caption = box->windowTitle();
            width = box->width();
            box->reject();
        });
        CQtMessageBox().MessageBox(&w.frame, u"Done."_s, MB_OK | MB_ICONINFORMATION);
        QFont bold = QApplication::font();
        bold.setBold(true);
        QVERIFY(!caption.isEmpty());
        QVERIFY2(width >= QFontMetrics(bold).horizontalAdvance(caption) + 100,
                 qPrintable(QString::number(width)));
    }

    // File dialogs start beside the open script, else in the folder the last dialog was left in, else in
    // the documents folder; a folder that is gone is passed over.
    void fileDialogStartFolder() {
        QTemporaryDir a, b;
        const QString docs = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        const QString gone = a.filePath(u"gone"_s);
        QCOMPARE(StartFolder(a.filePath(u"x.Vantrell"_s), b.path(), docs), a.path());
        QCOMPARE(StartFolder({}, b.path(), docs), b.path());
        QCOMPARE(StartFolder(gone + u"/x.Vantrell"_s, b.path(), docs), b.path());
        QCOMPARE(StartFolder({}, gone, a.path()), a.path());
        QCOMPARE(StartFolder({}, {}, gone), QDir::homePath());

        // The document manager hands its dialogs the open script.
        CWindow w;
        const QString script = WriteScript(a.filePath(u"open.Vantrell"_s), {});
        QVERIFY(w.docs().OpenDocumentFile(script));
        w.docs().OnFileOpen();
        w.docs().OnFileSaveAs();
        QCOMPARE(w.fakes.fileDialogs.Requests().size(), size_t(2));
        for (const auto& request : w.fakes.fileDialogs.Requests())
            QCOMPARE(request.scriptPath, script);

        // The real dialog starts there, and the next one, for a script without a path, where it was left.
        const QString chosen = b.filePath(u"chosen.Vantrell"_s);
        CQtFileDialogs dialogs;
        QString started;
        OnNextModal<QFileDialog>([&](QFileDialog* dialog) {
            started = dialog->directory().absolutePath();
            // The user goes to the other folder and types a name.
            dialog->setDirectory(b.path());
            auto* name = dialog->findChild<QLineEdit*>(u"fileNameEdit"_s);
            QVERIFY(name);
            name->setText(u"chosen"_s);
            static_cast<QDialog*>(dialog)->accept();
            if (dialog->isVisible())
                dialog->reject();
        });
        QString path;
        if (!dialogs.GetSaveFileName(&w.frame, script, u"Untitled"_s, &path) && started.isEmpty())
            QSKIP("the platform's own file dialog is in use; it cannot be driven here");
        QCOMPARE(started, a.path());
        QCOMPARE(path, chosen);
        OnNextModal<QFileDialog>([&](QFileDialog* dialog) {
            started = dialog->directory().absolutePath();
            dialog->reject();
        });
        QVERIFY(!dialogs.GetOpenFileName(&w.frame, {}, &path));
        QCOMPARE(started, b.path());
    }

    // OK writes all eight, changed or not, and signals. Distinct values catch two controls bound to the
    // wrong settings; a clock interval out of range in the profile comes in as its default, so the dialog
    // never traps the user with it; a minimum above its maximum is no error, since the click injection
    // orders each pair itself.
    void settingsOkStoresAllEight() {
        Preset({0, 1, -1, 70, 3, 9, 8, 2147483647});
        CSettingsDialog d;
        QCOMPARE(d.Edit(u"timeUpdateIntervalEdit"_s)->text(), u"500"_s);
        d.Edit(u"mdMuMaxEdit"_s)->setText(u"5"_s);
        QTest::keyClick(&d.dlg, Qt::Key_Return);
        QCOMPARE(d.dlg.result(), int(QDialog::Accepted));
        QCOMPARE(d.messages.Texts(), QStringList());
        QCOMPARE(d.changed.count(), 1);
        const QList<int> stored = {0, 1, 500, 70, 5, 9, 8, 2147483647};
        QCOMPARE(Values(), stored);
        QCOMPARE(Stored(), stored);
    }

    // A bad number is refused with a prompt, and the first bad field in the exchange order gets the focus.
    // The check box and the good number changed before it reach neither g_settings nor the profile, neither
    // then nor after Cancel.
    void settingsBadNumberStoresNothing() {
        Preset(kDefaults);
        CSettingsDialog d;
        d.dlg.findChild<QCheckBox*>(u"autoShortcutCheck"_s)->click();
        d.Edit(u"mdMuMinEdit"_s)->setText(u"77"_s);
        d.Edit(u"dcMaxEdit"_s)->setText(u"2147483648"_s);
        d.Edit(u"defaultTimeDelayEdit"_s)->clear();
        QTest::keyClick(&d.dlg, Qt::Key_Return);
        QCOMPARE(d.messages.Texts(), QStringList{"Please enter a whole number from 0 to 2147483647."});
        QVERIFY(d.dlg.isVisible());
        QCOMPARE(d.dlg.focusWidget(), d.Edit(u"dcMaxEdit"_s));
        // The clock's interval has narrower bounds, the same that a value read from the profile must meet.
        d.Edit(u"timeUpdateIntervalEdit"_s)->setText(u"9"_s);
        QTest::keyClick(&d.dlg, Qt::Key_Return);
        QCOMPARE(d.messages.Texts().last(), u"Please enter a whole number from 10 to 60000."_s);
        QCOMPARE(d.dlg.focusWidget(), d.Edit(u"timeUpdateIntervalEdit"_s));
        QCOMPARE(Values(), kDefaults);
        QCOMPARE(Stored(), kNothingStored);
        QTest::keyClick(&d.dlg, Qt::Key_Escape);
        QCOMPARE(d.dlg.result(), int(QDialog::Rejected));
        QCOMPARE(d.changed.count(), 0);
        QCOMPARE(Values(), kDefaults);
        QCOMPARE(Stored(), kNothingStored);
    }
};

VANTRELL_X11_TEST_MAIN(TestShell, QApplication)
#include "tst_shell.moc"
