#pragma once
// Control of a running window from outside: the first window owns the application's name on the session
// bus and offers org.freedesktop.Application there, whose actions start, stop and toggle the run as the
// Start button and the start/stop shortcut do. `vantrell --toggle`, `--start` and `--stop` call it.

#include <QDBusAbstractAdaptor>
#include <QDBusMessage>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QVariantList>
#include <QVariantMap>
#include <atomic>
#include <thread>

class CMainFrame;
class QTextStream;

namespace control {

// The application's id: its name on the session bus, and the object path made from it.
inline constexpr char kBusName[] = "io.github.vantrell.Vantrell";
inline constexpr char kObjectPath[] = "/io/github/vantrell/Vantrell";
inline constexpr char kInterface[] = "org.freedesktop.Application";
// How long a command waits for the window's answer.
inline constexpr int kCallTimeoutMs = 5000;

// Whether name is one of the actions: start, stop, toggle.
bool IsAction(const QString& name);

// Asks the window that owns the name to perform an action. 0 when it took it; otherwise 1, after one line
// on err (no window running, no session bus, no answer in time).
int SendAction(const QString& action, QTextStream& err);

}  // namespace control

// The window's end: the object on the bus and the name.
class CControlService : public QObject {
    Q_OBJECT

public:
    explicit CControlService(CMainFrame& frame);
    ~CControlService() override;

    // Connects to the session bus on a thread of its own (a bus that does not answer would hold up the
    // caller), then registers the object and asks for the name without waiting for the answer. A window
    // started while another owns the name waits in the bus's queue for it and otherwise works as usual.
    void Register();
    // The action, on the user-interface thread: start runs the script as the Start button does (with its
    // questions), stop stops a run, toggle does what the start/stop shortcut does.
    void Perform(const QString& action);
    // Shows the window, and opens a script given as a local file.
    void Activate();
    void Open(const QStringList& uris);

private:
    void OnConnected();

    CMainFrame& m_frame;
    std::thread m_connecting;
    std::atomic<bool> m_bConnectDone{false};
    QTimer m_connectPoll;
};

// org.freedesktop.Application on the service's object.
class CApplicationAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Application")

public:
    explicit CApplicationAdaptor(CControlService& service);

public Q_SLOTS:
    void Activate(const QVariantMap& platformData);
    void Open(const QStringList& uris, const QVariantMap& platformData);
    void ActivateAction(const QString& actionName, const QVariantList& parameter,
                        const QVariantMap& platformData, const QDBusMessage& message);

private:
    CControlService& m_service;
};
