#include "tests/support/PrivateBus.h"

#include <QStandardPaths>

#include <csignal>
#include <sys/prctl.h>

namespace testsupport {

CPrivateBus::~CPrivateBus() {
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        if (!m_process.waitForFinished(5000))
            m_process.kill();
        m_process.waitForFinished(5000);
    }
}

bool CPrivateBus::Available() {
    return !QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty();
}

bool CPrivateBus::Start(QString* error) {
    m_process.setProcessChannelMode(QProcess::SeparateChannels);
    // The bus ends with the test process, even one that crashed.
    m_process.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
    m_process.start(QStringLiteral("dbus-daemon"),
                    {QStringLiteral("--session"), QStringLiteral("--print-address"), QStringLiteral("--nofork")});
    if (!m_process.waitForStarted(10000)) {
        *error = QStringLiteral("dbus-daemon did not start: %1").arg(m_process.errorString());
        return false;
    }
    QByteArray line;
    while (!line.contains('\n')) {
        if (!m_process.waitForReadyRead(10000)) {
            *error = QStringLiteral("dbus-daemon printed no address: %1")
                         .arg(QString::fromLocal8Bit(m_process.readAllStandardError()));
            return false;
        }
        line += m_process.readAllStandardOutput();
    }
    m_strAddress = QString::fromLocal8Bit(line.left(line.indexOf('\n')).trimmed());
    return !m_strAddress.isEmpty();
}

}  // namespace testsupport
