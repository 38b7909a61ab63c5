// The settings dialog: what OK stores and writes, what a bad number and Cancel leave behind, and the
// millisecond clock.

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QRegularExpression>
#include <QSettings>
#include <QSignalSpy>

#include "platform/Profile.h"
#include "tests/ui/UiFixture.h"
#include "ui/DlgSettings.h"

using namespace uitest;

namespace {

const QList<int> kDefaults = {1, 1, 500, 10, 30, 20, 40, 200};
const QList<int> kNothingStored(8, -424242);
const char* const kEdits[] = {
    "timeUpdateIntervalEdit", "mdMuMinEdit", "mdMuMaxEdit", "dcMinEdit", "dcMaxEdit", "defaultTimeDelayEdit"};

QList<int> Values() {
    const CSettings& s = g_settings;
    return {s.m_bAutoShortcut,   s.m_bDeletionConfirmation, s.m_iTimeUpdateInterval, s.m_iMdMuMin.load(),
            s.m_iMdMuMax.load(), s.m_iDcMin.load(),         s.m_iDcMax.load(),       s.m_iDefaultTimeDelay};
}

void SetValues(const QList<int>& v) {
    CSettings& s = g_settings;
    s.m_bAutoShortcut = v[0];
    s.m_bDeletionConfirmation = v[1];
    s.m_iTimeUpdateInterval = v[2];
    s.m_iMdMuMin = v[3];
    s.m_iMdMuMax = v[4];
    s.m_iDcMin = v[5];
    s.m_iDcMax = v[6];
    s.m_iDefaultTimeDelay = v[7];
}

// The eight values in the profile, kNothingStored's marker for each one never written.
QList<int> ProfileValues() {
    QList<int> values;
    for (const QString& name :
         u"m_bAutoShortcut m_bDeletionConfirmation m_iTimeUpdateInterval m_iMdMuMin "
         "m_iMdMuMax m_iDcMin m_iDcMax m_iDefaultTimeDelay"_s.split(u' '))
        values << GetProfileInt(u"Settings"_s, name, kNothingStored[0]);
    return values;
}

// The dialog shown, with a fake message box.
struct CDialog {
    CDialog() {
        dlg.show();
        if (!QTest::qWaitForWindowExposed(&dlg))
            qWarning("the dialog was not exposed");
    }
    template <class T = QLineEdit>
    T* Child(const QString& name) {
        T* child = dlg.findChild<T*>(name);
        if (!child)
            qFatal("no child %s", qPrintable(name));
        return child;
    }
    void Retype(const QString& field, const QString& text) {
        Child(field)->selectAll();
        QTest::keyClick(Child(field), Qt::Key_Delete);
        QTest::keyClicks(Child(field), text);
    }
    void Click(QDialogButtonBox::StandardButton which) {
        QTest::mouseClick(Child<QDialogButtonBox>(u"buttonBox"_s)->button(which), Qt::LeftButton);
    }

    testsupport::CFakeMessageBox messages;
    CDlgSettings dlg{messages};
    QSignalSpy changed{&dlg, &CDlgSettings::SettingsChanged};
};

}  // namespace

