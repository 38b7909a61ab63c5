#include "platform/portal/PortalRequest.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <atomic>
#include <utility>

namespace platform {

namespace {

const QString kRequest = QStringLiteral("org.freedesktop.portal.Request");

}  // namespace

QString PortalHandlePath(const QDBusConnection& bus, const QString& kind, const QString& token) {
    QString sender = bus.baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    return QStringLiteral("/org/freedesktop/portal/desktop/%1/%2/%3").arg(kind, sender, token);
}

QString PortalSessionHandle(const QVariantMap& results) {
    const QVariant handle = results.value(QStringLiteral("session_handle"));
    return handle.userType() == qMetaTypeId<QDBusObjectPath>() ? handle.value<QDBusObjectPath>().path()
                                                               : handle.toString();
}

CPortalRequest::CPortalRequest(const QDBusConnection& bus, const QString& interface, const QString& method,
                               QList<QVariant> args, QVariantMap options, int timeoutMs, Done done,
                               QObject* parent)
    : QObject(parent), m_strConnection(bus.name()), m_done(std::move(done)) {
    static std::atomic<unsigned> s_tokens{0};
    const QString token = QStringLiteral("vantrell_request%1").arg(++s_tokens);
    Subscribe(PortalHandlePath(bus, QStringLiteral("request"), token));
    options.insert(QStringLiteral("handle_token"), token);
    args.append(options);
    QDBusMessage call = QDBusMessage::createMethodCall(kPortalService, kPortalPath, interface, method);
    call.setArguments(args);
    auto* watcher = new QDBusPendingCallWatcher(QDBusConnection(m_strConnection).asyncCall(call, timeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, &CPortalRequest::OnReply);
}

CPortalRequest::~CPortalRequest() {
    Unsubscribe();
}

void CPortalRequest::Subscribe(const QString& path) {
    m_strPath = path;
    QDBusConnection(m_strConnection)
        .connect(kPortalService, m_strPath, kRequest, QStringLiteral("Response"), this,
                 SLOT(OnResponse(uint, QVariantMap, QDBusMessage)));
}

void CPortalRequest::Unsubscribe() {
    if (m_strPath.isEmpty())
        return;
    QDBusConnection(m_strConnection)
        .disconnect(kPortalService, m_strPath, kRequest, QStringLiteral("Response"), this,
                    SLOT(OnResponse(uint, QVariantMap, QDBusMessage)));
    m_strPath.clear();
}

void CPortalRequest::OnReply(QDBusPendingCallWatcher* watcher) {
    watcher->deleteLater();
    if (!m_done)
        return;
    const QDBusPendingReply<QDBusObjectPath> reply = *watcher;
    if (reply.isError()) {
        const QString text = reply.error().message().isEmpty() ? reply.error().name() : reply.error().message();
        Answer(2, {}, text.isEmpty() ? QStringLiteral("no answer") : text);
        return;
    }
    // Older portals chose the path themselves.
    const QString handle = reply.value().path();
    if (!handle.isEmpty() && handle != m_strPath) {
        Unsubscribe();
        Subscribe(handle);
    }
}

void CPortalRequest::OnResponse(uint response, const QVariantMap& results, const QDBusMessage& message) {
    if (message.path() != m_strPath || !m_done)
        return;
    Answer(response, results, {});
}

void CPortalRequest::Answer(uint response, const QVariantMap& results, const QString& callError) {
    Unsubscribe();
    // The owner may let this object go from done (with deleteLater), so nothing of it is touched after.
    const Done done = std::exchange(m_done, nullptr);
    done(response, results, callError);
}

}  // namespace platform
