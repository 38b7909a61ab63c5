// The main window's shell: the clocks, sharing, Contact Us, the icon, the recent-file list, and the settings
// dialog with what it stores, refuses and changes in the window.

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QSignalSpy>
#include <QTemporaryDir>

#include "platform/Profile.h"
#include "res/AppIcon.h"
#include "tests/ui/UiFixture.h"
#include "ui/DlgSettings.h"

using namespace uitest;

namespace {

const QStringList kNames =
    u"m_bAutoShortcut m_bDeletionConfirmation m_iTimeUpdateInterval m_iMdMuMin m_iMdMuMax "
    "m_iDcMin m_iDcMax m_iDefaultTimeDelay"_s.split(u' ');
const QList<int> kDefaults = {1, 1, 500, 10, 30, 20, 40, 200};
constexpr int kUnset = -424242;
const QList<int> kNothingStored(8, kUnset);

QList<int> Values() {
    const CSettings& s = g_settings;
    return {s.m_bAutoShortcut,   s.m_bDeletionConfirmation, s.m_iTimeUpdateInterval, s.m_iMdMuMin.load(),
            s.m_iMdMuMax.load(), s.m_iDcMin.load(),         s.m_iDcMax.load(),       s.m_iDefaultTimeDelay};
}

// The eight values in the profile, kUnset for each one never written.
QList<int> Stored() {
    QList<int> values;
    for (const QString& name : kNames)
        values << GetProfileInt(u"Settings"_s, name, kUnset);
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

// The settings dialog on its own, shown, with a fake message box.
struct CSettingsDialog {
    CSettingsDialog() {
        dlg.show();
        if (!QTest::qWaitForWindowExposed(&dlg))
            qWarning("the dialog was not exposed");
    }
    QLineEdit* Edit(const QString& name) { return dlg.findChild<QLineEdit*>(name); }
    void Retype(const QString& field, const QString& text) {
        Edit(field)->selectAll();
        QTest::keyClick(Edit(field), Qt::Key_Delete);
        QTest::keyClicks(Edit(field), text);
    }

    testsupport::CFakeMessageBox messages;
    CDlgSettings dlg{messages};
    QSignalSpy changed{&dlg, &CDlgSettings::SettingsChanged};
};

}  // namespace

class TestShell : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { ResetGlobals(); }

    // The status bar's clock shows the locale's long time without the zone; the settings dialog's adds the
    // milliseconds.
    void clocks() {
        CWindow w;
        QDateTime now(QDate(2026, 12, 5), QTime(14, 5, 9));
        w.frame.SetClock([&now] { return now; });
        w.frame.OnClockTick();
        QCOMPARE(w.frame.ClockPane().text(), u"2:05:09 PM"_s);
        QCOMPARE(CDlgSettings::ClockText(QTime(14, 5, 9, 7)), u"2:05:09 PM:07"_s);
        QCOMPARE(CDlgSettings::ClockText(QTime(0, 0, 0, 123)), u"12:00:00 AM:123"_s);
        QCOMPARE(CDlgSettings::ClockText(QTime(14, 5, 9, 0), QLocale(u"de_DE"_s)), u"14:05:09:00"_s);
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
        // The icon comes from PNGs in the resource, so it shows even without Qt's SVG plugin.
        QCOMPARE(res::AppIcon().pixmap(QSize(32, 32)).size(), QSize(32, 32));
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
            QAction* found = nullptr;
            for (QAction* a : w.frame.RecentFilesMenu()->actions())
                found = a->data().toInt() == ID_FILE_MRU_FILE1 + i && a->isVisible() ? a : found;
            return found;
        };
        QVERIFY(entry(9) && !entry(10));
        QCOMPARE(entry(0)->text(), u"&1 "_s + paths.first());

        // Chosen from the menu: the ask-to-save question first, then the other script.
        w.doc().SetModifiedFlag(true);
        w.fakes.messages.QueueAnswer(IDNO);
        entry(3)->trigger();
        QCOMPARE(w.messages().last(), u"Save changes to s10?"_s);
        QCOMPARE(w.doc().GetPathName(), paths[3]);

