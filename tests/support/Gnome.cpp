#include "tests/support/Gnome.h"

#include <grp.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QThread>
#include <algorithm>

namespace testsupport {

namespace {

constexpr int kStartTimeoutMs = 30000;
const QString kWaylandName = QStringLiteral("wayland-0");

}  // namespace

QString CGnome::Missing() {
    for (const char* program : {"mutter", "pipewire", "wireplumber", "dbus-run-session"}) {
        if (QStandardPaths::findExecutable(QLatin1String(program)).isEmpty())
            return QLatin1String(program);
    }
    const QList<QPair<const char*, const char*>> files = {
        {"/usr/libexec/xdg-desktop-portal", "xdg-desktop-portal"},
        {"/usr/libexec/xdg-desktop-portal-gnome", "xdg-desktop-portal-gnome"},
        {"/usr/libexec/at-spi-bus-launcher", "at-spi2-core"}};
    for (const auto& [path, package] : files) {
        if (!QFileInfo(QLatin1String(path)).isExecutable())
            return QLatin1String(package);
    }
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral("-c"), QStringLiteral("import gi, pyatspi; gi.require_version('Gio', '2.0')")});
    if (!python.waitForFinished(10000) || python.exitStatus() != QProcess::NormalExit || python.exitCode() != 0)
        return QStringLiteral("python3-pyatspi");
    return {};
}

bool CGnome::Start(QString* error) {
    Stop();
    if (!Prepare(QStringLiteral("mutter"), error))
        return false;
    const QString dir = m_dir->path();
    const auto own = [this](const QString& path, mode_t mode) {
        const QByteArray name = QFile::encodeName(path);
        return chmod(name.constData(), mode) == 0 && chown(name.constData(), m_uid, m_gid) == 0;
    };
    bool bReady = QDir(dir).mkdir(QStringLiteral("runtime")) && QDir(dir).mkdir(QStringLiteral("home")) &&
                  QDir(dir).mkdir(QStringLiteral("shared")) && QDir(dir).mkdir(QStringLiteral("client-runtime")) &&
                  chmod(QFile::encodeName(dir + QStringLiteral("/client-runtime")).constData(), 0700) == 0 &&
                  own(dir, 0755) && own(dir + QStringLiteral("/runtime"), 0700) &&
                  own(dir + QStringLiteral("/home"), 0755) && own(dir + QStringLiteral("/shared"), 0755) &&
                  WriteFile(dir + QStringLiteral("/gnome_session.sh"),
                            ReadFile(QStringLiteral(VANTRELL_SUPPORT_DIR "/gnome_session.sh")), 0755) &&
                  WriteFile(dir + QStringLiteral("/answer"), "share\n", 0644) &&
                  WriteFile(dir + QStringLiteral("/answer_consent.py"),
                            ReadFile(QStringLiteral(VANTRELL_SUPPORT_DIR "/answer_consent.py")), 0644);
    if (!bReady) {
        *error = QStringLiteral("cannot prepare the desktop's folder %1").arg(dir);
        return false;
    }

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* key : {"DISPLAY", "WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS", "QT_QPA_PLATFORM",
                            "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"})
        environment.remove(QLatin1String(key));
    // The portal's GNOME back end leaves at once unless the session is named before the bus starts it.
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir + QStringLiteral("/runtime"));
    environment.insert(QStringLiteral("XDG_CURRENT_DESKTOP"), QStringLiteral("GNOME"));
    environment.insert(QStringLiteral("XDG_SESSION_TYPE"), QStringLiteral("wayland"));
    environment.insert(QStringLiteral("WAYLAND_DISPLAY"), kWaylandName);
    environment.insert(QStringLiteral("HOME"), dir + QStringLiteral("/home"));
    m_session.setProcessEnvironment(environment);
    m_session.setWorkingDirectory(dir);
    m_session.setStandardInputFile(QProcess::nullDevice());
    m_session.setStandardOutputFile(dir + QStringLiteral("/session.log"));
    m_session.setStandardErrorFile(dir + QStringLiteral("/session.log"), QIODevice::Append);
    const bool bDrop = getuid() == 0;
    const uid_t uid = m_uid;
    const gid_t gid = m_gid;
    m_session.setChildProcessModifier([bDrop, uid, gid] {
        // A process group of its own, which Stop ends as a whole with the services the bus started.
        setsid();
        if (bDrop && (setgroups(0, nullptr) != 0 || setgid(gid) != 0 || setuid(uid) != 0))
            _exit(126);
        prctl(PR_SET_PDEATHSIG, SIGKILL);
    });
    m_session.start(QStringLiteral("dbus-run-session"),
                    {QStringLiteral("--"), dir + QStringLiteral("/gnome_session.sh"), dir,
                     QString::number(QCoreApplication::applicationPid())});
    if (!m_session.waitForStarted(10000)) {
        *error = QStringLiteral("dbus-run-session did not start: %1").arg(m_session.errorString());
        return false;
    }

    // Up once the answerer has seen the portal offer remote desktop and the accessibility bus answer.
    const QDeadlineTimer deadline(kStartTimeoutMs);
    while (!deadline.hasExpired()) {
        if (m_session.state() == QProcess::NotRunning || m_session.waitForFinished(0)) {
            *error = QStringLiteral("the desktop ended at start: %1").arg(LogTail(QStringLiteral("answerer.err")));
            Stop();
            return false;
        }
        if (ReadFile(dir + QStringLiteral("/answers.log")).startsWith("ready\n")) {
            m_busAddress = QString::fromUtf8(ReadFile(dir + QStringLiteral("/bus")).trimmed());
            return true;
        }
        QThread::msleep(50);
    }
    *error = QStringLiteral("the desktop did not come up: %1 | %2")
                 .arg(LogTail(QStringLiteral("mutter.log")), LogTail(QStringLiteral("answerer.err")));
    Stop();
    return false;
}

