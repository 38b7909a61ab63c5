#pragma once
// Waits that a stop can cut short. A run never sleeps in a way that the Stop button cannot end.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>

namespace platform {

class IWait {
public:
    virtual ~IWait() = default;
    // Blocks for ms milliseconds. Returns false when the wait was cut short (or never began) because a
    // stop was raised; callers then skip what they would have done after the pause.
    virtual bool Sleep(uint32_t ms) = 0;
    // Blocks until ms milliseconds after since, a moment taken earlier on the steady clock, so a caller that
    // measures its delays from an earlier event does not lose the time spent in between. Answers as Sleep.
    virtual bool SleepFrom(std::chrono::steady_clock::time_point since, uint32_t ms) {
        (void)since;
        return Sleep(ms);
    }
};

// The stop of one run. Raising it wakes every wait on it at once.
class CStopSignal {
public:
    void Raise();
    void Reset();
    bool IsRaised() const { return m_bRaised.load(std::memory_order_acquire); }
    // Waits until the deadline or a stop; true when the deadline was reached.
    bool WaitUntil(std::chrono::steady_clock::time_point deadline);
    // Waits until ready() holds or a stop; true when ready() held. ready is called under the signal's lock
    // and must take no other lock that is held around Notify; whoever makes it true calls Notify after.
    bool WaitFor(const std::function<bool()>& ready);
    // Wakes the waits of WaitFor to look at their condition again.
    void Notify();

private:
    std::atomic<bool> m_bRaised{false};
    std::mutex m_mutex;
    std::condition_variable m_cv;
};

// The real wait of a run: sleeps on the steady clock against an absolute deadline, so a run's timing does
// not drift with the time spent injecting. The last stretch before the deadline is spun rather than slept,
// since a woken thread often gets the processor back a tenth of a millisecond late.
class CStoppableWait final : public IWait {
public:
    static constexpr std::chrono::microseconds kSpin{200};

    explicit CStoppableWait(CStopSignal& stop) : m_stop(stop) {}
    bool Sleep(uint32_t ms) override;
    bool SleepFrom(std::chrono::steady_clock::time_point since, uint32_t ms) override;

private:
    CStopSignal& m_stop;
};

// For the thread of a run, whose delays must not run late. Asks the system to end the calling thread's
// timed waits as close to their deadlines as it can (on Linux the timer slack drops from 50 us to 1 ns),
// and to prefer the thread over ordinary work (nice kTimingNice) where the user may raise priorities, as
// root or with a nice limit (RLIMIT_NICE, CAP_SYS_NICE) may; without it a busy machine may hand the thread
// its processor a few milliseconds late now and then. Returns whether the priority was raised; only the
// calling thread's changes.
constexpr int kTimingNice = -10;
bool UsePreciseTimersOnThisThread();

}  // namespace platform
