#include "tests/support/Kde.h"

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
#include <QProcess>
#include <QStandardPaths>
#include <QThread>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

namespace testsupport {

namespace {

constexpr int kStartTimeoutMs = 20000;

const QString kServices = QStringLiteral("/usr/share/dbus-1/services");
const QString kKdePortalFile = QStringLiteral("/usr/share/xdg-desktop-portal/portals/kde.portal");

// The program a D-Bus service file starts (its Exec line), empty without one.
QString ServiceProgram(const QString& name) {
    QFile file(kServices + QLatin1Char('/') + name + QStringLiteral(".service"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (line.startsWith("Exec="))
            return QString::fromLocal8Bit(line.mid(5).trimmed().split(' ').constFirst());
    }
    return {};
}

QString PortalFrontEnd() {
    const QString program = ServiceProgram(QStringLiteral("org.freedesktop.portal.Desktop"));
    return QFileInfo(program).isExecutable() ? program : QString();
}

QString KdePortal() {
    const QString program = ServiceProgram(QStringLiteral("org.freedesktop.impl.portal.desktop.kde"));
    return QFileInfo(program).isExecutable() && QFileInfo::exists(kKdePortalFile) ? program : QString();
}

// The KDE portal is a Qt 5 program on Qt's Wayland platform.
bool Qt5WaylandInstalled() {
    const QStringList found = QDir(QStringLiteral("/usr/lib")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& dir : found) {
        if (QFileInfo::exists(
                QStringLiteral("/usr/lib/%1/qt5/plugins/platforms/libqwayland-generic.so").arg(dir)))
            return true;
    }
    return false;
}

bool WriteFile(const QString& path, const QByteArray& text) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text) == text.size();
}

// The services the desktop's bus may start: the system's, but for the portals, which the desktop starts
// itself (a front end the bus started would run as the desktop's user, not the clients').
bool CopyServices(const QString& to) {
    if (!QDir().mkdir(to))
        return false;
    for (const QFileInfo& file : QDir(kServices).entryInfoList({QStringLiteral("*.service")}, QDir::Files)) {
        const QString name = file.fileName();
        if (name.startsWith(QLatin1String("org.freedesktop.portal.Desktop.")) ||
            name.startsWith(QLatin1String("org.freedesktop.impl.portal.desktop.")))
            continue;
        if (!QFile::copy(file.filePath(), to + QLatin1Char('/') + name))
            return false;
    }
    return true;
}

// The session bus of the desktop: the socket in the desktop's runtime folder, open to every user (the
// clients of the suite may be root while the desktop is nobody).
QByteArray BusConfig(const QString& socket, const QString& services) {
    return QStringLiteral(
               "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
               " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
               "<busconfig>\n"
               "  <type>session</type>\n"
               "  <listen>unix:path=%1</listen>\n"
               "  <auth>EXTERNAL</auth>\n"
               "  <servicedir>%2</servicedir>\n"
               "  <policy context=\"default\">\n"
               "    <allow user=\"*\"/>\n"
               "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
               "    <allow eavesdrop=\"true\"/>\n"
               "    <allow own=\"*\"/>\n"
               "  </policy>\n"
               "</busconfig>\n")
        .arg(socket, services)
        .toUtf8();
}

}  // namespace

CKde::~CKde() {
    Stop();
}

QString CKde::Missing() {
    if (QStandardPaths::findExecutable(QStringLiteral("kwin_wayland")).isEmpty())
        return QStringLiteral("kwin_wayland is not installed");
    if (KdePortal().isEmpty())
        return QStringLiteral("xdg-desktop-portal-kde is not installed");
    if (PortalFrontEnd().isEmpty())
        return QStringLiteral("xdg-desktop-portal is not installed");
    if (QStandardPaths::findExecutable(QStringLiteral("pipewire")).isEmpty())
        return QStringLiteral("pipewire is not installed");
    if (!Qt5WaylandInstalled())
        return QStringLiteral(
            "Qt 5's Wayland platform (qtwayland5), which the KDE portal needs, is not installed");
    if (QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty() ||
        QStandardPaths::findExecutable(QStringLiteral("dbus-send")).isEmpty())
        return QStringLiteral("dbus-daemon is not installed");
    return {};
}

