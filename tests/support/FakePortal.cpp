#include "tests/support/FakePortal.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QMutexLocker>
#include <utility>

#include "platform/portal/KeyedProperties.h"

namespace {

const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kBackEnd = QStringLiteral("org.freedesktop.impl.portal.desktop.vantrelltest");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");

// "ID=TRIGGER ..." of a shortcuts list; "?" for a list of another type.
QString ShortcutsText(const QVariant& value) {
    if (value.userType() != qMetaTypeId<QDBusArgument>())
        return QStringLiteral("?");
    const auto arg = value.value<QDBusArgument>();
    if (arg.currentSignature() != QLatin1String("a(sa{sv})"))
        return QStringLiteral("?");
    QList<platform::SShortcutEntry> entries;
    arg >> entries;
    QStringList parts;
    for (const platform::SShortcutEntry& entry : entries) {
        if (entry.properties.value(QStringLiteral("description")).toString().isEmpty())
            return QStringLiteral("?");
        parts << QStringLiteral("%1=%2").arg(entry.key, entry.properties.value(QStringLiteral("preferred_trigger")).toString());
    }
    return parts.join(QLatin1Char(' '));
}

// The caller's part of a request or session path: its unique name without the colon, dots as underscores.
QString SenderPart(const QDBusMessage& message) {
    QString sender = message.service().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    return sender;
}

QString Options(const QVariantMap& options) {
    QStringList parts;
    for (const char* key : {"types", "multiple", "persist_mode", "restore_token"}) {
        const QString name = QLatin1String(key);
        if (!options.contains(name))
            continue;
        const QVariant v = options.value(name);
        const QString value = v.userType() == QMetaType::Bool ? QLatin1String(v.toBool() ? "true" : "false")
                                                             : v.toString();
        parts << QStringLiteral("%1=%2").arg(name, value);
    }
    return parts.join(QLatin1Char(' '));
}

}  // namespace


