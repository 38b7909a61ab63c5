#include "app/RunCommand.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>
#include <QByteArray>
#include <QEventLoop>
#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "app/StopSignals.h"
#include "engine/HotKeyIds.h"
#include "platform/QuietThread.h"
#include "platform/RecordingInput.h"
#include "platform/VirtualKeys.h"
#include "script/ScriptFile.h"
#include "settings/Settings.h"

namespace {

const QString kLostDisplay = QStringLiteral("the X server connection was lost");

// Writes all of bytes to fd; returns 0, or the errno of the write that failed. Blocks as the reader does.
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

// The printer of a dry run: a thread of its own that writes the run's events to standard output as the
// worker records them, so that a reader who does not keep up holds back the run (through the log's bound)
// and never the event loop, which must still see a signal. The printer waits for the reader with poll
// and writes at most PIPE_BUF bytes at a time, which a pipe that polls writable takes without blocking;
// so Cancel ends it at once whatever the reader does.
class CDryRunPrinter {
public:
    // onDone is called on the creating thread once the printer has ended: all written, a write failed,
    // or cancelled.
    CDryRunPrinter(platform::CEventLog& log, int fd, std::function<void()> onDone)
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
    ~CDryRunPrinter() {
        Cancel();
        if (m_thread.joinable())
            m_thread.join();
        m_notifier.reset();
        for (int fd : {m_cancel[0], m_cancel[1], m_done[0], m_done[1]}) {
            if (fd >= 0)
                ::close(fd);
        }
    }
    CDryRunPrinter(const CDryRunPrinter&) = delete;
    CDryRunPrinter& operator=(const CDryRunPrinter&) = delete;

    // False when the printer could not start (Error tells why); then it never calls onDone.
    bool Started() const { return m_thread.joinable() || m_bOver; }
    // The run has ended: the printer writes what is left, then tail, and ends.
    void Finish(const QByteArray& tail) {
        {
            std::lock_guard lock(m_tailMutex);
            m_tail = tail;
        }
        m_log.Close();
    }
    // Ends the printer without writing the rest.
    void Cancel() {
        m_bCancelled.store(true, std::memory_order_release);
        m_log.Close();
        if (m_cancel[1] >= 0) {
            const char byte = 0;
            [[maybe_unused]] const ssize_t written = ::write(m_cancel[1], &byte, 1);
        }
    }

