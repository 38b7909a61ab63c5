#pragma once
// Runs the open script: performs the rows in order, each after its own delay, as many passes as the repeat
// count says, on a worker thread of its own. The window and the headless runner both drive a run through
// this class; the messages, questions and button texts around it are theirs.
//
// Threads: the object lives on the user-interface thread, and every member function is called there. The
// worker reaches the rows only through CActionList::Snapshot and SetColor, and shares nothing else with
// the user-interface thread but atomics, the stop signal and its own end (joined). It never calls into Qt
// across threads: the user-interface thread looks at the worker's count every kTickMs while a run lasts and
// reports it from there. That coalesces the count updates of a fast run by itself, and it keeps the
// hand-over visible to ThreadSanitizer, which cannot see the locks inside Qt's own event posting.
//
// How a view uses it:
//   start:   check the rows and the repeat count (messages), minimize, then Start(repeat), button "Stop ..."
//   stop:    StopExecution(), button "Start ..." at once (IsRunning() is false from here on)
//   Progress(n):    "Executed %u Action(s)"
//   RunFinished(n): button "Start ..." (the colours are back to black and the list told to redraw)
//   before removing rows, replacing the document or closing: StopAndWait()

#include <QObject>
#include <QString>
#include <QTimer>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/Input.h"
#include "platform/Wait.h"
#include "script/ActionList.h"
#include "settings/Settings.h"

class CSequencer : public QObject {
    Q_OBJECT

public:
    // Called on the worker thread at the start of every run, so the input it makes (an X connection, say)
    // belongs to that thread. Returns nullptr and says why when there is no way to inject.
    using InputFactory = platform::InputFactory;
    // Called on the worker thread at the start of every run; the wait must end once stop is raised.
    using WaitFactory = std::function<std::unique_ptr<platform::IWait>(platform::CStopSignal& stop)>;

    // How often the user-interface thread looks at a run in progress.
    static constexpr int kTickMs = 25;

    // Without a wait factory, the run waits on the steady clock (CStoppableWait). The list, and the
    // settings, must outlive this object.
    CSequencer(CActionList& rows, InputFactory makeInput, WaitFactory makeWait = {},
               const CSettings& settings = g_settings, QObject* parent = nullptr);
    // Stops a run and lets its worker end; touches no row, since the list may be on its way out too.
    ~CSequencer() override;

    // rows × repeat count in 64 bits: 0 when either is below 1.
    static uint64_t TotalActions(int rowCount, int repeatCount);

    // Starts a run of every row present now, repeatCount passes. A worker of a stopped run that is still
    // finishing is waited for first (and its run finished), so two workers never inject at once. Refuses
    // (false) while a run is in progress, with no rows or with a repeat count below 1; the caller asks
    // the user about those beforehand.
    bool Start(int repeatCount);
    // Ends the run at once: every pending wait is cut short, no further action begins, and an action whose
    // first press went out still completes its button events. The worker ends on its own a moment later.
    void StopExecution();
    // Blocks until the worker has ended, then finishes its run here and now (RunFinished) if that has not
    // happened yet. Without a stop this lasts as long as the run.
    void WaitForWorker();
    // StopExecution and WaitForWorker: afterwards no worker touches any row.
    void StopAndWait();

    // Stops the run of every sequencer alive and waits for its worker, so an action under way completes
    // its button events (on the worker's own X connection) before the process ends. Installed with
    // std::atexit by the first sequencer: it covers exit() called from anywhere, such as Qt's xcb plugin
    // when the window's own connection is lost. Touches nothing of Qt.
    static void StopAllAtExit();

    // True from Start until StopExecution, or until the end of a complete run reaches this thread
    // (RunFinished); it follows the button text. The worker of a stopped run may still be finishing.
    bool IsRunning() const { return m_bRunning.load(std::memory_order_acquire); }
    // Actions performed so far in the current or last run, across all passes.
    uint64_t Executed() const { return m_uExecuted.load(std::memory_order_acquire); }
    // The actions the current or last run set out to perform.
    uint64_t Total() const { return m_uTotal; }

Q_SIGNALS:
    // The count of actions performed so far, at most once a tick and once more at the end of the run.
    void Progress(quint64 executed);
    // Nothing can be injected: the input factory gave nothing, or an injection failed and ended the run
    // (the X server went away: "the X server connection was lost"). RunFinished follows.
    void InputUnavailable(const QString& error);
    // The run waits, before its first action, for what `what` names ("the desktop to allow control of the
    // pointer"), and an empty text once that wait is over (or the run ended in it). Seen at a tick, so a
    // wait shorter than a tick may go unreported.
    void WaitingFor(const QString& what);
    // The run is over (complete or stopped) and its worker has ended; the colours are black again.
    void RunFinished(quint64 executed);

private:
    void ExecutionThreadProc(uint64_t total, int rowCount, CMouseAction buffer);
    void OnTick();
    void ReportProgress();
    void ReportWait();
    // Ends the run on this thread once its worker has been joined.
    void FinishRun();

    CActionList& m_rows;
    InputFactory m_makeInput;
    WaitFactory m_makeWait;
    const CSettings& m_settings;

    // Atomic, so that it may be read from anywhere; the worker goes by the stop signal.
    std::atomic<bool> m_bRunning{false};
    // Shared with the worker.
    std::atomic<bool> m_bWorkerDone{false};
    std::atomic<uint64_t> m_uExecuted{0};
    platform::CStopSignal m_stop;
    // Written by the worker before it ends, read here after the join.
    QString m_strInputError;
    // What the worker waits for before the first action; the phase says whether it waits now.
    enum EWaitPhase : int { kNoWait, kWaiting, kWaitOver };
    std::atomic<int> m_waitPhase{kNoWait};
    std::mutex m_waitMutex;
    QString m_strWaitingFor;

    // This thread's own.
    std::thread m_worker;
    bool m_bFinishPending = false;
    uint64_t m_uTotal = 0;
    int m_iRowCount = 0;
    uint64_t m_uReported = 0;
    bool m_bWaitReported = false;
    QTimer m_tick;
};
