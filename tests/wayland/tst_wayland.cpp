#include <QSignalSpy>
#include <QtTest>
#include <climits>
#include <csignal>

#include "engine/Sequencer.h"
#include "platform/wayland/WlrootsInput.h"
#include "tests/support/Actions.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/Sway.h"
#include "tests/support/TestMain.h"

using testsupport::Clicks;
using testsupport::CWaylandRecorder;
using testsupport::Described;
using testsupport::SRow;

namespace {

constexpr unsigned kLeft = 0x110, kRight = 0x111, kMiddle = 0x112;

// The layout of every case: the first output at the origin, one left of it and lower (negative x), one
// to its right at scale 2.
const QRect kMain(0, 0, 1280, 1024);
const QRect kLeftOf(-800, 100, 800, 600);
const QRect kScaled(1280, 0, 640, 512);

// A list run through the real sequencer and click injector on the wlroots back end.
struct CRun {
    CRun(const QList<SRow>& rowsToAdd, int hold, int gap) {
        testsupport::AppendRows(rows, rowsToAdd);
        settings.m_iMdMuMin = settings.m_iMdMuMax = hold;
        settings.m_iDcMin = settings.m_iDcMax = gap;
    }
    CActionList rows;
    CSettings settings;
    CSequencer sequencer{rows, platform::CreateWlrootsInput, {}, settings};
    QSignalSpy finished{&sequencer, &CSequencer::RunFinished};
    QSignalSpy unavailable{&sequencer, &CSequencer::InputUnavailable};
};

}  // namespace