    // After onDone: whether it ended with everything written, and the errno of a failed write.
    bool Over() const { return m_bOver; }
    bool Cancelled() const { return m_bCancelled.load(std::memory_order_acquire); }
    int Error() const { return m_iError; }

private:
    void ThreadProc() {
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

    bool Write(const QByteArray& bytes) {
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

// The script's start/stop shortcut, which during a headless run can only stop it.
class CShortcutStop final : public platform::IHotKeyOwner {
public:
    CShortcutStop(platform::IHotKeys& hotkeys, CSequencer& sequencer)
        : m_hotkeys(hotkeys), m_sequencer(sequencer) {}
    ~CShortcutStop() { m_hotkeys.UnregisterAll(this); }
    bool Register(uint16_t vk, uint16_t flags) {
        return m_hotkeys.RegisterHotKey(this, HOTKEY_START_STOP, platform::HotKeyFlagsToModifiers(flags), vk);
    }
    void OnHotKey(int) override { m_sequencer.StopExecution(); }

private:
    platform::IHotKeys& m_hotkeys;
    CSequencer& m_sequencer;
};

}  // namespace

int RunScript(const QString& path, const CRunOptions& options, const CSequencer::InputFactory& makeInput,
              int outFd, QTextStream& err, platform::IHotKeys* hotkeys) {
    g_settings.Load();
    CLoadedScript script{g_scriptHeader, {}};
    QString error;
    if (!ReadScriptFile(path, script, &error)) {
        err << "vantrell: " << path << ": " << error << Qt::endl;
        return 2;
    }
    if (script.actions.empty()) {
        err << "No Action(s) in the List of Actions to Execute." << Qt::endl;
        return 1;
    }
    int repeatCount = script.header.m_iRepeatCount;
    if (repeatCount < 1) {
        err << "vantrell: " << path << ": Repeat Count is " << repeatCount << ", running one pass"
            << Qt::endl;
        repeatCount = 1;
    }
    CActionList rows;
    rows.AppendAll(script.actions);

    // A dry run records into the log instead, which its printer empties as the run goes on; the bound
    // keeps a run that outpaces the reader from piling up in memory.
    platform::CEventLog log;
    CSequencer::InputFactory input = makeInput;
    CSequencer::WaitFactory wait;
    if (options.bDryRun) {
        input = [&log](QString*) { return std::make_unique<platform::CRecordingInput>(log); };
        wait = [&log](platform::CStopSignal& stop) {
            log.SetBound(kDryRunBound, stop);
            return std::make_unique<platform::CRecordingWait>(log, &stop);
        };
    }

    CSequencer sequencer(rows, input, wait);
    QEventLoop loop;
    QString runError;
    bool bRunOver = false;
    std::unique_ptr<CDryRunPrinter> printer;
    const auto quitWhenAllOver = [&] {
        if (bRunOver && (!printer || printer->Over()))
            loop.quit();
    };
    if (options.bDryRun) {
        printer = std::make_unique<CDryRunPrinter>(log, outFd, [&] {
            // A printer that ended before the run did could not write: the run is pointless now.
            if (!bRunOver)
                sequencer.StopExecution();
            quitWhenAllOver();
        });
        if (!printer->Started()) {
            err << "vantrell: " << std::strerror(printer->Error()) << Qt::endl;
            return 1;
        }
    }
    QObject::connect(&sequencer, &CSequencer::InputUnavailable, &sequencer, [&](const QString& message) {
        if (runError.isEmpty())
            runError = message;
    });
    QObject::connect(&sequencer, &CSequencer::RunFinished, &sequencer, [&](quint64 executed) {
        bRunOver = true;
        if (printer && !printer->Over())
            printer->Finish(QStringLiteral("Executed %1 Action(s)\n").arg(executed).toUtf8());
        quitWhenAllOver();
    });

    // After a signal the rest of a dry run's output still goes out, if the reader takes it at once.
    QTimer printerGrace;
    printerGrace.setSingleShot(true);
    QObject::connect(&printerGrace, &QTimer::timeout, &printerGrace, [&] {
        if (printer)
            printer->Cancel();
    });
    CStopSignals signalStop([&](int) {
        sequencer.StopExecution();
        printerGrace.start(kSignalGraceMs);
    });

    // The display watched by the event loop: its loss ends a run that is only waiting as well.
    QObject displayWatch;
    if (options.watchDisplay) {
        options.watchDisplay(&displayWatch, [&] {
            if (runError.isEmpty())
                runError = kLostDisplay;
            sequencer.StopExecution();
        });
    }
    std::unique_ptr<CShortcutStop> shortcut;
    if (hotkeys != nullptr && !options.bDryRun && script.header.m_wHotKeyCode != 0) {
        shortcut = std::make_unique<CShortcutStop>(*hotkeys, sequencer);
        if (!shortcut->Register(script.header.m_wHotKeyCode, script.header.m_wHotKeyModifiers))
            err << "vantrell: the script's start/stop shortcut is not available: "
                << platform::HotKeyErrorText(hotkeys->LastError()) << Qt::endl;
    }
    if (!sequencer.Start(repeatCount))
        return 1;  // not reached: the rows and the repeat count were checked above
    loop.exec();

    if (!runError.isEmpty()) {
        err << "vantrell: " << runError << Qt::endl;
        return 1;
    }
    const int stopStatus = signalStop.Caught() != 0 ? 130 : 0;
    if (printer) {
        // A signal's status stands: after SIGHUP the terminal is gone and the output with it.
        if (printer->Error() != 0) {
            err << "vantrell: cannot write the output: " << std::strerror(printer->Error()) << Qt::endl;
            return stopStatus != 0 ? stopStatus : 1;
        }
        if (printer->Cancelled()) {
            err << "vantrell: stopped; the output was not being read, and the rest of it is left out"
                << Qt::endl;
            return stopStatus != 0 ? stopStatus : 1;
        }
        return stopStatus;
    }
    if (const int writeError =
            WriteAll(outFd, QStringLiteral("Executed %1 Action(s)\n").arg(sequencer.Executed()).toUtf8())) {
        err << "vantrell: cannot write the output: " << std::strerror(writeError) << Qt::endl;
        return stopStatus != 0 ? stopStatus : 1;
    }
    return stopStatus;
}
