#include "tests/support/Sway.h"

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <QThread>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

namespace testsupport {

namespace {

constexpr int kStartTimeoutMs = 15000;

bool WriteFile(const QString& path, const QByteArray& text) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text) == text.size();
}

// The first entry of dir whose name matches, as an absolute path.
QString FindEntry(const QString& dir, const QString& pattern, const QString& notEndingWith = {}) {
    const QStringList names = QDir(dir).entryList({pattern}, QDir::System | QDir::Files | QDir::Hidden);
    for (const QString& name : names) {
        if (notEndingWith.isEmpty() || !name.endsWith(notEndingWith))
            return dir + QLatin1Char('/') + name;
    }
    return {};
}

}  // namespace

CSway::~CSway() {
    Stop();
}

bool CSway::Installed() {
    return !QStandardPaths::findExecutable(QStringLiteral("sway")).isEmpty() &&
           !QStandardPaths::findExecutable(QStringLiteral("swaymsg")).isEmpty();
}

bool CSway::Start(QString* error, int width, int height) {
    Stop();
    m_dir = std::make_unique<QTemporaryDir>();
    if (!m_dir->isValid()) {
        *error = QStringLiteral("cannot make a temporary folder");
        return false;
    }
    // Sway will not run as root; it runs as nobody then, who must reach its files.
    uid_t uid = getuid();
    gid_t gid = getgid();
    if (uid == 0) {
        const passwd* nobody = getpwnam("nobody");
        const group* nogroup = getgrnam("nogroup");
        if (!nobody) {
            *error = QStringLiteral("sway cannot run as root and there is no account nobody");
            return false;
        }
        uid = nobody->pw_uid;
        gid = nogroup ? nogroup->gr_gid : nobody->pw_gid;
        chmod(QFile::encodeName(m_dir->path()).constData(), 0755);
    }
    m_runtime = m_dir->path() + QStringLiteral("/runtime");
    m_clientRuntime = m_dir->path() + QStringLiteral("/client-runtime");
    const QString config = m_dir->path() + QStringLiteral("/config");
    const QString log = m_dir->path() + QStringLiteral("/sway.log");
    if (!QDir().mkdir(m_runtime) || !QDir().mkdir(m_clientRuntime) ||
        chmod(QFile::encodeName(m_runtime).constData(), 0700) != 0 ||
        chmod(QFile::encodeName(m_clientRuntime).constData(), 0700) != 0 ||
        chown(QFile::encodeName(m_runtime).constData(), uid, gid) != 0 ||
        !WriteFile(config, QStringLiteral("output HEADLESS-1 mode %1x%2 position 0 0\n"
                                          "xwayland disable\n"
                                          "default_border none\n"
                                          "default_floating_border none\n"
                                          "focus_follows_mouse no\n")
                               .arg(width)
                               .arg(height)
                               .toUtf8())) {
        *error = QStringLiteral("cannot prepare sway's folder %1").arg(m_dir->path());
        return false;
    }

    // Everything the child needs is made before the fork: only async-signal-safe calls may follow it.
    std::vector<std::string> environment;
    const QProcessEnvironment system = QProcessEnvironment::systemEnvironment();
    for (const QString& key : system.keys()) {
        if (key != QLatin1String("WAYLAND_DISPLAY") && key != QLatin1String("DISPLAY") &&
            key != QLatin1String("XDG_RUNTIME_DIR") && key != QLatin1String("SWAYSOCK") &&
            !key.startsWith(QLatin1String("WLR_")))
            environment.push_back((key + QLatin1Char('=') + system.value(key)).toStdString());
    }
    for (const char* entry : {"WLR_BACKENDS=headless", "WLR_LIBINPUT_NO_DEVICES=1", "WLR_RENDERER=pixman"})
        environment.emplace_back(entry);
    environment.push_back("XDG_RUNTIME_DIR=" + m_runtime.toStdString());
    std::vector<char*> envp;
    for (std::string& entry : environment)
        envp.push_back(entry.data());
    envp.push_back(nullptr);
    const std::string swayPath = QStandardPaths::findExecutable(QStringLiteral("sway")).toStdString();
    std::string configPath = config.toStdString();
    std::string arg0 = "sway", arg1 = "-c";
    char* argv[] = {arg0.data(), arg1.data(), configPath.data(), nullptr};
    const int logFd = open(QFile::encodeName(log).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const bool bDropRoot = getuid() == 0;

    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid < 0) {
        *error = QString::fromLocal8Bit(std::strerror(errno));
        if (logFd >= 0)
            close(logFd);
        return false;
    }
    if (pid == 0) {
        // What `setpriv --reuid=nobody --regid=nogroup --clear-groups` does, here, so that the death signal
        // set afterwards survives (a change of user clears it).
        if (bDropRoot && (setgroups(0, nullptr) != 0 || setgid(gid) != 0 || setuid(uid) != 0))
            _exit(126);
        // The compositor must not outlive a test that crashes.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent)
            _exit(127);
        const int devnull = open("/dev/null", O_RDONLY);
        if (devnull >= 0)
            dup2(devnull, STDIN_FILENO);
        if (logFd >= 0) {
            dup2(logFd, STDOUT_FILENO);
            dup2(logFd, STDERR_FILENO);
        }
        execve(swayPath.c_str(), argv, envp.data());
        _exit(127);
    }
    if (logFd >= 0)
        close(logFd);
    m_pid = pid;

    // Up once both sockets exist and it answers a request.
    const QDeadlineTimer deadline(kStartTimeoutMs);
    while (!deadline.hasExpired()) {
        int status = 0;
        if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = -1;
            *error = QStringLiteral("sway ended at start: %1").arg(LogTail());
            return false;
        }
        if (m_socket.isEmpty())
            m_socket = FindEntry(m_runtime, QStringLiteral("wayland-*"), QStringLiteral(".lock"));
        if (m_ipc.isEmpty())
            m_ipc = FindEntry(m_runtime, QStringLiteral("sway-ipc.*.sock"));
        if (!m_socket.isEmpty() && !m_ipc.isEmpty() && Command(QStringLiteral("nop")))
            return true;
        QThread::msleep(20);
    }
    *error = QStringLiteral("sway did not come up: %1").arg(LogTail());
    Stop();
    return false;
}

