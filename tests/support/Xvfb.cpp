#include "tests/support/Xvfb.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QByteArray>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

namespace testsupport {

CXvfb::~CXvfb() {
    Stop();
}

bool CXvfb::Start(QString* error, int width, int height) {
    int fds[2];
    if (pipe(fds) != 0) {
        *error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    // Everything the child needs is built before the fork: only async-signal-safe calls may follow it.
    std::vector<std::string> arguments{
        "Xvfb",       "-displayfd", std::to_string(fds[1]),
        "-screen",    "0",          std::to_string(width) + "x" + std::to_string(height) + "x24",
        "-nolisten",  "tcp",        "-noreset",
        "+extension", "XTEST"};
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid < 0) {
        *error = QString::fromLocal8Bit(std::strerror(errno));
        close(fds[0]);
        close(fds[1]);
        return false;
    }
    if (pid == 0) {
        // The server must not outlive a test that crashes.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent)
            _exit(127);
        close(fds[0]);
        const int devnull = open("/dev/null", O_RDWR);
        if (devnull >= 0) {
            dup2(devnull, STDIN_FILENO);
            dup2(devnull, STDOUT_FILENO);
            dup2(devnull, STDERR_FILENO);
        }
        execvp("Xvfb", argv.data());
        _exit(127);
    }
    close(fds[1]);
    m_pid = pid;

    // Xvfb writes its display number to the pipe once it accepts connections.
    QByteArray number;
    pollfd pfd{fds[0], POLLIN, 0};
    while (!number.endsWith('\n')) {
        if (poll(&pfd, 1, 15000) <= 0)
            break;
        char buf[32];
        const ssize_t n = read(fds[0], buf, sizeof buf);
        if (n <= 0)
            break;
        number.append(buf, n);
    }
    close(fds[0]);
    if (!number.endsWith('\n')) {
        *error = QStringLiteral("Xvfb did not start (is it installed?)");
        Stop();
        return false;
    }
    qputenv("DISPLAY", ':' + number.trimmed());
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
