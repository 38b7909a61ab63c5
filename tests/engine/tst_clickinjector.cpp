#include <QElapsedTimer>
#include <QtTest>
#include <algorithm>
#include <chrono>
#include <climits>
#include <thread>

#include "engine/ClickInjector.h"
#include "platform/RecordingInput.h"
#include "tests/support/TestMain.h"

using platform::CEventLog;

namespace {

CMouseAction Action(int clickType, int x = 0, int y = 0) {
    CMouseAction action;
    action.m_iClickType = clickType;
    action.m_iX = x;
    action.m_iY = y;
    return action;
}

void SetBounds(CSettings& settings, int holdMin, int holdMax, int gapMin, int gapMax) {
    settings.m_iMdMuMin = holdMin;
    settings.m_iMdMuMax = holdMax;
    settings.m_iDcMin = gapMin;
    settings.m_iDcMax = gapMax;
}

// "move 1 2|down left|..." as a list of log lines.
QStringList Expected(const char* lines) {
    return QString::fromLatin1(lines).split(QLatin1Char('|'));
}

// The services of one run, recorded; the generator starts afresh as at the start of a run.
struct CRecordedRun {
    CEventLog log;
    platform::CStopSignal stop;
    platform::CRecordingInput input{log};
    platform::CRecordingWait wait{log, &stop};
    platform::CCrtRandom random;
    CSettings settings;
    CClickInjector injector{input, wait, random, settings};
};

}  // namespace

class CClickInjectorTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void eventsOfEveryClickType_data() {
        QTest::addColumn<int>("clickType");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("left") << 0 << Expected("move 12 -34|down left|wait 15|up left");
        QTest::newRow("middle") << 1 << Expected("move 12 -34|down middle|wait 15|up middle");
        QTest::newRow("right") << 2 << Expected("move 12 -34|down right|wait 15|up right");
        QTest::newRow("double left")
            << 3 << Expected("move 12 -34|down left|wait 15|up left|wait 25|down left|wait 15|up left");
        QTest::newRow("double middle")
            << 4
            << Expected("move 12 -34|down middle|wait 15|up middle|wait 25|down middle|wait 15|up middle");
        QTest::newRow("double right")
            << 5 << Expected("move 12 -34|down right|wait 15|up right|wait 25|down right|wait 15|up right");
        QTest::newRow("unknown") << 6 << Expected("move 12 -34");
        QTest::newRow("negative") << -1 << Expected("move 12 -34");
    }
    void eventsOfEveryClickType() {
        QFETCH(int, clickType);
        QFETCH(QStringList, lines);
        CRecordedRun run;
        SetBounds(run.settings, 15, 15, 25, 25);
        run.injector.PerformAction(Action(clickType, 12, -34));
        QCOMPARE(run.log.Lines(), lines);
        // The action's requests may go out together, but every pause finds them sent, and so does the end.
        for (const CEventLog::Event& event : run.log.Events()) {
            if (event.kind == CEventLog::Kind::Wait)
                QCOMPARE(event.nHeld, 0u);
            if (event.kind == CEventLog::Kind::Input)
                QCOMPARE(event.input.mi.dwExtraInfo, platform::kInjectedExtraInfo);
        }
        QCOMPARE(run.log.Held(), 0u);
    }

    // Hold spans 100 and gap spans 2000, so each draw of 41, 18467, 6334, 26500 shows where it went.
    void pausesDrawTheSeriesInOrder() {
        CRecordedRun run;
        SetBounds(run.settings, 100, 200, 3000, 1000);
        auto oneRun = [&] {
            run.log.Clear();
            run.random.Reset();
            run.injector.PerformAction(Action(DoubleClick, 5, 6));
            run.injector.PerformAction(Action(RightClick));
            return run.log.Lines();
        };
        // The series goes on across the actions of a run, and starts over with the next run.
        const QStringList first = oneRun();
        QCOMPARE(first, Expected("move 5 6|down left|wait 141|up left|wait 1467|down left|wait 134|up left|"
                                 "move 0 0|down right|wait 100|up right"));
        QCOMPARE(oneRun(), first);

        // Equal bounds draw nothing, so the next pause still gets the series' first value.
        run.log.Clear();
        run.random.Reset();
        SetBounds(run.settings, 0, 0, 7, 7);
        run.injector.PerformAction(Action(DoubleClick));
        SetBounds(run.settings, 100, 200, 0, 0);
        run.injector.PerformAction(Action(LeftClick));
        QCOMPARE(run.log.Lines(), Expected("move 0 0|down left|up left|wait 7|down left|up left|"
                                           "move 0 0|down left|wait 141|up left"));
    }

    void delayStaysBetweenItsBounds_data() {
        QTest::addColumn<int>("lower");
        QTest::addColumn<int>("upper");
        QTest::addColumn<uint32_t>("first");  // drawn from 41, the first value of the series
        QTest::newRow("10, 30") << 10 << 30 << 10u + 41u % 20u;
        QTest::newRow("reversed") << 30 << 10 << 10u + 41u % 20u;
        QTest::newRow("span 1") << 11 << 10 << 10u;
        QTest::newRow("equal") << 15 << 15 << 15u;
        QTest::newRow("equal negative") << -5 << -5 << 4294967291u;
        QTest::newRow("wide") << 100005 << 5 << 46u;
        QTest::newRow("min, max") << INT_MIN << INT_MAX << 2147483647u;
        QTest::newRow("max, min") << INT_MAX << INT_MIN << 2147483647u;
        QTest::newRow("min, 0") << INT_MIN << 0 << 41u;
        QTest::newRow("min, min + 1") << INT_MIN << INT_MIN + 1 << 2147483648u;
        QTest::newRow("max - 1, max") << INT_MAX - 1 << INT_MAX << 2147483646u;
        QTest::newRow("-1, 0") << -1 << 0 << 0u;
        QTest::newRow("-100, 5") << -100 << 5 << 5u + 41u % 105u;
        QTest::newRow("-1, -2") << -1 << -2 << 4294967294u;
        QTest::newRow("-1, max") << -1 << INT_MAX << 2147483647u + 41u;
    }
    void delayStaysBetweenItsBounds() {
        QFETCH(int, lower);
        QFETCH(int, upper);
        QFETCH(uint32_t, first);
        CRecordedRun run;
        QCOMPARE(run.injector.RandomDelay(lower, upper), first);
        // Compared as the unsigned words they become; the upper bound is never reached, and the generator
        // gives at most 32767 above the lower one.
        const uint32_t smaller = std::min(static_cast<uint32_t>(lower), static_cast<uint32_t>(upper));
        const uint32_t larger = std::max(static_cast<uint32_t>(lower), static_cast<uint32_t>(upper));
        for (int i = 0; i < 2000; ++i) {
            const uint32_t ms = run.injector.RandomDelay(lower, upper);
            QVERIFY(ms == smaller || (ms > smaller && ms < larger && ms - smaller <= 32767u));
        }
    }

    // The settings dialog may change the bounds during a run; the next pause, even of the same double
    // click, uses the new ones.
    void settingsAreReadAtEveryDraw() {
        CRecordedRun run;
        SetBounds(run.settings, 40, 40, 25, 25);
        run.wait.SetOnSleep([&](uint32_t) { SetBounds(run.settings, 7, 7, 9, 9); });
        run.injector.PerformAction(Action(DoubleClick));
        QCOMPARE(run.log.Lines(),
                 Expected("move 0 0|down left|wait 40|up left|wait 9|down left|wait 7|up left"));
    }

    // The dry run's wait answers a stop as the real one does: the hold is cut short, the button still goes
    // up, and the pauses left are not waited.
    void stopAtFirstHoldSkipsTheRemainingPauses() {
        CRecordedRun run;
        SetBounds(run.settings, 15, 15, 25, 25);
        run.wait.SetOnSleep([&](uint32_t) { run.stop.Raise(); });
        run.injector.PerformAction(Action(DoubleClick));
        QCOMPARE(run.log.Lines(), Expected("move 0 0|down left|wait 15|up left|down left|up left"));
        QVERIFY(!run.log.Events().at(2).bCompleted);
    }

    // With the real wait and pauses of a minute: the stop ends the hold, the button still goes up, and a
    // double click completes its button events without the remaining pauses.
    void stopDuringLongPauseStillReleases_data() {
        QTest::addColumn<int>("clickType");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("single") << int{MiddleClick} << Expected("move 3 4|down middle|up middle");
        QTest::newRow("double") << int{DoubleRightClick}
                                << Expected("move 3 4|down right|up right|down right|up right");
    }
    void stopDuringLongPauseStillReleases() {
        QFETCH(int, clickType);
        QFETCH(QStringList, lines);
        CEventLog log;
        platform::CStopSignal stop;
        platform::CRecordingInput input(log);
        platform::CStoppableWait wait(stop);
        platform::CCrtRandom random;
        CSettings settings;
        SetBounds(settings, 60000, 60000, 60000, 60000);
        CClickInjector injector(input, wait, random, settings);

        std::thread stopper([&] {
            // Stop once the button is down, that is during the first hold.
            while (log.Inputs().empty())
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            stop.Raise();
        });
        QElapsedTimer timer;
        timer.start();
        injector.PerformAction(Action(clickType, 3, 4));
        stopper.join();
        QVERIFY2(timer.elapsed() < 10000, qPrintable(QString::number(timer.elapsed())));
        QCOMPARE(log.Lines(), lines);
    }
};

VANTRELL_TEST_MAIN(CClickInjectorTest)
#include "tst_clickinjector.moc"
