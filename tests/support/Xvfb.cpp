#include "tests/support/Xvfb.h"

#include "tests/support/ServerProcess.h"

#include <signal.h>
#include <sys/wait.h>

#include <QByteArray>
#include <string>

namespace testsupport {

CXvfb::~CXvfb() {
    Stop();
}

bool CXvfb::Start(QString* error, int width, int height) {
    QByteArray number;
    m_pid = StartServerProcess({"Xvfb", "-displayfd", "{fd}", "-screen", "0",
                                std::to_string(width) + "x" + std::to_string(height) + "x24", "-nolisten",
                                "tcp", "-noreset", "+extension", "XTEST"},
                               true, &number, error);
    if (m_pid <= 0)
        return false;
    qputenv("DISPLAY", ':' + number);
    return true;
}

void CXvfb::Stop() {
    if (m_pid <= 0)
        return;
    kill(m_pid, SIGTERM);
    int status = 0;
    waitpid(m_pid, &status, 0);
    m_pid = -1;
}

}  // namespace testsupport
