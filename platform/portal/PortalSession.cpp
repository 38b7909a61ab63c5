#include "platform/portal/PortalSession.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QObject>
#include <QThread>
#include <QVariantMap>
#include <algorithm>
#include <climits>

#include "platform/Profile.h"
#include "platform/Wait.h"
#include "platform/portal/KeyedProperties.h"
#include "platform/portal/PortalRequest.h"

namespace platform {

namespace {

const QString& kService = kPortalService;
const QString& kPath = kPortalPath;
const QString kRemoteDesktop = QStringLiteral("org.freedesktop.portal.RemoteDesktop");
const QString kScreenCast = QStringLiteral("org.freedesktop.portal.ScreenCast");
const QString& kSession = kPortalSession;

const QString kTokenSection = QStringLiteral("Desktop Portal");
const QString kTokenEntry = QStringLiteral("RestoreToken");

// The portal answers its methods at once (the user's answer comes later, as a signal); these bound a
// portal that hangs, or one that the bus has to start first.
constexpr int kSetUpTimeoutMs = 25000;
constexpr int kClickTimeoutMs = 5000;

constexpr uint32_t kDevicePointer = 2;
constexpr uint32_t kSourceMonitor = 1;
constexpr uint32_t kPersistUntilRevoked = 2;

enum class EStep { None, Create, Devices, Sources, Start };

QString RefusedText() {
    return QStringLiteral("the desktop did not allow Vantrell to control the pointer (the request was "
                          "cancelled); start again to be asked again.");
}

QString FailedText(EStep step) {
    const char* what = step == EStep::Create    ? "create a remote-control session"
                       : step == EStep::Devices ? "select the pointer"
                       : step == EStep::Sources ? "select the monitors"
                                                : "start the remote-control session";
    return QStringLiteral("the desktop portal could not %1.").arg(QLatin1String(what));
}

// a(ua{sv}): the node id and the properties of each stream.
QList<SPortalStream> ParseStreams(const QVariant& value) {
    QList<SPortalStream> streams;
    if (value.userType() != qMetaTypeId<QDBusArgument>())
        return streams;
    const auto arg = value.value<QDBusArgument>();
    if (arg.currentSignature() != QLatin1String("a(ua{sv})"))
        return streams;
    arg.beginArray();
    while (!arg.atEnd()) {
        SStreamEntry entry;
        arg >> entry;
        SPortalStream stream;
        stream.node = entry.key;
        const QVariantMap& properties = entry.properties;
        const auto pair = [&properties](const QString& key, int* a, int* b) {
            const QVariant v = properties.value(key);
            if (v.userType() != qMetaTypeId<QDBusArgument>())
                return false;
            const auto inner = v.value<QDBusArgument>();
            if (inner.currentSignature() != QLatin1String("(ii)"))
                return false;
            inner.beginStructure();
            inner >> *a >> *b;
            inner.endStructure();
            return true;
        };
        int x = 0, y = 0, w = 0, h = 0;
        stream.bHasPosition = pair(QStringLiteral("position"), &x, &y);
        stream.position = QPoint(x, y);
        if (pair(QStringLiteral("size"), &w, &h))
            stream.size = QSize(w, h);
        else
            stream.bHasPosition = false;  // a rectangle without a size holds nothing: treat it as the workspace
        streams.append(stream);
    }
    arg.endArray();
    return streams;
}

}  // namespace

namespace {

// The desktop halves of the portal that may serve remote control: the bus names of the portal
// descriptions that list RemoteDesktop, from the folder the portal's front end reads them from. The front
// end answers every pointer event itself and hands it on, so a desktop half that has gone shows nowhere
// else: its events would be answered and lost.
QStringList RemoteDesktopBackEnds() {
    QString folder = qEnvironmentVariable("XDG_DESKTOP_PORTAL_DIR");
    if (folder.isEmpty())
        folder = QStringLiteral("/usr/share/xdg-desktop-portal/portals");
    QStringList names;
    for (const QFileInfo& info : QDir(folder).entryInfoList({QStringLiteral("*.portal")}, QDir::Files)) {
        QFile file(info.filePath());
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
            continue;
        QString name;
        bool remoteDesktop = false;
        for (const QByteArray& raw : file.readAll().split('\n')) {
            const QString line = QString::fromUtf8(raw).trimmed();
            if (line.startsWith(QLatin1String("DBusName=")))
                name = line.mid(9).trimmed();
            else if (line.startsWith(QLatin1String("Interfaces=")))
                remoteDesktop = line.mid(11).split(QLatin1Char(';')).contains(
                    QLatin1String("org.freedesktop.impl.portal.RemoteDesktop"));
        }
        if (remoteDesktop && !name.isEmpty())
            names << name;
    }
    return names;
}

}  // namespace

// Lives on the session's own thread: talks to the portal and hears its signals there.
class CPortalAgent : public QObject {
    Q_OBJECT

public:
    explicit CPortalAgent(CPortalSession& owner) : m_owner(owner) {}

