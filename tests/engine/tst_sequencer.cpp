#include <QElapsedTimer>
#include <QSignalSpy>
#include <QtTest>
#include <atomic>
#include <chrono>
#include <climits>

#include "engine/Sequencer.h"
#include "platform/RecordingInput.h"
#include "tests/support/Actions.h"
#include "tests/support/TestMain.h"

using platform::CEventLog;
using platform::CStopSignal;
using testsupport::SRow;
using Clock = std::chrono::steady_clock;

namespace {

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

// What the worker's input and wait share with the test.
struct CShared {
    CEventLog log;
    std::atomic<int> waitsEntered{0};
    std::atomic<int> inputsAlive{0};
    std::atomic<int> mostInputsAlive{0};
    // Worker only until the run has been joined.
    Clock::time_point lastInput;
    struct SDelay {
        Clock::time_point since, lastInput, entered;
    };
    std::vector<SDelay> delays;
};

// Records into the log, notes when it last injected, and counts the inputs alive at once: each run's worker
// makes its own, so more than one alive means two workers at a time.
class CCountedInput final : public platform::IInput {
public:
    explicit CCountedInput(CShared& shared) : m_shared(shared), m_recording(shared.log) {
        const int now = ++shared.inputsAlive;
        int most = shared.mostInputsAlive.load();
        while (now > most && !shared.mostInputsAlive.compare_exchange_weak(most, now)) {
        }
    }
    ~CCountedInput() override { --m_shared.inputsAlive; }

    bool SetCursorPos(int x, int y) override { return m_recording.SetCursorPos(x, y); }
    bool GetCursorPos(platform::POINT* pt) override { return m_recording.GetCursorPos(pt); }
    unsigned SendInput(unsigned count, const platform::INPUT* inputs, int cbSize) override {
        m_shared.lastInput = Clock::now();
        return m_recording.SendInput(count, inputs, cbSize);
    }

private:
    CShared& m_shared;
    platform::CRecordingInput m_recording;
};

// Records its waits like CRecordingWait, but takes their time on the real clock, so a test can stop a run
// in the middle of one; notes what each delay was counted from.
class CTimedWait final : public platform::IWait {
public:
    CTimedWait(CShared& shared, CStopSignal& stop) : m_shared(shared), m_real(stop) {}

    bool Sleep(uint32_t ms) override {
        return Record(ms, [&] { return m_real.Sleep(ms); });
    }
    bool SleepFrom(Clock::time_point since, uint32_t ms) override {
        m_shared.delays.push_back({since, m_shared.lastInput, Clock::now()});
        return Record(ms, [&] { return m_real.SleepFrom(since, ms); });
    }

private:
    bool Record(uint32_t ms, const std::function<bool()>& wait) {
        ++m_shared.waitsEntered;
        CEventLog::Event event;
        event.kind = CEventLog::Kind::Wait;
        event.ms = ms;
        event.bCompleted = wait();
        m_shared.log.Append(event);
        return event.bCompleted;
    }

    CShared& m_shared;
    platform::CStoppableWait m_real;
};

// A list, a run of it recorded (with waits that take no time, or real ones), and the settings it draws its
// pauses from (none unless a test sets them).
struct CFixture : CShared {
    explicit CFixture(bool bRealTime = false, QList<SRow> rowsToAdd = {}) : m_bRealTime(bRealTime) {
        SetPauses(0, 0);
        testsupport::AppendRows(rows, rowsToAdd);
    }
    void SetPauses(int hold, int gap) {
        settings.m_iMdMuMin = settings.m_iMdMuMax = hold;
        settings.m_iDcMin = settings.m_iDcMax = gap;
    }
    bool AllBlack() const {
        for (int r = 0; r < rows.GetItemCount(); ++r) {
            if (rows.GetItemData(r)->m_crColor.load() != kColorBlack)
                return false;
        }
        return true;
    }
    quint64 FinishedWith(qsizetype i = 0) const { return finished.at(i).at(0).value<quint64>(); }

