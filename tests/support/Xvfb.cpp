#include "tests/support/Xvfb.h"

#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace testsupport {

bool CXvfb::Start(QString* error, int width, int height) {
    // -displayfd 1: the server writes its display number to our pipe once it accepts connections.
    const QString arguments =
        QStringLiteral("-displayfd 1 -screen 0 %1x%2x24 -nolisten tcp -noreset +extension XTEST");
    m_server.setStandardErrorFile(QProcess::nullDevice());
    // The server must not outlive a test that crashes.
    m_server.setChildProcessModifier([parent = getpid()] {
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent)
            _exit(127);
    });
    m_server.start(QStringLiteral("Xvfb"), arguments.arg(width).arg(height).split(u' '));
    QByteArray number;
    while (!number.endsWith('\n') && m_server.waitForReadyRead(15000))
        number += m_server.readAllStandardOutput();
    if (!number.endsWith('\n')) {
        *error = QStringLiteral("Xvfb did not start (is it installed?)");
        Stop();
        return false;
    }
    qputenv("DISPLAY", ':' + number.trimmed());
    return true;
}

void CXvfb::Stop() {
    if (m_server.state() == QProcess::NotRunning)
        return;
    m_server.terminate();
    m_server.waitForFinished();
}

}  // namespace testsupport