class TestWayland : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        VANTRELL_REQUIRE_SWAY();
        QString error;
        QVERIFY2(m_sway.Start(&error, kMain.width(), kMain.height()), qPrintable(error));
        QCOMPARE(m_sway.AddOutput(kLeftOf), QStringLiteral("HEADLESS-2"));
        QCOMPARE(m_sway.AddOutput(kScaled, 2), QStringLiteral("HEADLESS-3"));
        m_sway.UseForThisProcess();
        // The process's pointer exists before the recorder binds to the seat, as it would on a desktop with a
        // real mouse.
        QVERIFY2(platform::CreateWlrootsInput(&error), qPrintable(error));
        m_recorder = std::make_unique<CWaylandRecorder>();
        QVERIFY2(m_recorder->Start(m_sway, &error), qPrintable(error));
        // Qt's screens are the compositor's logical layout: the coordinates scripts hold.
        QList<QRect> screens;
        for (const auto& screen : m_recorder->Screens())
            screens.append(screen.second);
        std::sort(screens.begin(), screens.end(), [](const QRect& a, const QRect& b) { return a.x() < b.x(); });
        QCOMPARE(screens, (QList<QRect>{kLeftOf, kMain, kScaled}));
    }

    void cleanupTestCase() {
        m_recorder.reset();
        m_sway.Stop();
    }

    void init() {
        if (m_recorder) {
            QVERIFY2(m_recorder->IsRunning(), "the compositor cut the recorder off");
            m_recorder->Clear();
        }
    }

    void probeAndFactoryExplainWhatIsMissing_data() {
        QTest::addColumn<QByteArray>("display");
        QTest::addColumn<bool>("offered");
        QTest::addColumn<QString>("reasonHas");
        QTest::newRow("sway") << QByteArray() << true << QString();
        QTest::newRow("no display") << QByteArray("") << false << "WAYLAND_DISPLAY is not set";
        QTest::newRow("nothing listens") << QByteArray("/nonexistent/wayland-9") << false
                                         << "Cannot connect to the Wayland compositor at /nonexistent/wayland-9";
    }

    void probeAndFactoryExplainWhatIsMissing() {
        QFETCH(QByteArray, display);
        QFETCH(bool, offered);
        QFETCH(QString, reasonHas);
        std::optional<testsupport::CScopedEnv> env;
        if (!display.isNull())
            env.emplace("WAYLAND_DISPLAY", display.isEmpty() ? QByteArray() : display);
        QString why = QStringLiteral("untouched");
        QCOMPARE(platform::WlrootsPointerOffered(&why), offered);
        QString error;
        const std::unique_ptr<platform::IInput> input = platform::CreateWlrootsInput(&error);
        QCOMPARE(bool(input), offered);
        if (offered) {
            QCOMPARE(why, QStringLiteral("untouched"));
            QVERIFY(input->ErrorText().isEmpty());
            QVERIFY(!input->GetCursorPos(nullptr));
        } else {
            QVERIFY2(why.contains(reasonHas), qPrintable(why));
            QCOMPARE(error, why);
            QVERIFY(!why.contains(QLatin1Char('\n')));
        }
    }

    void everyClickTypeLandsInOrderAcrossOutputs() {
        const int gapMs = 40;
        CRun run({{LeftClick, 100, 200},
                  {MiddleClick, -700, 650},
                  {RightClick, 1900, 500},
                  {DoubleClick, 640, 1023, 5},
                  {DoubleMiddleClick, -1, 100},
                  {DoubleRightClick, 1280, 0}},
                 5, gapMs);
        QVERIFY(run.sequencer.Start(1));
        QTRY_COMPARE_WITH_TIMEOUT(run.finished.count(), 1, 10000);
        QCOMPARE(run.unavailable.count(), 0);
        const QStringList expected = Clicks(kLeft, 100, 200) + Clicks(kMiddle, -700, 650) +
                                     Clicks(kRight, 1900, 500) + Clicks(kLeft, 640, 1023, 2) +
                                     Clicks(kMiddle, -1, 100, 2) + Clicks(kRight, 1280, 0, 2);
        m_recorder->WaitForEvents(int(expected.size()));
        const QList<CWaylandRecorder::SEvent> events = m_recorder->Events();
        QCOMPARE(Described(events), expected);
        // The two clicks of each double are stamped the gap apart, well inside the double-click time of a
        // desktop (400 ms by default); receivers tell double clicks by these stamps.
        for (int first : {6, 10, 14}) {
            const auto apartMs = qint64(events[first + 2].ms - events[first + 1].ms);
            QVERIFY2(apartMs >= gapMs - 5 && apartMs < 400, qPrintable(QString::number(apartMs)));
        }
    }

    void pointsOffEveryOutputSnapToTheNearest_data() {
        QTest::addColumn<QPoint>("asked");
        QTest::addColumn<QPoint>("landed");
        QTest::newRow("far left") << QPoint(-5000, 300) << QPoint(-800, 300);
        QTest::newRow("above the left output") << QPoint(-100, 20) << QPoint(-100, 100);
        QTest::newRow("below the scaled output") << QPoint(1500, 800) << QPoint(1279, 800);
        QTest::newRow("far up and right") << QPoint(100000, -100000) << QPoint(1919, 0);
        QTest::newRow("the int limits") << QPoint(INT_MIN, INT_MAX) << QPoint(-800, 699);
        QTest::newRow("the right edge") << QPoint(1920, 511) << QPoint(1919, 511);
    }

    void pointsOffEveryOutputSnapToTheNearest() {
        QFETCH(QPoint, asked);
        QFETCH(QPoint, landed);
        QString error;
        const std::unique_ptr<platform::IInput> input = platform::CreateWlrootsInput(&error);
        QVERIFY2(input, qPrintable(error));
        QVERIFY(input->SetCursorPos(asked.x(), asked.y()));
        platform::INPUT click;
        click.mi.dwFlags = platform::MOUSEEVENTF_LEFTDOWN | platform::MOUSEEVENTF_LEFTUP;
        QCOMPARE(input->SendInput(1, &click, sizeof click), 1u);
        QVERIFY(m_recorder->WaitForEvents(2));
        QCOMPARE(Described(m_recorder->Events()), Clicks(kLeft, landed.x(), landed.y()));
    }

    void aStopLeavesNoButtonDown_data() {
        QTest::addColumn<int>("hold");
        QTest::addColumn<uint>("delay");
        QTest::addColumn<int>("eventsBeforeStop");
        // Stopped with the button held: it still goes up.
        QTest::newRow("during a hold") << 60000 << 0u << 1;
        // Stopped between actions: the next one never starts.
        QTest::newRow("during a delay") << 0 << 60000u << 2;
    }

    void aStopLeavesNoButtonDown() {
        QFETCH(int, hold);
        QFETCH(uint, delay);
        QFETCH(int, eventsBeforeStop);
        CRun run({{RightClick, 300, 300}, {LeftClick, 400, 400, delay}}, hold, 0);
        QVERIFY(run.sequencer.Start(1));
        QVERIFY(m_recorder->WaitForEvents(eventsBeforeStop));
        run.sequencer.StopExecution();
        QTRY_COMPARE_WITH_TIMEOUT(run.finished.count(), 1, 5000);
        QTest::qWait(200);
        QCOMPARE(Described(m_recorder->Events()), Clicks(kRight, 300, 300));
    }

    void aKilledCompositorEndsTheRunWithItsReason() {
        testsupport::CSway doomed;
        QString error;
        QVERIFY2(doomed.Start(&error, 640, 480), qPrintable(error));
        testsupport::CScopedEnv env("WAYLAND_DISPLAY", QFile::encodeName(doomed.SocketPath()));
        QList<SRow> rows;
        for (int i = 0; i < 2000; ++i)
            rows.append(SRow(LeftClick, i % 640, i % 480, 5));
        CRun run(rows, 1, 0);
        QVERIFY(run.sequencer.Start(1));
        QTRY_VERIFY_WITH_TIMEOUT(run.sequencer.Executed() >= 20, 5000);
        doomed.Kill();
        QTRY_COMPARE_WITH_TIMEOUT(run.finished.count(), 1, 5000);
        QCOMPARE(run.unavailable.count(), 1);
        QCOMPARE(run.unavailable.at(0).at(0).toString(), QStringLiteral("the Wayland compositor connection was lost"));
        QVERIFY(run.sequencer.Executed() < 2000);
        // The next run says why at once, and nothing crashes on the way.
        QVERIFY(run.sequencer.Start(1));
        QTRY_COMPARE_WITH_TIMEOUT(run.finished.count(), 2, 5000);
        QVERIFY2(run.unavailable.at(1).at(0).toString().contains(QLatin1String("Cannot connect to the Wayland compositor")),
                 qPrintable(run.unavailable.at(1).at(0).toString()));
    }

    // sway cannot unplug a headless output, so a server of the tests' own stands in for the compositor here:
    // it takes the second screen away while `vantrell --run` clicks on it.
    void aRemovedScreenStopsTheRun() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.path());
        QProcess server;
        server.setProcessEnvironment(env);
        server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        server.start(QStringLiteral(VANTRELL_LAYOUT_SERVER), {QStringLiteral("0,0,800x600"), QStringLiteral("800,0,800x600")});
        QString out;
        QTRY_VERIFY_WITH_TIMEOUT((out += QString::fromLatin1(server.readAllStandardOutput())).startsWith("ready "), 5000);
        const QString socket = dir.filePath(out.section(QLatin1Char(' '), 1, 1).trimmed());

        QList<SRow> rows;
        for (int i = 0; i < 500; ++i)
            rows.append(SRow(i % 2 ? RightClick : LeftClick, 1000 + i % 100, 300, 10));
        const QString script = testsupport::WriteScript(dir.filePath("screen.Vantrell"), rows);
        env.insert(QStringLiteral("WAYLAND_DISPLAY"), socket);
        env.remove(QStringLiteral("DISPLAY"));
        QProcess run;
        run.setProcessEnvironment(env);
        run.start(QStringLiteral(VANTRELL_BINARY), {QStringLiteral("--run"), script, QStringLiteral("--backend"), QStringLiteral("wlroots")});
        QTRY_VERIFY_WITH_TIMEOUT((out += QString::fromLatin1(server.readAllStandardOutput())).count("button ") >= 20, 10000);
        ::kill(static_cast<pid_t>(server.processId()), SIGUSR1);
        QVERIFY(run.waitForFinished(10000));
        QCOMPARE(run.exitCode(), 1);
        QCOMPARE(QString::fromLocal8Bit(run.readAllStandardError()).trimmed(),
                 QStringLiteral("vantrell: a screen was removed, so the positions could land on another screen"));
        QTRY_VERIFY_WITH_TIMEOUT((out += QString::fromLatin1(server.readAllStandardOutput())).contains("removed 1"), 5000);
        // The run ended soon after, and every press was released.
        int presses = 0, releases = 0;
        for (const QString& line : out.split(QLatin1Char('\n'))) {
            if (line.startsWith("button "))
                (line.endsWith(" 1") ? presses : releases)++;
            QVERIFY2(presses - releases == 0 || presses - releases == 1, qPrintable(line));
        }
        QCOMPARE(presses, releases);
        QVERIFY2(presses < 500, qPrintable(QString::number(presses)));
        server.terminate();
        QVERIFY(server.waitForFinished(5000));
    }

private:
    testsupport::CSway m_sway;
    std::unique_ptr<CWaylandRecorder> m_recorder;
};

VANTRELL_TEST_MAIN(TestWayland)
#include "tst_wayland.moc"
