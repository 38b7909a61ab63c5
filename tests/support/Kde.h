#pragma once
// A private headless KDE Plasma for one test process: kwin on a virtual output of 1280x1024, its desktop
// portal and what the portal needs, on a session bus of their own.
//
//   testsupport::CKde kde;
//   if (!testsupport::CKde::Missing().isEmpty()) QSKIP(...);   // "skipped: kwin_wayland is not installed"
//   QVERIFY2(kde.Start(&error), qPrintable(error));
//   recorder.Start(kde.ClientEnvironment(), &error);             // a window on kwin's output
//   QProcess vantrell; vantrell.setProcessEnvironment(kde.ClientEnvironment()); ...
//
// Who runs what: kwin, the session bus, pipewire (kwin's screen casts, which the portal's remote control
// starts) and the KDE half of the portal run as the account nobody when the suite runs as root, with a
// runtime folder and a home of their own; the bus lets other users in. xdg-desktop-portal, the front end
// that clients call, runs as the suite's own user: it looks at each caller's process and may not look at
// another user's. Everything ends with this object, or with the test process should it crash.
//
// kwin_wayland is started from a plain copy of the installed binary, which carries a file capability
// that a container may refuse to grant ("Operation not permitted"); the copy keeps the name, since kwin
// finds its plug-ins and settings by it.

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <utility>

#include "tests/support/Children.h"

namespace testsupport {

class CKde : private CChildren {
public:
    ~CKde() { Stop(); }

    // Empty when everything is installed, else what is missing ("kwin_wayland is not installed").
    static QString Missing();

    // Starts the desktop and waits until its portal offers remote control. False with the reason.
    bool Start(QString* error, int width = 1280, int height = 1024);
    void Stop();

    // The session bus of the desktop, for DBUS_SESSION_BUS_ADDRESS.
    QString BusAddress() const { return m_strBus; }
    // The absolute path of kwin's Wayland socket, for WAYLAND_DISPLAY.
    QString SocketPath() const { return m_strSocket; }
    // An environment for a client of this desktop: the socket, the bus, a private runtime folder of the
    // caller's own, XDG_CURRENT_DESKTOP=KDE; no X display, and Qt left to choose its platform.
    QProcessEnvironment ClientEnvironment() const;

    // Stops kwin where it is (SIGSTOP), as a compositor that reads nothing for a while; false continues it.
    void PauseCompositor(bool pause) const;
    // Ends xdg-desktop-portal at once, as a crash would (SIGKILL).
    void KillPortal() { Kill(std::exchange(m_portalPid, -1)); }
    // The tail of the desktop's logs, for a failure message.
    using CChildren::LogTail;

private:
    bool BusHasName(const QString& name) const;
    bool Answers(const QStringList& call, const QByteArray& expect) const;

    QString m_strRuntime;        // the desktop's XDG_RUNTIME_DIR
    QString m_strClientRuntime;  // the clients'
    QString m_strBus;
    QString m_strSocket;
    pid_t m_portalPid = -1;
    pid_t m_kwinPid = -1;
};

}  // namespace testsupport
