#pragma once

#include <QProcess>
#include <QStringList>

namespace testsupport {

// A private Xvfb for one test process. Start() launches it, waits until it accepts connections and sets
// DISPLAY for this process; the server ends with this object (or with the process, should it crash).
class CXvfb {
public:
    ~CXvfb() { Stop(); }

    // Arguments for the server after our own, e.g. {"-extension", "XTEST"} for a server without XTEST.
    void AddArguments(const QStringList& arguments) { m_extraArguments += arguments; }
    bool Start(QString* error, int width = 1280, int height = 1024);
    void Stop();

private:
    QProcess m_server;
    QStringList m_extraArguments;
};

}  // namespace testsupport