    // Called through the event loop of the agent's thread, by name: the call is then posted by Qt's code
    // alone, whose locks ThreadSanitizer cannot see but whose data it does not look at either.
    Q_INVOKABLE void Begin();
    Q_INVOKABLE void End();

    QThread m_thread;
    QString m_strConnection;

public Q_SLOTS:
    void OnSessionClosed(const QDBusMessage& message);
    void OnServiceGone(const QString& name);

private:
    QDBusConnection Bus() const { return QDBusConnection(m_strConnection); }
    bool Connect();
    void CreateSession();
    // Calls a set-up method whose answer comes as the Response of the request named by handle_token.
    void Request(EStep step, const QString& interface, const QString& method, QList<QVariant> args,
                 QVariantMap options);
    void OnAnswer(EStep step, uint response, const QVariantMap& results, const QString& callError);
    void Fail(CPortalSession::EState state, const QString& error);
    void CloseSession();
    void Unsubscribe();

    CPortalSession& m_owner;
    QDBusServiceWatcher* m_pWatcher = nullptr;
    EStep m_step = EStep::None;
    CPortalRequest* m_pRequest = nullptr;  // the set-up step's, while it waits for its answer
    QString m_strSession;
    uint32_t m_uVersion = 0;
    bool m_bUsedToken = false;
    bool m_bActive = false;  // a session is set up or ready
    unsigned m_uToken = 0;
};

bool CPortalAgent::Connect() {
    if (!m_strConnection.isEmpty() && Bus().isConnected())
        return true;
    static std::atomic<unsigned> s_count{0};
    if (m_owner.m_options.busAddress.isEmpty() && !CPortalSession::SessionBusNamed())
        return false;
    m_strConnection = QStringLiteral("vantrell-portal-%1").arg(++s_count);
    const QDBusConnection bus = m_owner.m_options.busAddress.isEmpty()
                                    ? QDBusConnection::connectToBus(QDBusConnection::SessionBus, m_strConnection)
                                    : QDBusConnection::connectToBus(m_owner.m_options.busAddress, m_strConnection);
    if (!bus.isConnected())
        return false;
    {
        std::lock_guard lock(m_owner.m_mutex);
        m_owner.m_strConnection = m_strConnection;
    }
    m_pWatcher = new QDBusServiceWatcher(kService, bus,
                                         QDBusServiceWatcher::WatchForUnregistration |
                                             QDBusServiceWatcher::WatchForOwnerChange,
                                         this);
    connect(m_pWatcher, &QDBusServiceWatcher::serviceUnregistered, this, &CPortalAgent::OnServiceGone);
    connect(m_pWatcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString& name, const QString& oldOwner, const QString&) {
                if (!oldOwner.isEmpty())
                    OnServiceGone(name);
            });
    return true;
}

void CPortalAgent::Begin() {
    m_bUsedToken = false;
    if (!Connect()) {
        Fail(CPortalSession::EState::Failed,
             QStringLiteral("Vantrell cannot reach the session bus, through which the desktop portal is asked "
                            "for control of the pointer."));
        return;
    }
    QDBusMessage get = QDBusMessage::createMethodCall(kService, kPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                                      QStringLiteral("Get"));
    get.setArguments({kRemoteDesktop, QStringLiteral("version")});
    const QDBusMessage reply = Bus().call(get, QDBus::Block, kSetUpTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        Fail(CPortalSession::EState::Failed,
             QStringLiteral("the desktop portal offers no remote control of the pointer "
                            "(org.freedesktop.portal.RemoteDesktop: %1).")
                 .arg(reply.errorMessage().isEmpty() ? reply.errorName() : reply.errorMessage()));
        return;
    }
    m_uVersion = reply.arguments().constFirst().value<QDBusVariant>().variant().toUInt();
    CreateSession();
}

