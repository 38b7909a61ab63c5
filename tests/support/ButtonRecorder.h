#pragma once
// A window of the tests' own that covers the whole screen and records the mouse buttons that reach it: which
// button, pressed or released, and where on the root window. It has a connection of its own, so whatever
// injects the clicks (the code under test, or the real binary) is another X client, as on a desktop.

#include <QList>
#include <QString>

struct _XDisplay;

namespace testsupport {

struct SButtonEvent {
    bool bPress = false;
    unsigned nButton = 0;
    int nRootX = 0;
    int nRootY = 0;
    friend bool operator==(const SButtonEvent&, const SButtonEvent&) = default;
};

inline SButtonEvent Press(unsigned button, int x, int y) {
    return {true, button, x, y};
}
inline SButtonEvent Release(unsigned button, int x, int y) {
    return {false, button, x, y};
}

// For QCOMPARE's failure messages.
char* toString(const SButtonEvent& event);

class CButtonRecorder {
public:
    CButtonRecorder() = default;
    CButtonRecorder(const CButtonRecorder&) = delete;
    CButtonRecorder& operator=(const CButtonRecorder&) = delete;
    ~CButtonRecorder();

    // Connects to $DISPLAY and maps the window on top of everything; returns once it can receive clicks.
    bool Open(QString* error);
    // Reads everything the server has sent, after a round trip: enough once the injecting client has synced.
    void Sync() { WaitForEvents(0, 0); }
    // Reads until at least count events have arrived or timeoutMs has passed; true when they arrived.
    bool WaitForEvents(qsizetype count, int timeoutMs = 5000);
    const QList<SButtonEvent>& Events() const { return m_events; }
    void Clear() { m_events.clear(); }

private:
    _XDisplay* m_pDisplay = nullptr;
    QList<SButtonEvent> m_events;
};

}  // namespace testsupport
