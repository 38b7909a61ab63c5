// The main window's shell: menus and their routing, the status bar and its clock, the settings dialog's
// effect on the clock, sharing, Contact Us and the recent-file list.

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "app/MainFrame.h"
#include "platform/RecordingInput.h"
#include "script/ScriptFile.h"
#include "script/VantrellDoc.h"
#include "settings/Settings.h"
#include "tests/support/FakeHotKeys.h"
#include "tests/support/FakeUiServices.h"
#include "tests/support/TestMain.h"
#include "ui/DlgSettings.h"
#include "ui/DocManager.h"
#include "ui/VantrellView.h"

using namespace platform;

namespace {

struct CWindow {
    CWindow() {
        frame.NewDocument();
        frame.show();
    }
    testsupport::CFakeHotKeys hotKeys;
    CEventLog log;
    CRecordingInput input{log};
    testsupport::CFakeServices fakes{hotKeys, input};
    CMainFrame frame{fakes.services};
};

// The menu bar as text: "&File: &New\tCtrl+N, ..., -, E&xit".
QStringList MenuBarText(QMenuBar* bar) {
    QStringList out;
    for (QAction* top : bar->actions()) {
        if (!top->menu())
            continue;
        QStringList items;
        for (QAction* a : top->menu()->actions())
            items << (a->isSeparator() ? QStringLiteral("-") : a->text());
        out << top->text() + QStringLiteral(": ") + items.join(QStringLiteral(", "));
    }
    return out;
}

// Runs fn on the next settings dialog once it is up.
void WithNextSettingsDialog(std::function<void(CDlgSettings&)> fn) {
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, fn] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* dlg = qobject_cast<CDlgSettings*>(w); dlg && dlg->isVisible()) {
                timer->stop();
                timer->deleteLater();
                fn(*dlg);
                return;
            }
        }
    });
    timer->start();
}

QString WriteScript(const QString& path) {
    CScriptHeader header;
    CActionList rows;
    QString error;
    if (!WriteScriptFile(path, header, rows, &error))
        qFatal("cannot write");
    return path;
}

}  // namespace

