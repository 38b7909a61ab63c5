#include "tests/support/PortalKeyboard.h"

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>
#include <atomic>

namespace testsupport {

namespace {

const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kRemoteDesktop = QStringLiteral("org.freedesktop.portal.RemoteDesktop");
const QString kRequest = QStringLiteral("org.freedesktop.portal.Request");
constexpr uint kDeviceKeyboard = 1;
constexpr int kAnswerTimeoutMs = 15000;

}  // namespace

CPortalKeyboard::~CPortalKeyboard() {
    Close();
}

bool CPortalKeyboard::Request(const QString& interface, const QString& method, QList<QVariant> args,
                              QVariantMap options, QVariantMap* results, QString* error) {
    QDBusConnection bus(m_strConnection);
    // The answer may come before the reply: the request's path is known beforehand and listened to.
    const QString token = QStringLiteral("keyboard%1").arg(++m_uToken);
    QString sender = bus.baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    m_strRequest = QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, token);
    m_bAnswered = false;
    bus.connect(kService, m_strRequest, kRequest, QStringLiteral("Response"), this,
                SLOT(OnResponse(uint, QVariantMap, QDBusMessage)));
    options.insert(QStringLiteral("handle_token"), token);
    args.append(options);
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, interface, method);
    call.setArguments(args);
    const QDBusMessage reply = bus.call(call, QDBus::Block, kAnswerTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage) {
        *error = QStringLiteral("%1: %2").arg(method, reply.errorMessage());
        return false;
    }
    const QDeadlineTimer deadline(kAnswerTimeoutMs);
    while (!m_bAnswered && !deadline.hasExpired()) {
        QEventLoop loop;
        QTimer::singleShot(20, &loop, &QEventLoop::quit);
        loop.exec();
    }
    bus.disconnect(kService, m_strRequest, kRequest, QStringLiteral("Response"), this,
                   SLOT(OnResponse(uint, QVariantMap, QDBusMessage)));
    if (!m_bAnswered || m_uResponse != 0) {
        *error = m_bAnswered ? QStringLiteral("%1 was answered with %2").arg(method).arg(m_uResponse)
                             : QStringLiteral("%1 was not answered").arg(method);
        return false;
    }
    *results = m_results;
    return true;
}

void CPortalKeyboard::OnResponse(uint response, const QVariantMap& results, const QDBusMessage& message) {
    if (message.path() != m_strRequest)
        return;
    m_uResponse = response;
    m_results = results;
    m_bAnswered = true;
}

bool CPortalKeyboard::Open(const QString& busAddress, QString* error) {
    Close();
    static std::atomic<unsigned> s_count{0};
    m_strConnection = QStringLiteral("test-portal-keyboard-%1").arg(++s_count);
    const QDBusConnection bus =
        busAddress.isEmpty() ? QDBusConnection::connectToBus(QDBusConnection::SessionBus, m_strConnection)
                             : QDBusConnection::connectToBus(busAddress, m_strConnection);
    if (!bus.isConnected()) {
        *error = QStringLiteral("cannot connect to the bus: %1").arg(bus.lastError().message());
        return false;
    }
    QVariantMap results;
    if (!Request(kRemoteDesktop, QStringLiteral("CreateSession"), {},
                 {{QStringLiteral("session_handle_token"), QStringLiteral("keyboard")}}, &results, error))
        return false;
    m_strSession = results.value(QStringLiteral("session_handle")).toString();
    if (m_strSession.isEmpty())
        m_strSession = results.value(QStringLiteral("session_handle")).value<QDBusObjectPath>().path();
    const QVariant session = QVariant::fromValue(QDBusObjectPath(m_strSession));
    if (!Request(kRemoteDesktop, QStringLiteral("SelectDevices"), {session},
                 {{QStringLiteral("types"), kDeviceKeyboard}}, &results, error) ||
        !Request(kRemoteDesktop, QStringLiteral("Start"), {session, QString()}, {}, &results, error))
        return false;
    if ((results.value(QStringLiteral("devices")).toUInt() & kDeviceKeyboard) == 0) {
        *error = QStringLiteral("the desktop did not share the keyboard");
        return false;
    }
    return true;
}

bool CPortalKeyboard::Key(int code, bool pressed, QString* error) {
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kRemoteDesktop,
                                                       QStringLiteral("NotifyKeyboardKeycode"));
    call.setArguments(
        {QVariant::fromValue(QDBusObjectPath(m_strSession)), QVariantMap(), code, pressed ? 1u : 0u});
    const QDBusMessage reply = QDBusConnection(m_strConnection).call(call, QDBus::Block, kAnswerTimeoutMs);
    if (reply.type() == QDBusMessage::ReplyMessage)
        return true;
    *error = QStringLiteral("NotifyKeyboardKeycode: %1").arg(reply.errorMessage());
    return false;
}

bool CPortalKeyboard::Tap(int code, QString* error, const QList<int>& modifiers) {
    for (int modifier : modifiers) {
        if (!Key(modifier, true, error))
            return false;
    }
    bool ok = Key(code, true, error) && Key(code, false, error);
    for (auto it = modifiers.rbegin(); it != modifiers.rend(); ++it)
        ok = Key(*it, false, error) && ok;
    return ok;
}

void CPortalKeyboard::Close() {
    if (m_strConnection.isEmpty())
        return;
    QDBusConnection bus(m_strConnection);
    if (!m_strSession.isEmpty())
        bus.call(QDBusMessage::createMethodCall(kService, m_strSession,
                                                QStringLiteral("org.freedesktop.portal.Session"),
                                                QStringLiteral("Close")),
                 QDBus::Block, 2000);
    m_strSession.clear();
    QDBusConnection::disconnectFromBus(m_strConnection);
    m_strConnection.clear();
}

}  // namespace testsupport
