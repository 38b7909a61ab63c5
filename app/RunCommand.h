#pragma once
// `vantrell --run FILE [--dry-run]`: plays a script without a window, with the stored settings, for
// terminals, cron and other programs. Needs a QCoreApplication and no display.

#include <QObject>
#include <QString>
#include <QTextStream>
#include <functional>

#include "engine/Sequencer.h"
#include "platform/HotKeys.h"

struct CRunOptions {
    // Prints what the run would do, one line per move, button event and wait, without touching the X
    // server or waiting at all.
    bool bDryRun = false;
    // When given, RunScript calls it once with a context object and a function to call, on this thread,
    // as soon as the X server connection is lost (main connects the hotkey service's ConnectionLost). The
    // run then ends at once, in the middle of a wait too; the connection dies with the context.
    std::function<void(QObject* context, std::function<void()> onLost)> watchDisplay;
};

// Events of a dry run recorded and not yet printed, at most; the run waits while there are more.
constexpr size_t kDryRunBound = 4096;
// After a stop by signal, how long the rest of a dry run's output may take to be written before it is
// given up (when the reader does not read).
constexpr int kSignalGraceMs = 500;

// Runs the script at path through makeInput (unused in a dry run), writes to outFd and prints "Executed %u
// Action(s)" at the end. SIGINT, SIGTERM and SIGHUP stop the run as the Stop button does. Returns the exit
// status: 0 after a complete run, 130 after a stop by signal, 1 for an empty list, when there is no way to
// inject, when the X server connection is lost during the run ("vantrell: the X server connection was
// lost", and no count) or when the output cannot be written (after a signal: 130 all the same), 2 when
// the file cannot be read.
// With hotkeys, the script's own start/stop shortcut stops the run.
int RunScript(const QString& path, const CRunOptions& options, const CSequencer::InputFactory& makeInput,
              int outFd, QTextStream& err, platform::IHotKeys* hotkeys = nullptr);
