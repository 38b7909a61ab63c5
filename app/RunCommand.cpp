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

#include "app/DryRunPrinter.h"
#include "app/StopSignals.h"
#include "engine/HotKeyIds.h"
#include "platform/QuietThread.h"
#include "platform/RecordingInput.h"
#include "platform/VirtualKeys.h"
#include "script/ScriptFile.h"
#include "settings/Settings.h"

namespace {

const QString kLostDisplay = QStringLiteral("the X server connection was lost");

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

// Reads the script at path for a run: 0 when it can run (repeatCount then says how many passes), else the
// exit status, with the reason on err.
int ReadScriptToRun(const QString& path, QTextStream& err, CLoadedScript& script, int& repeatCount) {
    QString error;
    if (!ReadScriptFile(path, script, &error)) {
        err << "vantrell: " << path << ": " << error << Qt::endl;
        return 2;
    }
    if (script.actions.empty()) {
        err << "No Action(s) in the List of Actions to Execute." << Qt::endl;
        return 1;
    }
    repeatCount = script.header.m_iRepeatCount;
    if (repeatCount < 1) {
        err << "vantrell: " << path << ": Repeat Count is " << repeatCount << ", running one pass"
            << Qt::endl;
        repeatCount = 1;
    }
    return 0;
}

// The exit status of a run that ended without losing its input: a stop by signal gives 130 (which stands
// when the output then fails too: after SIGHUP the terminal is gone and the output with it), output that
// could not be written 1. A dry run's printer has written the count already; a real run writes it now.
int EndStatus(bool bSignalled, const CDryRunPrinter* printer, int outFd, uint64_t executed,
              QTextStream& err) {
    const int stopStatus = bSignalled ? 130 : 0;
    const int failStatus = bSignalled ? 130 : 1;
    if (printer) {
        if (printer->Error() != 0) {
            err << "vantrell: cannot write the output: " << std::strerror(printer->Error()) << Qt::endl;
            return failStatus;
        }
        if (printer->Cancelled()) {
            err << "vantrell: stopped; the output was not being read, and the rest of it is left out"
                << Qt::endl;
            return failStatus;
        }
        return stopStatus;
    }
    if (const int writeError =
            WriteAll(outFd, QStringLiteral("Executed %1 Action(s)\n").arg(executed).toUtf8())) {
        err << "vantrell: cannot write the output: " << std::strerror(writeError) << Qt::endl;
        return failStatus;
    }
    return stopStatus;
}

}  // namespace

int RunScript(const QString& path, const CRunOptions& options, const CSequencer::InputFactory& makeInput,
              int outFd, QTextStream& err, platform::IHotKeys* hotkeys) {
    g_settings.Load();
    CLoadedScript script{g_scriptHeader, {}};
    int repeatCount = 1;
    if (const int status = ReadScriptToRun(path, err, script, repeatCount); status != 0)
        return status;
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
    // The desktop may ask the user first (the portal's consent dialog): said once, so a run that seems to
    // hang is explained.
    QObject::connect(&sequencer, &CSequencer::WaitingFor, &sequencer, [&err](const QString& what) {
        if (!what.isEmpty())
            err << "vantrell: waiting for " << what << Qt::endl;
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
    return EndStatus(signalStop.Caught() != 0, printer.get(), outFd, sequencer.Executed(), err);
}
