#pragma once

#include <QProcess>
#include <QStringList>

namespace testsupport {

// A private Xvfb for one test process. Start() launches it, waits until it accepts connections and sets
// DISPLAY for this process; the server ends with this object (or with the process, should it crash).
class CXvfb {
public:
    ~CXvfb() { Stop(); }

    bool Start(QString* error, int width = 1280, int height = 1024);
    void Stop();

private:
    QProcess m_server;
};

}  // namespace testsupport
