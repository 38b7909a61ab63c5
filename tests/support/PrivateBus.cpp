#include "tests/support/PrivateBus.h"

#include <QStandardPaths>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

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
    int fds[2];
    if (pipe(fds) != 0) {
        *error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    std::string printAddress = "--print-address=" + std::to_string(fds[1]);
    char* argv[] = {const_cast<char*>("dbus-daemon"), const_cast<char*>("--session"), printAddress.data(),
                    const_cast<char*>("--nofork"), nullptr};
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid < 0) {
        *error = QString::fromLocal8Bit(std::strerror(errno));
        close(fds[0]);
        close(fds[1]);
        return false;
    }
    if (pid == 0) {
        // The bus must not outlive a test that crashes.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent)
            _exit(127);
        close(fds[0]);
        const int devnull = open("/dev/null", O_RDWR);
        if (devnull >= 0) {
            dup2(devnull, STDIN_FILENO);
            dup2(devnull, STDOUT_FILENO);
        }
        execvp("dbus-daemon", argv);
        _exit(127);
    }
    close(fds[1]);
    m_pid = pid;
    // The daemon writes its address once it accepts connections.
    QByteArray line;
    pollfd pfd{fds[0], POLLIN, 0};
    while (!line.contains('\n')) {
        if (poll(&pfd, 1, 15000) <= 0)
            break;
        char buf[256];
        const ssize_t n = read(fds[0], buf, sizeof buf);
        if (n <= 0)
            break;
        line.append(buf, n);
    }
    close(fds[0]);
    m_strAddress = QString::fromLocal8Bit(line.left(line.indexOf('\n')).trimmed());
    if (m_strAddress.isEmpty()) {
        *error = QStringLiteral("dbus-daemon printed no address");
        return false;
    }
    return true;
}

}  // namespace testsupport
