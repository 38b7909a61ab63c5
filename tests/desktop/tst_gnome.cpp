// The program on GNOME, as its users have it: a private headless mutter with the desktop portal, where
// `vantrell --run` asks for the user's consent through the portal's own dialog (answered here over the
// accessibility bus, as a screen reader would) and clicks a recorder window of ours through the
// remote-desktop session.

#include <QProcess>
#include <QtTest>

#include "tests/support/Actions.h"
#include "tests/support/Gnome.h"
#include "tests/support/Sway.h"
#include "tests/support/TestMain.h"

using namespace Qt::StringLiterals;
using testsupport::SRow;

namespace {

// A left click, a right click and a double click, each somewhere else on the 1280x1024 monitor.
const QList<SRow> kThreeClicks = {{LeftClick, 200, 150, 0}, {RightClick, 1000, 300, 0}, {DoubleClick, 640, 900, 0}};

struct SResult {
    int status = -1;
    QString out;
    QString err;
};

}  // namespace

class TestGnome : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        VANTRELL_REQUIRE_GNOME();
        QString error;
        QVERIFY2(m_gnome.Start(&error), qPrintable(error));
        QVERIFY2(m_recorder.Start(m_gnome.ClientEnvironment(), &error), qPrintable(error));
        QCOMPARE(m_recorder.Screens().size(), 1);
        QCOMPARE(m_recorder.Screens().constFirst().second, QRect(0, 0, 1280, 1024));
        m_script = testsupport::WriteScript(m_gnome.SharedFolder() + u"/three.Vantrell"_s, kThreeClicks);
        QVERIFY(QFile::setPermissions(m_script, QFile::permissions(m_script) | QFileDevice::ReadOther));
    }
    void init() {
        m_recorder.Clear();
        m_gnome.SetConsent(true);
    }

    // Every start of the program asks once, and once allowed the three clicks arrive where the script
    // puts them, the first one too; the portal is the back end the session calls for, and the one asked
    // for by name.
    void threeClicksArrive_data() {
        QTest::addColumn<QStringList>("options");
        QTest::newRow("chosen from the session") << QStringList();
        QTest::newRow("--backend portal") << QStringList{u"--backend"_s, u"portal"_s};
    }
    void threeClicksArrive() {
        QFETCH(QStringList, options);
        const int asked = m_gnome.Answered();
        const SResult r = Run(options);
        QVERIFY2(r.status == 0, qPrintable(r.err));
        QCOMPARE(r.out, u"Executed 3 Action(s)\n"_s);
        QTRY_COMPARE_WITH_TIMEOUT(m_gnome.Answered(), asked + 1, 5000);
        const QStringList expected = testsupport::Clicks(0x110, 200, 150) + testsupport::Clicks(0x111, 1000, 300) +
                                     testsupport::Clicks(0x110, 640, 900, 2);
        m_recorder.WaitForEvents(static_cast<int>(expected.size()));
        QCOMPARE(testsupport::Described(m_recorder.Events()), expected);
    }

    // Cancelled in the dialog: the run says what it waited for, then fails with the reason on one line, and
    // not a single click arrives.
    void refusedConsentClicksNothing() {
        m_gnome.SetConsent(false);
        const int asked = m_gnome.Answered();
        const SResult r = Run({});
        QCOMPARE(r.status, 1);
        QTRY_COMPARE_WITH_TIMEOUT(m_gnome.Answered(), asked + 1, 5000);
        QVERIFY2(QRegularExpression(u"^vantrell: waiting for the desktop to allow control of the pointer\n"
                                    "vantrell: the desktop did not allow Vantrell to control the pointer[^\\n]*\\n$"_s)
                     .match(r.err)
                     .hasMatch(),
                 qPrintable(r.err));
        QCOMPARE(r.out, QString());
        QVERIFY(!m_recorder.WaitForEvents(1, 1000));
        QVERIFY(m_recorder.IsRunning());
    }

private:
    SResult Run(const QStringList& options) {
        QProcess program;
        m_gnome.PrepareSessionClient(program);
        program.start(QStringLiteral(VANTRELL_BINARY), QStringList{u"--run"_s, m_script} + options);
        if (!program.waitForFinished(60000)) {
            program.kill();
            program.waitForFinished();
            return {-1, {}, u"timed out"_s};
        }
        return {program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1,
                QString::fromUtf8(program.readAllStandardOutput()), QString::fromUtf8(program.readAllStandardError())};
    }

    testsupport::CGnome m_gnome;
    testsupport::CWaylandRecorder m_recorder;
    QString m_script;
};

VANTRELL_TEST_MAIN(TestGnome)
#include "tst_gnome.moc"
