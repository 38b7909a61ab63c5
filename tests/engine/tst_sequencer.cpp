#include <QSignalSpy>
#include <QtTest>
#include <atomic>
#include <climits>
#include <optional>

#include "engine/Sequencer.h"
#include "platform/RecordingInput.h"
#include "tests/support/Actions.h"
#include "tests/support/TestMain.h"

using namespace Qt::StringLiterals;

using platform::CEventLog;
using testsupport::SRow;
using Clock = std::chrono::steady_clock;

namespace {

QStringList Expected(const char* lines) {
    return QString::fromLatin1(lines).split(QLatin1Char('|'));
}

// A list and a run of it. The worker's input records into the log; its wait takes real time, records itself,
// counts the waits alive at once (each run's worker makes its own, so two alive means two workers at a time),
// and notes for each delay whether it was counted from after the previous pause.
struct CFixture {
    class CWait final : public platform::IWait {
    public:
        CWait(CFixture& f, platform::CStopSignal& stop) : m_f(f), m_real(stop) {
            m_f.mostWaitsAlive = std::max(m_f.mostWaitsAlive.load(), ++m_f.waitsAlive);
        }
        ~CWait() override { --m_f.waitsAlive; }
        bool Sleep(uint32_t ms) override { return Wait(ms, std::nullopt); }
        bool SleepFrom(Clock::time_point since, uint32_t ms) override { return Wait(ms, since); }

    private:
        bool Wait(uint32_t ms, std::optional<Clock::time_point> since) {
            ++m_f.waitsEntered;
            if (since)
                m_f.delaysFromAfterThePreviousPause.push_back(*since >= m_previousEnd);
            CEventLog::Event event;
            event.kind = CEventLog::Kind::Wait;
            event.ms = ms;
            event.bCompleted = since ? m_real.SleepFrom(*since, ms) : m_real.Sleep(ms);
            m_previousEnd = Clock::now();
            m_f.log.Append(event);
            return event.bCompleted;
        }

        CFixture& m_f;
        platform::CStoppableWait m_real;
        Clock::time_point m_previousEnd;
    };

    explicit CFixture(const QList<SRow>& rowsToAdd, int hold = 0, int gap = 0) {
        testsupport::AppendRows(rows, rowsToAdd);
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
    quint64 FinishedWith() const { return finished.at(0).at(0).value<quint64>(); }

    CActionList rows;
    CSettings settings;
    CEventLog log;
    std::atomic<int> waitsEntered{0}, waitsAlive{0}, mostWaitsAlive{0};
    std::vector<bool> delaysFromAfterThePreviousPause;  // the worker's until the run has been joined

    CSequencer sequencer{rows, [this](QString*) { return std::make_unique<platform::CRecordingInput>(log); },
                         [this](platform::CStopSignal& stop) { return std::make_unique<CWait>(*this, stop); },
                         settings};
    QSignalSpy progress{&sequencer, &CSequencer::Progress};
    QSignalSpy finished{&sequencer, &CSequencer::RunFinished};
};

// Records as the recording input does until its server goes away, at the failAt-th button event: that one
// and every call after it fail, as they do on a lost X connection.
class CDyingInput final : public platform::IInput {
public:
    CDyingInput(CEventLog& log, int failAt, std::atomic<int>& calls)
        : m_recording(log), m_failAt(failAt), m_calls(calls) {}
    bool SetCursorPos(int x, int y) override { return !m_bLost && m_recording.SetCursorPos(x, y); }
    bool GetCursorPos(platform::POINT* pt) override { return !m_bLost && m_recording.GetCursorPos(pt); }
    unsigned SendInput(unsigned count, const platform::INPUT* inputs, int cbSize) override {
        if (++m_calls >= m_failAt)
            m_bLost = true;
        return m_bLost ? 0 : m_recording.SendInput(count, inputs, cbSize);
    }
    QString ErrorText() const override { return m_bLost ? u"the X server connection was lost"_s : QString(); }

private:
    platform::CRecordingInput m_recording;
    const int m_failAt;
    std::atomic<int>& m_calls;
    bool m_bLost = false;
};

}  // namespace

class TestSequencer : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Rows in order, each after its delay, pass after pass. A row is read at its turn: an edit reaches its
    // next turn, and a row added meanwhile waits for the next run. Delays count from the end of the action
    // before them, which ends after its hold.
    void rowsInOrderAcrossPasses() {
        CFixture f({{LeftClick, 0, 0, 0}, {RightClick, 1, 0, 400}}, 20);
        QVERIFY(f.sequencer.Start(2));
        QCOMPARE(f.sequencer.Total(), uint64_t{4});
        QTRY_VERIFY_WITH_TIMEOUT(f.waitsEntered.load() == 2, 4000);  // row 1's delay of the first pass
        CMouseAction edited;
        f.rows.Snapshot(0, edited);
        edited.m_iX = 99;
        f.rows.SetRecord(0, edited);
        f.rows.Append(testsupport::MakeAction(LeftClick, 2, 0, 0));
        // However quick the worker, the run is on until its end has reached this thread.
        QVERIFY(f.sequencer.IsRunning());
        QVERIFY(f.finished.wait(5000));

        QCOMPARE(f.log.Lines(),
                 Expected("move 0 0|down left|wait 20|up left|wait 400|move 1 0|down right|wait 20|"
                          "up right|move 99 0|down left|wait 20|up left|wait 400|move 1 0|"
                          "down right|wait 20|up right"));
        QCOMPARE(f.delaysFromAfterThePreviousPause, (std::vector<bool>{true, true}));
        QCOMPARE(f.finished.size(), 1);
        QCOMPARE(f.FinishedWith(), quint64{4});
        QCOMPARE(f.progress.last().at(0).value<quint64>(), quint64{4});
        QVERIFY(f.AllBlack());
        QVERIFY(!f.sequencer.IsRunning());
    }

