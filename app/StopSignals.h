#pragma once
// SIGINT, SIGTERM and SIGHUP as events of the user-interface thread, for the window and for `--run` alike.
//
// While an instance is alive, those signals no longer end the process at once: the handler only writes the
// signal's number to a pipe, and a socket notifier on the thread that made the instance reads it and calls
// onSignal there, where stopping a run and releasing its button is safe. onSignal ends the program itself
// (a run stopped, the event loop left); nothing is asked of the user. A signal that was ignored when the
// instance was made (nohup's SIGHUP) stays ignored. Should the pipe fail, a signal ends the process as it
// always does. One instance at a time.

#include <csignal>
#include <functional>
#include <iterator>
#include <memory>

class QSocketNotifier;
class QTimer;

class CStopSignals {
public:
    explicit CStopSignals(std::function<void(int signal)> onSignal);
    // Puts the previous handlers back.
    ~CStopSignals();
    CStopSignals(const CStopSignals&) = delete;
    CStopSignals& operator=(const CStopSignals&) = delete;

    // The last signal that arrived, 0 before any.
    int Caught() const { return m_iCaught; }

private:
    // Reads the pipe and hands the last signal in it to onSignal.
    void OnReadable();

    static constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

    std::function<void(int)> m_onSignal;
    int m_fds[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> m_notifier;
    std::unique_ptr<QTimer> m_poke;  // only under ThreadSanitizer, see the constructor
    struct sigaction m_old[std::size(kSignals)]{};
    bool m_bInstalled = false;
    int m_iCaught = 0;
};
