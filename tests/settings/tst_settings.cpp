// The eight user settings and the per-user profile behind them. The test main points XDG_CONFIG_HOME at a
// private folder, so the real profile is never touched.

#include <QSettings>
#include <QtTest>

#include "platform/Profile.h"
#include "settings/Settings.h"
#include "tests/support/TestMain.h"

using namespace Qt::StringLiterals;

namespace {

QSettings RawProfile() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope,
                     QString::fromUtf16(platform::kProfileOrganization),
                     QString::fromUtf16(platform::kProfileApplication));
}

QList<int> Values(const CSettings& s) {
    return {s.m_bAutoShortcut,   s.m_bDeletionConfirmation, s.m_iTimeUpdateInterval, s.m_iMdMuMin.load(),
            s.m_iMdMuMax.load(), s.m_iDcMin.load(),         s.m_iDcMax.load(),       s.m_iDefaultTimeDelay};
}

}  // namespace

class TestSettings : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() {
        QSettings raw = RawProfile();
        raw.clear();
        raw.sync();
    }

    // An empty profile gives the defaults and gets nothing written; a value that is missing or no number
    // keeps what the field held.
    void loadKeepsWhatIsMissing() {
        CSettings s;
        s.Load();
        QCOMPARE(Values(s), (QList<int>{1, 1, 500, 10, 30, 20, 40, 200}));
        QVERIFY(RawProfile().allKeys().isEmpty());

        QSettings raw = RawProfile();
        raw.setValue(u"Settings/m_bDeletionConfirmation"_s, 0);
        raw.setValue(u"Settings/m_iDcMax"_s, 75);
        raw.setValue(u"Settings/m_iMdMuMin"_s, u"not a number"_s);
        raw.sync();
        s.m_iDefaultTimeDelay = 350;
        s.Load();
        QCOMPARE(Values(s), (QList<int>{1, 0, 500, 10, 30, 20, 75, 350}));
    }

    void saveThenLoad() {
        CSettings a;
        a.m_bAutoShortcut = 0;
        a.m_iTimeUpdateInterval = 1000;
        a.m_iMdMuMin = 50;
        a.m_iMdMuMax = 10;  // bounds need not be ordered
        a.m_iDcMin = 0;
        a.m_iDcMax = -5;
        a.m_iDefaultTimeDelay = 0;
        a.m_rcMainFrame = {1, 2, 300, 400};
        a.Save();
        QSettings raw = RawProfile();
        QCOMPARE(raw.allKeys().size(), 8);
        QCOMPARE(raw.value(u"Settings/m_iMdMuMin"_s).toInt(), 50);
        const QString file = raw.fileName();
        QVERIFY2(file.startsWith(qEnvironmentVariable("XDG_CONFIG_HOME")), qPrintable(file));
        QVERIFY2(file.endsWith(u"/O r l e n b y/Vantrell by Orlenby.conf"_s), qPrintable(file));

        CSettings b;
        b.Load();
        QCOMPARE(Values(b), Values(a));
        QCOMPARE(b.m_rcMainFrame.right, 0);
    }
};

VANTRELL_TEST_MAIN(TestSettings)
#include "tst_settings.moc"