    // A stop during a delay skips the action behind it; a stop during a double click's hold completes its
    // button events; neither begins another action.
    void stopEndsTheRunAtOnce_data() {
        QTest::addColumn<QList<SRow>>("rows");
        QTest::addColumn<int>("hold");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<quint64>("executed");
        QTest::newRow("in a delay") << QList<SRow>{{LeftClick, 7, 0, 5000}, {LeftClick, 8, 0, 0}} << 0
                                    << Expected("wait 5000") << quint64{0};
        QTest::newRow("in a hold") << QList<SRow>{{DoubleClick, 3, 0, 0}, {LeftClick, 4, 0, 0}} << 5000
                                   << Expected("move 3 0|down left|wait 5000|up left|down left|up left")
                                   << quint64{1};
    }
    void stopEndsTheRunAtOnce() {
        QFETCH(QList<SRow>, rows);
        QFETCH(int, hold);
        QFETCH(QStringList, lines);
        QFETCH(quint64, executed);
        CFixture f(rows, hold, hold);
        QVERIFY(f.sequencer.Start(3));
        QTRY_VERIFY_WITH_TIMEOUT(f.waitsEntered.load() == 1, 4000);
        f.sequencer.StopExecution();
        QVERIFY(!f.sequencer.IsRunning());  // the button can read "Start" at once
        QVERIFY(f.finished.wait(4000));
        QCOMPARE(f.log.Lines(), lines);
        QVERIFY(!f.log.Events().at(lines.indexOf(QString("wait 5000"))).bCompleted);
        QCOMPARE(f.FinishedWith(), executed);
        QVERIFY(f.AllBlack());
    }

    void startRightAfterStopWaitsForTheOldWorker() {
        CFixture f({{RightClick, 1, 0, 0}, {LeftClick, 2, 0, 300}}, 200);
        for (int i = 0; i < 3; ++i) {
            const int entered = f.waitsEntered.load();
            QVERIFY(f.sequencer.Start(1000));
            QTRY_VERIFY_WITH_TIMEOUT(f.waitsEntered.load() > entered, 4000);  // the button is down
            f.sequencer.StopExecution();
            // Finishing the old run belongs to the new start.
            QCOMPARE(f.finished.size(), i);
        }
        QVERIFY(f.sequencer.Start(1));
        QCOMPARE(f.finished.size(), 3);
        QVERIFY(f.finished.wait(4000));
        QCOMPARE(f.mostWaitsAlive.load(), 1);
        QCOMPARE(f.log.Lines().last(9), Expected("move 1 0|down right|wait 200|up right|wait 300|move 2 0|"
                                                 "down left|wait 200|up left"));
    }

