#include "tests/support/PrivateBus.h"

#include "tests/support/ServerProcess.h"

#include <QStandardPaths>
#include <csignal>
#include <sys/wait.h>

namespace testsupport {

CPrivateBus::~CPrivateBus() {
    if (m_pid <= 0)
        return;
    kill(m_pid, SIGTERM);
    int status = 0;
    waitpid(m_pid, &status, 0);
}

bool CPrivateBus::Available() {
    return !QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty();
}

bool CPrivateBus::Start(QString* error) {
    QByteArray address;
    m_pid = StartServerProcess({"dbus-daemon", "--session", "--print-address={fd}", "--nofork"}, false,
                               &address, error);
    if (m_pid <= 0)
        return false;
    m_strAddress = QString::fromLocal8Bit(address);
    if (m_strAddress.isEmpty()) {
        *error = QStringLiteral("dbus-daemon printed no address");
        return false;
    }
    return true;
}

}  // namespace testsupport
