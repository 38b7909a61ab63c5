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
        QTest::newRow("unknown 6") << 6 << Expected("move 12 -34");
        QTest::newRow("unknown 7") << 7 << Expected("move 12 -34");
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
        }
        QCOMPARE(run.log.Held(), 0u);
    }

    void everyRecordHasTheInjectedShape() {
        CRecordedRun run;
        SetBounds(run.settings, 0, 0, 0, 0);
        for (int type = 0; type <= 5; ++type)
            run.injector.PerformAction(Action(type, 100 + type, 200));

        const auto events = run.log.Events();
        int moves = 0, records = 0;
        for (const CEventLog::Event& event : events) {
            if (event.kind == CEventLog::Kind::Move) {
                QCOMPARE(event.pt, (platform::POINT{100 + moves, 200}));
                ++moves;
            } else if (event.kind == CEventLog::Kind::Input) {
                ++records;
                QCOMPARE(event.nCount, 1u);
                QCOMPARE(event.cbSize, static_cast<int>(sizeof(platform::INPUT)));
                const platform::INPUT& in = event.input;
                QCOMPARE(in.type, platform::INPUT_MOUSE);
                QCOMPARE(in.mi.dx, 0);
                QCOMPARE(in.mi.dy, 0);
                QCOMPARE(in.mi.mouseData, 0u);
                QCOMPARE(in.mi.time, 0u);
                QCOMPARE(in.mi.dwExtraInfo, uintptr_t{0x312});
                // One button flag, never a move or an absolute position.
                QVERIFY(in.mi.dwFlags != 0 && (in.mi.dwFlags & (in.mi.dwFlags - 1)) == 0);
                QVERIFY((in.mi.dwFlags & (platform::MOUSEEVENTF_MOVE | platform::MOUSEEVENTF_ABSOLUTE)) == 0);
            }
        }
        QCOMPARE(moves, 6);
        QCOMPARE(records, 3 * 2 + 3 * 4);
        QCOMPARE(events.size(), std::size_t{6 + 18});  // and without pauses, no wait at all
    }

    void equalBoundsDrawNothing() {
        CRecordedRun run;
        SetBounds(run.settings, 0, 0, 0, 0);
        run.injector.PerformAction(Action(DoubleClick, 1, 2));
        QCOMPARE(run.log.Lines(), Expected("move 1 2|down left|up left|down left|up left"));
        QCOMPARE(run.injector.RandomDelay(15, 15), 15u);
        QCOMPARE(run.injector.RandomDelay(-5, -5), 4294967291u);
        QCOMPARE(run.random.Next(), 41);  // still the first value of the series
    }

    void reversedAndNarrowBounds() {
        CRecordedRun run, reversed;
        QCOMPARE(reversed.injector.RandomDelay(30, 10), 10u + 41u % 20u);
        QCOMPARE(run.injector.RandomDelay(10, 30), 10u + 41u % 20u);
        for (int i = 0; i < 2000; ++i) {
            const uint32_t ms = reversed.injector.RandomDelay(30, 10);
            QVERIFY2(ms >= 10 && ms <= 29, qPrintable(QString::number(ms)));
            QCOMPARE(run.injector.RandomDelay(10, 30), ms);
        }

        // A span of 1 always gives the lower bound, whichever way round.
        SetBounds(run.settings, 10, 11, 11, 10);
        for (int i = 0; i < 50; ++i)
            run.injector.PerformAction(Action(DoubleRightClick));
        for (const CEventLog::Event& event : run.log.Events()) {
            if (event.kind == CEventLog::Kind::Wait)
                QCOMPARE(event.ms, 10u);
        }
    }

    void wideSpanStaysWithinTheGeneratorRange() {
        CRecordedRun run;
        uint32_t highest = 0;
        for (int i = 0; i < 200000; ++i)
            highest = std::max(highest, run.injector.RandomDelay(100005, 5));
        QCOMPARE(highest, 5u + 32767u);
    }

    void extremeBoundsStayBetweenTheBounds_data() {
        QTest::addColumn<int>("lower");
        QTest::addColumn<int>("upper");
        QTest::addColumn<uint32_t>("first");  // drawn from 41, the first value of the series
        QTest::newRow("min, max") << INT_MIN << INT_MAX << 2147483647u;
        QTest::newRow("max, min") << INT_MAX << INT_MIN << 2147483647u;
        QTest::newRow("min, 0") << INT_MIN << 0 << 41u;
        QTest::newRow("0, min") << 0 << INT_MIN << 41u;
        QTest::newRow("min, min + 1") << INT_MIN << INT_MIN + 1 << 2147483648u;
        QTest::newRow("max - 1, max") << INT_MAX - 1 << INT_MAX << 2147483646u;
        QTest::newRow("-1, 0") << -1 << 0 << 0u;
        QTest::newRow("-100, 5") << -100 << 5 << 5u + 41u % 105u;
        QTest::newRow("-1, -2") << -1 << -2 << 4294967294u;
        QTest::newRow("-1, max") << -1 << INT_MAX << 2147483647u + 41u;
    }

    void extremeBoundsStayBetweenTheBounds() {
        QFETCH(int, lower);
        QFETCH(int, upper);
        QFETCH(uint32_t, first);
        CRecordedRun run;
        QCOMPARE(run.injector.RandomDelay(lower, upper), first);
        const uint32_t smaller = std::min(static_cast<uint32_t>(lower), static_cast<uint32_t>(upper));
        const uint32_t larger = std::max(static_cast<uint32_t>(lower), static_cast<uint32_t>(upper));
        for (int i = 0; i < 1000; ++i) {
            const uint32_t ms = run.injector.RandomDelay(lower, upper);
            QVERIFY(ms >= smaller && ms < larger);
            QVERIFY(ms - smaller <= 32767u);
        }

        // As settings they give pauses of days, which a stop still ends.
        SetBounds(run.settings, lower, upper, upper, lower);
        run.stop.Raise();
        run.injector.PerformAction(Action(DoubleMiddleClick));
        QCOMPARE(run.log.Inputs().size(), std::size_t{4});
    }

    void doubleClickDrawsHoldGapHold() {
        // Hold spans 100 and gap spans 2000, so each draw of 41, 18467, 6334 shows where it went.
        CRecordedRun run;
        SetBounds(run.settings, 100, 200, 3000, 1000);
        run.injector.PerformAction(Action(DoubleClick, 5, 6));
        QCOMPARE(run.log.Lines(),
                 Expected("move 5 6|down left|wait 141|up left|wait 1467|down left|wait 134|up left"));
    }

    void everyRunDrawsTheSameSeries() {
        CRecordedRun run;
        SetBounds(run.settings, 100, 200, 1000, 3000);
        auto oneRun = [&] {
            run.log.Clear();
            run.random.Reset();
            run.injector.PerformAction(Action(RightClick));
            run.injector.PerformAction(Action(RightClick));
            return run.log.Lines();
        };
        const QStringList first = oneRun();
        // The series goes on across the actions of a run, and starts over with the next run.
        QCOMPARE(first,
                 Expected("move 0 0|down right|wait 141|up right|move 0 0|down right|wait 167|up right"));
        QCOMPARE(oneRun(), first);
    }

    void settingsAreReadAtEveryDraw() {
        CRecordedRun run;
        SetBounds(run.settings, 15, 15, 25, 25);
        run.injector.PerformAction(Action(LeftClick));
        SetBounds(run.settings, 40, 40, 25, 25);
        run.injector.PerformAction(Action(LeftClick));
        QCOMPARE(run.log.Lines(),
                 Expected("move 0 0|down left|wait 15|up left|move 0 0|down left|wait 40|up left"));

        // A change in the middle of a double click reaches its later pauses.
        run.log.Clear();
        run.wait.SetOnSleep([&](uint32_t) { SetBounds(run.settings, 7, 7, 9, 9); });
        run.injector.PerformAction(Action(DoubleClick));
        QCOMPARE(run.log.Lines(),
                 Expected("move 0 0|down left|wait 40|up left|wait 9|down left|wait 7|up left"));
    }

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
        const qint64 elapsed = timer.elapsed();
        stopper.join();

        // Any pause of a minute that was waited out would show here.
        QVERIFY2(elapsed < 10000, qPrintable(QString::number(elapsed)));
        QCOMPARE(log.Lines(), lines);
    }

    void stopAtFirstHoldSkipsTheRemainingPauses() {
        CRecordedRun run;
        SetBounds(run.settings, 15, 15, 25, 25);
        run.wait.SetOnSleep([&](uint32_t) { run.stop.Raise(); });
        run.injector.PerformAction(Action(DoubleClick));

        QCOMPARE(run.log.Lines(), Expected("move 0 0|down left|wait 15|up left|down left|up left"));
        const auto events = run.log.Events();
        const auto waits = std::count_if(events.begin(), events.end(), [](const CEventLog::Event& e) {
            return e.kind == CEventLog::Kind::Wait;
        });
        QCOMPARE(waits, std::ptrdiff_t{1});
        QVERIFY(!events.at(2).bCompleted);
    }
};

VANTRELL_TEST_MAIN(CClickInjectorTest)
#include "tst_clickinjector.moc"
