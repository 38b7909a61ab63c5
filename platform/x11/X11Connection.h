#pragma once
// A display connection of our own, and what happens when the X server goes away under it.
//
// Xlib treats a broken connection as fatal: its default handler prints a line and ends the process. For the
// connections opened here we take over instead. A process-wide I/O error handler, put first again by every
// Open (Qt's xcb plugin installs its own when the application object is made), leaves our connections to
// their exit handlers and passes any other connection on to the handler it replaced; each connection's exit
// handler marks the connection lost instead of exiting. From then on the services make no Xlib request on
// it and report failure, and their users tell the user. With a GUI the process ends all the same once Qt's
// own connection breaks, through Qt's handler, on the user-interface thread.

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
    // True once the connection broke; nothing sent on it reaches a server any more, and nothing may be
    // sent on it: every request is checked against this first.
    bool IsLost() const { return m_bLost.load(std::memory_order_acquire); }

private:
    explicit CX11Connection(_XDisplay* display) : m_pDisplay(display) {}
    static void OnIOErrorExit(_XDisplay* display, void* self);

    _XDisplay* m_pDisplay;
    std::atomic<bool> m_bLost{false};
};

}  // namespace platform
