#pragma once
// Mouse input through the desktop portal's remote-control session (GNOME, KDE on Wayland). Positions are
// the compositor's logical layout coordinates; each goes to the monitor stream that holds it.

#include <QDBusPendingCall>
#include <QString>
#include <cstdint>
#include <memory>
#include <optional>

#include "platform/Input.h"
#include "platform/portal/CompositorPace.h"

namespace platform {

class CPortalSession;

class CPortalInput final : public CButtonInput {
public:
    // How long a new session is left to take its first move before the next.
    static constexpr int kSettleMs = 300;
    // A pause up to this long is spent at the next action's point: the move then costs the action
    // nothing. Longer pauses leave the pointer to the user until they end.
    static constexpr uint32_t kMoveAheadMaxMs = 50;

    explicit CPortalInput(std::shared_ptr<CPortalSession> session);
    // Releases a button this input left down, where the session still lets it.
    ~CPortalInput() override;

    // Asks for the session (the user's consent, the first time) and waits for it; a stop ends the wait.
    // Says what it waits for unless the session is ready.
    bool Prepare(CStopSignal& stop, const std::function<void(const QString& what)>& waiting) override;
    // On a run's worker every event waits for the answer to the one before it before it goes out, which
    // keeps them in order and paces a run without pauses; the last answer of an action is waited for by
    // Flush, before the next pause (which counts from when the action's last event went out), or by the
    // next event. On the user-interface thread nothing waits: the event is sent if a session is ready,
    // and the call fails at once otherwise (no consent is asked from there).
    bool SetCursorPos(int x, int y) override;
    // The pointer cannot be read through the portal.
    bool GetCursorPos(POINT* pt) override;
    QString ErrorText() const override;
    // Through the portal a move costs a round trip through the portal's processes before the press
    // after it may go out, since each event waits for its answer to keep them in order. A short pause
    // (kMoveAheadMaxMs) is spent at the next point instead.
    void MoveAhead(int x, int y, uint32_t pauseMs) override;
    void Flush() override;

private:
    bool Button(EMouseButton button, bool bPress) override;
    // Waits for the answer to the last event sent; false, with the reason, when it was an error.
    bool AwaitAnswer();

    std::shared_ptr<CPortalSession> m_pSession;
    CStopSignal* m_pStop = nullptr;
    bool m_bSettle = false;
    bool m_bMovedAhead = false;
    int m_iAheadX = 0;
    int m_iAheadY = 0;
    QString m_strError;
    std::optional<QDBusPendingCall> m_answer;
    CCompositorPace m_pace;
};

// The input of the calling thread on the process's portal session, which is created when a run first
// needs it. Asks nothing of the bus; an InputFactory.
std::unique_ptr<IInput> CreatePortalInput(QString* error);
// The same on a session of the caller's.
std::unique_ptr<IInput> CreatePortalInput(std::shared_ptr<CPortalSession> session, QString* error);

// Whether the session bus has a desktop portal with remote control of the pointer; waits at most
// timeoutMs for the answer. For the back-end choice at start-up, before any window exists.
bool PortalRemoteDesktopOffered(int timeoutMs, QString* why);

}  // namespace platform
