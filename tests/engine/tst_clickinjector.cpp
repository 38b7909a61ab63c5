#include <QtTest>
#include <algorithm>
#include <climits>

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

QStringList Expected(const QString& lines) {
    return lines.split(QLatin1Char('|'));
}

// The services of one run, recorded; the generator starts afresh as at the start of a run.
struct CRecordedRun {
    explicit CRecordedRun(int holdMin = 0, int holdMax = 0, int gapMin = 0, int gapMax = 0) {
        SetBounds(holdMin, holdMax, gapMin, gapMax);
    }
    void SetBounds(int holdMin, int holdMax, int gapMin, int gapMax) {
        settings.m_iMdMuMin = holdMin;
        settings.m_iMdMuMax = holdMax;
        settings.m_iDcMin = gapMin;
        settings.m_iDcMax = gapMax;
    }

    CEventLog log;
    platform::CRecordingInput input{log};
    platform::CRecordingWait wait{log};
    platform::CCrtRandom random;
    CSettings settings;
    CClickInjector injector{input, wait, random, settings};
};

}  // namespace

class TestClickInjector : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void eventsOfEveryClickType_data() {
        QTest::addColumn<int>("clickType");
        QTest::addColumn<QStringList>("lines");
        for (int type = 0; type < 6; ++type) {
            const QString button = QStringList{"left", "middle", "right"}.at(type % 3);
            const QString click = QString("|down %1|wait 15|up %1").arg(button);
            QTest::addRow("%d", type)
                << type << Expected("move 12 -34" + click + (type < 3 ? "" : "|wait 25" + click));
        }
        QTest::newRow("unknown") << 6 << Expected("move 12 -34");
        QTest::newRow("negative") << -1 << Expected("move 12 -34");
    }
    void eventsOfEveryClickType() {
        QFETCH(int, clickType);
        QFETCH(QStringList, lines);
        CRecordedRun run(15, 15, 25, 25);
        run.injector.PerformAction(Action(clickType, 12, -34));
        QCOMPARE(run.log.Lines(), lines);
        // The action's requests may go out together, but every pause finds them sent, and so does the end.
        for (const CEventLog::Event& event : run.log.Events()) {
            if (event.kind == CEventLog::Kind::Wait)
                QCOMPARE(event.nHeld, 0u);
        }
        QCOMPARE(run.log.Held(), 0u);
    }

    // Hold spans 100 and gap spans 2000, so each draw of 41, 18467, 6334, 26500 shows where it went.
    void pausesDrawTheSeriesInOrder() {
        CRecordedRun run(100, 200, 3000, 1000);
        // The series goes on across the actions of a run.
        run.injector.PerformAction(Action(DoubleClick, 5, 6));
        run.injector.PerformAction(Action(RightClick));
        QCOMPARE(run.log.Lines(), Expected("move 5 6|down left|wait 141|up left|wait 1467|down left|wait 134|"
                                           "up left|move 0 0|down right|wait 100|up right"));

        // Equal bounds draw nothing, so the next pause still gets the series' first value. The bounds are
        // read at every draw: the settings dialog may change them during a run.
        run.log.Clear();
        run.random.Reset();
        run.SetBounds(0, 0, 7, 7);
        run.wait.SetOnSleep([&](uint32_t) { run.SetBounds(100, 200, 0, 0); });
        run.injector.PerformAction(Action(DoubleClick));
        QCOMPARE(run.log.Lines(), Expected("move 0 0|down left|up left|wait 7|down left|wait 141|up left"));
    }

    void delayStaysBetweenItsBounds_data() {
        QTest::addColumn<int>("lower");
        QTest::addColumn<int>("upper");
        QTest::addColumn<uint32_t>("first");  // drawn from 41, the first value of the series
        QTest::newRow("reversed") << 30 << 10 << 10u + 41u % 20u;
        QTest::newRow("span 1") << 11 << 10 << 10u;
        QTest::newRow("equal negative") << -5 << -5 << 4294967291u;
        QTest::newRow("wide") << 100005 << 5 << 46u;
        QTest::newRow("min, max") << INT_MIN << INT_MAX << 2147483647u;
        QTest::newRow("min, min + 1") << INT_MIN << INT_MIN + 1 << 2147483648u;
        QTest::newRow("-100, 5") << -100 << 5 << 5u + 41u % 105u;
        QTest::newRow("-1, max") << -1 << INT_MAX << 2147483647u + 41u;
    }
    void delayStaysBetweenItsBounds() {
        QFETCH(int, lower);
        QFETCH(int, upper);
        QFETCH(uint32_t, first);
        CRecordedRun run;
        QCOMPARE(run.injector.RandomDelay(lower, upper), first);
        // Compared as the unsigned words they become: the upper bound is never reached, and the generator
        // gives at most 32767 above the lower one.
        const uint32_t smaller = std::min(static_cast<uint32_t>(lower), static_cast<uint32_t>(upper));
        const uint32_t larger = std::max(static_cast<uint32_t>(lower), static_cast<uint32_t>(upper));
        for (int i = 0; i < 2000; ++i) {
            const uint32_t ms = run.injector.RandomDelay(lower, upper);
            QVERIFY(ms == smaller || (ms > smaller && ms < larger && ms - smaller <= 32767u));
        }
    }
};

VANTRELL_TEST_MAIN(TestClickInjector)
#include "tst_clickinjector.moc"
