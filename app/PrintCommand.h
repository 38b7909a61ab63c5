#pragma once

#include <QString>
#include <QTextStream>

// Prints a script file as key/value header lines and the list as the window shows it. Returns the
// process exit status: 0, or 2 when the file cannot be read.
int PrintScript(const QString& path, QTextStream& out, QTextStream& err);
