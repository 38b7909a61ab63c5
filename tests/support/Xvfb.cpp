#include "tests/support/Xvfb.h"

#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace testsupport {

bool CXvfb::Start(QString* error, int width, int height) {
    // -displayfd 1: the server writes its display number to our pipe once it accepts connections.
    const QStringList arguments = QStringList{QStringLiteral("-displayfd"),
                                              QStringLiteral("1"),
                                              QStringLiteral("-screen"),
                                              QStringLiteral("0"),
                                              QStringLiteral("%1x%2x24").arg(width).arg(height),
                                              QStringLiteral("-nolisten"),
                                              QStringLiteral("tcp"),
                                              QStringLiteral("-noreset"),
                                              QStringLiteral("+extension"),
                                              QStringLiteral("XTEST")} +
                                  m_extraArguments;
    m_server.setStandardErrorFile(QProcess::nullDevice());
    // The server must not outlive a test that crashes.
    m_server.setChildProcessModifier([parent = getpid()] {
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent)
            _exit(127);
    });
    m_server.start(QStringLiteral("Xvfb"), arguments);
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