void CPortalAgent::CreateSession() {
    QVariantMap options;
    options.insert(QStringLiteral("session_handle_token"), QStringLiteral("vantrell%1").arg(++m_uToken));
    Request(EStep::Create, kRemoteDesktop, QStringLiteral("CreateSession"), {}, options);
}

void CPortalAgent::Request(EStep step, const QString& interface, const QString& method, QList<QVariant> args,
                           QVariantMap options) {
    Unsubscribe();
    m_step = step;
    m_pRequest = new CPortalRequest(
        Bus(), interface, method, std::move(args), std::move(options), kSetUpTimeoutMs,
        [this, step](uint response, const QVariantMap& results, const QString& callError) {
            OnAnswer(step, response, results, callError);
        },
        this);
}

void CPortalAgent::Unsubscribe() {
    if (m_pRequest)
        m_pRequest->deleteLater();
    m_pRequest = nullptr;
}

void CPortalAgent::OnAnswer(EStep step, uint response, const QVariantMap& results, const QString& callError) {
    if (m_step != step)
        return;
    Unsubscribe();
    m_step = EStep::None;
    if (!callError.isEmpty()) {
        Fail(CPortalSession::EState::Failed, QStringLiteral("%1 (%2)").arg(FailedText(step), callError));
        return;
    }
    if (response != 0) {
        // A grant the desktop no longer knows: forget it and ask the user.
        if (response == 2 && m_bUsedToken && step != EStep::Create) {
            if (m_owner.m_options.saveToken)
                m_owner.m_options.saveToken(QString());
            CloseSession();
            m_bUsedToken = false;
            CreateSession();
            return;
        }
        Fail(CPortalSession::EState::Failed, response == 1 ? RefusedText() : FailedText(step));
        return;
    }
    switch (step) {
        case EStep::Create: {
            m_strSession = PortalSessionHandle(results);
            if (m_strSession.isEmpty()) {
                Fail(CPortalSession::EState::Failed, FailedText(step));
                return;
            }
            m_bActive = true;
            Bus().connect(kService, m_strSession, kSession, QStringLiteral("Closed"), this,
                          SLOT(OnSessionClosed(QDBusMessage)));
            QVariantMap options;
            options.insert(QStringLiteral("types"), kDevicePointer);
            if (m_uVersion >= 2) {
                options.insert(QStringLiteral("persist_mode"), kPersistUntilRevoked);
                const QString token = m_owner.m_options.loadToken ? m_owner.m_options.loadToken() : QString();
                if (!token.isEmpty()) {
                    options.insert(QStringLiteral("restore_token"), token);
                    m_bUsedToken = true;
                }
            }
            Request(EStep::Devices, kRemoteDesktop, QStringLiteral("SelectDevices"),
                    {QVariant::fromValue(QDBusObjectPath(m_strSession))}, options);
            return;
        }
        case EStep::Devices: {
            QVariantMap options;
            options.insert(QStringLiteral("types"), kSourceMonitor);
            options.insert(QStringLiteral("multiple"), true);
            Request(EStep::Sources, kScreenCast, QStringLiteral("SelectSources"),
                    {QVariant::fromValue(QDBusObjectPath(m_strSession))}, options);
            return;
        }
        case EStep::Sources:
            Request(EStep::Start, kRemoteDesktop, QStringLiteral("Start"),
                    {QVariant::fromValue(QDBusObjectPath(m_strSession)), QString()}, {});
            return;
        case EStep::Start: {
            const QList<SPortalStream> streams = ParseStreams(results.value(QStringLiteral("streams")));
            const uint devices = results.value(QStringLiteral("devices"), kDevicePointer).toUInt();
            if ((devices & kDevicePointer) == 0 || streams.isEmpty()) {
                Fail(CPortalSession::EState::Failed,
                     (devices & kDevicePointer) == 0
                         ? QStringLiteral("the desktop did not share the pointer, so Vantrell cannot click.")
                         : QStringLiteral("the desktop shared no monitor, so Vantrell cannot place the pointer."));
                return;
            }
            const QString token = results.value(QStringLiteral("restore_token")).toString();
            if (m_uVersion >= 2 && !token.isEmpty() && m_owner.m_options.saveToken)
                m_owner.m_options.saveToken(token);
            // The desktop half that serves the session is watched as the front end is.
            for (const QString& name : RemoteDesktopBackEnds()) {
                if (Bus().interface()->isServiceRegistered(name))
                    m_pWatcher->addWatchedService(name);
            }
            m_owner.Finish(CPortalSession::EState::Ready, {}, m_uVersion, streams, m_strSession);
            return;
        }
        case EStep::None: break;
    }
}

