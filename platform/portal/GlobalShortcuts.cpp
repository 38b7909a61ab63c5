#include "platform/portal/GlobalShortcuts.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <atomic>

#include "platform/portal/PortalRequest.h"
#include "platform/portal/KeyedProperties.h"
#include "platform/portal/PortalSession.h"

namespace {

const QString kGlobalShortcuts = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
// Bounds a portal that hangs; the user's answer itself comes later, as a signal.
constexpr int kCallTimeoutMs = 25000;
// Every session has this token. For a program outside a sandbox KDE keeps its shortcuts under a name made
// from the token: with one token, a key bound again finds its own id from before, rather than a stale id
// under another name that still holds the key.
const QString kSessionToken = QStringLiteral("vantrell_shortcuts");
// A session the desktop closed is made again after this pause; when the new one is closed again before
// kSettledMs, the desktop does not want it, and the shortcuts fail.
constexpr int kReopenDelayMs = 500;
constexpr qint64 kSettledMs = 10000;

QString FailureText(uint response, const QString& callError) {
    if (!callError.isEmpty())
        return QStringLiteral("the desktop portal refused the shortcut (%1).").arg(callError);
    return response == 1 ? QStringLiteral("the desktop did not allow the shortcut (the request was cancelled).")
                         : QStringLiteral("the desktop portal could not set the shortcut.");
}

}  // namespace

namespace platform {

CGlobalShortcuts::CGlobalShortcuts(SGlobalShortcutsOptions options, QObject* parent)
    : QObject(parent), m_options(std::move(options)) {
    qDBusRegisterMetaType<SShortcutEntry>();
    qDBusRegisterMetaType<QList<SShortcutEntry>>();
    m_reopen.setSingleShot(true);
    m_reopen.setInterval(kReopenDelayMs);
    connect(&m_reopen, &QTimer::timeout, this, [this] {
        if (m_state == EState::Present && !m_bPortalGone && !m_shortcuts.isEmpty())
            Register(true);
    });
}

CGlobalShortcuts::~CGlobalShortcuts() {
    Drop(m_pRequest);
    CloseSession();
    if (!m_strConnection.isEmpty())
        QDBusConnection::disconnectFromBus(m_strConnection);
}

EShortcutsForm CGlobalShortcuts::Decide(EShortcutsForm forced, uint version) {
    if (forced != EShortcutsForm::Detect)
        return forced;
    return version <= 1 ? EShortcutsForm::InCreateSession : EShortcutsForm::BindShortcuts;
}

QString CGlobalShortcuts::PortalId(const QString& id, const QString& trigger) {
    return id + QLatin1Char('-') + QString(trigger).replace(QLatin1Char('+'), QLatin1Char('-'));
}

bool CGlobalShortcuts::Connect() {
    if (m_options.busAddress.isEmpty() && !CPortalSession::SessionBusNamed())
        return false;
    static std::atomic<unsigned> s_count{0};
    m_strConnection = QStringLiteral("vantrell-shortcuts-%1").arg(++s_count);
    QDBusConnection bus = m_options.busAddress.isEmpty()
                              ? QDBusConnection::connectToBus(QDBusConnection::SessionBus, m_strConnection)
                              : QDBusConnection::connectToBus(m_options.busAddress, m_strConnection);
    if (!bus.isConnected())
        return false;
    bus.connect(kPortalService, kPortalPath, kGlobalShortcuts, QStringLiteral("Activated"), this,
                SLOT(OnActivated(QDBusMessage)));
    bus.connect(kPortalService, {}, kPortalSession, QStringLiteral("Closed"), this, SLOT(OnClosed(QDBusMessage)));
    auto* watcher = new QDBusServiceWatcher(kPortalService, bus, QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString&, const QString&, const QString& newOwner) { OnOwnerChanged(newOwner); });
    return true;
}

void CGlobalShortcuts::Probe() {
    if (m_bProbing || m_state != EState::Probing)
        return;
    if (!Connect()) {
        m_state = EState::Absent;
        Q_EMIT Probed(false);
        return;
    }
    m_bProbing = true;
    QDBusMessage get = QDBusMessage::createMethodCall(kPortalService, kPortalPath,
                                                      QStringLiteral("org.freedesktop.DBus.Properties"),
                                                      QStringLiteral("Get"));
    get.setArguments({kGlobalShortcuts, QStringLiteral("version")});
    auto* watcher = new QDBusPendingCallWatcher(QDBusConnection(m_strConnection).asyncCall(get, kCallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* call) {
        call->deleteLater();
        m_bProbing = false;
        const QDBusPendingReply<QDBusVariant> reply = *call;
        const uint version = reply.isError() ? 0 : reply.value().variant().toUInt();
        if (version == 0) {
            m_state = EState::Absent;
            Q_EMIT Probed(false);
            return;
        }
        m_form = Decide(m_options.form, version);
        m_state = EState::Present;
        Q_EMIT Probed(true);
        Sync();
    });
}

void CGlobalShortcuts::Set(const QString& id, const QString& description, const QString& trigger) {
    if (trigger.isEmpty())
        m_shortcuts.remove(id);
    else
        m_shortcuts.insert(id, {description, trigger});
    if (m_state != EState::Present || m_bSyncPending)
        return;
    m_bSyncPending = true;
    QTimer::singleShot(0, this, &CGlobalShortcuts::Sync);
}