    bool m_bRealTime;
    CActionList rows;
    CSettings settings;
    // Runs on the worker at every pause of a run whose waits take no time.
    std::function<void(uint32_t)> onSleep;
    CSequencer sequencer{rows, [this](QString*) { return std::make_unique<CCountedInput>(*this); },
                         [this](CStopSignal& stop) -> std::unique_ptr<platform::IWait> {
                             if (m_bRealTime)
                                 return std::make_unique<CTimedWait>(*this, stop);
                             auto wait = std::make_unique<platform::CRecordingWait>(log, &stop);
                             wait->SetOnSleep(onSleep);
                             return wait;
                         },
                         settings};
    QSignalSpy progress{&sequencer, &CSequencer::Progress};
    QSignalSpy finished{&sequencer, &CSequencer::RunFinished};
};

}  // namespace

class CSequencerTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void rowsInOrderAcrossPasses() {
        CFixture f(false, {{LeftClick, 0, 0, 5}, {LeftClick, 1, 0, 0}, {RightClick, 2, 0, 0}});
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

        const QStringList pass = Expected(
            "wait 5|move 0 0|down left|up left|move 1 0|down left|up left|"
            "move 2 0|down right|up right");
        QCOMPARE(f.log.Lines(), pass + pass);
        QCOMPARE(allGreen, (QList<bool>{false, true}));
        QCOMPARE(f.finished.size(), 1);
        QCOMPARE(f.FinishedWith(), quint64{6});
        QCOMPARE(f.progress.last().at(0).value<quint64>(), quint64{6});
        QVERIFY(f.AllBlack());
        QVERIFY(!f.sequencer.IsRunning());
    }

    // A row is read at its turn: an edit reaches its next turn, a row added meanwhile waits for the next run.
    // Delays count from the end of the action before them.
    void editsAndDelaysDuringARun() {
        CFixture f(true, {{LeftClick, 0, 0, 0}, {LeftClick, 1, 0, 150}});
        QVERIFY(f.sequencer.Start(2));
        QTRY_VERIFY_WITH_TIMEOUT(f.waitsEntered.load() == 1, 4000);  // row 1's delay of the first pass
        CMouseAction edited;
        f.rows.Snapshot(0, edited);
        edited.m_iX = 99;
        f.rows.SetRecord(0, edited);
        f.rows.Append(testsupport::MakeAction(LeftClick, 2, 0, 0));
        QVERIFY(f.finished.wait(4000));
        QCOMPARE(MovedTo(f.log), (QList<int>{0, 1, 99, 1}));
        QCOMPARE(f.sequencer.Executed(), uint64_t{4});

        QCOMPARE(f.delays.size(), std::size_t{2});
        for (const CShared::SDelay& delay : f.delays)
            QVERIFY(delay.since >= delay.lastInput && delay.since < delay.entered);
    }

    void stopDuringDelaySkipsTheAction() {
        CFixture f(true, {{LeftClick, 7, 0, 5000}, {LeftClick, 8, 0, 0}});
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
        QCOMPARE(f.FinishedWith(), quint64{0});
        QVERIFY(f.progress.isEmpty());
        QVERIFY(f.AllBlack());
    }

    void stopDuringDoubleClickCompletesIt() {
        CFixture f(true, {{DoubleClick, 3, 0, 0}, {LeftClick, 4, 0, 0}});
        f.SetPauses(1000, 1000);
        QVERIFY(f.sequencer.Start(3));
        QTRY_VERIFY_WITH_TIMEOUT(f.waitsEntered.load() == 1, 4000);  // the first hold, button down
        f.sequencer.StopExecution();
        QVERIFY(f.finished.wait(4000));
        QCOMPARE(f.log.Lines(), Expected("move 3 0|down left|wait 1000|up left|down left|up left"));
        QCOMPARE(f.sequencer.Executed(), uint64_t{1});
    }

    void startRightAfterStopWaitsForTheOldWorker() {
        CFixture f(true, {{RightClick, 1, 0, 0}, {LeftClick, 2, 0, 300}});
        f.SetPauses(200, 0);
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
        QCOMPARE(f.log.Lines(), lines + Expected("move 1 0|down right|wait 200|up right|wait 300|move 2 0|"
                                                 "down left|wait 200|up left"));
    }

    // A long run counts in 64 bits; StopAndWait ends it here and now, before the rows may go.
    void longRunAndStopAndWait() {
        QCOMPARE(CSequencer::TotalActions(65536, 65536), uint64_t{1} << 32);
        QCOMPARE(CSequencer::TotalActions(INT_MAX, INT_MAX), uint64_t{INT_MAX} * uint64_t{INT_MAX});
        QCOMPARE(CSequencer::TotalActions(3, -2), uint64_t{0});

        CFixture f(false, {{0, 0, 0, 0}, {0, 1, 0, 0}, {0, 2, 0, 0}});
        QVERIFY(f.sequencer.Start(INT_MAX));
        QCOMPARE(f.sequencer.Total(), uint64_t{6442450941});  // above 4294967295
        QTRY_VERIFY_WITH_TIMEOUT(f.sequencer.Executed() >= 300, 10000);
        f.sequencer.StopAndWait();
        QCOMPARE(f.finished.size(), 1);
        QVERIFY(f.FinishedWith() >= 300);
        QVERIFY(f.AllBlack());
        const QList<int> moved = MovedTo(f.log);
        for (int i = 0; i < moved.size(); ++i)
            QCOMPARE(moved.at(i), i % 3);
        const std::size_t events = f.log.Events().size();
        f.rows.RemoveAll();
        QTest::qWait(4 * CSequencer::kTickMs);
        QCOMPARE(f.finished.size(), 1);
        QCOMPARE(f.log.Events().size(), events);

        // Closing the window: the sequencer goes first, in the middle of a run, and then the rows.
        auto rows = std::make_unique<CActionList>();
        rows->Append(testsupport::MakeAction(LeftClick, 1, 0, 0));
        {
            CSequencer sequencer(
                *rows, [&](QString*) { return std::make_unique<platform::CRecordingInput>(f.log); });
            QVERIFY(sequencer.Start(INT_MAX));
            QTRY_VERIFY_WITH_TIMEOUT(sequencer.Executed() >= 10, 10000);
        }
        rows.reset();
    }

    void progressIsCoalesced() {
        CFixture f(false, {{LeftClick, 0, 0, 0}});
        QVERIFY(f.sequencer.Start(20000));
        QVERIFY(f.finished.wait(60000));
        QCOMPARE(f.FinishedWith(), quint64{20000});
        QVERIFY2(f.progress.size() < 1000, qPrintable(QString::number(f.progress.size())));
        quint64 last = 0;
        for (const QList<QVariant>& signal : f.progress) {
            QVERIFY(signal.at(0).value<quint64>() > last);
            last = signal.at(0).value<quint64>();
        }
        QCOMPARE(last, quint64{20000});
    }

    void refusalsAndMissingInput() {
        CFixture f(true);
        QVERIFY(!f.sequencer.Start(1));  // no rows
        f.rows.Append(testsupport::MakeAction(LeftClick, 0, 0, 10000));
        QVERIFY(!f.sequencer.Start(0));
        QVERIFY(!f.sequencer.IsRunning());
        QVERIFY(f.sequencer.Start(1));
        QVERIFY(!f.sequencer.Start(1));  // already running
        f.sequencer.StopAndWait();
        QCOMPARE(f.finished.size(), 1);

        CSequencer sequencer(f.rows, [](QString* error) -> std::unique_ptr<platform::IInput> {
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
};

VANTRELL_TEST_MAIN(CSequencerTest)
#include "tst_sequencer.moc"
