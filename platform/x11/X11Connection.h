#pragma once
// A display connection of our own, and what happens when the X server goes away under it.
//
// Xlib treats a broken connection as fatal: its default handler prints a line and ends the process. For the
// connections opened here we take over instead. A process-wide I/O error handler, installed with the first
// connection, writes a warning for our connections (and passes any other connection on to the handler it
// replaced), and each connection's exit handler marks the connection lost instead of exiting. Xlib then turns
// every later request on it into a no-op, and the services report failure. Should another library replace
// the process-wide handler after us, a lost server ends the process as before; with a GUI that happens
// anyway, because Qt's own connection is gone as well.

#include <QString>
#include <atomic>
#include <memory>

struct _XDisplay;

namespace platform {

class CX11Connection {
public:
    // Opens $DISPLAY. On failure returns nullptr and, when error is given, a message for the user.
    static std::unique_ptr<CX11Connection> Open(QString* error);

    CX11Connection(const CX11Connection&) = delete;
    CX11Connection& operator=(const CX11Connection&) = delete;
    ~CX11Connection();

    _XDisplay* Get() const { return m_pDisplay; }
    // True once the connection broke; nothing sent on it reaches a server any more.
    bool IsLost() const { return m_bLost.load(std::memory_order_acquire); }

private:
    explicit CX11Connection(_XDisplay* display) : m_pDisplay(display) {}
    static void OnIOErrorExit(_XDisplay* display, void* self);

    _XDisplay* m_pDisplay;
    std::atomic<bool> m_bLost{false};
};

}  // namespace platform