pid_t CKde::Spawn(const QString& name, const QStringList& args, const QStringList& environment,
                  bool asDesktopUser, QByteArray* line, QString* error) {
    int fds[2] = {-1, -1};
    if (line && pipe2(fds, O_CLOEXEC) != 0) {
        *error = QString::fromLocal8Bit(std::strerror(errno));
        return -1;
    }
    // Everything the child needs is made before the fork: only async-signal-safe calls may follow it.
    std::vector<std::string> argStrings, envStrings;
    for (const QString& arg : args) {
        std::string text = arg.toStdString();
        const auto at = text.find("{fd}");
        if (at != std::string::npos)
            text.replace(at, 4, std::to_string(fds[1]));
        argStrings.push_back(text);
    }
    for (const QString& entry : environment)
        envStrings.push_back(entry.toStdString());
    std::vector<char*> argv, envp;
    for (std::string& arg : argStrings)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    for (std::string& entry : envStrings)
        envp.push_back(entry.data());
    envp.push_back(nullptr);
    const std::string program = argStrings.front();
    const QString logPath = m_dir->filePath(name + QStringLiteral(".log"));
    const int logFd =
        open(QFile::encodeName(logPath).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
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
        execve(program.c_str(), argv.data(), envp.data());
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
        if (poll(&pfd, 1, kStartTimeoutMs) <= 0)
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
        return -1;
    }
    *line = text.left(text.indexOf('\n')).trimmed();
    return pid;
}

bool CKde::WaitFor(const QString& what, const std::function<bool()>& ready, pid_t pid, QString* error) {
    const QDeadlineTimer deadline(kStartTimeoutMs);
    while (!deadline.hasExpired()) {
        if (ready())
            return true;
        if (waitpid(pid, nullptr, WNOHANG) == pid) {
            for (SChild& child : m_children) {
                if (child.pid == pid)
                    child.pid = -1;
            }
            *error = QStringLiteral("%1 ended at start: %2").arg(what, LogTail());
            return false;
        }
        QThread::msleep(25);
    }
    *error = QStringLiteral("%1 did not come up: %2").arg(what, LogTail());
    return false;
}