void CGlobalShortcuts::Sync() {
    m_bSyncPending = false;
    if (m_state == EState::Present && !m_bPortalGone && m_shortcuts != m_registered)
        Register();
}

void CGlobalShortcuts::Drop(QPointer<CPortalRequest>& request) {
    if (request)
        request->deleteLater();
    request = nullptr;
}

void CGlobalShortcuts::Forget() {
    Drop(m_pRequest);
    m_reopen.stop();
    m_strSession.clear();
    m_registered.clear();
}

void CGlobalShortcuts::CloseSession() {
    if (m_strSession.isEmpty())
        return;
    QDBusConnection(m_strConnection)
        .send(QDBusMessage::createMethodCall(kPortalService, m_strSession, kPortalSession, QStringLiteral("Close")));
    m_strSession.clear();
}

QVariant CGlobalShortcuts::ShortcutList() const {
    QList<SShortcutEntry> list;
    for (auto it = m_shortcuts.constBegin(); it != m_shortcuts.constEnd(); ++it) {
        SShortcutEntry entry;
        entry.key = PortalId(it.key(), it->trigger);
        entry.properties.insert(QStringLiteral("description"), it->description);
        entry.properties.insert(QStringLiteral("preferred_trigger"), it->trigger);
        list << entry;
    }
    return QVariant::fromValue(list);
}

void CGlobalShortcuts::Register(bool reopen) {
    Drop(m_pRequest);
    m_reopen.stop();
    CloseSession();
    m_registered = m_shortcuts;
    m_bReopened = reopen;
    if (m_shortcuts.isEmpty()) {
        Q_EMIT Bound();
        return;
    }
    QDBusConnection bus(m_strConnection);
    const unsigned generation = ++m_uSessions;
    m_sinceRegistered.start();
    // The session's path is known before the portal answers, so a change in the meantime can close it.
    m_strSession = PortalHandlePath(bus, QStringLiteral("session"), kSessionToken);
    QVariantMap options;
    options.insert(QStringLiteral("session_handle_token"), kSessionToken);
    if (m_form == EShortcutsForm::InCreateSession)
        options.insert(QStringLiteral("shortcuts"), ShortcutList());
    m_pRequest = new CPortalRequest(
        bus, kGlobalShortcuts, QStringLiteral("CreateSession"), {}, options, kCallTimeoutMs,
        [this, generation](uint response, const QVariantMap& results, const QString& callError) {
            if (generation != m_uSessions)
                return;
            Drop(m_pRequest);
            if (response != 0 || !callError.isEmpty()) {
                m_strSession.clear();
                m_registered.clear();
                Q_EMIT Failed(FailureText(response, callError));
                return;
            }
            const QString handle = PortalSessionHandle(results);
            if (!handle.isEmpty())
                m_strSession = handle;
            if (m_form == EShortcutsForm::InCreateSession)
                Q_EMIT Bound();
            else
                Bind();
        },
        this);
}

void CGlobalShortcuts::Bind() {
    const unsigned generation = m_uSessions;
    m_pRequest = new CPortalRequest(
        QDBusConnection(m_strConnection), kGlobalShortcuts, QStringLiteral("BindShortcuts"),
        {QVariant::fromValue(QDBusObjectPath(m_strSession)), ShortcutList(), QString()}, {},
        kCallTimeoutMs,
        [this, generation](uint response, const QVariantMap&, const QString& callError) {
            if (generation != m_uSessions)
                return;
            Drop(m_pRequest);
            if (response != 0 || !callError.isEmpty()) {
                CloseSession();
                m_registered.clear();
                Q_EMIT Failed(FailureText(response, callError));
                return;
            }
            Q_EMIT Bound();
        },
        this);
}

void CGlobalShortcuts::OnActivated(const QDBusMessage& message) {
    const QList<QVariant> args = message.arguments();
    if (m_strSession.isEmpty() || args.size() < 2 || args.at(0).value<QDBusObjectPath>().path() != m_strSession)
        return;
    // Only a shortcut that is set now: an activation of a shortcut just removed or changed is late.
    const QString portalId = args.at(1).toString();
    for (auto it = m_shortcuts.constBegin(); it != m_shortcuts.constEnd(); ++it) {
        if (PortalId(it.key(), it->trigger) == portalId) {
            Q_EMIT Activated(it.key());
            return;
        }
    }
}

void CGlobalShortcuts::OnClosed(const QDBusMessage& message) {
    if (m_strSession.isEmpty() || message.path() != m_strSession)
        return;
    const bool again = m_bReopened && m_sinceRegistered.elapsed() < kSettledMs;
    Forget();
    if (again) {
        Q_EMIT Failed(QStringLiteral("the desktop closed the shortcut's session again."));
        return;
    }
    m_reopen.start();
}

void CGlobalShortcuts::OnOwnerChanged(const QString& newOwner) {
    // A probe under way asks whoever owns the name when it arrives; without the interface nothing is
    // registered anyway.
    if (m_state != EState::Present)
        return;
    // The sessions went with the old owner; a new one gets the shortcuts set now.
    Forget();
    m_bPortalGone = newOwner.isEmpty();
    Sync();
}

}  // namespace platform
