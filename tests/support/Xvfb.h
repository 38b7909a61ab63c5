#pragma once

#include <QString>
#include <QStringList>
#include <sys/types.h>

namespace testsupport {

// A private Xvfb for one test process. Start() launches it, waits until it accepts connections and sets
// DISPLAY for this process; the server ends with this object (or with the process, should it crash).
class CXvfb {
public:
    CXvfb() = default;
    CXvfb(const CXvfb&) = delete;
    CXvfb& operator=(const CXvfb&) = delete;
    ~CXvfb();

    // Arguments for the server after our own, e.g. {"-extension", "XTEST"} for a server without XTEST.
    void AddArguments(const QStringList& arguments) { m_extraArguments += arguments; }
    bool Start(QString* error, int width = 1280, int height = 1024);
    void Stop();
    QString Display() const { return m_display; }

private:
    pid_t m_pid = -1;
    QString m_display;
    QStringList m_extraArguments;
};

}  // namespace testsupport
