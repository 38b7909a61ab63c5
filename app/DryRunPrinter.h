#pragma once
// The printer of a dry run, and plain writes to standard output for the headless runner.

#include <QByteArray>
#include <QSocketNotifier>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/RecordingInput.h"

// Writes all of bytes to fd; returns 0, or the errno of the write that failed. Blocks as the reader does.
int WriteAll(int fd, const QByteArray& bytes);

// The printer of a dry run: a thread of its own that writes the run's events to standard output as the
// worker records them, so that a reader who does not keep up holds back the run (through the log's bound)
// and never the event loop, which must still see a signal. The printer waits for the reader with poll
// and writes at most PIPE_BUF bytes at a time, which a pipe that polls writable takes without blocking;
// so Cancel ends it at once whatever the reader does.
class CDryRunPrinter {
public:
    // onDone is called on the creating thread once the printer has ended: all written, a write failed,
    // or cancelled.
    CDryRunPrinter(platform::CEventLog& log, int fd, std::function<void()> onDone);
    ~CDryRunPrinter();
    CDryRunPrinter(const CDryRunPrinter&) = delete;
    CDryRunPrinter& operator=(const CDryRunPrinter&) = delete;

    // False when the printer could not start (Error tells why); then it never calls onDone.
    bool Started() const { return m_thread.joinable() || m_bOver; }
    // The run has ended: the printer writes what is left, then tail, and ends.
    void Finish(const QByteArray& tail);
    // Ends the printer without writing the rest.
    void Cancel();

    // After onDone: whether it ended with everything written, and the errno of a failed write.
    bool Over() const { return m_bOver; }
    bool Cancelled() const { return m_bCancelled.load(std::memory_order_acquire); }
    int Error() const { return m_iError; }

private:
    void ThreadProc();
    bool Write(const QByteArray& bytes);

    platform::CEventLog& m_log;
    const int m_fd;
    std::function<void()> m_onDone;
    int m_cancel[2] = {-1, -1};
    int m_done[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> m_notifier;
    std::thread m_thread;
    std::atomic<bool> m_bCancelled{false};
    std::mutex m_tailMutex;
    QByteArray m_tail;
    // The thread's until it ends; read after the join.
    int m_iError = 0;
    // The creating thread's.
    bool m_bOver = false;
};
