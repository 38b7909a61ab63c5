#pragma once
// A private headless sway for one test process, and the Wayland recorder window that sees its clicks.
//
//   testsupport::CSway sway;
//   VANTRELL_REQUIRE_SWAY();                        // QSKIP("skipped: sway is not installed") without it
//   QVERIFY2(sway.Start(&error), qPrintable(error)); // HEADLESS-1, 1280x1024 at 0,0
//   const QString left = sway.AddOutput(QRect(-800, 100, 800, 600));   // "HEADLESS-2"
//   const QString hidpi = sway.AddOutput(QRect(1280, 0, 640, 512), 2); // 1280x1024 pixels at scale 2
//   sway.UseForThisProcess();                       // WAYLAND_DISPLAY for our own Wayland clients
//   testsupport::CWaylandRecorder recorder;
//   QVERIFY2(recorder.Start(sway, &error), qPrintable(error));        // a window on every output
//   ... clicks ...
//   QVERIFY(recorder.WaitForEvents(4));
//   recorder.Events()                               // {press, 0x110 (left), x, y in layout coordinates}
//
// Sway refuses to run as root: a suite running as root starts it as the account nobody, with the runtime
// folder owned by nobody; root clients may still connect to its socket. The compositor ends with this
// object, or with the process should it crash.

#include <QList>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRect>
#include <QString>
#include <utility>

#include "tests/support/Children.h"

namespace testsupport {

class CSway : private CChildren {
public:
    ~CSway() { Stop(); }

    static bool Installed();
    // Starts sway with one output, HEADLESS-1, of the given size at 0,0 and waits until it answers.
    bool Start(QString* error, int width = 1280, int height = 1024);
    // A new output with the given logical rectangle (its mode is the size times the scale); its name, or
    // an empty string when sway refused.
    QString AddOutput(const QRect& logical, int scale = 1);
    // Runs one sway command (as `swaymsg`); false with sway's answer in output when it failed.
    bool Command(const QString& command, QString* output = nullptr);
    // The outputs' logical rectangles by name, as sway reports them.
    QList<QPair<QString, QRect>> Outputs();
    // The absolute path of its Wayland socket: a value for WAYLAND_DISPLAY.
    QString SocketPath() const { return m_socket; }
    // An environment for a Wayland client of this sway (a private runtime folder of the caller's own, the
    // socket, Qt's Wayland platform).
    QProcessEnvironment ClientEnvironment() const;
    // Points WAYLAND_DISPLAY (and XDG_RUNTIME_DIR, when unset) of this process at it.
    void UseForThisProcess() const;
    // Ends it at once, as a crash would (SIGKILL); for the tests of a compositor that goes away.
    void Kill() { CChildren::Kill(std::exchange(m_pid, -1)); }
    void Stop();
    bool IsRunning() const { return m_pid > 0; }

private:
    QString m_runtime;
    QString m_clientRuntime;
    QString m_socket;
    QString m_ipc;
    pid_t m_pid = -1;
};

// The recorder window (wayland_recorder, next to the test executables) as a child process: a full-screen
// window on every output that reports each button press and release with its global position, and the
// keys pressed while it has the focus.
class CWaylandRecorder {
public:
    struct SEvent {
        bool bPress = false;
        unsigned button = 0;  // Linux code: 0x110 left, 0x111 right, 0x112 middle
        int x = 0;
        int y = 0;
        qint64 ns = 0;   // CLOCK_MONOTONIC when the recorder handled it
        quint64 ms = 0;  // the event's time stamp, from the compositor
    };

    CWaylandRecorder() = default;
    ~CWaylandRecorder();
    // Starts it on sway's socket and waits until it has a window on every output, one screen each.
    bool Start(const CSway& sway, QString* error);
    // The same on any compositor, from the environment of its clients (WAYLAND_DISPLAY, XDG_RUNTIME_DIR).
    bool Start(QProcessEnvironment environment, QString* error);
    // The events so far, in the order received.
    QList<SEvent> Events();
    // The Qt key codes of the keys pressed so far.
    QList<int> KeyPresses();
    // Waits (up to timeoutMs) until at least count events are in; false if they did not come.
    bool WaitForEvents(int count, int timeoutMs = 10000);
    void Clear();
    // False once it has ended, e.g. after the compositor cut it off.
    bool IsRunning();
    // The screens it covers: name and logical rectangle, as Qt saw them.
    QList<QPair<QString, QRect>> Screens() const { return m_screens; }
    void Stop();

private:
    void ReadLines();

    QProcess m_process;
    QByteArray m_pending;
    QList<SEvent> m_events;
    QList<int> m_keys;
    QList<QPair<QString, QRect>> m_screens;
};

// The events as words ("press 0x110 100,120"), which a failed comparison shows one by one.
QStringList Described(const QList<CWaylandRecorder::SEvent>& events);
// The words of `times` clicks of the button (0x110 left, 0x111 right, 0x112 middle) at x,y.
QStringList Clicks(unsigned button, int x, int y, int times = 1);
// After a stop of a run of left clicks along the row (x0 + i % 20, y): waits settleMs for the click under
// way to complete and quietMs more, then gives what the recorder has, described, and what a clean stop
// leaves (every press released, nothing after the stop), for QCOMPARE.
std::pair<QStringList, QStringList> StoppedRow(CWaylandRecorder& recorder, int x0, int y, int settleMs, int quietMs);

}  // namespace testsupport

#define VANTRELL_REQUIRE_SWAY()                              \
    do {                                                     \
        if (!testsupport::CSway::Installed())                \
            QSKIP("skipped: sway is not installed");         \
    } while (false)
