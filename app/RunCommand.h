#pragma once
// `vantrell --run FILE [--dry-run]`: plays a script without a window, with the stored settings, for
// terminals, cron and other programs. Needs a QCoreApplication and no display.

#include <QString>
#include <QTextStream>

#include "engine/Sequencer.h"
#include "platform/HotKeys.h"

struct CRunOptions {
    // Prints what the run would do, one line per move, button event and wait, without touching the X
    // server or waiting at all.
    bool bDryRun = false;
};

// Runs the script at path through makeInput (unused in a dry run) and prints "Executed %u Action(s)" at
// the end. SIGINT and SIGTERM stop the run as the Stop button does. Returns the exit status: 0 after a
// complete run, 130 after a stop by signal, 1 for an empty list or when there is no way to inject, 2 when
// the file cannot be read.
// With hotkeys, the script's own start/stop shortcut stops the run.
int RunScript(const QString& path, const CRunOptions& options, const CSequencer::InputFactory& makeInput,
              QTextStream& out, QTextStream& err, platform::IHotKeys* hotkeys = nullptr);
