// The eight user settings and the per-user profile behind them. The test main points XDG_CONFIG_HOME at a
// private folder, so the real profile is never touched. QSettings, which wrote the profiles of earlier
// versions, is the reference for the file's syntax.

#include <sys/stat.h>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include "platform/Profile.h"
#include "settings/Settings.h"
#include "tests/support/TestMain.h"

using namespace Qt::StringLiterals;

namespace {

QString ProfilePath() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope,
                     QString::fromUtf16(platform::kProfileOrganization),
                     QString::fromUtf16(platform::kProfileApplication))
        .fileName();
}

void WriteProfileFile(const QByteArray& text) {
    QDir().mkpath(QFileInfo(ProfilePath()).absolutePath());
    QFile file(ProfilePath());
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(text), text.size());
}

QByteArray ProfileFile() {
    QFile file(ProfilePath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The profile as QSettings reads it, from a copy of its own, so that no cached reading of an earlier
// state answers.
struct CQSettingsView {
    CQSettingsView() {
        const QString copy = dir.filePath(u"copy.conf"_s);
        QFile::copy(ProfilePath(), copy);
        settings = std::make_unique<QSettings>(copy, QSettings::IniFormat);
    }
    QTemporaryDir dir;
    std::unique_ptr<QSettings> settings;
};

ino_t Inode() {
    struct stat st {};
    return ::stat(QFile::encodeName(ProfilePath()).constData(), &st) == 0 ? st.st_ino : 0;
}

QList<int> Values(const CSettings& s) {
    return {s.m_bAutoShortcut,   s.m_bDeletionConfirmation, s.m_iTimeUpdateInterval, s.m_iMdMuMin.load(),
            s.m_iMdMuMax.load(), s.m_iDcMin.load(),         s.m_iDcMax.load(),       s.m_iDefaultTimeDelay};
}

const QStringList kNames =
    u"m_bAutoShortcut m_bDeletionConfirmation m_iTimeUpdateInterval m_iMdMuMin m_iMdMuMax "
    "m_iDcMin m_iDcMax m_iDefaultTimeDelay"_s.split(u' ');

}  // namespace

class TestSettings : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { QFile::remove(ProfilePath()); }

    // An empty profile gives the defaults and gets nothing written; a value that is missing or no number
    // keeps what the field held.
    void loadKeepsWhatIsMissing() {
        CSettings s;
        s.Load();
        QCOMPARE(Values(s), (QList<int>{1, 1, 500, 10, 30, 20, 40, 200}));
        QVERIFY(!QFile::exists(ProfilePath()));

        WriteProfileFile("[Settings]\nm_bDeletionConfirmation=0\nm_iDcMax=75\nm_iMdMuMin=not a number\n");
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
        a.m_iDcMax = 2147483647;
        a.m_iDefaultTimeDelay = 0;
        a.Save();
        const CQSettingsView raw;
        QCOMPARE(raw.settings->allKeys().size(), 8);
        QCOMPARE(raw.settings->value(u"Settings/m_iMdMuMin"_s).toInt(), 50);
        QVERIFY2(ProfilePath().startsWith(qEnvironmentVariable("XDG_CONFIG_HOME")),
                 qPrintable(ProfilePath()));
        QVERIFY2(ProfilePath().endsWith(u"/O r l e n b y/Vantrell by Orlenby.conf"_s),
                 qPrintable(ProfilePath()));

        CSettings b;
        b.Load();
        QCOMPARE(Values(b), Values(a));
    }

    // A stored value outside what the settings dialog accepts gives the setting its built-in default, never
    // the value nor what the field held; the limits themselves are taken. Column widths likewise.
    void outOfRangeGivesTheDefault_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<int>("expected");
        QTest::newRow("hold -1") << "m_iMdMuMin" << QByteArray("-1") << 10;
        QTest::newRow("hold -1 written unsigned") << "m_iMdMuMax" << QByteArray("4294967295") << 30;
        QTest::newRow("gap -5") << "m_iDcMin" << QByteArray("-5") << 20;
        QTest::newRow("gap at the largest") << "m_iDcMax" << QByteArray("2147483647") << 2147483647;
        QTest::newRow("hold 0") << "m_iMdMuMin" << QByteArray("0") << 0;
        QTest::newRow("clock 9 ms") << "m_iTimeUpdateInterval" << QByteArray("9") << 500;
        QTest::newRow("clock 10 ms") << "m_iTimeUpdateInterval" << QByteArray("10") << 10;
        QTest::newRow("clock a minute") << "m_iTimeUpdateInterval" << QByteArray("60000") << 60000;
        QTest::newRow("clock beyond") << "m_iTimeUpdateInterval" << QByteArray("60001") << 500;
        QTest::newRow("flag 2") << "m_bDeletionConfirmation" << QByteArray("2") << 1;
        QTest::newRow("flag 0") << "m_bAutoShortcut" << QByteArray("0") << 0;
        QTest::newRow("delay -200") << "m_iDefaultTimeDelay" << QByteArray("-200") << 200;
        QTest::newRow("width 0") << "Column2" << QByteArray("0") << 77;
        QTest::newRow("width 32768") << "Column2" << QByteArray("32768") << 77;
        QTest::newRow("width 32767") << "Column2" << QByteArray("32767") << 32767;
        QTest::newRow("width 1") << "Column2" << QByteArray("1") << 1;
    }
    void outOfRangeGivesTheDefault() {
        QFETCH(QString, name);
        QFETCH(QByteArray, stored);
        QFETCH(int, expected);
        WriteProfileFile("[Settings]\n" + name.toLatin1() + '=' + stored + '\n');
        CSettings s;
        s.m_bAutoShortcut = s.m_bDeletionConfirmation = 0;
        s.m_iTimeUpdateInterval = 1000;
        s.m_iMdMuMin = s.m_iMdMuMax = s.m_iDcMin = s.m_iDcMax = s.m_iDefaultTimeDelay = 5;
        QList<int> values = Values(s);
        s.Load();
        if (name.startsWith(u"Column"_s)) {
            QCOMPARE(s.LoadColumnWidth(name, 77), expected);
            QCOMPARE(Values(s), values);
            return;
        }
        values[kNames.indexOf(name)] = expected;
        QCOMPARE(Values(s), values);
    }

    // The program's entries are changed, added and removed line by line: every other byte of the file,
    // foreign sections, comments, unknown entries, stays as it was, and QSettings reads the result.
    void foreignLinesSurvive() {
        const QByteArray foreign = "; kept comment\n[Other]\nm_iMdMuMin=999\nodd line without equals\n\n";
        WriteProfileFile(foreign +
                         "[Recent File List]\nFile1=/old\n\n"
                         "[Settings]\r\nm_iMdMuMin = 12\r\nunknown=\"x, y\"\nColumn0=1\nColumn0=2\n\n"
                         "[Tail]\nlast=1");
        QCOMPARE(platform::GetProfileInt(u"Settings"_s, u"m_iMdMuMin"_s, 0), 12);
        QCOMPARE(platform::GetProfileInt(u"Settings"_s, u"Column0"_s, 0), 2);  // the last one counts
        QCOMPARE(platform::GetProfileInt(u"Other"_s, u"odd line without equals"_s, -1), -1);

        QVERIFY(platform::WriteProfileInt(u"Settings"_s, u"m_iMdMuMin"_s, 77));
        QVERIFY(platform::WriteProfileInt(u"Settings"_s, u"Column3"_s, 90));
        platform::RemoveProfileEntry(u"Settings"_s, u"Column0"_s);
        QVERIFY(platform::WriteProfileString(u"Recent File List"_s, u"File1"_s, u"/a b/c, d.Vantrell"_s));
        QVERIFY(platform::WriteProfileString(u"Recent File List"_s, u"File2"_s, u"/e"_s));
        QCOMPARE(ProfileFile(),
                 foreign +
                     "[Recent File List]\nFile1=\"/a b/c, d.Vantrell\"\nFile2=/e\n\n"
                     "[Settings]\r\nm_iMdMuMin=77\nunknown=\"x, y\"\nColumn3=90\n\n[Tail]\nlast=1");
        // A section that is not in the file yet goes at its end, on a line of its own.
        QVERIFY(platform::WriteProfileInt(u"New Section"_s, u"n"_s, 5));
        QVERIFY(ProfileFile().endsWith("[Tail]\nlast=1\n\n[New%20Section]\nn=5\n"));

        const CQSettingsView raw;
        QCOMPARE(raw.settings->value(u"Settings/m_iMdMuMin"_s).toInt(), 77);
        QCOMPARE(raw.settings->value(u"Settings/Column3"_s).toInt(), 90);
        QVERIFY(!raw.settings->contains(u"Settings/Column0"_s));
        QCOMPARE(raw.settings->value(u"Recent File List/File1"_s).toString(), u"/a b/c, d.Vantrell"_s);
        QCOMPARE(raw.settings->value(u"Other/m_iMdMuMin"_s).toInt(), 999);
    }

    // A text reads as QSettings wrote it, and is written as QSettings writes it, byte for byte.
    void textsAsQSettingsWritesThem_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("plain path") << u"/home/u/scripts/a.Vantrell"_s;
        QTest::newRow("spaces") << u"  /home/my scripts/a b.Vantrell "_s;
        QTest::newRow("separators") << u"/x;y,z=w/a.Vantrell"_s;
        QTest::newRow("quotes and backslashes") << u"/q\"uo\\te\\\"/a.Vantrell"_s;
        QTest::newRow("at sign first") << u"@Variant(x)"_s;
        QTest::newRow("beyond ASCII") << u"/Κλικ/点击/\U0001F5B1.Vantrell"_s;
        QTest::newRow("controls") << u"/a\tb\nc\r\x01"
                                     "f\x7f/\x00"
                                     "1"_s;
        QTest::newRow("empty") << QString();
    }
    void textsAsQSettingsWritesThem() {
        QFETCH(QString, text);
        {
            QSettings qs(ProfilePath(), QSettings::IniFormat);
            qs.setValue(u"Recent File List/File1"_s, text);
        }
        QCOMPARE(platform::GetProfileString(u"Recent File List"_s, u"File1"_s, u"missing"_s), text);
        QVERIFY(platform::WriteProfileString(u"Recent File List"_s, u"File2"_s, text));
        const CQSettingsView raw;
        QCOMPARE(raw.settings->value(u"Recent File List/File2"_s).toString(), text);
        const QList<QByteArray> lines = ProfileFile().split('\n');
        QCOMPARE(lines.size(), 4);  // the header, the two entries, the end
        QCOMPARE(lines[2].mid(6), lines[1].mid(6));
    }

    // Storing what is stored already does not write the file.
    void unchangedValuesWriteNothing() {
        CSettings s;
        s.m_iMdMuMin = 3;
        s.Save();
        QVERIFY(platform::WriteProfileString(u"Recent File List"_s, u"File1"_s, u"/a"_s));
        const ino_t written = Inode();
        QVERIFY(written != 0);
        s.Save();
        QVERIFY(platform::WriteProfileInt(u"Settings"_s, u"m_iMdMuMin"_s, 3));
        QVERIFY(platform::WriteProfileString(u"Recent File List"_s, u"File1"_s, u"/a"_s));
        platform::RemoveProfileEntry(u"Settings"_s, u"Column9"_s);
        QCOMPARE(Inode(), written);
        QVERIFY(platform::WriteProfileInt(u"Settings"_s, u"m_iMdMuMin"_s, 4));
        QVERIFY(Inode() != written);
    }
};

VANTRELL_TEST_MAIN(TestSettings)
#include "tst_settings.moc"
