#pragma once
// Input and wait services that only write down what they were asked to do, into one shared log, so the order
// of moves, button events and pauses can be read back. Unit tests check the click logic against it, and a dry
// run prints it instead of touching the mouse.

#include <QString>
#include <QStringList>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

#include "platform/Input.h"
#include "platform/Wait.h"

namespace platform {

class CEventLog {
public:
    enum class Kind { Move, Input, Wait };

    struct Event {
        Kind kind = Kind::Move;
        POINT pt;                // Move: the position asked for
        INPUT input;             // Input: the record as it was handed over
        uint32_t ms = 0;         // Wait: the milliseconds asked for
        bool bCompleted = true;  // Wait: false when a stop cut it short or it never began
        unsigned nHeld = 0;      // Wait: moves and records a batch still held back when the wait began
    };

    // Waits first while the log is full (see SetBound).
    void Append(const Event& event);
    void Clear();
    std::vector<Event> Events() const;
    // The events so far, leaving the log empty: a long dry run hands them on in portions.
    std::vector<Event> Take();

    // For a log that another thread empties as it fills (a dry run's printer): Append waits while the log
    // holds capacity events, until Take makes room or stop is raised. After a stop it appends at once, so
    // the action under way still completes its events and the log outgrows the bound by no more than that.
    // Set it on the thread that appends, before it appends.
    void SetBound(size_t capacity, CStopSignal& stop);
    // Waits until there are events or the log is closed, and takes them; empty once closed and empty.
    std::vector<Event> TakeWaiting();
    // No more events come: wakes TakeWaiting.
    void Close();

    // One line per event: "move X Y", "down left|middle|right", "up ...", "wait MS". A wait of 0 is no pause
    // and gives no line; a record that is not a single button event gives "input FLAGS" in hex.
    QStringList Lines() const;
    // The line of one event; empty for a wait of 0.
    static QString Line(const Event& event);

    // Moves and records that a batch holds back: the recording input counts them, the recording wait notes
    // how many there were at each wait.
    void SetHeld(unsigned held) { m_nHeld.store(held, std::memory_order_relaxed); }
    unsigned Held() const { return m_nHeld.load(std::memory_order_relaxed); }

private:
    std::atomic<unsigned> m_nHeld{0};
    // Filled by a run's worker and read by whoever watches it.
    mutable std::mutex m_mutex;
    std::condition_variable m_cvEvents;  // TakeWaiting's
    std::vector<Event> m_events;
    bool m_bClosed = false;
    // The bound, written under the mutex by the appending thread; the waits for room go through the
    // stop signal, so a stop ends them.
    size_t m_nCapacity = 0;
    CStopSignal* m_pStop = nullptr;
    std::atomic<size_t> m_nSize{0};
};

class CRecordingInput final : public IInput {
public:
    explicit CRecordingInput(CEventLog& log) : m_log(log) {}

    bool SetCursorPos(int x, int y) override;
    // The position last set, so code that reads the cursor back sees its own moves.
    bool GetCursorPos(POINT* pt) override;
    unsigned SendInput(unsigned count, const INPUT* inputs, int cbSize) override;
    void BeginBatch() override { m_bBatching = true; }
    void Flush() override { m_log.SetHeld(0); }
    void EndBatch() override;

private:
    void Append(const CEventLog::Event& event);

    CEventLog& m_log;
    POINT m_pt;
    bool m_bBatching = false;
};

// Pauses take no time. With a stop signal it answers as the real wait does: false once the stop is raised.
class CRecordingWait final : public IWait {
public:
    explicit CRecordingWait(CEventLog& log, const CStopSignal* stop = nullptr) : m_log(log), m_stop(stop) {}

    // Called at the start of every Sleep, before the stop is looked at, so a test can raise the stop at the
    // pause of its choice.
    void SetOnSleep(std::function<void(uint32_t ms)> onSleep) { m_onSleep = std::move(onSleep); }

    bool Sleep(uint32_t ms) override;

private:
    CEventLog& m_log;
    const CStopSignal* m_stop;
    std::function<void(uint32_t)> m_onSleep;
};

}  // namespace platform