QString CSway::LogTail() const {
    if (!m_dir)
        return {};
    QFile file(m_dir->path() + QStringLiteral("/sway.log"));
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("(no log)");
    const QList<QByteArray> lines = file.readAll().trimmed().split('\n');
    return QString::fromLocal8Bit(lines.mid(std::max<qsizetype>(0, lines.size() - 3)).join(" | "));
}

bool CSway::Command(const QString& command, QString* output) {
    if (m_ipc.isEmpty())
        return false;
    QProcess swaymsg;
    swaymsg.start(QStringLiteral("swaymsg"), {QStringLiteral("-s"), m_ipc, QStringLiteral("--"), command});
    const bool bDone = swaymsg.waitForFinished(10000);
    if (output)
        *output = QString::fromUtf8(swaymsg.readAllStandardOutput() + swaymsg.readAllStandardError()).trimmed();
    return bDone && swaymsg.exitStatus() == QProcess::NormalExit && swaymsg.exitCode() == 0;
}

QList<QPair<QString, QRect>> CSway::Outputs() {
    QList<QPair<QString, QRect>> outputs;
    if (m_ipc.isEmpty())
        return outputs;
    QProcess swaymsg;
    swaymsg.start(QStringLiteral("swaymsg"), {QStringLiteral("-s"), m_ipc, QStringLiteral("-r"),
                                             QStringLiteral("-t"), QStringLiteral("get_outputs")});
    if (!swaymsg.waitForFinished(10000))
        return outputs;
    const QJsonArray list = QJsonDocument::fromJson(swaymsg.readAllStandardOutput()).array();
    for (const QJsonValue& value : list) {
        const QJsonObject output = value.toObject();
        const QJsonObject rect = output.value(QLatin1String("rect")).toObject();
        outputs.append({output.value(QLatin1String("name")).toString(),
                        QRect(rect.value(QLatin1String("x")).toInt(), rect.value(QLatin1String("y")).toInt(),
                              rect.value(QLatin1String("width")).toInt(),
                              rect.value(QLatin1String("height")).toInt())});
    }
    return outputs;
}

QString CSway::AddOutput(const QRect& logical, int scale) {
    QStringList before;
    for (const auto& output : Outputs())
        before.append(output.first);
    if (!Command(QStringLiteral("create_output")))
        return {};
    QString name;
    for (const auto& output : Outputs()) {
        if (!before.contains(output.first))
            name = output.first;
    }
    if (name.isEmpty() ||
        !Command(QStringLiteral("output %1 mode %2x%3 position %4 %5 scale %6")
                     .arg(name)
                     .arg(logical.width() * scale)
                     .arg(logical.height() * scale)
                     .arg(logical.x())
                     .arg(logical.y())
                     .arg(scale)))
        return {};
    return name;
}

