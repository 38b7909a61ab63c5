#pragma once
// One call of a desktop-portal method whose answer comes later, as the Response signal of a request
// object (the user may have a dialog to answer first). The request's path follows from the caller's name
// on the bus and the handle token, so the answer is listened for before the call goes out: a portal may
// answer before its reply reaches us. Nothing waits: the call's reply and the Response both arrive through
// the event loop of the thread that made the request, which then hears the outcome once.

#include <QDBusConnection>
#include <QList>
#include <QObject>
#include <QString>
#include <QVariant>
#include <QVariantMap>
#include <functional>

class QDBusMessage;
class QDBusPendingCallWatcher;

namespace platform {

inline const QString kPortalService = QStringLiteral("org.freedesktop.portal.Desktop");
inline const QString kPortalPath = QStringLiteral("/org/freedesktop/portal/desktop");
inline const QString kPortalSession = QStringLiteral("org.freedesktop.portal.Session");

// A request's or a session's object path for a token of ours: .../KIND/SENDER/TOKEN, where SENDER is our
// unique name on the bus without its colon and with its dots as underscores.
QString PortalHandlePath(const QDBusConnection& bus, const QString& kind, const QString& token);
// A session handle in a Response's results: a string in the documented answer, an object path in some.
QString PortalSessionHandle(const QVariantMap& results);

class CPortalRequest final : public QObject {
    Q_OBJECT

public:
    // response: the portal's answer (0 granted, 1 cancelled by the user, 2 failed); a call that the
    // portal refused outright gives 2 with its error text in callError.
    using Done = std::function<void(uint response, const QVariantMap& results, const QString& callError)>;

    // Calls interface.method(args..., options) on the portal, with a handle token of our own in the
    // options. done is called at most once, from the event loop; never after this object is gone.
    CPortalRequest(const QDBusConnection& bus, const QString& interface, const QString& method,
                   QList<QVariant> args, QVariantMap options, int timeoutMs, Done done, QObject* parent = nullptr);
    ~CPortalRequest() override;

private Q_SLOTS:
    void OnResponse(uint response, const QVariantMap& results, const QDBusMessage& message);
    void OnReply(QDBusPendingCallWatcher* watcher);

private:
    void Subscribe(const QString& path);
    void Unsubscribe();
    void Answer(uint response, const QVariantMap& results, const QString& callError);

    QString m_strConnection;
    QString m_strPath;
    Done m_done;
};

}  // namespace platform