namespace testsupport {

CFakePortal::CFakePortal(const QString& address) {
    qDBusRegisterMetaType<platform::SStreamEntry>();
    qDBusRegisterMetaType<QList<platform::SStreamEntry>>();
    qDBusRegisterMetaType<platform::SShortcutEntry>();
    qDBusRegisterMetaType<QList<platform::SShortcutEntry>>();
    static int s_count = 0;
    m_strConnection = QStringLiteral("fake-portal-%1").arg(++s_count);
    QDBusConnection bus = QDBusConnection::connectToBus(address, m_strConnection);
    if (bus.isConnected() && bus.registerVirtualObject(kPath, this, QDBusConnection::SubPath))
        Register();
}

CFakePortal::~CFakePortal() {
    QDBusConnection bus(m_strConnection);
    bus.unregisterObject(kPath, QDBusConnection::UnregisterTree);
    bus.unregisterService(kService);
    QDBusConnection::disconnectFromBus(m_strConnection);
}

void CFakePortal::Register() {
    QDBusConnection bus(m_strConnection);
    m_bRegistered = bus.registerService(kService) && bus.registerService(kBackEnd);
}

void CFakePortal::BackEndLeaves() {
    QDBusConnection(m_strConnection).unregisterService(kBackEnd);
}

QString CFakePortal::BackEndDescription() {
    return QStringLiteral("[portal]\nDBusName=%1\nInterfaces=org.freedesktop.impl.portal.RemoteDesktop;"
                          "org.freedesktop.impl.portal.ScreenCast;\n")
        .arg(kBackEnd);
}

void CFakePortal::Unregister() {
    QDBusConnection(m_strConnection).unregisterService(kService);
    m_strSession.clear();
    m_strShortcutsSession.clear();
}

QString CFakePortal::introspect(const QString&) const {
    return {};
}

void CFakePortal::Record(const QString& line) {
    QMutexLocker lock(&m_mutex);
    m_calls << line;
}

QStringList CFakePortal::Calls() const {
    QMutexLocker lock(&m_mutex);
    return m_calls;
}

int CFakePortal::CountOf(const QString& prefix) const {
    QMutexLocker lock(&m_mutex);
    int n = 0;
    for (const QString& call : m_calls)
        n += call.startsWith(prefix) ? 1 : 0;
    return n;
}

void CFakePortal::Respond(const QString& request, uint response, const QVariantMap& results) {
    QDBusMessage signal =
        QDBusMessage::createSignal(request, QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"));
    signal << response << results;
    QDBusConnection(m_strConnection).send(signal);
}

void CFakePortal::AnswerHeld(int response) {
    if (m_strHeldRequest.isEmpty())
        return;
    const QString request = std::exchange(m_strHeldRequest, {});
    const QString method = std::exchange(m_strHeldMethod, {});
    Respond(request, static_cast<uint>(response),
            response == 0 && method == QLatin1String("Start") ? StartResults() : QVariantMap());
}

void CFakePortal::SendClosed(QString& session) {
    if (session.isEmpty())
        return;
    QDBusMessage signal =
        QDBusMessage::createSignal(session, QStringLiteral("org.freedesktop.portal.Session"), QStringLiteral("Closed"));
    signal << QVariantMap();
    session.clear();
    QDBusConnection(m_strConnection).send(signal);
}

QVariantMap CFakePortal::StartResults() {
    QList<platform::SStreamEntry> streams;
    for (const SFakeStream& s : m_streams) {
        platform::SStreamEntry entry;
        entry.key = s.node;
        if (s.bHasPosition) {
            entry.properties.insert(QStringLiteral("position"), QVariant::fromValue(s.position));
            entry.properties.insert(QStringLiteral("size"), QVariant::fromValue(s.size));
        }
        entry.properties.insert(QStringLiteral("source_type"), 1u);
        streams << entry;
    }
    QVariantMap results;
    results.insert(QStringLiteral("devices"), 2u);
    results.insert(QStringLiteral("streams"), QVariant::fromValue(streams));
    if (m_bPersist) {
        m_strValidToken = QStringLiteral("token-%1").arg(++m_iTokens);
        results.insert(QStringLiteral("restore_token"), m_strValidToken);
    }
    return results;
}

bool CFakePortal::handleMessage(const QDBusMessage& message, const QDBusConnection& connection) {
    const QString interface = message.interface();
    const QString member = message.member();
    const QVariantList args = message.arguments();
    QDBusConnection bus(connection);
    const auto fail = [&](const QString& text) {
        bus.send(message.createErrorReply(QStringLiteral("org.freedesktop.portal.Error.Failed"), text));
        return true;
    };
    if (interface == QLatin1String("org.freedesktop.DBus.Properties") && member == QLatin1String("Get")) {
        const bool shortcuts = args.value(0).toString() == QLatin1String("org.freedesktop.portal.GlobalShortcuts");
        if ((shortcuts ? m_uShortcutsVersion == 0 : !m_bRemoteDesktop) || args.value(1).toString() != QLatin1String("version"))
            return fail(QStringLiteral("No such interface"));
        bus.send(message.createReply(QVariant::fromValue(QDBusVariant(shortcuts ? m_uShortcutsVersion : m_uVersion))));
        return true;
    }
    if (interface == QLatin1String("org.freedesktop.portal.GlobalShortcuts"))
        return HandleShortcuts(message, bus);
    if (interface == QLatin1String("org.freedesktop.portal.Session") && member == QLatin1String("Close")) {
        if (m_shortcutsSessions.contains(message.path())) {
            Record(QStringLiteral("GlobalShortcuts.Close"));
            if (message.path() == m_strShortcutsSession)
                m_strShortcutsSession.clear();
            bus.send(message.createReply());
            return true;
        }
        Record(QStringLiteral("Close"));
        if (message.path() == m_strSession)
            m_strSession.clear();
        bus.send(message.createReply());
        return true;
    }
    const bool remote = interface == QLatin1String("org.freedesktop.portal.RemoteDesktop");
    const bool cast = interface == QLatin1String("org.freedesktop.portal.ScreenCast");
    if ((!remote || !m_bRemoteDesktop) && !cast)
        return false;
    // Arguments of the wrong types are refused, as the real service refuses them.
    static const QMap<QString, QString> kSignatures{
        {QStringLiteral("CreateSession"), QStringLiteral("a{sv}")},
        {QStringLiteral("SelectDevices"), QStringLiteral("oa{sv}")},
        {QStringLiteral("SelectSources"), QStringLiteral("oa{sv}")},
        {QStringLiteral("Start"), QStringLiteral("osa{sv}")},
        {QStringLiteral("NotifyPointerMotionAbsolute"), QStringLiteral("oa{sv}udd")},
        {QStringLiteral("NotifyPointerButton"), QStringLiteral("oa{sv}iu")}};
    if (message.signature() != kSignatures.value(member))
        return fail(QStringLiteral("Invalid arguments: %1").arg(message.signature()));
    // Every method but CreateSession names the session first.
    if (member != QLatin1String("CreateSession")) {
        const QString session = args.value(0).value<QDBusObjectPath>().path();
        if (session.isEmpty() || session != m_strSession)
            return fail(QStringLiteral("Invalid session"));
    }
    if (member == QLatin1String("NotifyPointerMotionAbsolute")) {
        Record(QStringLiteral("Motion %1 %2 %3")
                   .arg(args.value(2).toUInt())
                   .arg(args.value(3).toDouble())
                   .arg(args.value(4).toDouble()));
        bus.send(message.createReply());
        return true;
    }
    if (member == QLatin1String("NotifyPointerButton")) {
        Record(QStringLiteral("Button %1 %2").arg(args.value(2).toInt()).arg(args.value(3).toUInt()));
        bus.send(message.createReply());
        return true;
    }
    const QVariantMap options = qdbus_cast<QVariantMap>(args.value(member == QLatin1String("CreateSession") ? 0
                                                                         : member == QLatin1String("Start") ? 2
                                                                                                            : 1));
    const QString request = QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2")
                                .arg(SenderPart(message), options.value(QStringLiteral("handle_token")).toString());
    const QString line = QStringLiteral("%1 %2").arg(member, Options(options)).trimmed();
    Record(line);
    int response = m_responses.value(member, 0);
    QVariantMap results;
    if (member == QLatin1String("CreateSession")) {
        if (response == 0) {
            m_strSession = QStringLiteral("/org/freedesktop/portal/desktop/session/%1/%2")
                               .arg(SenderPart(message), options.value(QStringLiteral("session_handle_token")).toString());
            results.insert(QStringLiteral("session_handle"), m_strSession);
        }
    } else if (member == QLatin1String("SelectDevices")) {
        m_bPersist = options.value(QStringLiteral("persist_mode")).toUInt() == 2;
        m_strOfferedToken = options.value(QStringLiteral("restore_token")).toString();
    } else if (member == QLatin1String("Start")) {
        if (response == 0 && !m_strOfferedToken.isEmpty() && m_strOfferedToken != m_strValidToken)
            response = 2;
        if (response == 0)
            results = StartResults();
    }
    return AnswerOrHold(message, bus, request, response, results);
}

bool CFakePortal::AnswerOrHold(const QDBusMessage& message, QDBusConnection& bus, const QString& request,
                               int response, const QVariantMap& results) {
    // The answer before the reply: a client must listen before it calls.
    if (response >= 0) {
        Respond(request, static_cast<uint>(response), results);
    } else {
        m_strHeldRequest = request;
        m_strHeldMethod = message.member();
    }
    bus.send(message.createReply(QVariant::fromValue(QDBusObjectPath(request))));
    return true;
}

bool CFakePortal::HandleShortcuts(const QDBusMessage& message, QDBusConnection& bus) {
    const QString member = message.member();
    const QVariantList args = message.arguments();
    const auto fail = [&](const QString& text) {
        bus.send(message.createErrorReply(QStringLiteral("org.freedesktop.portal.Error.Failed"), text));
        return true;
    };
    if (m_uShortcutsVersion == 0)
        return false;
    static const QMap<QString, QString> kSignatures{{QStringLiteral("CreateSession"), QStringLiteral("a{sv}")},
                                                    {QStringLiteral("BindShortcuts"), QStringLiteral("oa(sa{sv})sa{sv}")}};
    if (!kSignatures.contains(member) || message.signature() != kSignatures.value(member))
        return fail(QStringLiteral("Invalid arguments: %1 %2").arg(member, message.signature()));
    const bool create = member == QLatin1String("CreateSession");
    const QVariantMap options = qdbus_cast<QVariantMap>(args.value(create ? 0 : 3));
    if (!create && args.value(0).value<QDBusObjectPath>().path() != m_strShortcutsSession)
        return fail(QStringLiteral("Invalid session"));
    const QString request = QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2")
                                .arg(SenderPart(message), options.value(QStringLiteral("handle_token")).toString());
    const QVariant shortcuts = create ? options.value(QStringLiteral("shortcuts")) : args.value(1);
    Record(QStringLiteral("GlobalShortcuts.%1 %2")
               .arg(member, shortcuts.isValid() ? ShortcutsText(shortcuts) : QString())
               .trimmed());
    const int response = m_responses.value(QStringLiteral("GlobalShortcuts.") + member, 0);
    QVariantMap results;
    if (create && response == 0) {
        m_strShortcutsSession = QStringLiteral("/org/freedesktop/portal/desktop/session/%1/%2")
                                    .arg(SenderPart(message), options.value(QStringLiteral("session_handle_token")).toString());
        m_shortcutsSessions << m_strShortcutsSession;
        results.insert(QStringLiteral("session_handle"), m_strShortcutsSession);
    }
    return AnswerOrHold(message, bus, request, response, results);
}

void CFakePortal::Activate(const QString& id) {
    QDBusMessage signal = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/portal/desktop"),
                                                     QStringLiteral("org.freedesktop.portal.GlobalShortcuts"),
                                                     QStringLiteral("Activated"));
    // After the session was closed, as a late signal of it.
    const QString session = m_strShortcutsSession.isEmpty() ? m_shortcutsSessions.value(m_shortcutsSessions.size() - 1)
                                                            : m_strShortcutsSession;
    if (session.isEmpty())
        return;
    signal << QVariant::fromValue(QDBusObjectPath(session)) << id << qulonglong(1) << QVariantMap();
    QDBusConnection(m_strConnection).send(signal);
}

}  // namespace testsupport
