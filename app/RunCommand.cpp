#include "app/RunCommand.h"

#include "platform/VirtualKeys.h"

#include <fcntl.h>
#include <unistd.h>
#include <QEventLoop>
#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <functional>
#include <memory>

#include "platform/RecordingInput.h"
#include "script/ScriptFile.h"
#include "settings/Settings.h"

namespace {

// The write end of the pipe of the stop that a signal asks for; set before the handlers go in.
int g_iSignalPipe = -1;

void OnStopSignal(int) {
    const int savedErrno = errno;
    const char byte = 0;
    // A full pipe holds a wake-up already, so a failed write loses nothing.
    [[maybe_unused]] const ssize_t written = ::write(g_iSignalPipe, &byte, 1);
    errno = savedErrno;
}

// While alive, SIGINT and SIGTERM call onSignal on this thread instead of ending the process. A handler
// may do next to nothing, so it only writes to a pipe that this thread's event loop watches.
class CStopOnSignals {
public:
    explicit CStopOnSignals(std::function<void()> onSignal) : m_onSignal(std::move(onSignal)) {
        if (::pipe2(m_fds, O_CLOEXEC | O_NONBLOCK) != 0)
            return;  // then a signal ends the process as it always does
        g_iSignalPipe = m_fds[1];
        m_notifier = std::make_unique<QSocketNotifier>(m_fds[0], QSocketNotifier::Read);
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, m_notifier.get(), [this] {
            char bytes[16];
            while (::read(m_fds[0], bytes, sizeof bytes) > 0) {
            }
            m_bCaught = true;
            m_onSignal();
        });
        struct sigaction action {};
        action.sa_handler = OnStopSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        sigaction(SIGINT, &action, &m_oldInt);
        sigaction(SIGTERM, &action, &m_oldTerm);
        m_bInstalled = true;
    }

    ~CStopOnSignals() {
        if (m_bInstalled) {
            sigaction(SIGINT, &m_oldInt, nullptr);
            sigaction(SIGTERM, &m_oldTerm, nullptr);
        }
        m_notifier.reset();
        g_iSignalPipe = -1;
        for (int fd : m_fds) {
            if (fd >= 0)
                ::close(fd);
        }
    }

    CStopOnSignals(const CStopOnSignals&) = delete;
    CStopOnSignals& operator=(const CStopOnSignals&) = delete;

    bool Caught() const { return m_bCaught; }

private:
    std::function<void()> m_onSignal;
    int m_fds[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> m_notifier;
    struct sigaction m_oldInt {};
    struct sigaction m_oldTerm {};
    bool m_bInstalled = false;
    bool m_bCaught = false;
};

}  // namespace

namespace {

// The script's start/stop shortcut, which during a headless run can only stop it.
class CShortcutStop final : public platform::IHotKeyOwner {
public:
    CShortcutStop(platform::IHotKeys& hotkeys, CSequencer& sequencer)
        : m_hotkeys(hotkeys), m_sequencer(sequencer) {}
    ~CShortcutStop() { m_hotkeys.UnregisterAll(this); }
    bool Register(uint16_t vk, uint16_t flags) {
        return m_hotkeys.RegisterHotKey(this, kStartStopId, platform::HotKeyFlagsToModifiers(flags), vk);
    }
    void OnHotKey(int) override { m_sequencer.StopExecution(); }

private:
    static constexpr int kStartStopId = 2;
    platform::IHotKeys& m_hotkeys;
    CSequencer& m_sequencer;
};

}  // namespace

int RunScript(const QString& path, const CRunOptions& options, const CSequencer::InputFactory& makeInput,
              QTextStream& out, QTextStream& err, platform::IHotKeys* hotkeys) {
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

    // A dry run records into the log instead and prints it in portions as the run goes on, so a long one
    // does not pile up in memory.
    platform::CEventLog log;
    CSequencer::InputFactory input = makeInput;
    CSequencer::WaitFactory wait;
    if (options.bDryRun) {
        input = [&log](QString*) { return std::make_unique<platform::CRecordingInput>(log); };
        wait = [&log](platform::CStopSignal& stop) {
            return std::make_unique<platform::CRecordingWait>(log, &stop);
        };
    }
    auto printEvents = [&] {
        for (const platform::CEventLog::Event& event : log.Take()) {
            const QString line = platform::CEventLog::Line(event);
            if (!line.isEmpty())
                out << line << '\n';
        }
        out.flush();
    };

    CSequencer sequencer(rows, input, wait);
    QEventLoop loop;
    QString inputError;
    QObject::connect(&sequencer, &CSequencer::Progress, &sequencer, [&] {
        if (options.bDryRun)
            printEvents();
    });
    QObject::connect(&sequencer, &CSequencer::InputUnavailable, &sequencer,
                     [&](const QString& message) { inputError = message; });
    QObject::connect(&sequencer, &CSequencer::RunFinished, &loop, &QEventLoop::quit);
    CStopOnSignals signalStop([&] { sequencer.StopExecution(); });
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

    if (!inputError.isEmpty()) {
        err << "vantrell: " << inputError << Qt::endl;
        return 1;
    }
    printEvents();
    out << "Executed " << sequencer.Executed() << " Action(s)" << Qt::endl;
    return signalStop.Caught() ? 130 : 0;
}
