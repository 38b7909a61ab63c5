#pragma once
// A remote-control session of the desktop portal (GNOME, KDE): a RemoteDesktop session with the pointer,
// linked to a ScreenCast session of the monitors so that the pointer can be placed at absolute positions.
//
// Threads: the object owns a thread of its own with its own bus connection. The conversation with the
// portal (CreateSession, SelectDevices, SelectSources, Start, each answered by its request's Response
// signal) and the session's end (Session.Closed, the portal service leaving the bus) are handled there,
// so no caller ever waits on the bus for them. A run's worker asks for the session with Acquire and
// waits until it is ready, refused or failed, or until its stop is raised. Injection calls are made from
// the caller's thread on the shared connection; they fail at once once the session has ended.
//
// The session is created when first asked for and lives until the desktop closes it or this object
// ends, so the user is asked at most once per session. A refused or failed attempt leaves nothing
// behind: the next Acquire asks again. Where RemoteDesktop is version 2 or later the grant is asked to
// persist; its restore token is kept through the token store and offered the next time. A token the
// desktop no longer accepts is dropped and the user is asked afresh.

#include <QList>
#include <QPoint>
#include <QSize>
#include <QString>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

class QDBusPendingCall;

namespace platform {

class CStopSignal;
class CPortalAgent;

struct SPortalStream {
    uint32_t node = 0;
    // A stream without a position (KDE) shows the whole workspace.
    bool bHasPosition = false;
    QPoint position;
    QSize size;
};

// Linux input event codes of the buttons.
constexpr int kBtnLeft = 0x110;
constexpr int kBtnRight = 0x111;
constexpr int kBtnMiddle = 0x112;

struct SPortalOptions {
    // The bus to find the portal on; empty for the session bus.
    QString busAddress;
    // Where the restore token is kept between starts of the program; by default the profile.
    std::function<QString()> loadToken;
    std::function<void(const QString&)> saveToken;
};

class CPortalSession {
public:
    enum class EState { Idle, Starting, Ready, Failed, Closed };

    explicit CPortalSession(SPortalOptions options = {});
    // Closes the session and ends the thread.
    ~CPortalSession();
    CPortalSession(const CPortalSession&) = delete;
    CPortalSession& operator=(const CPortalSession&) = delete;

    // The one session of the process, made on first use (nothing is asked of the bus until a run needs
    // it); shut down with the application object.
    static std::shared_ptr<CPortalSession> Process();

    // Starts the session unless it is ready or starting, and waits until it is ready (true), refused or
    // failed (false, with the reason in *error), or until stop is raised (false, *error empty). Never
    // call it on the user-interface thread: it waits for the user.
    bool Acquire(CStopSignal& stop, QString* error);

    EState State() const { return m_state.load(std::memory_order_acquire); }
    // Counts the sessions that became ready; an input tells a new session from the one it settled.
    uint64_t Generation() const { return m_generation.load(std::memory_order_acquire); }
    // Why the last attempt failed or the session ended; empty while all is well.
    QString ErrorText() const;
    // Of the ready session: RemoteDesktop's interface version and the monitor streams.
    uint32_t Version() const;
    QList<SPortalStream> Streams() const;

    // The stream that holds the point and the point inside it. A point on no stream goes to the nearest
    // edge of the nearest stream. False without streams.
    static bool MapToStream(const QList<SPortalStream>& streams, QPoint global, uint32_t* node, QPoint* local);

    // Injection on the ready session. wait: wait for the portal's answer (a worker's pace); without it the
    // call is only sent (for the user-interface thread). False when the session has ended or the portal
    // answered with an error, with the reason in *error.
    bool MovePointer(QPoint global, QString* error, bool wait);
    bool Button(int code, bool pressed, QString* error, bool wait);
    // The same, sent without waiting, its answer to come in *answer: a run's worker waits for it before
    // its next event goes out (the portal passes on only what it answered in order), not before it goes
    // on. AnswerError tells why an answer was an error.
    bool PostMove(QPoint global, std::optional<QDBusPendingCall>* answer, QString* error);
    bool PostButton(int code, bool pressed, std::optional<QDBusPendingCall>* answer, QString* error);
    QString AnswerError(const QString& portalMessage) const;

    // True for the first caller after a session became ready: that caller settles the new session.
    bool ClaimSettle();

    // A run that injects through the session: its stop is raised when the session ends, so a run in the
    // middle of a delay ends at once.
    void AddRun(CStopSignal* stop);
    void RemoveRun(CStopSignal* stop);

    // Ends the session and the thread; later calls fail. For the end of the application.
    void Shutdown();

    // Whether a session bus is named (DBUS_SESSION_BUS_ADDRESS, or the bus socket in XDG_RUNTIME_DIR).
    // Without one nothing connects, since the bus library would start a bus of its own for the X display.
    static bool SessionBusNamed();

private:
    friend class CPortalAgent;
    // From the agent's thread.
    void Finish(EState state, const QString& error, uint32_t version, const QList<SPortalStream>& streams,
                const QString& sessionHandle);
    void NotifyWaiters();
    bool Call(const char* method, const QList<QVariant>& args, QString* error, bool wait,
              std::optional<QDBusPendingCall>* answer = nullptr);
    bool Move(QPoint global, QString* error, bool wait, std::optional<QDBusPendingCall>* answer);

    SPortalOptions m_options;
    std::atomic<EState> m_state{EState::Idle};
    std::atomic<uint64_t> m_generation{0};
    // Bumped at every end of an attempt, so a waiter sees its own attempt end even if another began.
    std::atomic<uint64_t> m_attemptsEnded{0};

    mutable std::mutex m_mutex;
    QString m_strError;
    uint32_t m_uVersion = 0;
    QList<SPortalStream> m_streams;
    QString m_strSession;
    QString m_strConnection;  // the bus connection's name, set once the agent made it
    std::unique_ptr<CPortalAgent> m_pAgent;
    bool m_bShutDown = false;

    std::mutex m_waitersMutex;
    std::vector<CStopSignal*> m_waiters;
    std::vector<CStopSignal*> m_runs;
    std::atomic<uint64_t> m_settled{0};
};

}  // namespace platform