void CPortalAgent::OnSessionClosed(const QDBusMessage& message) {
    if (message.path() != m_strSession || !m_bActive)
        return;
    m_bActive = false;
    Bus().disconnect(kService, m_strSession, kSession, QStringLiteral("Closed"), this,
                     SLOT(OnSessionClosed(QDBusMessage)));
    m_strSession.clear();
    Unsubscribe();
    m_step = EStep::None;
    Fail(CPortalSession::EState::Closed,
         QStringLiteral("the desktop ended the remote-control session (control of the pointer was revoked)."));
}

void CPortalAgent::OnServiceGone(const QString& name) {
    if (!m_bActive && m_step == EStep::None)
        return;
    m_bActive = false;
    m_strSession.clear();
    Unsubscribe();
    m_step = EStep::None;
    Fail(CPortalSession::EState::Closed,
         name == kService
             ? QStringLiteral("the desktop portal service went away, and with it the remote-control session.")
             : QStringLiteral("the desktop's half of the portal (%1) went away, and with it the remote-control "
                              "session.")
                   .arg(name));
}

void CPortalAgent::Fail(CPortalSession::EState state, const QString& error) {
    Unsubscribe();
    m_step = EStep::None;
    if (state == CPortalSession::EState::Failed)
        CloseSession();
    m_owner.Finish(state, error, m_uVersion, {}, {});
}

void CPortalAgent::CloseSession() {
    if (m_strSession.isEmpty())
        return;
    QDBusConnection bus = Bus();
    bus.disconnect(kService, m_strSession, kSession, QStringLiteral("Closed"), this,
                   SLOT(OnSessionClosed(QDBusMessage)));
    bus.send(QDBusMessage::createMethodCall(kService, m_strSession, kSession, QStringLiteral("Close")));
    m_strSession.clear();
    m_bActive = false;
}

void CPortalAgent::End() {
    Unsubscribe();
    CloseSession();
    delete m_pWatcher;
    m_pWatcher = nullptr;
    if (!m_strConnection.isEmpty())
        QDBusConnection::disconnectFromBus(m_strConnection);
    m_thread.quit();
}

CPortalSession::CPortalSession(SPortalOptions options) : m_options(std::move(options)) {
    if (!m_options.loadToken)
        m_options.loadToken = [] { return GetProfileString(kTokenSection, kTokenEntry); };
    if (!m_options.saveToken) {
        m_options.saveToken = [](const QString& token) {
            if (token.isEmpty())
                RemoveProfileEntry(kTokenSection, kTokenEntry);
            else
                WriteProfileString(kTokenSection, kTokenEntry, token);
        };
    }
}

bool CPortalSession::SessionBusNamed() {
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return true;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QFileInfo::exists(runtime + QStringLiteral("/bus"));
}

CPortalSession::~CPortalSession() {
    Shutdown();
}

std::shared_ptr<CPortalSession> CPortalSession::Process() {
    static std::mutex s_mutex;
    static std::shared_ptr<CPortalSession> s_session;
    std::lock_guard lock(s_mutex);
    if (!s_session) {
        s_session = std::make_shared<CPortalSession>();
        // The thread must end before the application object does.
        qAddPostRoutine([] {
            std::lock_guard inner(s_mutex);
            if (s_session)
                s_session->Shutdown();
        });
    }
    return s_session;
}

