#include "app/ControlService.h"

#include <QDBusConnection>
#include <QDBusError>
#include <QDBusVariant>
#include <QTextStream>
#include <QUrl>

#include "app/MainFrame.h"
#include "platform/QuietThread.h"
#include "ui/DocManager.h"
#include "ui/VantrellView.h"

namespace control {

namespace {

const QString kStart = QStringLiteral("start");
const QString kStop = QStringLiteral("stop");
const QString kToggle = QStringLiteral("toggle");

// Qt's bus connections read messages on a thread of their own, which goes only when the process ends. The
// registry of Qt's own types that the messages are read into must outlast it, so it is made first: made
// by the connection instead, it would go first, and a message that came in while the program ends would
// be read into types that are gone.
void KeepTypesForTheBusThread() {
    qRegisterMetaType<QDBusVariant>();
}

}  // namespace

bool IsAction(const QString& name) {
    return name == kStart || name == kStop || name == kToggle;
}

int SendAction(const QString& action, QTextStream& err) {
    KeepTypesForTheBusThread();
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        err << "vantrell: no session bus to reach a Vantrell window (" << bus.lastError().message() << ")"
            << Qt::endl;
        return 1;
    }
    QDBusMessage call =
        QDBusMessage::createMethodCall(QString::fromLatin1(kBusName), QString::fromLatin1(kObjectPath),
                                       QString::fromLatin1(kInterface), QStringLiteral("ActivateAction"));
    // A window is never started for the call: only a running one is asked.
    call.setAutoStartService(false);
    call << action << QVariantList() << QVariantMap();
    const QDBusMessage reply = bus.call(call, QDBus::Block, kCallTimeoutMs);
    if (reply.type() == QDBusMessage::ReplyMessage)
        return 0;
    const QDBusError error(reply);
    if (error.type() == QDBusError::ServiceUnknown ||
        error.name() == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner"))
        err << "vantrell: no Vantrell window is running" << Qt::endl;
    else if (error.type() == QDBusError::NoReply || error.type() == QDBusError::Timeout ||
             error.type() == QDBusError::TimedOut)
        err << "vantrell: the Vantrell window did not answer" << Qt::endl;
    else
        err << "vantrell: the Vantrell window refused --" << action << ": " << error.message() << Qt::endl;
    return 1;
}

}  // namespace control

CControlService::CControlService(CMainFrame& frame) : m_frame(frame) {
    new CApplicationAdaptor(*this);
    m_connectPoll.setInterval(25);
    connect(&m_connectPoll, &QTimer::timeout, this, [this] {
        if (m_bConnectDone.load(std::memory_order_acquire))
            OnConnected();
    });
}

CControlService::~CControlService() {
    if (m_connecting.joinable())
        m_connecting.join();
}

void CControlService::Register() {
    if (m_connecting.joinable() || m_connectPoll.isActive())
        return;
    // The first use of the bus connects and says hello to it and waits for that. The thread only makes the
    // connection, which Qt keeps for the process; the user-interface thread looks for the end now and then
    // and takes the same connection from there on.
    control::KeepTypesForTheBusThread();
    m_connecting = platform::StartQuietThread([this] {
        (void)QDBusConnection::sessionBus().isConnected();
        m_bConnectDone.store(true, std::memory_order_release);
    });
    m_connectPoll.start();
}

void CControlService::OnConnected() {
    m_connectPoll.stop();
    m_connecting.join();
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    if (!bus.registerObject(QString::fromLatin1(control::kObjectPath), this, QDBusConnection::ExportAdaptors))
        return;
    // Queued for the name when another window owns it: that one is asked while it runs, this one after.
    QDBusMessage request = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("RequestName"));
    request << QString::fromLatin1(control::kBusName) << 0u;
    // The answer is not needed: whether this window owns the name now or later, the bus routes the calls.
    bus.send(request);
}

void CControlService::Perform(const QString& action) {
    CVantrellView& view = m_frame.View();
    if (action == control::kStart ? !view.IsRunning() : action == control::kStop ? view.IsRunning() : true)
        view.OnStartStop();
}

void CControlService::Activate() {
    m_frame.ShowFromTray();
}

void CControlService::Open(const QStringList& uris) {
    Activate();
    for (const QString& uri : uris) {
        const QUrl url(uri);
        if (url.isLocalFile()) {
            m_frame.DocManager().OpenDocumentFile(url.toLocalFile());
            return;
        }
    }
}

CApplicationAdaptor::CApplicationAdaptor(CControlService& service)
    : QDBusAbstractAdaptor(&service), m_service(service) {}

// Every action is done after the call has been answered, so that a question it asks does not keep the
// caller waiting.
void CApplicationAdaptor::Activate(const QVariantMap&) {
    QMetaObject::invokeMethod(&m_service, &CControlService::Activate, Qt::QueuedConnection);
}

void CApplicationAdaptor::Open(const QStringList& uris, const QVariantMap&) {
    QMetaObject::invokeMethod(
        &m_service, [service = &m_service, uris] { service->Open(uris); }, Qt::QueuedConnection);
}

void CApplicationAdaptor::ActivateAction(const QString& actionName, const QVariantList&, const QVariantMap&,
                                         const QDBusMessage& message) {
    if (!control::IsAction(actionName)) {
        message.setDelayedReply(true);
        QDBusConnection::sessionBus().send(message.createErrorReply(
            QDBusError::InvalidArgs,
            QStringLiteral("no action named \"%1\"; the actions are start, stop and toggle")
                .arg(actionName)));
        return;
    }
    QMetaObject::invokeMethod(
        &m_service, [service = &m_service, actionName] { service->Perform(actionName); },
        Qt::QueuedConnection);
}
