#include "app/StopSignals.h"

#include <fcntl.h>
#include <unistd.h>
#include <QSocketNotifier>
#include <QTimer>
#include <cerrno>

#include "platform/QuietThread.h"

namespace {

// The write end of the pipe; set before the handlers go in.
int g_iSignalPipe = -1;

void OnStopSignal(int signal) {
    const int savedErrno = errno;
    const auto byte = static_cast<unsigned char>(signal);
    // A full pipe holds wake-ups already, so a failed write loses nothing but a repeat.
    [[maybe_unused]] const ssize_t written = ::write(g_iSignalPipe, &byte, 1);
    errno = savedErrno;
}

}  // namespace

CStopSignals::CStopSignals(std::function<void(int)> onSignal) : m_onSignal(std::move(onSignal)) {
    // The signals come to this thread, whose event loop reads the pipe; threads started before may have
    // them blocked.
    platform::BlockStopSignals(false);
    if (::pipe2(m_fds, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    g_iSignalPipe = m_fds[1];
    m_notifier = std::make_unique<QSocketNotifier>(m_fds[0], QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, m_notifier.get(),
                     [this] { OnReadable(); });
#ifdef __SANITIZE_THREAD__
    // ThreadSanitizer holds a signal back while this thread waits inside an uninstrumented library (the
    // event loop's poll) and hands it over at the thread's next intercepted call from instrumented code,
    // which a quiet event loop may not make for a long time. A read of the pipe now and then is such a call.
    m_poke = std::make_unique<QTimer>();
    QObject::connect(m_poke.get(), &QTimer::timeout, m_poke.get(), [this] { OnReadable(); });
    m_poke->start(100);
#endif
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (size_t i = 0; i < std::size(kSignals); ++i) {
        sigaction(kSignals[i], nullptr, &m_old[i]);
        // A signal ignored from the start stays ignored: nohup's SIGHUP, or SIGINT in the background.
        if (m_old[i].sa_handler != SIG_IGN)
            sigaction(kSignals[i], &action, nullptr);
    }
    m_bInstalled = true;
}

void CStopSignals::OnReadable() {
    unsigned char bytes[16];
    ssize_t n = 0;
    int last = 0;
    while ((n = ::read(m_fds[0], bytes, sizeof bytes)) > 0)
        last = bytes[n - 1];
    if (last == 0)
        return;
    m_iCaught = last;
    m_onSignal(last);
}

CStopSignals::~CStopSignals() {
    if (m_bInstalled) {
        for (size_t i = 0; i < std::size(kSignals); ++i)
            sigaction(kSignals[i], &m_old[i], nullptr);
    }
    m_notifier.reset();
    m_poke.reset();
    g_iSignalPipe = -1;
    for (int fd : m_fds) {
        if (fd >= 0)
            ::close(fd);
    }
}
