#include <QElapsedTimer>
#include <QSignalSpy>
#include <QtTest>
#include <atomic>
#include <chrono>
#include <climits>
#include <thread>

#include "engine/Sequencer.h"
#include "platform/RecordingInput.h"
#include "tests/support/TestMain.h"

using platform::CEventLog;
using platform::CStopSignal;

namespace {

std::unique_ptr<CMouseAction> Row(int x, uint32_t delay, int clickType = LeftClick) {
    auto action = std::make_unique<CMouseAction>();
    action->m_iClickType = clickType;
    action->m_iX = x;
    action->m_dwDelay = delay;
    return action;
}

QStringList Expected(const char* lines) {
    return QString::fromLatin1(lines).split(QLatin1Char('|'));
}

// The x of every cursor placement, in order: with one x per row, the rows in the order performed.
QList<int> MovedTo(const CEventLog& log) {
    QList<int> xs;
    for (const CEventLog::Event& event : log.Events()) {
        if (event.kind == CEventLog::Kind::Move)
            xs << event.pt.x;
    }
    return xs;
}

// Records its waits like CRecordingWait, but takes their time on the real clock, so a test can stop a run
// in the middle of one.
class CTimedRecordingWait final : public platform::IWait {
public:
    CTimedRecordingWait(CEventLog& log, CStopSignal& stop, std::atomic<int>& entered)
        : m_log(log), m_real(stop), m_entered(entered) {}

    bool Sleep(uint32_t ms) override { return SleepFrom(std::chrono::steady_clock::now(), ms); }
    bool SleepFrom(std::chrono::steady_clock::time_point since, uint32_t ms) override {
        m_entered.fetch_add(1);
        CEventLog::Event event;
        event.kind = CEventLog::Kind::Wait;
        event.ms = ms;
        event.bCompleted = m_real.SleepFrom(since, ms);
        m_log.Append(event);
        return event.bCompleted;
    }

private:
    CEventLog& m_log;
    platform::CStoppableWait m_real;
    std::atomic<int>& m_entered;
};

// Records into the log and counts the inputs alive at once: each run's worker makes its own, so more than
// one alive means two workers at a time.
class CCountedInput final : public platform::IInput {
public:
    CCountedInput(CEventLog& log, std::atomic<int>& alive, std::atomic<int>& mostAlive)
        : m_recording(log), m_alive(alive) {
        const int now = alive.fetch_add(1) + 1;
        int most = mostAlive.load();
        while (now > most && !mostAlive.compare_exchange_weak(most, now)) {
        }
    }
    ~CCountedInput() override { m_alive.fetch_sub(1); }

    bool SetCursorPos(int x, int y) override { return m_recording.SetCursorPos(x, y); }
    bool GetCursorPos(platform::POINT* pt) override { return m_recording.GetCursorPos(pt); }
    unsigned SendInput(unsigned count, const platform::INPUT* inputs, int cbSize) override {
        return m_recording.SendInput(count, inputs, cbSize);
    }

private:
    platform::CRecordingInput m_recording;
    std::atomic<int>& m_alive;
};

// A list, a recorded run of it, and the settings it draws its pauses from (none unless a test sets them).
struct CFixture {
    explicit CFixture(bool bRealTime = false) : m_bRealTime(bRealTime) { SetPauses(0, 0); }

    void SetPauses(int hold, int gap) {
        settings.m_iMdMuMin = hold;
        settings.m_iMdMuMax = hold;
        settings.m_iDcMin = gap;
        settings.m_iDcMax = gap;
    }

    CActionList rows;
    CEventLog log;
    CSettings settings;
    std::atomic<int> waitsEntered{0};
    std::atomic<int> inputsAlive{0};
    std::atomic<int> mostInputsAlive{0};
    // Runs on the worker at every pause, for a recorded (not timed) run.
    std::function<void(uint32_t)> onSleep;
    bool m_bRealTime;

    CSequencer sequencer{
        rows, [this](QString*) { return std::make_unique<CCountedInput>(log, inputsAlive, mostInputsAlive); },
        [this](CStopSignal& stop) -> std::unique_ptr<platform::IWait> {
            if (m_bRealTime)
                return std::make_unique<CTimedRecordingWait>(log, stop, waitsEntered);
            auto wait = std::make_unique<platform::CRecordingWait>(log, &stop);
            wait->SetOnSleep(onSleep);
            return wait;
        },
        settings};
    QSignalSpy progress{&sequencer, &CSequencer::Progress};
    QSignalSpy finished{&sequencer, &CSequencer::RunFinished};
};

bool AllBlack(const CActionList& rows) {
    for (int r = 0; r < rows.GetItemCount(); ++r) {
        if (rows.GetItemData(r)->m_crColor.load() != kColorBlack)
            return false;
    }
    return true;
}

}  // namespace

class CSequencerTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void rowsInOrderAcrossPasses() {
        CFixture f;
        f.rows.Append(Row(0, 5));
        f.rows.Append(Row(1, 0));
        f.rows.Append(Row(2, 0));
        // Looked at from the worker when each pass begins: black at the first, all green at the second.
        QList<bool> allGreen;
        f.onSleep = [&](uint32_t) {
            CMouseAction a;
            bool green = true;
            for (int r = 0; r < 3; ++r)
                green = green && f.rows.Snapshot(r, a) && a.m_crColor.load() == kColorExecuted;
            allGreen << green;
        };
        QVERIFY(f.sequencer.Start(2));
        QCOMPARE(f.sequencer.Total(), uint64_t{6});
        // However quick the worker, the run is on until its end has reached this thread.
        QVERIFY(f.sequencer.IsRunning());
        QVERIFY(f.finished.wait(5000));

        QCOMPARE(MovedTo(f.log), (QList<int>{0, 1, 2, 0, 1, 2}));
        QCOMPARE(allGreen, (QList<bool>{false, true}));
        QCOMPARE(f.finished.size(), 1);
        QCOMPARE(f.finished.at(0).at(0).value<quint64>(), quint64{6});
        QCOMPARE(f.progress.last().at(0).value<quint64>(), quint64{6});
        QVERIFY(AllBlack(f.rows));
        QVERIFY(!f.sequencer.IsRunning());
    }

    void delayComesBeforeItsAction() {
        CFixture f;
        f.rows.Append(Row(10, 100));
        f.rows.Append(Row(20, 0));
        QVERIFY(f.sequencer.Start(2));
        f.sequencer.WaitForWorker();
        QCOMPARE(f.log.Lines(), Expected("wait 100|move 10 0|down left|up left|move 20 0|down left|up left|"
                                         "wait 100|move 10 0|down left|up left|move 20 0|down left|up left"));
        QCOMPARE(f.finished.size(), 1);
    }

    void stopDuringDelaySkipsTheAction() {
        CFixture f(true);
        f.rows.Append(Row(7, 5000));
        f.rows.Append(Row(8, 0));
        QElapsedTimer timer;
        timer.start();
        QVERIFY(f.sequencer.Start(1));
        QTRY_VERIFY_WITH_TIMEOUT(f.waitsEntered.load() == 1, 4000);
        f.sequencer.StopExecution();
        QVERIFY(!f.sequencer.IsRunning());  // the button can read "Start" at once

        QVERIFY(f.finished.wait(4000));
        QVERIFY2(timer.elapsed() < 3000, qPrintable(QString::number(timer.elapsed())));
        QCOMPARE(f.log.Lines(), Expected("wait 5000"));
        QVERIFY(!f.log.Events().at(0).bCompleted);
        QCOMPARE(f.finished.at(0).at(0).value<quint64>(), quint64{0});
        QVERIFY(f.progress.isEmpty());
        QVERIFY(AllBlack(f.rows));
    }

    void stopDuringDoubleClickCompletesIt() {
        CFixture f(true);
        f.SetPauses(1000, 1000);
        f.rows.Append(Row(3, 0, DoubleClick));
        f.rows.Append(Row(4, 0));
        QVERIFY(f.sequencer.Start(3));
        QTRY_VERIFY_WITH_TIMEOUT(f.waitsEntered.load() == 1, 4000);  // the first hold, button down
        f.sequencer.StopExecution();
        QVERIFY(f.finished.wait(4000));

        QCOMPARE(f.log.Lines(), Expected("move 3 0|down left|wait 1000|up left|down left|up left"));
        QCOMPARE(f.sequencer.Executed(), uint64_t{1});
    }

    void startRightAfterStopWaitsForTheOldWorker() {
        CFixture f(true);
        f.SetPauses(200, 0);
        f.rows.Append(Row(1, 0, RightClick));
        f.rows.Append(Row(2, 300));
        QStringList lines;
        for (int i = 0; i < 5; ++i) {
            const int entered = f.waitsEntered.load();
            QVERIFY(f.sequencer.Start(1000));
            QTRY_VERIFY_WITH_TIMEOUT(f.waitsEntered.load() > entered, 4000);  // the button is down
            f.sequencer.StopExecution();
            // Finishing the old run belongs to the new start.
            QCOMPARE(f.finished.size(), i);
            lines << Expected("move 1 0|down right|wait 200|up right");
        }
        QVERIFY(f.sequencer.Start(1));
        QCOMPARE(f.finished.size(), 5);
        QVERIFY(f.finished.wait(4000));
        QCOMPARE(f.mostInputsAlive.load(), 1);
        QCOMPARE(
            f.log.Lines(),
            lines +
                Expected(
                    "move 1 0|down right|wait 200|up right|wait 300|move 2 0|down left|wait 200|up left"));
    }

    void totalIsCountedIn64Bits() {
        QCOMPARE(CSequencer::TotalActions(65536, 65536), uint64_t{1} << 32);
        QCOMPARE(CSequencer::TotalActions(INT_MAX, INT_MAX), uint64_t{INT_MAX} * uint64_t{INT_MAX});
        QCOMPARE(CSequencer::TotalActions(0, 5), uint64_t{0});
        QCOMPARE(CSequencer::TotalActions(3, 0), uint64_t{0});
        QCOMPARE(CSequencer::TotalActions(3, -2), uint64_t{0});

        CFixture f;
        for (int x = 0; x < 3; ++x)
            f.rows.Append(Row(x, 0));
        QVERIFY(!f.sequencer.Start(0));
        QVERIFY(f.sequencer.Start(INT_MAX));
        QCOMPARE(f.sequencer.Total(), uint64_t{6442450941});  // above 4294967295
        QTRY_VERIFY_WITH_TIMEOUT(f.sequencer.Executed() >= 300, 10000);
        f.sequencer.StopAndWait();
        QVERIFY(f.finished.at(0).at(0).value<quint64>() >= 300);
        const QList<int> moved = MovedTo(f.log);
        for (int i = 0; i < moved.size(); ++i)
            QCOMPARE(moved.at(i), i % 3);
    }

    void progressIsCoalesced() {
        CFixture f;
        f.rows.Append(Row(0, 0));
        QVERIFY(f.sequencer.Start(20000));
        QVERIFY(f.finished.wait(60000));
        QCOMPARE(f.finished.at(0).at(0).value<quint64>(), quint64{20000});
        QVERIFY2(f.progress.size() < 1000, qPrintable(QString::number(f.progress.size())));
        quint64 last = 0;
        for (const QList<QVariant>& signal : f.progress) {
            QVERIFY(signal.at(0).value<quint64>() > last);
            last = signal.at(0).value<quint64>();
        }
        QCOMPARE(last, quint64{20000});
    }

    void stopAndWaitBeforeRemovingRows() {
        CFixture f;
        for (int x = 0; x < 50; ++x)
            f.rows.Append(Row(x, 0));
        QVERIFY(f.sequencer.Start(INT_MAX));
        QTRY_VERIFY_WITH_TIMEOUT(f.sequencer.Executed() >= 100, 10000);
        f.sequencer.StopAndWait();
        // The run is over here and now, not at some later tick.
        QCOMPARE(f.finished.size(), 1);
        QVERIFY(AllBlack(f.rows));
        const std::size_t events = f.log.Events().size();
        f.rows.RemoveAll();
        QTest::qWait(4 * CSequencer::kTickMs);
        QCOMPARE(f.finished.size(), 1);
        QCOMPARE(f.log.Events().size(), events);

        // Closing the window: the sequencer goes first, in the middle of a run, and then the rows.
        auto rows = std::make_unique<CActionList>();
        rows->Append(Row(1, 0));
        {
            CSequencer sequencer(
                *rows, [&](QString*) { return std::make_unique<platform::CRecordingInput>(f.log); });
            QVERIFY(sequencer.Start(INT_MAX));
            QTRY_VERIFY_WITH_TIMEOUT(sequencer.Executed() >= 10, 10000);
        }
        rows.reset();
    }

    void editsTakeEffectAtTheRowsNextTurn() {
        CFixture f(true);
        f.rows.Append(Row(0, 0));
        f.rows.Append(Row(1, 150));
        QVERIFY(f.sequencer.Start(2));
        QTRY_VERIFY_WITH_TIMEOUT(f.waitsEntered.load() == 1, 4000);  // row 1's delay of the first pass
        CMouseAction edited;
        f.rows.Snapshot(0, edited);
        edited.m_iX = 99;
        f.rows.SetRecord(0, edited);
        f.rows.Append(Row(2, 0));  // not in this run
        QVERIFY(f.finished.wait(4000));
        QCOMPARE(MovedTo(f.log), (QList<int>{0, 1, 99, 1}));
        QCOMPARE(f.sequencer.Executed(), uint64_t{4});
    }

    void noInputEndsTheRunWithItsReason() {
        CActionList rows;
        rows.Append(Row(0, 0));
        CSequencer sequencer(rows, [](QString* error) -> std::unique_ptr<platform::IInput> {
            *error = QStringLiteral("no display");
            return nullptr;
        });
        QSignalSpy unavailable(&sequencer, &CSequencer::InputUnavailable);
        QSignalSpy finished(&sequencer, &CSequencer::RunFinished);
        QVERIFY(sequencer.Start(1));
        QVERIFY(finished.wait(4000));
        QCOMPARE(unavailable.size(), 1);
        QCOMPARE(unavailable.at(0).at(0).toString(), QStringLiteral("no display"));
        QCOMPARE(finished.at(0).at(0).value<quint64>(), quint64{0});
        QVERIFY(!sequencer.IsRunning());
    }

    void refusesWhatTheCallerMustAskAbout() {
        CFixture f;
        QVERIFY(!f.sequencer.Start(1));  // no rows
        f.rows.Append(Row(0, 10000));
        QVERIFY(!f.sequencer.Start(-1));
        QVERIFY(!f.sequencer.IsRunning());
        f.m_bRealTime = true;
        QVERIFY(f.sequencer.Start(1));
        QVERIFY(!f.sequencer.Start(1));  // already running
        f.sequencer.StopAndWait();
        QCOMPARE(f.finished.size(), 1);
    }
};

VANTRELL_TEST_MAIN(CSequencerTest)
#include "tst_sequencer.moc"
