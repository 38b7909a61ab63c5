#include "tests/support/Kde.h"

#include <signal.h>

#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace testsupport {

namespace {

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

// Whether a call on the desktop's bus answers with a reply that holds `expect`.
bool CKde::Answers(const QStringList& call, const QByteArray& expect) const {
    QProcess send;
    send.start(QStringLiteral("dbus-send"),
               QStringList{QStringLiteral("--bus=") + m_strBus, QStringLiteral("--print-reply")} + call);
    return send.waitForFinished(5000) && send.exitCode() == 0 && send.readAllStandardOutput().contains(expect);
}

bool CKde::BusHasName(const QString& name) const {
    return Answers({QStringLiteral("--dest=org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
                    QStringLiteral("org.freedesktop.DBus.NameHasOwner"), QStringLiteral("string:") + name},
                   "true");
}

bool CKde::Start(QString* error, int width, int height) {
    Stop();
    if (const QString missing = Missing(); !missing.isEmpty()) {
        *error = missing;
        return false;
    }
    if (!Prepare(QStringLiteral("the desktop"), error))
        return false;
    m_strRuntime = m_dir->filePath(QStringLiteral("runtime"));
    m_strClientRuntime = m_dir->filePath(QStringLiteral("client-runtime"));
    const QString home = m_dir->filePath(QStringLiteral("home"));
    const QString portals = m_dir->filePath(QStringLiteral("portals"));
    const QString busConfig = m_dir->filePath(QStringLiteral("bus.conf"));
    const QString kwin = m_dir->filePath(QStringLiteral("kwin_wayland"));
    m_strBus = QStringLiteral("unix:path=") + m_strRuntime + QStringLiteral("/bus");
    if (!PrivateFolder(m_strRuntime, true) || !PrivateFolder(home, true) ||
        !PrivateFolder(m_strClientRuntime, false) || !QDir().mkdir(portals) ||
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

    const pid_t kwinPid = m_kwinPid =
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
            QStringLiteral("xdg-desktop-portal"), [this] {
                return Answers({QStringLiteral("--dest=org.freedesktop.portal.Desktop"),
                                QStringLiteral("/org/freedesktop/portal/desktop"),
                                QStringLiteral("org.freedesktop.DBus.Properties.Get"),
                                QStringLiteral("string:org.freedesktop.portal.RemoteDesktop"),
                                QStringLiteral("string:version")},
                               "uint32");
            }, m_portalPid, error))
        return false;
    return true;
}

void CKde::PauseCompositor(bool pause) const {
    if (m_kwinPid > 0)
        kill(m_kwinPid, pause ? SIGSTOP : SIGCONT);
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

void CKde::Stop() {
    EndAll();
    m_portalPid = -1;
    m_strSocket.clear();
    m_strBus.clear();
}

}  // namespace testsupport