    // A long run counts in 64 bits and reports its progress coalesced; StopAndWait ends it here and now,
    // before the rows may go.
    void longRunAndStopAndWait() {
        QCOMPARE(CSequencer::TotalActions(INT_MAX, INT_MAX), uint64_t{INT_MAX} * uint64_t{INT_MAX});
        QCOMPARE(CSequencer::TotalActions(3, -2), uint64_t{0});
        CFixture f({{0, 0, 0, 0}, {0, 1, 0, 0}, {0, 2, 0, 0}});
        QVERIFY(f.sequencer.Start(INT_MAX));
        QCOMPARE(f.sequencer.Total(), uint64_t{6442450941});  // above 4294967295
        QTRY_VERIFY_WITH_TIMEOUT(f.sequencer.Executed() >= 20000, 20000);
        f.sequencer.StopAndWait();
        QCOMPARE(f.finished.size(), 1);
        QVERIFY(f.FinishedWith() >= 20000);
        QVERIFY(f.AllBlack());
        QVERIFY2(f.progress.size() < 1000, qPrintable(QString::number(f.progress.size())));
        QCOMPARE(f.progress.last().at(0).value<quint64>(), f.FinishedWith());
        int moves = 0;  // rows in order, pass after pass
        for (const CEventLog::Event& event : f.log.Events()) {
            if (event.kind == CEventLog::Kind::Move)
                QCOMPARE(event.pt.x, moves++ % 3);
        }
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

    void refusalsAndMissingInput() {
        CFixture f({});
        QVERIFY(!f.sequencer.Start(1));  // no rows
        f.rows.Append(testsupport::MakeAction(LeftClick, 0, 0, 10000));
        QVERIFY(!f.sequencer.Start(0));
        QVERIFY(f.sequencer.Start(1));
        QVERIFY(!f.sequencer.Start(1));  // already running
        f.sequencer.StopAndWait();

        CSequencer sequencer(f.rows, [](QString* error) -> std::unique_ptr<platform::IInput> {
            *error = u"no display"_s;
            return nullptr;
        });
        QSignalSpy unavailable(&sequencer, &CSequencer::InputUnavailable);
        QSignalSpy finished(&sequencer, &CSequencer::RunFinished);
        QVERIFY(sequencer.Start(1));
        QVERIFY(finished.wait(4000));
        QCOMPARE(unavailable.at(0).at(0).toString(), u"no display"_s);
        QCOMPARE(finished.at(0).at(0).value<quint64>(), quint64{0});
    }

    // The server goes away at the first release of a double click: the minute's gap after it is skipped,
    // the second click is still tried (a press that went out must come up), and then the run ends at once,
    // endless as it was, and says why.
    void failedInjectionEndsTheRun() {
        CFixture f({{DoubleClick, 0, 0, 0}}, 0, 60000);
        std::atomic<int> calls{0};
        CSequencer sequencer(
            f.rows, [&](QString*) { return std::make_unique<CDyingInput>(f.log, 2, calls); }, {}, f.settings);
        QSignalSpy unavailable(&sequencer, &CSequencer::InputUnavailable);
        QSignalSpy finished(&sequencer, &CSequencer::RunFinished);
        QVERIFY(sequencer.Start(INT_MAX));
        QVERIFY(finished.wait(10000));
        QCOMPARE(unavailable.at(0).at(0).toString(), u"the X server connection was lost"_s);
        QCOMPARE(finished.at(0).at(0).value<quint64>(), quint64{0});
        QCOMPARE(calls.load(), 4);
        QCOMPARE(f.log.Lines(), Expected("move 0 0|down left"));
    }
};

VANTRELL_TEST_MAIN(TestSequencer)
#include "tst_sequencer.moc"