        // A file that is gone is reported and dropped from the list, which the next start reads back.
        QFile::remove(paths[5]);
        QCOMPARE(entry(5)->text(), u"&6 "_s + paths[5]);
        entry(5)->trigger();
        QVERIFY(w.messages().last().contains(u"no longer exists"_s));
        QVERIFY(!w.docs().RecentFiles().Paths().contains(paths[5]));
        CWindow again;
        QCOMPARE(again.docs().RecentFiles().Paths().size(), 9);
    }

    // OK writes all eight, changed or not. Distinct values catch two controls bound to the wrong
    // settings; a negative value goes back as it came rather than trapping the user in the dialog; a
    // minimum above its maximum is no error, since the click injection orders each pair itself.
    void settingsOkStoresAndWritesAllEight_data() {
        QTest::addColumn<QList<int>>("values");
        QTest::addColumn<QStringList>("typed");  // interval, the four pause bounds, default delay
        QTest::addColumn<QList<int>>("stored");
        const QList<int> edited = {0, 1, -1, 70, 3, 9, 8, 2147483647};
        QTest::newRow("defaults") << kDefaults << QStringList() << kDefaults;
        QTest::newRow("edited profile") << edited << QStringList() << edited;
        QTest::newRow("typed") << kDefaults << QStringList{"250", "50", "10", "50", "10", "0"}
                               << QList<int>{1, 1, 250, 50, 10, 50, 10, 0};
    }
    void settingsOkStoresAndWritesAllEight() {
        QFETCH(QList<int>, values);
        QFETCH(QStringList, typed);
        QFETCH(QList<int>, stored);
        Preset(values);
        CSettingsDialog d;
        const QStringList edits = {
            "timeUpdateIntervalEdit", "mdMuMinEdit", "mdMuMaxEdit", "dcMinEdit", "dcMaxEdit",
            "defaultTimeDelayEdit"};
        for (int i = 0; i < typed.size(); ++i)
            d.Retype(edits[i], typed[i]);
        QTest::keyClick(&d.dlg, Qt::Key_Return);
        QCOMPARE(d.dlg.result(), int(QDialog::Accepted));
        QCOMPARE(d.messages.Texts(), QStringList());
        QCOMPARE(d.changed.count(), 1);
        QCOMPARE(Values(), stored);
        QCOMPARE(Stored(), stored);
    }

    // The first bad field in the exchange order gets the focus. The check box and the good number changed
    // before it must not reach g_settings, neither now nor after Cancel.
    void settingsBadNumberStoresNothing_data() {
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QString>("text");
        QTest::newRow("cleared interval") << QStringList{u"timeUpdateIntervalEdit"_s} << QString();
        QTest::newRow("beyond 32 bits") << QStringList{u"mdMuMaxEdit"_s} << u"2147483648"_s;
        QTest::newRow("two cleared") << QStringList{u"dcMaxEdit"_s, u"defaultTimeDelayEdit"_s} << QString();
    }
    void settingsBadNumberStoresNothing() {
        QFETCH(QStringList, fields);
        QFETCH(QString, text);
        Preset(kDefaults);
        CSettingsDialog d;
        d.dlg.findChild<QCheckBox*>(u"autoShortcutCheck"_s)->click();
        d.Retype(u"mdMuMinEdit"_s, u"77"_s);
        for (const QString& field : fields)
            d.Retype(field, text);
        QTest::keyClick(&d.dlg, Qt::Key_Return);
        QCOMPARE(d.messages.Texts().size(), 1);
        QVERIFY(d.dlg.isVisible());
        QCOMPARE(d.dlg.focusWidget(), d.Edit(fields[0]));
        QCOMPARE(Values(), kDefaults);
        QCOMPARE(Stored(), kNothingStored);
        QTest::mouseClick(d.dlg.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel),
                          Qt::LeftButton);
        QCOMPARE(d.dlg.result(), int(QDialog::Rejected));
        QCOMPARE(d.changed.count(), 0);
        QCOMPARE(Values(), kDefaults);
        QCOMPARE(Stored(), kNothingStored);
    }

    // The window takes the stored interval at start; the dialog's OK (from the menu or the list's context
    // menu) restarts the clock at once and gives up the add-action key with its setting; Cancel does not.
    void settingsChangeTheWindow() {
        g_settings.m_iTimeUpdateInterval = 250;
        g_settings.Save();
        g_settings = CSettings();
        CWindow w;
        QCOMPARE(w.frame.ClockTimer().interval(), 250);
        for (const auto button : {QDialogButtonBox::Cancel, QDialogButtonBox::Ok}) {
            OnNextDialog<CDlgSettings>([button](CDlgSettings& dlg) {
                dlg.findChild<QLineEdit*>(u"timeUpdateIntervalEdit"_s)->setText(u"2000"_s);
                dlg.findChild<QCheckBox*>(u"autoShortcutCheck"_s)->setChecked(false);
                dlg.findChild<QDialogButtonBox*>()->button(button)->click();
            });
            const bool ok = button == QDialogButtonBox::Ok;
            (ok ? w.view().ContextAction(ID_SETTINGS) : w.frame.CommandAction(ID_VIEW_SETTINGS))->trigger();
            QCOMPARE(w.frame.ClockTimer().interval(), ok ? 2000 : 250);
            QVERIFY(w.frame.ClockTimer().isActive());
            QCOMPARE(w.fakeHotKeys.Press(0, VK_F6), !ok);
        }
        QCOMPARE(w.view().AddButton().text(), u"Add New Mouse Click to Script"_s);
    }
};

VANTRELL_X11_TEST_MAIN(TestShell, QApplication)
#include "tst_shell.moc"
