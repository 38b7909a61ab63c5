// The eight user settings and the per-user profile behind them. The test main points XDG_CONFIG_HOME at a
// private folder, so the real profile is never touched.

#include <QSettings>
#include <QtTest>

#include "platform/Profile.h"
#include "settings/Settings.h"
#include "tests/support/TestMain.h"

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

    void emptyProfileGivesDefaultsAndWritesNothing() {
        CSettings s;
        s.Load();
        QCOMPARE(Values(s), (QList<int>{1, 1, 500, 10, 30, 20, 40, 200}));
        QCOMPARE(s.m_rcMainFrame.Width(), 0);
        QVERIFY(RawProfile().allKeys().isEmpty());
    }

    void missingValuesKeepTheCurrentOnes() {
        QSettings raw = RawProfile();
        raw.setValue(QStringLiteral("Settings/m_bDeletionConfirmation"), 0);
        raw.setValue(QStringLiteral("Settings/m_iDcMax"), 75);
        raw.setValue(QStringLiteral("Settings/m_iMdMuMin"), QStringLiteral("not a number"));
        raw.sync();
        CSettings s;
        s.m_iDefaultTimeDelay = 350;  // changed in memory before the load
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
        QCOMPARE(raw.value(QStringLiteral("Settings/m_iMdMuMin")).toInt(), 50);
        const QString file = raw.fileName();
        QVERIFY2(file.startsWith(qEnvironmentVariable("XDG_CONFIG_HOME")), qPrintable(file));
        QVERIFY2(file.endsWith(QStringLiteral("/O r l e n b y/Vantrell by Orlenby.conf")), qPrintable(file));

        CSettings b;
        b.Load();
        QCOMPARE(Values(b), Values(a));
        QCOMPARE(b.m_rcMainFrame.right, 0);
    }

    // A DWORD written unsigned reads back as the int it was; a value beyond 32 bits is no value.
    void profileIntRange() {
        const QString section = QStringLiteral("Settings");
        QSettings raw = RawProfile();
        raw.setValue(QStringLiteral("Settings/big"), QStringLiteral("4294967295"));
        raw.setValue(QStringLiteral("Settings/huge"), QStringLiteral("4294967296"));
        raw.sync();
        QCOMPARE(platform::GetProfileInt(section, QStringLiteral("big"), 7), -1);
        QCOMPARE(platform::GetProfileInt(section, QStringLiteral("huge"), 7), 7);
        QVERIFY(platform::WriteProfileInt(section, QStringLiteral("neg"), -42));
        QCOMPARE(platform::GetProfileInt(section, QStringLiteral("neg"), 0), -42);
    }
};

VANTRELL_TEST_MAIN(TestSettings)
#include "tst_settings.moc"
