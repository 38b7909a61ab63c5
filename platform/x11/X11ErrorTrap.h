#pragma once
// Catches the X protocol errors of one connection over a span of requests, so that an expected failure (a
// key that another client has grabbed) is read at once instead of reaching the process-wide error handler,
// which by default ends the process. The handler is process-wide, so traps are taken one at a time across
// all threads; never nest them.

#include <mutex>

struct _XDisplay;

namespace platform {

class CX11ErrorTrap {
public:
    explicit CX11ErrorTrap(_XDisplay* display);
    CX11ErrorTrap(const CX11ErrorTrap&) = delete;
    CX11ErrorTrap& operator=(const CX11ErrorTrap&) = delete;
    // Waits for the server to process what was sent inside the trap, so no late error escapes it.
    ~CX11ErrorTrap();

    // Waits until the server has processed every request so far and returns the code of the first error
    // caused by a request made since the trap was set, or 0 (Success).
    int Sync();

private:
    std::unique_lock<std::mutex> m_lock;
    _XDisplay* m_pDisplay;
};

}  // namespace platform
