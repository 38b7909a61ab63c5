#include "tests/support/ButtonRecorder.h"

#include <QByteArray>
#include <QDeadlineTimer>

#include <X11/Xlib.h>
#include <poll.h>

namespace testsupport {

char* toString(const SButtonEvent& event) {
    return qstrdup(QByteArray(event.bPress ? "press " : "release ") + QByteArray::number(event.nButton) +
                   " at " + QByteArray::number(event.nRootX) + "," + QByteArray::number(event.nRootY));
}

CButtonRecorder::~CButtonRecorder() {
    if (m_pDisplay)
        XCloseDisplay(m_pDisplay);
}

bool CButtonRecorder::Open(QString* error) {
    m_pDisplay = XOpenDisplay(nullptr);
    if (!m_pDisplay) {
        *error = QStringLiteral("the recorder cannot open the display");
        return false;
    }
    const int screen = DefaultScreen(m_pDisplay);
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;  // no window manager may move or decorate it
    attributes.event_mask = ButtonPressMask | ButtonReleaseMask | StructureNotifyMask;
    const Window window =
        XCreateWindow(m_pDisplay, RootWindow(m_pDisplay, screen), 0, 0,
                      static_cast<unsigned>(DisplayWidth(m_pDisplay, screen)),
                      static_cast<unsigned>(DisplayHeight(m_pDisplay, screen)), 0, CopyFromParent, InputOnly,
                      CopyFromParent, CWOverrideRedirect | CWEventMask, &attributes);
    XMapRaised(m_pDisplay, window);
    XEvent event;
    do {
        XNextEvent(m_pDisplay, &event);
    } while (event.type != MapNotify);
    return true;
}

bool CButtonRecorder::WaitForEvents(qsizetype count, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    XSync(m_pDisplay, False);
    for (;;) {
        while (XPending(m_pDisplay) > 0) {
            XEvent event;
            XNextEvent(m_pDisplay, &event);
            if (event.type == ButtonPress || event.type == ButtonRelease)
                m_events.append({event.type == ButtonPress, event.xbutton.button, event.xbutton.x_root,
                                 event.xbutton.y_root});
        }
        if (m_events.size() >= count || deadline.hasExpired())
            return m_events.size() >= count;
        pollfd fd{ConnectionNumber(m_pDisplay), POLLIN, 0};
        poll(&fd, 1, static_cast<int>(deadline.remainingTime()));
    }
}

}  // namespace testsupport
