#include "app/DryRunPrinter.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <climits>

#include "platform/QuietThread.h"

int WriteAll(int fd, const QByteArray& bytes) {
    const char* p = bytes.constData();
    auto left = static_cast<size_t>(bytes.size());
    while (left > 0) {
        const ssize_t written = ::write(fd, p, left);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        p += written;
        left -= static_cast<size_t>(written);
    }
    return 0;
}

CDryRunPrinter::CDryRunPrinter(platform::CEventLog& log, int fd, std::function<void()> onDone)
    : m_log(log), m_fd(fd), m_onDone(std::move(onDone)) {
    if (::pipe2(m_cancel, O_CLOEXEC | O_NONBLOCK) != 0 || ::pipe2(m_done, O_CLOEXEC | O_NONBLOCK) != 0) {
        m_iError = errno;
        return;
    }
    m_notifier = std::make_unique<QSocketNotifier>(m_done[0], QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, m_notifier.get(), [this] {
        m_notifier->setEnabled(false);
        m_thread.join();
        m_bOver = true;
        m_onDone();
    });
    m_thread = platform::StartQuietThread(&CDryRunPrinter::ThreadProc, this);
}

CDryRunPrinter::~CDryRunPrinter() {
    Cancel();
    if (m_thread.joinable())
        m_thread.join();
    m_notifier.reset();
    for (int fd : {m_cancel[0], m_cancel[1], m_done[0], m_done[1]}) {
        if (fd >= 0)
            ::close(fd);
    }
}

void CDryRunPrinter::Finish(const QByteArray& tail) {
    {
        std::lock_guard lock(m_tailMutex);
        m_tail = tail;
    }
    m_log.Close();
}

void CDryRunPrinter::Cancel() {
    m_bCancelled.store(true, std::memory_order_release);
    m_log.Close();
    if (m_cancel[1] >= 0) {
        const char byte = 0;
        [[maybe_unused]] const ssize_t written = ::write(m_cancel[1], &byte, 1);
    }
}

void CDryRunPrinter::ThreadProc() {
    for (;;) {
        const std::vector<platform::CEventLog::Event> events = m_log.TakeWaiting();
        if (events.empty())
            break;
        QByteArray text;
        for (const platform::CEventLog::Event& event : events) {
            const QString line = platform::CEventLog::Line(event);
            if (!line.isEmpty())
                text += line.toUtf8() + '\n';
        }
        if (!Write(text))
            break;
    }
    if (m_iError == 0 && !Cancelled()) {
        std::lock_guard lock(m_tailMutex);
        Write(m_tail);
    }
    const char byte = 0;
    [[maybe_unused]] const ssize_t written = ::write(m_done[1], &byte, 1);
}

bool CDryRunPrinter::Write(const QByteArray& bytes) {
    const char* p = bytes.constData();
    auto left = static_cast<size_t>(bytes.size());
    while (left > 0) {
        pollfd fds[2] = {{m_fd, POLLOUT, 0}, {m_cancel[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            m_iError = errno;
            return false;
        }
        if (fds[1].revents != 0 || Cancelled())
            return false;
        const ssize_t written = ::write(m_fd, p, std::min<size_t>(left, PIPE_BUF));
        if (written < 0) {
            if (errno == EINTR || errno == EAGAIN)
                continue;
            m_iError = errno;
            return false;
        }
        p += written;
        left -= static_cast<size_t>(written);
    }
    return true;
}
