#include "tests/support/ServerProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

namespace testsupport {

pid_t StartServerProcess(std::vector<std::string> args, bool bQuietErrors, QByteArray* line, QString* error) {
    int fds[2];
    if (pipe(fds) != 0) {
        *error = QString::fromLocal8Bit(std::strerror(errno));
        return -1;
    }
    // Everything the child needs is built before the fork: only async-signal-safe calls may follow it.
    for (std::string& arg : args) {
        const auto at = arg.find("{fd}");
        if (at != std::string::npos)
            arg.replace(at, 4, std::to_string(fds[1]));
    }
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid < 0) {
        *error = QString::fromLocal8Bit(std::strerror(errno));
        close(fds[0]);
        close(fds[1]);
        return -1;
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
            if (bQuietErrors)
                dup2(devnull, STDERR_FILENO);
        }
        execvp(argv[0], argv.data());
        _exit(127);
    }
    close(fds[1]);

    QByteArray text;
    pollfd pfd{fds[0], POLLIN, 0};
    while (!text.contains('\n')) {
        if (poll(&pfd, 1, 15000) <= 0)
            break;
        char buf[256];
        const ssize_t n = read(fds[0], buf, sizeof buf);
        if (n <= 0)
            break;
        text.append(buf, n);
    }
    close(fds[0]);
    if (!text.contains('\n')) {
        *error = QStringLiteral("%1 did not start (is it installed?)").arg(QString::fromStdString(args[0]));
        kill(pid, SIGTERM);
        int status = 0;
        waitpid(pid, &status, 0);
        return -1;
    }
    *line = text.left(text.indexOf('\n')).trimmed();
    return pid;
}

}  // namespace testsupport
