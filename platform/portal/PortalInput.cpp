#include "platform/portal/PortalInput.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QPoint>
#include <QThread>
#include <chrono>

#include "platform/Wait.h"
#include "platform/portal/PortalSession.h"

namespace platform {

namespace {

bool OnUserInterfaceThread() {
    const QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

}  // namespace

CPortalInput::CPortalInput(std::shared_ptr<CPortalSession> session) : m_pSession(std::move(session)) {}

CPortalInput::~CPortalInput() {
    ReleaseHeld();
    AwaitAnswer();
    if (m_pStop)
        m_pSession->RemoveRun(m_pStop);
}

bool CPortalInput::Prepare(CStopSignal& stop, const std::function<void(const QString& what)>& waiting) {
    if (m_pStop)
        m_pSession->RemoveRun(m_pStop);
    m_pStop = &stop;
    m_pSession->AddRun(m_pStop);
    m_strError.clear();
    if (waiting && m_pSession->State() != CPortalSession::EState::Ready)
        waiting(QStringLiteral("the desktop to allow control of the pointer"));
    if (!m_pSession->Acquire(stop, &m_strError))
        return false;
    // The first events of a new session can be lost: its first move is made twice, with a pause between.
    m_bSettle = m_pSession->ClaimSettle();
    return true;
}

bool CPortalInput::SetCursorPos(int x, int y) {
    if (OnUserInterfaceThread())
        return m_pSession->MovePointer(QPoint(x, y), &m_strError, false);
    const bool bThereAlready = m_bMovedAhead && m_iAheadX == x && m_iAheadY == y;
    m_bMovedAhead = false;
    if (bThereAlready)
        return true;
    if (!AwaitAnswer())
        return false;
    if (m_bSettle) {
        m_bSettle = false;
        if (!m_pSession->MovePointer(QPoint(x, y), &m_strError, true))
            return false;
        // A stop cuts the pause short; the move below still goes out, so the action's place is right.
        if (m_pStop)
            m_pStop->WaitUntil(std::chrono::steady_clock::now() + std::chrono::milliseconds(kSettleMs));
    }
    return m_pSession->PostMove(QPoint(x, y), &m_answer, &m_strError);
}

void CPortalInput::MoveAhead(int x, int y, uint32_t pauseMs) {
    m_bMovedAhead = false;
    // A new session settles on its first move first (SetCursorPos).
    if (pauseMs > kMoveAheadMaxMs || m_bSettle || OnUserInterfaceThread())
        return;
    m_bMovedAhead = AwaitAnswer() && m_pSession->MovePointer(QPoint(x, y), &m_strError, true);
    m_iAheadX = x;
    m_iAheadY = y;
}

bool CPortalInput::GetCursorPos(POINT* pt) {
    (void)pt;
    return false;
}

bool CPortalInput::Button(EMouseButton button, bool bPress) {
    const int code = static_cast<int>(LinuxButtonCode(button));
    if (OnUserInterfaceThread())
        return m_pSession->Button(code, bPress, &m_strError, false);
    // A release always goes out at once, so nothing stays down while the compositor is waited for.
    if (bPress)
        m_pace.Press(m_pStop);
    return AwaitAnswer() && m_pSession->PostButton(code, bPress, &m_answer, &m_strError);
}

bool CPortalInput::AwaitAnswer() {
    if (!m_answer)
        return true;
    QDBusPendingCall answer = *m_answer;
    m_answer.reset();
    answer.waitForFinished();
    if (!answer.isError())
        return true;
    m_strError = m_pSession->AnswerError(answer.error().message());
    return false;
}

void CPortalInput::Flush() {
    if (!OnUserInterfaceThread())
        AwaitAnswer();
}

QString CPortalInput::ErrorText() const {
    const CPortalSession::EState state = m_pSession->State();
    if (state == CPortalSession::EState::Closed || state == CPortalSession::EState::Failed)
        return m_pSession->ErrorText();
    return m_strError;
}

std::unique_ptr<IInput> CreatePortalInput(std::shared_ptr<CPortalSession> session, QString* error) {
    (void)error;
    return std::make_unique<CPortalInput>(std::move(session));
}

std::unique_ptr<IInput> CreatePortalInput(QString* error) {
    return CreatePortalInput(CPortalSession::Process(), error);
}

bool PortalRemoteDesktopOffered(int timeoutMs, QString* why) {
    // A connection of its own, closed again: the probe runs before the application object exists.
    static const QString kName = QStringLiteral("vantrell-portal-probe");
    if (!CPortalSession::SessionBusNamed()) {
        if (why)
            *why = QStringLiteral("there is no session bus, through which the desktop portal is reached.");
        return false;
    }
    // The connection's thread goes only when the process ends. Made before it, the registry of the types
    // that messages are read into outlasts it, so a message that comes in while the program ends (after a
    // refusal here, say) is not read into types that are gone.
    qRegisterMetaType<QDBusVariant>();
    bool offered = false;
    {
        QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, kName);
        if (!bus.isConnected()) {
            if (why)
                *why = QStringLiteral("there is no session bus, through which the desktop portal is reached.");
        } else {
            QDBusMessage get = QDBusMessage::createMethodCall(
                QStringLiteral("org.freedesktop.portal.Desktop"), QStringLiteral("/org/freedesktop/portal/desktop"),
                QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
            get.setArguments({QStringLiteral("org.freedesktop.portal.RemoteDesktop"), QStringLiteral("version")});
            const QDBusMessage reply = bus.call(get, QDBus::Block, timeoutMs);
            offered = reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty() &&
                      reply.arguments().constFirst().value<QDBusVariant>().variant().toUInt() >= 1;
            if (!offered && why)
                *why = QStringLiteral("the desktop portal offers no remote control of the pointer (%1).")
                           .arg(reply.errorMessage().isEmpty() ? QStringLiteral("no RemoteDesktop interface")
                                                               : reply.errorMessage());
        }
    }
    QDBusConnection::disconnectFromBus(kName);
    return offered;
}

}  // namespace platform
