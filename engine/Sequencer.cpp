#include "engine/Sequencer.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <set>

#include "engine/ClickInjector.h"
#include "platform/CrtRandom.h"
#include "platform/QuietThread.h"

namespace {

// Every sequencer alive, for the stop at the process's exit.
std::mutex g_liveMutex;
std::set<CSequencer*>& LiveSequencers() {
    // Never destroyed, so the exit hook finds it whatever order the statics end in.
    static auto* live = new std::set<CSequencer*>;
    return *live;
}

}  // namespace

void CSequencer::StopAllAtExit() {
    std::lock_guard lock(g_liveMutex);
    for (CSequencer* sequencer : LiveSequencers()) {
        sequencer->StopExecution();
        // exit() may come from any thread; a worker cannot wait for itself, and it stops all the same.
        if (sequencer->m_worker.joinable() && sequencer->m_worker.get_id() != std::this_thread::get_id())
            sequencer->m_worker.join();
    }
}

CSequencer::CSequencer(CActionList& rows, InputFactory makeInput, WaitFactory makeWait,
                       const CSettings& settings, QObject* parent)
    : QObject(parent),
      m_rows(rows),
      m_makeInput(std::move(makeInput)),
      m_makeWait(std::move(makeWait)),
      m_settings(settings) {
    {
        std::lock_guard lock(g_liveMutex);
        LiveSequencers().insert(this);
    }
    static std::once_flag s_hookOnce;
    std::call_once(s_hookOnce, [] { std::atexit(&CSequencer::StopAllAtExit); });
    m_tick.setInterval(kTickMs);
    connect(&m_tick, &QTimer::timeout, this, &CSequencer::OnTick);
}

CSequencer::~CSequencer() {
    {
        std::lock_guard lock(g_liveMutex);
        LiveSequencers().erase(this);
    }
    StopExecution();
    if (m_worker.joinable())
        m_worker.join();
}

uint64_t CSequencer::TotalActions(int rowCount, int repeatCount) {
    if (rowCount < 1 || repeatCount < 1)
        return 0;
    return static_cast<uint64_t>(rowCount) * static_cast<uint64_t>(repeatCount);
}

bool CSequencer::Start(int repeatCount) {
    if (IsRunning() || TotalActions(m_rows.GetItemCount(), repeatCount) == 0)
        return false;
    // The previous worker may still be finishing the action it was in when it was stopped.
    WaitForWorker();
    // Whoever heard RunFinished just now may have started a run or emptied the list.
    const int rowCount = m_rows.GetItemCount();
    if (IsRunning() || rowCount == 0)
        return false;

    m_stop.Reset();
    m_bWorkerDone.store(false, std::memory_order_relaxed);
    m_uExecuted.store(0, std::memory_order_relaxed);
    m_strInputError.clear();
    m_waitPhase.store(kNoWait, std::memory_order_relaxed);
    m_bWaitReported = false;
    m_uTotal = TotalActions(rowCount, repeatCount);
    m_iRowCount = rowCount;
    m_uReported = 0;
    m_bFinishPending = true;
    m_bRunning.store(true, std::memory_order_release);
    // Made here rather than on the worker: a new record reads the default delay, which this thread owns.
    CMouseAction buffer;
    m_worker = platform::StartQuietThread(&CSequencer::ExecutionThreadProc, this, m_uTotal, rowCount, buffer);
    m_tick.start();
    return true;
}

void CSequencer::StopExecution() {
    m_bRunning.store(false, std::memory_order_release);
    m_stop.Raise();
}

void CSequencer::WaitForWorker() {
    if (m_worker.joinable())
        m_worker.join();
    FinishRun();
}

void CSequencer::StopAndWait() {
    StopExecution();
    WaitForWorker();
}

