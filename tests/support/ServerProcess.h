#pragma once
// A server for one test process (Xvfb, dbus-daemon): a child that ends with the test, even when the test
// crashes, and that says on a pipe when it accepts connections.

#include <sys/types.h>

#include <QByteArray>
#include <QString>
#include <string>
#include <vector>

namespace testsupport {

// Starts args[0] with args, where "{fd}" in an argument stands for the pipe the server writes one line to
// once it is ready. Standard input and output go to /dev/null, and so does standard error when
// bQuietErrors. Returns the child's pid and its line (without the newline), or -1 with the reason; a child
// that started but gave no line has been ended.
pid_t StartServerProcess(std::vector<std::string> args, bool bQuietErrors, QByteArray* line, QString* error);

}  // namespace testsupport
