#pragma once

#include <QString>

#include "tests/support/Children.h"

namespace testsupport {

// A private Xvfb for one test process. Start() launches it, waits until it accepts connections and sets
// DISPLAY for this process; the server ends with this object (or with the process, should it crash).
class CXvfb {
public:
    bool Start(QString* error, int width = 1280, int height = 1024);
    void Stop() { m_children.EndAll(); }

private:
    CChildren m_children;
};

}  // namespace testsupport