void CSequencer::ExecutionThreadProc(uint64_t total, int rowCount, CMouseAction buffer) {
    platform::UsePreciseTimersOnThisThread();
    QString error;
    std::unique_ptr<platform::IInput> input = m_makeInput ? m_makeInput(&error) : nullptr;
    // The input says what it waits for, if it waits, and the user-interface thread shows it at a tick.
    const bool prepared = input && input->Prepare(m_stop, [this](const QString& what) {
        {
            std::lock_guard lock(m_waitMutex);
            m_strWaitingFor = what;
        }
        m_waitPhase.store(kWaiting, std::memory_order_release);
    });
    m_waitPhase.store(kWaitOver, std::memory_order_release);
    if (!input) {
        m_strInputError = error.isEmpty() ? QStringLiteral("no input service") : error;
    } else if (!prepared) {
        // A stop during the wait is no failure.
        const QString reason = input->ErrorText();
        if (!reason.isEmpty())
            m_strInputError = reason;
        else if (!m_stop.IsRaised())
            m_strInputError = QStringLiteral("the input could not start");
    } else {
        std::unique_ptr<platform::IWait> wait =
            m_makeWait ? m_makeWait(m_stop) : std::make_unique<platform::CStoppableWait>(m_stop);
        // Every run draws the same series of pauses.
        platform::CCrtRandom random;
        CClickInjector injector(*input, *wait, random, m_settings);
        const auto rows = static_cast<uint64_t>(rowCount);
        // Delays count from the end of the previous action, so the time spent in between is not added.
        auto since = std::chrono::steady_clock::now();
        for (uint64_t executed = 0; executed < total && !m_stop.IsRaised();) {
            const int row = static_cast<int>(executed % rows);
            // Read at its turn, so an edit takes effect the next time the row comes. Rows are never
            // removed under a run; should one be gone all the same, the run ends.
            if (!m_rows.Snapshot(row, buffer))
                break;
            // A stop during the delay means the action behind it is not performed. The clicks before it are
            // on their way before it begins.
            if (buffer.m_dwDelay != 0) {
                input->Flush();
                input->MoveAhead(buffer.m_iX, buffer.m_iY, buffer.m_dwDelay);
                if (!wait->SleepFrom(since, buffer.m_dwDelay))
                    break;
            }
            if (m_stop.IsRaised())
                break;
            m_rows.SetColor(row, kColorExecuted);
            // An injection that failed ends the run: the next one would fail as well.
            if (!injector.PerformAction(buffer)) {
                const QString reason = input->ErrorText();
                m_strInputError = reason.isEmpty() ? QStringLiteral("a click could not be made") : reason;
                break;
            }
            since = std::chrono::steady_clock::now();
            m_uExecuted.store(++executed, std::memory_order_release);
        }
        input->Flush();
        // An input may end the run itself when it can no longer inject (a remote-control session that the
        // desktop closed raises the stop), so a run in the middle of a delay ends at once; it says why.
        if (m_strInputError.isEmpty())
            m_strInputError = input->ErrorText();
    }
    // The running flag stays as it is: it goes down with the button text, when this end reaches the
    // user-interface thread, so a click on "Stop" in between cannot start a new run.
    m_bWorkerDone.store(true, std::memory_order_release);
}

void CSequencer::OnTick() {
    if (m_bWorkerDone.load(std::memory_order_acquire)) {
        // It has left its loop; the join is immediate.
        WaitForWorker();
        return;
    }
    ReportWait();
    ReportProgress();
}

void CSequencer::ReportWait() {
    const int phase = m_waitPhase.load(std::memory_order_acquire);
    if (phase == kWaiting && !m_bWaitReported) {
        m_bWaitReported = true;
        QString what;
        {
            std::lock_guard lock(m_waitMutex);
            what = m_strWaitingFor;
        }
        Q_EMIT WaitingFor(what);
    } else if (phase != kWaiting && m_bWaitReported) {
        m_bWaitReported = false;
        Q_EMIT WaitingFor(QString());
    }
}

void CSequencer::ReportProgress() {
    const uint64_t executed = Executed();
    if (executed == m_uReported)
        return;
    // During the first pass rows turn green one after the other; later passes change no colour. The row
    // in progress is green already and is counted in.
    const auto rows = static_cast<uint64_t>(m_iRowCount);
    if (m_uReported < rows)
        m_rows.RedrawColors(static_cast<int>(m_uReported), static_cast<int>(std::min(executed, rows - 1)));
    m_uReported = executed;
    Q_EMIT Progress(executed);
}

void CSequencer::FinishRun() {
    if (!m_bFinishPending)
        return;
    m_bFinishPending = false;
    m_tick.stop();
    m_bRunning.store(false, std::memory_order_release);
    // Before any signal: a listener may well start the next run.
    m_rows.ResetColors();
    ReportWait();
    if (!m_strInputError.isEmpty())
        Q_EMIT InputUnavailable(m_strInputError);
    // The last count always reaches the view, however the ticks fell.
    const uint64_t executed = Executed();
    if (executed != m_uReported) {
        m_uReported = executed;
        Q_EMIT Progress(executed);
    }
    Q_EMIT RunFinished(executed);
}