void CGnome::SetConsent(bool bShare) {
    if (m_dir)
        WriteFile(m_dir->path() + QStringLiteral("/answer"), bShare ? "share\n" : "cancel\n", 0644);
}

int CGnome::Answered() const {
    if (!m_dir)
        return 0;
    const QList<QByteArray> lines = ReadFile(m_dir->path() + QStringLiteral("/answers.log")).split('\n');
    return static_cast<int>(std::count_if(lines.begin(), lines.end(), [](const QByteArray& line) {
        return line == "share" || line == "cancel";
    }));
}

QProcessEnvironment CGnome::ClientEnvironment() const {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("DISPLAY"));
    if (!m_dir)
        return environment;
    environment.insert(QStringLiteral("WAYLAND_DISPLAY"), m_dir->path() + QStringLiteral("/runtime/") + kWaylandName);
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_dir->path() + QStringLiteral("/client-runtime"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));
    return environment;
}

void CGnome::PrepareSessionClient(QProcess& process) const {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* key : {"DISPLAY", "QT_QPA_PLATFORM", "XDG_DATA_HOME", "XDG_CACHE_HOME"})
        environment.remove(QLatin1String(key));
    if (m_dir) {
        const QString dir = m_dir->path();
        environment.insert(QStringLiteral("WAYLAND_DISPLAY"), kWaylandName);
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir + QStringLiteral("/runtime"));
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), m_busAddress);
        environment.insert(QStringLiteral("XDG_CURRENT_DESKTOP"), QStringLiteral("GNOME"));
        environment.insert(QStringLiteral("XDG_SESSION_TYPE"), QStringLiteral("wayland"));
        environment.insert(QStringLiteral("HOME"), dir + QStringLiteral("/home"));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), dir + QStringLiteral("/home/.config"));
    }
    process.setProcessEnvironment(environment);
    if (getuid() != 0)
        return;
    const uid_t uid = m_uid;
    const gid_t gid = m_gid;
    process.setChildProcessModifier([uid, gid] {
        if (setgroups(0, nullptr) != 0 || setgid(gid) != 0 || setuid(uid) != 0)
            _exit(126);
    });
}

void CGnome::Stop() {
    if (m_session.state() != QProcess::NotRunning) {
        const pid_t group = static_cast<pid_t>(m_session.processId());
        kill(-group, SIGTERM);
        if (!m_session.waitForFinished(3000)) {
            kill(-group, SIGKILL);
            m_session.waitForFinished(3000);
        }
        // The services of the bus may outlive the session's leader by a moment.
        kill(-group, SIGKILL);
    }
    m_busAddress.clear();
    EndAll();
}

}  // namespace testsupport