class TestShell : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() {
        g_settings = CSettings();
        g_settings.Save();
    }

    void menuBar() {
        CWindow w;
        QCOMPARE(MenuBarText(w.frame.menuBar()),
                 (QStringList{
                     "&File: &New\tCtrl+N, &Open...\tCtrl+O, &Save\tCtrl+S, Save &As..., -, Recent File, -, "
                     "E&xit",
                     "&Edit: Delete Selected\tDel, -, Delete All",
                     "&View: Locate X,Y, -, Script File in Explorer, -, Settings..., -, &Status Bar",
                     "Share: Facebook, -, Twitter", "&Help: &About Vantrell..., -, Contact Us"}));
        for (int id : {57600, 57601, 57603, 57604, 57665, 32773, 32786, 32785, 32784, 32771, 59393, 32782,
                       32783, 57664, 32780})
            QVERIFY2(w.frame.CommandAction(id) && w.frame.CommandAction(id)->data().toInt() == id,
                     qPrintable(QString::number(id)));
    }

    void statusBarPanes() {
        CWindow w;
        QCOMPARE(w.frame.ClockPane().text(), QStringLiteral("System Time Display"));
        QCOMPARE(w.frame.MessagePane().text(), QStringLiteral("Ready"));
        QDateTime now(QDate(2026, 12, 5), QTime(14, 5, 9));
        w.frame.SetClock([&now] { return now; });
        QLocale::setDefault(QLocale(QStringLiteral("en_US")));
        w.frame.OnClockTick();
        QCOMPARE(w.frame.ClockPane().text(), QStringLiteral("2:05:09 PM"));
        QCOMPARE(w.frame.ClockTimer().interval(), 500);

        // A menu prompt shows in the message pane, and "Ready" comes back.
        QStatusTipEvent tip(QStringLiteral("View Settings..."));
        QApplication::sendEvent(&w.frame, &tip);
        QCOMPARE(w.frame.MessagePane().text(), QStringLiteral("View Settings..."));
        QStatusTipEvent none{QString()};
        QApplication::sendEvent(&w.frame, &none);
        QCOMPARE(w.frame.MessagePane().text(), QStringLiteral("Ready"));

        w.frame.CommandAction(59393)->trigger();
        QVERIFY(!w.frame.statusBar()->isVisible());
        w.frame.CommandAction(59393)->trigger();
        QVERIFY(w.frame.statusBar()->isVisible());
    }

    void clockTakesTheStoredIntervalAndTheDialogsOk() {
        g_settings.m_iTimeUpdateInterval = 250;
        g_settings.Save();
        g_settings = CSettings();
        CWindow w;
        QCOMPARE(w.frame.ClockTimer().interval(), 250);

        // Cancel leaves the timer as it was.
        WithNextSettingsDialog([](CDlgSettings& dlg) {
            dlg.findChild<QLineEdit*>(QStringLiteral("timeUpdateIntervalEdit"))
                ->setText(QStringLiteral("2000"));
            dlg.reject();
        });
        w.frame.CommandAction(32771)->trigger();
        QCOMPARE(w.frame.ClockTimer().interval(), 250);

        // OK restarts it at the new interval at once, from the context menu's entry as well.
        WithNextSettingsDialog([](CDlgSettings& dlg) {
            dlg.findChild<QLineEdit*>(QStringLiteral("timeUpdateIntervalEdit"))
                ->setText(QStringLiteral("2000"));
            dlg.findChild<QCheckBox*>(QStringLiteral("autoShortcutCheck"))->setChecked(false);
            dlg.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
        });
        w.frame.View().ContextAction(ID_SETTINGS)->trigger();
        QCOMPARE(w.frame.ClockTimer().interval(), 2000);
        QVERIFY(w.frame.ClockTimer().isActive());
        // The add-action key was given up with the setting.
        QCOMPARE(w.frame.View().AddButton().text(), QStringLiteral("Add New Mouse Click to Script"));
        QVERIFY(w.hotKeys.Registrations().empty());
    }

    void contactAndShare() {
        CWindow w;
        w.frame.CommandAction(32780)->trigger();
        QCOMPARE(w.fakes.messages.Texts().last(),
                 QStringLiteral("Please Send us an EMail at support@orlenby.org"));
        w.frame.CommandAction(32782)->trigger();
        w.frame.View().ContextAction(32783)->trigger();
        QCOMPARE(w.fakes.shell.m_openedUrls,
                 (std::vector<QString>{
                     "https://www.facebook.com/sharer.php?u=https%3A%2F%2Forlenby.github.io%2Fvantrell%2F",
                     "https://twitter.com/share?url=https%3A%2F%2Forlenby.github.io%2Fvantrell%2F"}));
    }

    void recentFiles() {
        QTemporaryDir dir;
        CWindow w;
        QStringList paths;
        for (int i = 0; i < 11; ++i) {
            paths.prepend(WriteScript(dir.filePath(QStringLiteral("s%1.Vantrell").arg(i))));
            QVERIFY(w.frame.DocManager().OpenDocumentFile(paths.first()));
        }
        // The eleventh pushed the oldest out; the menu lists them most recent first.
        QCOMPARE(w.frame.DocManager().RecentFiles().Paths(), paths.mid(0, 10));
        QStringList entries;
        for (QAction* a : w.frame.RecentFilesMenu()->actions())
            if (a->data().toInt() >= 57616 && a->data().toInt() < 57626 && a->isVisible())
                entries << a->text();
        QCOMPARE(entries.size(), 10);
        QCOMPARE(entries.first(), QStringLiteral("&1 ") + paths.first());

        // Chosen from the menu: the ask-to-save question first, then the other script.
        w.frame.Doc().SetModifiedFlag(true);
        w.fakes.messages.QueueAnswer(IDNO);
        for (QAction* a : w.frame.RecentFilesMenu()->actions())
            if (a->data().toInt() == 57616 + 3)
                a->trigger();
        QCOMPARE(w.frame.Doc().GetPathName(), paths[3]);
        QCOMPARE(w.fakes.messages.Texts().last(), QStringLiteral("Save changes to s10?"));

        // A file that is gone is reported and dropped from the list.
        QFile::remove(paths[5]);
        for (QAction* a : w.frame.RecentFilesMenu()->actions())
            if (a->text().endsWith(QStringLiteral("s5.Vantrell")))
                a->trigger();
        QVERIFY(w.fakes.messages.Texts().last().contains(QStringLiteral("no longer exists")));
        QVERIFY(!w.frame.DocManager().RecentFiles().Paths().contains(paths[5]));

        // The list is kept in the profile for the next start.
        CWindow again;
        QCOMPARE(again.frame.DocManager().RecentFiles().Paths().size(), 9);
    }

    void hideWithoutATrayMinimizes() {
        CWindow w;
        if (QSystemTrayIcon::isSystemTrayAvailable())
            QSKIP("this desktop has a tray");
        w.frame.View().HideButton().click();
        QTRY_VERIFY(w.frame.isMinimized() || w.frame.windowState() & Qt::WindowMinimized);
    }
};

VANTRELL_X11_TEST_MAIN(TestShell, QApplication)
#include "tst_shell.moc"