void CPortalSession::Shutdown() {
    std::unique_ptr<CPortalAgent> agent;
    {
        std::lock_guard lock(m_mutex);
        m_bShutDown = true;
        agent = std::move(m_pAgent);
        m_strConnection.clear();
    }
    if (agent) {
        QMetaObject::invokeMethod(agent.get(), "End", Qt::QueuedConnection);
        agent->m_thread.wait();
    }
    if (State() == EState::Ready || State() == EState::Starting)
        Finish(EState::Closed, QStringLiteral("Vantrell is ending."), 0, {}, {});
}

bool CPortalSession::Acquire(CStopSignal& stop, QString* error) {
    uint64_t ended = 0;
    {
        std::lock_guard lock(m_mutex);
        if (m_bShutDown) {
            if (error)
                *error = QStringLiteral("Vantrell is ending.");
            return false;
        }
        if (m_state.load() == EState::Ready)
            return true;
        ended = m_attemptsEnded.load();
        if (m_state.load() != EState::Starting) {
            m_state.store(EState::Starting, std::memory_order_release);
            m_strError.clear();
            if (!m_pAgent) {
                m_pAgent = std::make_unique<CPortalAgent>(*this);
                m_pAgent->moveToThread(&m_pAgent->m_thread);
                m_pAgent->m_thread.setObjectName(QStringLiteral("desktop portal"));
                m_pAgent->m_thread.start();
            }
            QMetaObject::invokeMethod(m_pAgent.get(), "Begin", Qt::QueuedConnection);
        }
    }
    {
        std::lock_guard lock(m_waitersMutex);
        m_waiters.push_back(&stop);
    }
    stop.WaitFor([this, ended] {
        return m_attemptsEnded.load(std::memory_order_acquire) != ended ||
               m_state.load(std::memory_order_acquire) == EState::Ready;
    });
    {
        std::lock_guard lock(m_waitersMutex);
        m_waiters.erase(std::find(m_waiters.begin(), m_waiters.end(), &stop));
    }
    std::lock_guard lock(m_mutex);
    if (m_state.load() == EState::Ready)
        return true;
    if (error)
        *error = m_attemptsEnded.load() != ended ? m_strError : QString();
    return false;
}

void CPortalSession::Finish(EState state, const QString& error, uint32_t version,
                            const QList<SPortalStream>& streams, const QString& sessionHandle) {
    {
        std::lock_guard lock(m_mutex);
        m_strError = error;
        if (state == EState::Ready) {
            m_uVersion = version;
            m_streams = streams;
            m_strSession = sessionHandle;
            m_generation.fetch_add(1, std::memory_order_acq_rel);
        } else {
            m_streams.clear();
            m_strSession.clear();
        }
        m_state.store(state, std::memory_order_release);
        m_attemptsEnded.fetch_add(1, std::memory_order_acq_rel);
    }
    NotifyWaiters();
}

void CPortalSession::NotifyWaiters() {
    std::lock_guard lock(m_waitersMutex);
    for (CStopSignal* stop : m_waiters)
        stop->Notify();
    if (m_state.load(std::memory_order_acquire) == EState::Closed) {
        for (CStopSignal* stop : m_runs)
            stop->Raise();
    }
}

bool CPortalSession::ClaimSettle() {
    uint64_t settled = m_settled.load(std::memory_order_acquire);
    const uint64_t generation = Generation();
    while (settled < generation) {
        if (m_settled.compare_exchange_weak(settled, generation, std::memory_order_acq_rel))
            return true;
    }
    return false;
}

void CPortalSession::AddRun(CStopSignal* stop) {
    std::lock_guard lock(m_waitersMutex);
    m_runs.push_back(stop);
}

void CPortalSession::RemoveRun(CStopSignal* stop) {
    std::lock_guard lock(m_waitersMutex);
    const auto it = std::find(m_runs.begin(), m_runs.end(), stop);
    if (it != m_runs.end())
        m_runs.erase(it);
}

QString CPortalSession::ErrorText() const {
    std::lock_guard lock(m_mutex);
    return m_strError;
}

uint32_t CPortalSession::Version() const {
    std::lock_guard lock(m_mutex);
    return m_uVersion;
}

QList<SPortalStream> CPortalSession::Streams() const {
    std::lock_guard lock(m_mutex);
    return m_streams;
}