class TestDlgSettings : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(u"en_US"_s)); }

    void init() {
        QSettings(QSettings::NativeFormat, QSettings::UserScope, QString::fromUtf16(kProfileOrganization),
                  QString::fromUtf16(kProfileApplication))
            .clear();
        SetValues(kDefaults);
    }

    // Distinct values in every field catch two controls bound to the wrong settings; a negative value
    // (from a profile edited by hand) goes back as it came rather than trapping the user in the dialog.
    void okWithoutChangesWritesAllEight_data() {
        QTest::addColumn<QList<int>>("values");
        QTest::newRow("defaults") << kDefaults;
        QTest::newRow("edited profile") << QList<int>{0, 1, -1, 70, 3, 9, 8, 2147483647};
    }
    void okWithoutChangesWritesAllEight() {
        QFETCH(QList<int>, values);
        SetValues(values);
        CDialog d;
        d.Click(QDialogButtonBox::Ok);
        QCOMPARE(d.dlg.result(), int(QDialog::Accepted));
        QCOMPARE(d.messages.Texts(), QStringList());
        QCOMPARE(d.changed.count(), 1);
        QCOMPARE(Values(), values);
        QCOMPARE(ProfileValues(), values);
    }

    // Minimum above maximum is no error: the click injection orders each pair itself.
    void okStoresWhatWasTyped() {
        CDialog d;
        d.Child<QCheckBox>(u"deletionConfirmationCheck"_s)->click();
        const QStringList typed = {u"250"_s, u"50"_s, u"10"_s, u"50"_s, u"10"_s, u"0"_s};
        for (int i = 0; i < 6; ++i)
            d.Retype(QLatin1String(kEdits[i]), typed[i]);
        QTest::keyClick(&d.dlg, Qt::Key_Return);
        QCOMPARE(d.dlg.result(), int(QDialog::Accepted));
        QCOMPARE(d.changed.count(), 1);
        const QList<int> stored = {1, 0, 250, 50, 10, 50, 10, 0};
        QCOMPARE(Values(), stored);
        QCOMPARE(ProfileValues(), stored);
    }

    // The first bad field in the exchange order gets the focus. The check box and the good number changed
    // before it must not reach g_settings, neither now nor after Cancel.
    void badNumberStoresNothing_data() {
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QString>("text");
        QTest::newRow("cleared interval") << QStringList{u"timeUpdateIntervalEdit"_s} << QString();
        QTest::newRow("beyond 32 bits") << QStringList{u"mdMuMaxEdit"_s} << u"2147483648"_s;
        QTest::newRow("two cleared") << QStringList{u"dcMaxEdit"_s, u"defaultTimeDelayEdit"_s} << QString();
    }
    void badNumberStoresNothing() {
        QFETCH(QStringList, fields);
        QFETCH(QString, text);
        CDialog d;
        d.Child<QCheckBox>(u"autoShortcutCheck"_s)->click();
        d.Retype(u"mdMuMinEdit"_s, u"77"_s);
        for (const QString& field : fields)
            d.Retype(field, text);

        d.Click(QDialogButtonBox::Ok);
        QCOMPARE(d.messages.Texts().size(), 1);
        QVERIFY(d.dlg.isVisible());
        QCOMPARE(d.dlg.focusWidget(), d.Child(fields[0]));
        QCOMPARE(Values(), kDefaults);
        QCOMPARE(ProfileValues(), kNothingStored);

        d.Click(QDialogButtonBox::Cancel);
        QCOMPARE(d.dlg.result(), int(QDialog::Rejected));
        QCOMPARE(d.changed.count(), 0);
        QCOMPARE(Values(), kDefaults);
        QCOMPARE(ProfileValues(), kNothingStored);
    }

    void clockText_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QTime>("time");
        QTest::addColumn<QString>("text");
        QTest::newRow("two digits") << u"en_US"_s << QTime(14, 5, 9, 7) << u"2:05:09 PM:07"_s;
        QTest::newRow("three digits") << u"en_US"_s << QTime(0, 0, 0, 123) << u"12:00:00 AM:123"_s;
        QTest::newRow("24-hour locale") << u"de_DE"_s << QTime(14, 5, 9, 0) << u"14:05:09:00"_s;
    }
    void clockText() {
        QFETCH(QString, locale);
        QFETCH(QTime, time);
        QFETCH(QString, text);
        QCOMPARE(CDlgSettings::ClockText(time, QLocale(locale)), text);
    }

    // While the dialog is shown the field keeps changing, always the current time ending in the
    // milliseconds; once it is closed the clock stops waking the program.
    void liveClock() {
        const QRegularExpression form(u"^(1[0-2]|[1-9]):[0-5]\\d:[0-5]\\d [AP]M:(\\d\\d|[1-9]\\d\\d)$"_s);
        CDialog d;
        QLineEdit* clock = d.Child(u"clockEdit"_s);
        QSet<QString> seen;
        for (int i = 0; i < 20; ++i, QTest::qWait(13)) {
            const QString text = clock->text();
            QVERIFY2(form.match(text).hasMatch(), qPrintable(text));
            const QTime shown = COleDateTime::ParseTime(text.left(text.lastIndexOf(u':'))).GetTime();
            const int behind = (shown.secsTo(QTime::currentTime()) + 86400) % 86400;  // midnight too
            QVERIFY2(behind <= 1, qPrintable(text));
            seen.insert(text);
        }
        QVERIFY2(seen.size() >= 10, qPrintable(QString::number(seen.size())));

        d.dlg.reject();
        const QString last = clock->text();
        QTest::qWait(60);
        QCOMPARE(clock->text(), last);
    }
};

VANTRELL_X11_TEST_MAIN(TestDlgSettings, QApplication)
#include "tst_dlgsettings.moc"
