// The main window's shell: menus, the status bar and its clock, the settings dialog's effect on the clock,
// sharing, Contact Us, the About box and the recent-file list.

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QMenuBar>
#include <QRegularExpression>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QTemporaryDir>

#include "platform/AppInfo.h"
#include "res/AppIcon.h"
#include "tests/ui/UiFixture.h"
#include "ui/AboutDlg.h"
#include "ui/DlgSettings.h"

using namespace uitest;

namespace {

// The menu bar as text: "&File: &New\tCtrl+N, ..., -, E&xit".
QStringList MenuBarText(QMenuBar* bar) {
    QStringList out;
    for (QAction* top : bar->actions()) {
        if (!top->menu())
            continue;
        QStringList items;
        for (QAction* a : top->menu()->actions())
            items << (a->isSeparator() ? u"-"_s : a->text());
        out << top->text() + u": "_s + items.join(u", "_s);
    }
    return out;
}

}  // namespace

class TestShell : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() {
        QLocale::setDefault(QLocale(u"en_US"_s));
        g_settings = CSettings();
        g_settings.Save();
    }

    // The texts show the keys that the separate accelerators give.
    void menuBar() {
        CWindow w;
        QCOMPARE(
            MenuBarText(w.frame.menuBar()),
            (QStringList{"&File: &New\tCtrl+N, &Open...\tCtrl+O, &Save\tCtrl+S, Save &As..., -, Recent File, "
                         "-, E&xit",
                         "&Edit: Delete Selected\tDel, -, Delete All",
                         "&View: Locate X,Y, -, Script File in Explorer, -, Settings..., -, &Status Bar",
                         "Share: Facebook, -, Twitter", "&Help: &About Vantrell..., -, Contact Us"}));
    }

    void statusBarAndWindowSize() {
        CWindow w;
        QDateTime now(QDate(2026, 12, 5), QTime(14, 5, 9));
        w.frame.SetClock([&now] { return now; });
        w.frame.OnClockTick();
        QCOMPARE(w.frame.ClockPane().text(), u"2:05:09 PM"_s);
        QCOMPARE(w.frame.ClockTimer().interval(), 500);

        // A menu prompt shows in the message pane, and "Ready" comes back.
        QStatusTipEvent tip(u"View Settings..."_s);
        QApplication::sendEvent(&w.frame, &tip);
        QCOMPARE(w.frame.MessagePane().text(), u"View Settings..."_s);
        QStatusTipEvent none{QString()};
        QApplication::sendEvent(&w.frame, &none);
        QCOMPARE(w.frame.MessagePane().text(), u"Ready"_s);

        w.frame.CommandAction(ID_VIEW_STATUS_BAR)->trigger();
        QVERIFY(!w.frame.statusBar()->isVisible());
        w.frame.CommandAction(ID_VIEW_STATUS_BAR)->trigger();
        QVERIFY(w.frame.statusBar()->isVisible());

        // The window is fitted to the form, cannot shrink, and its frame is stored.
        const QSize fitted = w.frame.size();
        QCOMPARE(w.frame.minimumSize(), fitted);
        QCOMPARE(g_settings.m_rcMainFrame.Width(), w.frame.frameGeometry().width());
        w.frame.resize(fitted / 2);
        QCOMPARE(w.frame.size(), fitted);
    }

    void settingsDialogRestartsTheClock() {
        g_settings.m_iTimeUpdateInterval = 250;
        g_settings.Save();
        g_settings = CSettings();
        CWindow w;
        QCOMPARE(w.frame.ClockTimer().interval(), 250);
        const auto answer = [](bool ok) {
            OnNextDialog<CDlgSettings>([ok](CDlgSettings& dlg) {
                dlg.findChild<QLineEdit*>(u"timeUpdateIntervalEdit"_s)->setText(u"2000"_s);
                dlg.findChild<QCheckBox*>(u"autoShortcutCheck"_s)->setChecked(false);
                dlg.findChild<QDialogButtonBox*>()
                    ->button(ok ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel)
                    ->click();
            });
        };
        answer(false);
        w.frame.CommandAction(ID_VIEW_SETTINGS)->trigger();
        QCOMPARE(w.frame.ClockTimer().interval(), 250);
        QCOMPARE(w.view().AddButton().text(), u"Add New Mouse Click\n( F6 )"_s);

        // OK restarts it at the new interval at once (from the context menu's entry as well), and the
        // add-action key is given up with its setting.
        answer(true);
        w.view().ContextAction(ID_SETTINGS)->trigger();
        QCOMPARE(w.frame.ClockTimer().interval(), 2000);
        QVERIFY(w.frame.ClockTimer().isActive());
        QCOMPARE(w.view().AddButton().text(), u"Add New Mouse Click to Script"_s);
        QVERIFY(w.fakeHotKeys.Registrations().empty());
        QVERIFY(!w.fakeHotKeys.Press(0, VK_F6));
    }

    // Every address leaves through the shell service.
    void contactShareAndAbout() {
        CWindow w;
        w.frame.CommandAction(ID_CONTACT_US)->trigger();
        QCOMPARE(w.messages().last(), u"Please Send us an EMail at support@orlenby.org"_s);
        w.frame.CommandAction(ID_SHARE_FACEBOOK)->trigger();
        w.view().ContextAction(ID_SHARE_TWITTER)->trigger();
        QCOMPARE(w.fakes.shell.m_openedUrls,
                 (std::vector<QString>{
                     "https://www.facebook.com/sharer.php?u=https%3A%2F%2Forlenby.github.io%2Fvantrell%2F",
                     "https://twitter.com/share?url=https%3A%2F%2Forlenby.github.io%2Fvantrell%2F"}));

        // Each link of the About box carries its one address and hands exactly that to the shell.
        w.fakes.shell.m_openedUrls.clear();
        const QString mail = u"mailto:"_s + QString::fromUtf16(appinfo::kSupportEmail);
        const QString page = QString::fromUtf16(appinfo::kProductPage);
        QStringList hrefs;
        OnNextDialog<CAboutDlg>([&](CAboutDlg& dlg) {
            for (const auto& [name, url] :
                 {std::pair{"supportLabel", mail}, std::pair{"productPageLabel", page}}) {
                auto* label = dlg.findChild<QLabel*>(QLatin1String(name));
                for (const auto& m : QRegularExpression(u"href=\"([^\"]*)\""_s).globalMatch(label->text()))
                    hrefs << m.captured(1);
                Q_EMIT label->linkActivated(url);
            }
            dlg.accept();
        });
        w.frame.CommandAction(ID_APP_ABOUT)->trigger();
        QCOMPARE(hrefs, (QStringList{mail, page}));
        QCOMPARE(w.fakes.shell.m_openedUrls, (std::vector<QString>{mail, page}));

        // The icon comes from PNGs in the resource, so it shows even without Qt's SVG plugin.
        for (const int side : {16, 32, 64})
            QCOMPARE(res::AppIcon().pixmap(QSize(side, side)).size(), QSize(side, side));
    }

    void recentFiles() {
        QTemporaryDir dir;
        CWindow w;
        QStringList paths;
        for (int i = 0; i < 11; ++i) {
            paths.prepend(WriteScript(dir.filePath(u"s%1.Vantrell"_s.arg(i))));
            QVERIFY(w.docs().OpenDocumentFile(paths.first()));
        }
        // The eleventh pushed the oldest out; the menu lists them most recent first.
        QCOMPARE(w.docs().RecentFiles().Paths(), paths.mid(0, 10));
        const auto entry = [&](int i) {
            for (QAction* a : w.frame.RecentFilesMenu()->actions())
                if (a->data().toInt() == ID_FILE_MRU_FILE1 + i && a->isVisible())
                    return a;
            return static_cast<QAction*>(nullptr);
        };
        QVERIFY(entry(9) && !entry(10));
        QCOMPARE(entry(0)->text(), u"&1 "_s + paths.first());

        // Chosen from the menu: the ask-to-save question first, then the other script.
        w.doc().SetModifiedFlag(true);
        w.fakes.messages.QueueAnswer(IDNO);
        entry(3)->trigger();
        QCOMPARE(w.doc().GetPathName(), paths[3]);
        QCOMPARE(w.messages().last(), u"Save changes to s10?"_s);

        // A file that is gone is reported and dropped from the list.
        QFile::remove(paths[5]);
        QCOMPARE(entry(5)->text(), u"&6 "_s + paths[5]);
        entry(5)->trigger();
        QVERIFY(w.messages().last().contains(u"no longer exists"_s));
        QVERIFY(!w.docs().RecentFiles().Paths().contains(paths[5]));

        // The list is kept in the profile for the next start.
        CWindow again;
        QCOMPARE(again.docs().RecentFiles().Paths().size(), 9);
    }

    void hideWithoutATrayMinimizes() {
        if (QSystemTrayIcon::isSystemTrayAvailable())
            QSKIP("this desktop has a tray");
        CWindow w;
        w.view().HideButton().click();
        QTRY_VERIFY(w.frame.isMinimized());
    }
};

VANTRELL_X11_TEST_MAIN(TestShell, QApplication)
#include "tst_shell.moc"