bool CKde::BusHasName(const QString& name) const {
    QProcess send;
    send.start(QStringLiteral("dbus-send"),
               {QStringLiteral("--bus=") + m_strBus, QStringLiteral("--print-reply"),
                QStringLiteral("--dest=org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
                QStringLiteral("org.freedesktop.DBus.NameHasOwner"), QStringLiteral("string:") + name});
    return send.waitForFinished(5000) && send.exitCode() == 0 &&
           send.readAllStandardOutput().contains("true");
}

bool CKde::PortalAnswers() const {
    QProcess send;
    send.start(
        QStringLiteral("dbus-send"),
        {QStringLiteral("--bus=") + m_strBus, QStringLiteral("--print-reply"),
         QStringLiteral("--dest=org.freedesktop.portal.Desktop"),
         QStringLiteral("/org/freedesktop/portal/desktop"),
         QStringLiteral("org.freedesktop.DBus.Properties.Get"),
         QStringLiteral("string:org.freedesktop.portal.RemoteDesktop"), QStringLiteral("string:version")});
    return send.waitForFinished(5000) && send.exitCode() == 0 &&
           send.readAllStandardOutput().contains("uint32");
}

bool CKde::Start(QString* error, int width, int height) {
    Stop();
    if (const QString missing = Missing(); !missing.isEmpty()) {
        *error = missing;
        return false;
    }
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
            *error = QStringLiteral("the desktop should not run as root and there is no account nobody");
            return false;
        }
        m_uid = nobody->pw_uid;
        m_gid = nogroup ? nogroup->gr_gid : nobody->pw_gid;
        chmod(QFile::encodeName(m_dir->path()).constData(), 0755);
    }
    m_strRuntime = m_dir->filePath(QStringLiteral("runtime"));
    m_strClientRuntime = m_dir->filePath(QStringLiteral("client-runtime"));
    const QString home = m_dir->filePath(QStringLiteral("home"));
    const QString portals = m_dir->filePath(QStringLiteral("portals"));
    const QString busConfig = m_dir->filePath(QStringLiteral("bus.conf"));
    const QString kwin = m_dir->filePath(QStringLiteral("kwin_wayland"));
    m_strBus = QStringLiteral("unix:path=") + m_strRuntime + QStringLiteral("/bus");
    const auto privateFolder = [this](const QString& path, bool bDesktops) {
        return QDir().mkdir(path) && chmod(QFile::encodeName(path).constData(), 0700) == 0 &&
               (!bDesktops || chown(QFile::encodeName(path).constData(), m_uid, m_gid) == 0);
    };
    if (!privateFolder(m_strRuntime, true) || !privateFolder(home, true) ||
        !privateFolder(m_strClientRuntime, false) || !QDir().mkdir(portals) ||
        !QFile::copy(kKdePortalFile, portals + QStringLiteral("/kde.portal")) ||
        !CopyServices(m_dir->filePath(QStringLiteral("services"))) ||
        !WriteFile(busConfig, BusConfig(m_strRuntime + QStringLiteral("/bus"),
                                        m_dir->filePath(QStringLiteral("services")))) ||
        !QFile::copy(QStandardPaths::findExecutable(QStringLiteral("kwin_wayland")), kwin) ||
        chmod(QFile::encodeName(kwin).constData(), 0755) != 0) {
        *error = QStringLiteral("cannot prepare the desktop's folder %1").arg(m_dir->path());
        return false;
    }

    // The desktop's own environment; services the bus starts get the bus's, so it has the same.
    QStringList desktop{
        QStringLiteral("PATH=") + qEnvironmentVariable("PATH", QStringLiteral("/usr/bin:/bin")),
        QStringLiteral("HOME=") + home,
        QStringLiteral("LANG=C.UTF-8"),
        QStringLiteral("XDG_RUNTIME_DIR=") + m_strRuntime,
        QStringLiteral("XDG_CURRENT_DESKTOP=KDE"),
        QStringLiteral("XDG_SESSION_TYPE=wayland"),
        QStringLiteral("XDG_DESKTOP_PORTAL_DIR=") + portals};
    QStringList clients = desktop;
    clients << QStringLiteral("WAYLAND_DISPLAY=wayland-0") << QStringLiteral("QT_QPA_PLATFORM=wayland");
    QStringList onBus = desktop;
    onBus << QStringLiteral("DBUS_SESSION_BUS_ADDRESS=") + m_strBus;
    QStringList clientsOnBus = clients;
    clientsOnBus << QStringLiteral("DBUS_SESSION_BUS_ADDRESS=") + m_strBus;

    QByteArray address;
    const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
    if (Spawn(QStringLiteral("dbus-daemon"),
              {daemon, QStringLiteral("--config-file=") + busConfig, QStringLiteral("--nofork"),
               QStringLiteral("--print-address={fd}")},
              clients, true, &address, error) < 0)
        return false;

    const pid_t kwinPid =
        Spawn(QStringLiteral("kwin"),
              {kwin, QStringLiteral("--virtual"), QStringLiteral("--width"), QString::number(width),
               QStringLiteral("--height"), QString::number(height), QStringLiteral("--no-lockscreen"),
               QStringLiteral("--socket"), QStringLiteral("wayland-0")},
              onBus, true, nullptr, error);
    m_strSocket = m_strRuntime + QStringLiteral("/wayland-0");
    if (kwinPid < 0 ||
        !WaitFor(
            QStringLiteral("kwin_wayland"),
            [this] { return QFileInfo::exists(m_strSocket) && BusHasName(QStringLiteral("org.kde.KWin")); },
            kwinPid, error))
        return false;

    // kwin's screen casts, which the portal starts with a remote-control session, go through pipewire.
    const pid_t pipewire =
        Spawn(QStringLiteral("pipewire"), {QStandardPaths::findExecutable(QStringLiteral("pipewire"))}, onBus,
              true, nullptr, error);
    if (pipewire < 0 ||
        !WaitFor(
            QStringLiteral("pipewire"),
            [this] { return QFileInfo::exists(m_strRuntime + QStringLiteral("/pipewire-0")); }, pipewire,
            error))
        return false;

    const pid_t kdePortal =
        Spawn(QStringLiteral("xdg-desktop-portal-kde"), {KdePortal()}, clientsOnBus, true, nullptr, error);
    if (kdePortal < 0 ||
        !WaitFor(
            QStringLiteral("xdg-desktop-portal-kde"),
            [this] { return BusHasName(QStringLiteral("org.freedesktop.impl.portal.desktop.kde")); },
            kdePortal, error))
        return false;

    // The front end as the clients' user, which it must be to look at their processes.
    QStringList frontEnd = desktop;
    frontEnd.replaceInStrings(QStringLiteral("HOME=") + home, QStringLiteral("HOME=") + m_strClientRuntime);
    frontEnd.replaceInStrings(QStringLiteral("XDG_RUNTIME_DIR=") + m_strRuntime,
                              QStringLiteral("XDG_RUNTIME_DIR=") + m_strClientRuntime);
    frontEnd << QStringLiteral("WAYLAND_DISPLAY=") + m_strSocket
             << QStringLiteral("DBUS_SESSION_BUS_ADDRESS=") + m_strBus;
    m_portalPid =
        Spawn(QStringLiteral("xdg-desktop-portal"), {PortalFrontEnd()}, frontEnd, false, nullptr, error);
    if (m_portalPid < 0 ||
        !WaitFor(
            QStringLiteral("xdg-desktop-portal"), [this] { return PortalAnswers(); }, m_portalPid, error))
        return false;
    return true;
}