QProcessEnvironment CSway::ClientEnvironment() const {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("WAYLAND_DISPLAY"), m_socket);
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_clientRuntime);
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));
    environment.remove(QStringLiteral("DISPLAY"));
    return environment;
}

void CSway::UseForThisProcess() const {
    qputenv("WAYLAND_DISPLAY", QFile::encodeName(m_socket));
    if (!qEnvironmentVariableIsSet("XDG_RUNTIME_DIR"))
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_clientRuntime));
}

void CSway::Kill() {
    if (m_pid <= 0)
        return;
    kill(m_pid, SIGKILL);
    waitpid(m_pid, nullptr, 0);
    m_pid = -1;
}

void CSway::Stop() {
    if (m_pid > 0) {
        kill(m_pid, SIGTERM);
        // A few seconds for it to close its clients, then no more.
        for (int i = 0; i < 250; ++i) {
            if (waitpid(m_pid, nullptr, WNOHANG) == m_pid) {
                m_pid = -1;
                break;
            }
            QThread::msleep(20);
        }
        Kill();
    }
    m_socket.clear();
    m_ipc.clear();
    m_dir.reset();
}

// --- The recorder ---------------------------------------------------------------------------------------

CWaylandRecorder::~CWaylandRecorder() {
    Stop();
}

bool CWaylandRecorder::Start(const QProcessEnvironment& environment, QString* error) {
    m_process.setProcessEnvironment(environment);
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start(QStringLiteral(VANTRELL_WAYLAND_RECORDER), {});
    if (!m_process.waitForStarted(10000)) {
        *error = QStringLiteral("the recorder did not start: %1").arg(m_process.errorString());
        return false;
    }
    const QDeadlineTimer deadline(15000);
    while (!deadline.hasExpired()) {
        if (!m_process.canReadLine() && !m_process.waitForReadyRead(100)) {
            if (m_process.state() == QProcess::NotRunning)
                break;
            continue;
        }
        while (m_process.canReadLine()) {
            const QList<QByteArray> words = m_process.readLine().trimmed().split(' ');
            if (words.value(0) == "screen" && words.size() == 6) {
                m_screens.append({QString::fromUtf8(words[1]), QRect(words[2].toInt(), words[3].toInt(),
                                                                     words[4].toInt(), words[5].toInt())});
            } else if (words.value(0) == "ready") {
                return true;
            }
        }
    }
    *error = QStringLiteral("the recorder did not cover the outputs: %1")
                 .arg(QString::fromLocal8Bit(m_process.readAllStandardError().trimmed()));
    Stop();
    return false;
}

void CWaylandRecorder::ReadLines() {
    m_pending += m_process.readAllStandardOutput();
    qsizetype end = 0;
    while ((end = m_pending.indexOf('\n')) >= 0) {
        const QList<QByteArray> words = m_pending.left(end).trimmed().split(' ');
        m_pending.remove(0, end + 1);
        if (words.size() != 6 || (words[0] != "press" && words[0] != "release"))
            continue;
        SEvent event;
        event.bPress = words[0] == "press";
        event.button = words[1].toUInt(nullptr, 0);
        event.x = words[2].toInt();
        event.y = words[3].toInt();
        event.ns = words[4].toLongLong();
        event.ms = words[5].toULongLong();
        m_events.append(event);
    }
}

QList<CWaylandRecorder::SEvent> CWaylandRecorder::Events() {
    m_process.waitForReadyRead(0);
    ReadLines();
    return m_events;
}

bool CWaylandRecorder::WaitForEvents(int count, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        ReadLines();
        if (m_events.size() >= count)
            return true;
        if (deadline.hasExpired() || m_process.state() == QProcess::NotRunning)
            return false;
        m_process.waitForReadyRead(50);
    }
}

void CWaylandRecorder::Clear() {
    ReadLines();
    m_events.clear();
}

bool CWaylandRecorder::IsRunning() {
    // Lets QProcess notice an end that the event loop has not seen yet.
    m_process.waitForFinished(0);
    return m_process.state() != QProcess::NotRunning;
}

void CWaylandRecorder::Stop() {
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(3000)) {
        m_process.kill();
        m_process.waitForFinished(3000);
    }
}

}  // namespace testsupport