bool CPortalSession::MapToStream(const QList<SPortalStream>& streams, QPoint global, uint32_t* node,
                                 QPoint* local) {
    const SPortalStream* best = nullptr;
    long long bestDistance = LLONG_MAX;
    for (const SPortalStream& stream : streams) {
        if (!stream.bHasPosition) {
            *node = stream.node;
            *local = global;
            return true;
        }
        const int right = stream.position.x() + std::max(stream.size.width(), 1) - 1;
        const int bottom = stream.position.y() + std::max(stream.size.height(), 1) - 1;
        const long long dx = global.x() < stream.position.x() ? stream.position.x() - global.x()
                             : global.x() > right            ? global.x() - right
                                                             : 0;
        const long long dy = global.y() < stream.position.y() ? stream.position.y() - global.y()
                             : global.y() > bottom           ? global.y() - bottom
                                                             : 0;
        const long long distance = dx * dx + dy * dy;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = &stream;
        }
    }
    if (!best)
        return false;
    const int right = best->position.x() + std::max(best->size.width(), 1) - 1;
    const int bottom = best->position.y() + std::max(best->size.height(), 1) - 1;
    *node = best->node;
    *local = QPoint(std::clamp(global.x(), best->position.x(), right) - best->position.x(),
                    std::clamp(global.y(), best->position.y(), bottom) - best->position.y());
    return true;
}

bool CPortalSession::Call(const char* method, const QList<QVariant>& args, QString* error, bool wait,
                         std::optional<QDBusPendingCall>* answer) {
    QString connection;
    QString session;
    {
        std::lock_guard lock(m_mutex);
        if (m_state.load() != EState::Ready) {
            if (error)
                *error = m_strError.isEmpty() ? QStringLiteral("the remote-control session has not started.")
                                              : m_strError;
            return false;
        }
        connection = m_strConnection;
        session = m_strSession;
    }
    QList<QVariant> all{QVariant::fromValue(QDBusObjectPath(session)), QVariantMap()};
    all.append(args);
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kRemoteDesktop, QLatin1String(method));
    call.setArguments(all);
    QDBusConnection bus(connection);
    if (answer) {
        answer->emplace(bus.asyncCall(call, kClickTimeoutMs));
        return true;
    }
    if (!wait)
        return bus.send(call);
    const QDBusMessage reply = bus.call(call, QDBus::Block, kClickTimeoutMs);
    if (reply.type() == QDBusMessage::ReplyMessage)
        return true;
    if (error)
        *error = AnswerError(reply.errorMessage());
    return false;
}

QString CPortalSession::AnswerError(const QString& portalMessage) const {
    // The session may have ended under the call; that is the better reason.
    std::lock_guard lock(m_mutex);
    return m_state.load() != EState::Ready && !m_strError.isEmpty()
               ? m_strError
               : QStringLiteral("the desktop portal refused a pointer event (%1).").arg(portalMessage);
}

bool CPortalSession::MovePointer(QPoint global, QString* error, bool wait) {
    return Move(global, error, wait, nullptr);
}

bool CPortalSession::PostMove(QPoint global, std::optional<QDBusPendingCall>* answer, QString* error) {
    return Move(global, error, false, answer);
}

bool CPortalSession::Move(QPoint global, QString* error, bool wait, std::optional<QDBusPendingCall>* answer) {
    uint32_t node = 0;
    QPoint local;
    if (!MapToStream(Streams(), global, &node, &local)) {
        if (error)
            *error = State() == EState::Ready ? QStringLiteral("the desktop shared no monitor.") : ErrorText();
        return false;
    }
    return Call("NotifyPointerMotionAbsolute",
                {node, static_cast<double>(local.x()), static_cast<double>(local.y())}, error, wait, answer);
}

bool CPortalSession::Button(int code, bool pressed, QString* error, bool wait) {
    return Call("NotifyPointerButton", {code, pressed ? 1u : 0u}, error, wait);
}

bool CPortalSession::PostButton(int code, bool pressed, std::optional<QDBusPendingCall>* answer, QString* error) {
    return Call("NotifyPointerButton", {code, pressed ? 1u : 0u}, error, false, answer);
}

}  // namespace platform

#include "PortalSession.moc"