QProcessEnvironment CKde::ClientEnvironment() const {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("WAYLAND_DISPLAY"), m_strSocket);
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_strClientRuntime);
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), m_strBus);
    environment.insert(QStringLiteral("XDG_CURRENT_DESKTOP"), QStringLiteral("KDE"));
    environment.insert(QStringLiteral("XDG_SESSION_TYPE"), QStringLiteral("wayland"));
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    return environment;
}

void CKde::End(pid_t pid) {
    if (pid <= 0)
        return;
    kill(pid, SIGTERM);
    for (int i = 0; i < 150; ++i) {
        if (waitpid(pid, nullptr, WNOHANG) == pid)
            return;
        QThread::msleep(20);
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

void CKde::KillPortal() {
    for (SChild& child : m_children) {
        if (child.pid == m_portalPid && child.pid > 0) {
            kill(child.pid, SIGKILL);
            waitpid(child.pid, nullptr, 0);
            child.pid = -1;
        }
    }
    m_portalPid = -1;
}

QString CKde::LogTail() const {
    if (!m_dir)
        return {};
    QStringList tails;
    for (const SChild& child : m_children) {
        QFile file(m_dir->filePath(child.name + QStringLiteral(".log")));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QList<QByteArray> lines = file.readAll().trimmed().split('\n');
        tails << child.name + QStringLiteral(": ") +
                     QString::fromLocal8Bit(lines.mid(std::max<qsizetype>(0, lines.size() - 3)).join(" | "));
    }
    return tails.join(QStringLiteral("; "));
}

void CKde::Stop() {
    // The front end first, the bus last, so that nothing complains of a bus that went away.
    for (auto it = m_children.rbegin(); it != m_children.rend(); ++it)
        End(it->pid);
    m_children.clear();
    m_portalPid = -1;
    m_strSocket.clear();
    m_strBus.clear();
    m_dir.reset();
}

}  // namespace testsupport
