#pragma once
// Threads that never take SIGINT, SIGTERM or SIGHUP: the kernel hands those to a thread that has them
// unblocked, and the program waits for them in the user-interface thread's event loop, so a worker or a
// writer must not catch them instead (where, under a sanitizer, their handling may also be put off until
// the thread next wakes).

#include <signal.h>
#include <thread>
#include <utility>

namespace platform {

inline sigset_t StopSignalSet() {
    sigset_t set;
    sigemptyset(&set);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaddset(&set, signal);
    return set;
}

// Blocks (or unblocks) the three on the calling thread; threads started from it afterwards inherit that.
inline void BlockStopSignals(bool bBlock) {
    const sigset_t set = StopSignalSet();
    pthread_sigmask(bBlock ? SIG_BLOCK : SIG_UNBLOCK, &set, nullptr);
}

template <typename... Args>
std::thread StartQuietThread(Args&&... args) {
    const sigset_t quiet = StopSignalSet();
    sigset_t old;
    pthread_sigmask(SIG_BLOCK, &quiet, &old);
    // The new thread inherits the mask in force now.
    std::thread thread(std::forward<Args>(args)...);
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
    return thread;
}

}  // namespace platform
