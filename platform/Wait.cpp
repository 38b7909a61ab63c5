#include "platform/Wait.h"

#include <cerrno>

#if defined(__linux__)
#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace platform {

void CStopSignal::Raise() {
    {
        // Taking the lock orders the flag against a waiter that has checked it but not yet slept.
        std::lock_guard lock(m_mutex);
        m_bRaised.store(true, std::memory_order_release);
    }
    m_cv.notify_all();
}

void CStopSignal::Reset() {
    std::lock_guard lock(m_mutex);
    m_bRaised.store(false, std::memory_order_release);
}

bool CStopSignal::WaitUntil(std::chrono::steady_clock::time_point deadline) {
    std::unique_lock lock(m_mutex);
    return !m_cv.wait_until(lock, deadline, [this] { return m_bRaised.load(std::memory_order_acquire); });
}

bool CStopSignal::WaitFor(const std::function<bool()>& ready) {
    std::unique_lock lock(m_mutex);
    m_cv.wait(lock, [&] { return m_bRaised.load(std::memory_order_acquire) || ready(); });
    return !m_bRaised.load(std::memory_order_acquire) || ready();
}

void CStopSignal::Notify() {
    {
        // Orders the change behind ready() against a waiter that has looked at it but not yet slept.
        std::lock_guard lock(m_mutex);
    }
    m_cv.notify_all();
}

bool CStoppableWait::Sleep(uint32_t ms) {
    return SleepFrom(std::chrono::steady_clock::now(), ms);
}

bool CStoppableWait::SleepFrom(std::chrono::steady_clock::time_point since, uint32_t ms) {
    if (m_stop.IsRaised())
        return false;
    if (ms == 0)
        return true;
    const auto deadline = since + std::chrono::milliseconds(ms);
    if (!m_stop.WaitUntil(deadline - kSpin))
        return false;
    while (std::chrono::steady_clock::now() < deadline) {
        if (m_stop.IsRaised())
            return false;
    }
    return true;
}

bool UsePreciseTimersOnThisThread() {
#if defined(__linux__)
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    // A nice value belongs to a thread on Linux, so this leaves the window's thread as it was. A run's
    // waits are spent asleep, and a run without delays goes at the X server's pace, blocking whenever the
    // server falls behind, so the raised thread does not keep a processor to itself.
    const auto tid = static_cast<id_t>(gettid());
    errno = 0;
    const int current = getpriority(PRIO_PROCESS, tid);
    if (errno == 0 && current <= kTimingNice)
        return true;
    return setpriority(PRIO_PROCESS, tid, kTimingNice) == 0;
#else
    return false;
#endif
}

}  // namespace platform
