#include "tests/support/Children.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QThread>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

namespace testsupport {

bool WriteFile(const QString& path, const QByteArray& text, mode_t mode) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text) == text.size() &&
           chmod(QFile::encodeName(path).constData(), mode) == 0;
}

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString FileTail(const QString& path) {
    const QList<QByteArray> lines = ReadFile(path).trimmed().split('\n');
    return QFileInfo(path).fileName() + QStringLiteral(": ") +
           QString::fromLocal8Bit(lines.mid(std::max<qsizetype>(0, lines.size() - 3)).join(" | "));
}

bool CChildren::Prepare(const QString& who, QString* error) {
    EndAll();
    m_dir = std::make_unique<QTemporaryDir>();
    if (!m_dir->isValid()) {
        *error = QStringLiteral("cannot make a temporary folder");
        return false;
    }
    m_uid = getuid();
    m_gid = getgid();
    m_bDropRoot = m_uid == 0;
    if (m_bDropRoot) {
        const passwd* nobody = getpwnam("nobody");
        const group* nogroup = getgrnam("nogroup");
        if (!nobody) {
            *error = QStringLiteral("%1 should not run as root and there is no account nobody").arg(who);
            return false;
        }
        m_uid = nobody->pw_uid;
        m_gid = nogroup ? nogroup->gr_gid : nobody->pw_gid;
        chmod(QFile::encodeName(m_dir->path()).constData(), 0755);
    }
    return true;
}

bool CChildren::PrivateFolder(const QString& path, bool bDesktops) const {
    const QByteArray name = QFile::encodeName(path);
    return QDir().mkdir(path) && chmod(name.constData(), 0700) == 0 &&
           (!bDesktops || chown(name.constData(), m_uid, m_gid) == 0);
}

pid_t CChildren::Spawn(const QString& name, QStringList args, const QStringList& environment,
                       bool asDesktopUser, QByteArray* line, QString* error) {
    const QString program = QStandardPaths::findExecutable(args.value(0));
    if (program.isEmpty() && !QFileInfo(args.value(0)).isExecutable()) {
        *error = QStringLiteral("%1 is not installed").arg(args.value(0));
        return -1;
    }
    if (!program.isEmpty())
        args[0] = program;
    int fds[2] = {-1, -1};
    if (line && pipe2(fds, O_CLOEXEC) != 0) {
        *error = QString::fromLocal8Bit(std::strerror(errno));
        return -1;
    }
    // Everything the child needs is made before the fork: only async-signal-safe calls may follow it.
    std::vector<std::string> argStrings, envStrings;
    for (const QString& arg : args) {
        std::string text = arg.toStdString();
        if (const auto at = text.find("{fd}"); at != std::string::npos)
            text.replace(at, 4, std::to_string(fds[1]));
        argStrings.push_back(text);
    }
    for (const QString& entry :
         environment.isEmpty() ? QProcessEnvironment::systemEnvironment().toStringList() : environment)
        envStrings.push_back(entry.toStdString());
    std::vector<char*> argv, envp;
    for (std::string& arg : argStrings)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    for (std::string& entry : envStrings)
        envp.push_back(entry.data());
    envp.push_back(nullptr);
    const int logFd = open(QFile::encodeName(Path(name + QStringLiteral(".log"))).constData(),
                           O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const bool bDrop = asDesktopUser && m_bDropRoot;
    const uid_t uid = m_uid;
    const gid_t gid = m_gid;
    const int readyFd = fds[1];

    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid < 0) {
        *error = QString::fromLocal8Bit(std::strerror(errno));
        for (int fd : {fds[0], fds[1], logFd}) {
            if (fd >= 0)
                close(fd);
        }
        return -1;
    }
    if (pid == 0) {
        // What `setpriv --reuid=nobody --regid=nogroup --clear-groups` does, here, so that the death signal
        // set afterwards survives (a change of user clears it).
        if (bDrop && (setgroups(0, nullptr) != 0 || setgid(gid) != 0 || setuid(uid) != 0))
            _exit(126);
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent)
            _exit(127);
        if (readyFd >= 0)
            fcntl(readyFd, F_SETFD, 0);  // the server writes its ready line here
        const int devnull = open("/dev/null", O_RDONLY);
        if (devnull >= 0)
            dup2(devnull, STDIN_FILENO);
        if (logFd >= 0) {
            dup2(logFd, STDOUT_FILENO);
            dup2(logFd, STDERR_FILENO);
        }
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    if (logFd >= 0)
        close(logFd);
    m_children.push_back({name, pid});
    if (!line)
        return pid;

    close(fds[1]);
    QByteArray text;
    pollfd pfd{fds[0], POLLIN, 0};
    while (!text.contains('\n')) {
        if (poll(&pfd, 1, 20000) <= 0)
            break;
        char buf[256];
        const ssize_t n = read(fds[0], buf, sizeof buf);
        if (n <= 0)
            break;
        text.append(buf, n);
    }
    close(fds[0]);
    if (!text.contains('\n')) {
        *error = QStringLiteral("%1 did not start: %2").arg(name, LogTail());
        End(pid);
        return -1;
    }
    *line = text.left(text.indexOf('\n')).trimmed();
    return pid;
}

bool CChildren::WaitFor(const QString& what, const std::function<bool()>& ready, pid_t pid, QString* error,
                        int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        if (ready())
            return true;
        if (waitpid(pid, nullptr, WNOHANG) == pid) {
            Forget(pid);
            *error = QStringLiteral("%1 ended at start: %2").arg(what, LogTail());
            return false;
        }
        QThread::msleep(20);
    }
    *error = QStringLiteral("%1 did not come up: %2").arg(what, LogTail());
    return false;
}

void CChildren::Forget(pid_t pid) {
    for (SChild& child : m_children) {
        if (child.pid == pid)
            child.pid = -1;
    }
}

void CChildren::Kill(pid_t pid) {
    if (pid <= 0)
        return;
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    Forget(pid);
}

void CChildren::End(pid_t pid) {
    if (pid <= 0)
        return;
    kill(pid, SIGTERM);
    // A few seconds for a compositor to close its clients, then no more.
    for (int i = 0; i < 250; ++i) {
        if (waitpid(pid, nullptr, WNOHANG) == pid) {
            Forget(pid);
            return;
        }
        QThread::msleep(20);
    }
    Kill(pid);
}

void CChildren::EndAll() {
    // The last started first: the bus, started first, goes last, so nothing complains of a bus gone.
    for (auto it = m_children.rbegin(); it != m_children.rend(); ++it)
        End(it->pid);
    m_children.clear();
    m_dir.reset();
}

QString CChildren::LogTail() const {
    QStringList tails;
    for (const SChild& child : m_children)
        tails << FileTail(Path(child.name + QStringLiteral(".log")));
    return tails.join(QStringLiteral("; "));
}

}  // namespace testsupport
