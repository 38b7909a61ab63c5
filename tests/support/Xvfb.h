#pragma once

#include <sys/types.h>
#include <QString>

namespace testsupport {

// A private Xvfb for one test process. Start() launches it, waits until it accepts connections and sets
// DISPLAY for this process; the server ends with this object (or with the process, should it crash).
class CXvfb {
public:
    CXvfb() = default;
    CXvfb(const CXvfb&) = delete;
    CXvfb& operator=(const CXvfb&) = delete;
    ~CXvfb();

    bool Start(QString* error, int width = 1280, int height = 1024);
    void Stop();

private:
    pid_t m_pid = -1;
};

}  // namespace testsupport
