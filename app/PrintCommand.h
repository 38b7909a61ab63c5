#pragma once

#include <QString>
#include <QTextStream>

// Prints a script file as key/value header lines and the list as the window shows it, each cell escaped
// by EscapeForPrint. Returns the process exit status: 0; 1 when the output cannot be written (a full disk,
// say); 2 when the file cannot be read.
int PrintScript(const QString& path, QTextStream& out, QTextStream& err);

// A cell as --print writes it: a backslash, TAB, LF and CR become \\, \t, \n and \r, the other control
// characters (C0, DEL, C1) \xHH, so a cell never breaks the columns nor acts on a terminal.
QString EscapeForPrint(const QString& text);

// The --print option's line in --help.
inline QString PrintOptionDescription() {
    return QStringLiteral(
        "Print a script file and exit; in its cells \\\\, \\t, \\n, \\r and \\xHH stand for a backslash, "
        "TAB, LF, CR and other control characters.");
}
