#pragma once
// A private session bus for one test process: dbus-daemon started with --print-address, ended with this
// object (or with the process, should it crash). Nothing of the user's own session bus is touched. Start
// it before the application object, while the process has one thread, as the private X server is.

#include <QStandardPaths>
#include <QString>

#include "tests/support/Children.h"

namespace testsupport {

class CPrivateBus {
public:
    // Whether dbus-daemon can be found at all; without it the suites that need a bus are skipped.
    static bool Available() { return !QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty(); }
    // Starts the daemon and waits for its address. False, with the reason, when it did not come up. With
    // bNoServices the bus starts none of the services installed on the machine (a desktop portal among
    // them): only the programs the test starts are on it.
    bool Start(QString* error, bool bNoServices = false) {
        QByteArray address;
        if (!m_children.Prepare(QStringLiteral("dbus-daemon"), error))
            return false;
        const QString config = m_children.Path(QStringLiteral("bus.conf"));
        if (bNoServices &&
            !WriteFile(config, "<busconfig><type>session</type><listen>unix:tmpdir=/tmp</listen>"
                               "<auth>EXTERNAL</auth><policy context=\"default\"><allow send_destination=\"*\"/>"
                               "<allow receive_sender=\"*\"/><allow own=\"*\"/></policy></busconfig>\n")) {
            *error = QStringLiteral("cannot write %1").arg(config);
            return false;
        }
        if (m_children.Spawn(QStringLiteral("dbus-daemon"),
                             {QStringLiteral("dbus-daemon"),
                              bNoServices ? QStringLiteral("--config-file=") + config : QStringLiteral("--session"),
                              QStringLiteral("--print-address={fd}"), QStringLiteral("--nofork")},
                             {}, false, &address, error) < 0)
            return false;
        m_strAddress = QString::fromLocal8Bit(address);
        return true;
    }
    QString Address() const { return m_strAddress; }

private:
    CChildren m_children;
    QString m_strAddress;
};

}  // namespace testsupport
