#pragma once
// A private session bus for one test process: dbus-daemon started with --print-address, ended with this
// object (or with the process, should it crash). Nothing of the user's own session bus is touched. Start
// it before the application object, while the process has one thread, as the private X server is.

#include <sys/types.h>
#include <QString>

namespace testsupport {

class CPrivateBus {
public:
    CPrivateBus() = default;
    CPrivateBus(const CPrivateBus&) = delete;
    CPrivateBus& operator=(const CPrivateBus&) = delete;
    ~CPrivateBus();

    // Whether dbus-daemon can be found at all; without it the suites that need a bus are skipped.
    static bool Available();
    // Starts the daemon and waits for its address. False, with the reason, when it did not come up.
    bool Start(QString* error);
    QString Address() const { return m_strAddress; }

private:
    pid_t m_pid = -1;
    QString m_strAddress;
};

}  // namespace testsupport
