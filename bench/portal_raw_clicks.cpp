// The raw limit through the desktop portal: a remote-control session of its own (the pointer, and one
// monitor of the screen cast for absolute positions) and the calls that a run makes for a left click in a
// loop with nothing else in it, each call sent when the answer to the one before it is in.
//
//   bench_portal_raw_clicks --count N [--delay MS] [--rect X,Y,WxH]
//
// With --delay the loop keeps the program's rhythm: after a click it moves to the next point at once and
// presses when MS have passed since its release went out. Without it, it moves and clicks without a pause.
// The clicks land where bench_make_script puts a script's clicks. Needs DBUS_SESSION_BUS_ADDRESS of the
// desktop; a desktop that asks for consent must be answered by someone else.

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QEventLoop>
#include <QTimer>
#include <QVariantMap>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <thread>

#include "bench/ClickPattern.h"
#include "platform/Wait.h"

namespace {

const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kRemoteDesktop = QStringLiteral("org.freedesktop.portal.RemoteDesktop");
constexpr int kLeftButton = 0x110;  // BTN_LEFT

[[noreturn]] void Fail(const QString& what) {
    std::fprintf(stderr, "bench_portal_raw_clicks: %s\n", qPrintable(what));
    std::exit(1);
}

// Calls a portal method that answers through a Request, and returns the Response's results.
class CRequests : public QObject {
    Q_OBJECT
public:
    explicit CRequests(QDBusConnection bus) : m_bus(std::move(bus)) {}

    QVariantMap Call(const QString& interface, const QString& method, QList<QVariant> args, QVariantMap options) {
        const QString token = QStringLiteral("raw%1").arg(++m_count);
        QString sender = m_bus.baseService().mid(1);
        sender.replace(QLatin1Char('.'), QLatin1Char('_'));
        const QString path = QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, token);
        m_bus.connect(kService, path, QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"),
                      this, SLOT(OnResponse(uint, QVariantMap)));
        options.insert(QStringLiteral("handle_token"), token);
        args.append(options);
        QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, interface, method);
        call.setArguments(args);
        const QDBusMessage reply = m_bus.call(call, QDBus::Block, 30000);
        if (reply.type() != QDBusMessage::ReplyMessage)
            Fail(QStringLiteral("%1: %2").arg(method, reply.errorMessage()));
        m_response.reset();
        QEventLoop loop;
        QTimer::singleShot(60000, &loop, &QEventLoop::quit);
        connect(this, &CRequests::Answered, &loop, &QEventLoop::quit);
        if (!m_response)
            loop.exec();
        m_bus.disconnect(kService, path, QStringLiteral("org.freedesktop.portal.Request"),
                         QStringLiteral("Response"), this, SLOT(OnResponse(uint, QVariantMap)));
        if (!m_response || m_response->first != 0)
            Fail(QStringLiteral("%1 was not granted").arg(method));
        return m_response->second;
    }

Q_SIGNALS:
    void Answered();

private Q_SLOTS:
    void OnResponse(uint code, const QVariantMap& results) {
        m_response.emplace(code, results);
        Q_EMIT Answered();
    }

private:
    QDBusConnection m_bus;
    int m_count = 0;
    std::optional<std::pair<uint, QVariantMap>> m_response;
};

struct SStream {
    uint node = 0;
    int x = 0;
    int y = 0;
};

SStream FirstStream(const QVariant& streams) {
    SStream first;
    const QDBusArgument arg = streams.value<QDBusArgument>();
    arg.beginArray();
    if (arg.atEnd())
        Fail(QStringLiteral("the desktop shared no monitor"));
    QVariantMap properties;
    arg.beginStructure();
    arg >> first.node >> properties;
    arg.endStructure();
    const QVariant position = properties.value(QStringLiteral("position"));
    if (position.canConvert<QDBusArgument>()) {
        const QDBusArgument xy = position.value<QDBusArgument>();
        xy.beginStructure();
        xy >> first.x >> first.y;
        xy.endStructure();
    }
    return first;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    long count = 0;
    long delayMs = 0;
    SBenchRect rect{8, 8, 1264, 1008};
    for (int i = 1; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (std::strcmp(argv[i], "--count") == 0 && hasValue)
            count = std::strtol(argv[++i], nullptr, 10);
        else if (std::strcmp(argv[i], "--delay") == 0 && hasValue)
            delayMs = std::strtol(argv[++i], nullptr, 10);
        else if (std::strcmp(argv[i], "--rect") == 0 && hasValue && ParseBenchRect(argv[++i], &rect))
            continue;
        else
            count = 0;
    }
    if (count < 1 || delayMs < 0 || delayMs > 1'000'000) {
        std::fprintf(stderr, "usage: bench_portal_raw_clicks --count N [--delay MS] [--rect X,Y,WxH]\n");
        return 2;
    }
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        Fail(QStringLiteral("no session bus"));
    CRequests requests(bus);
    const QVariantMap created = requests.Call(kRemoteDesktop, QStringLiteral("CreateSession"), {},
                                              {{QStringLiteral("session_handle_token"), QStringLiteral("raw")}});
    const QDBusObjectPath session(created.value(QStringLiteral("session_handle")).toString());
    requests.Call(kRemoteDesktop, QStringLiteral("SelectDevices"), {QVariant::fromValue(session)},
                  {{QStringLiteral("types"), 2u}});
    requests.Call(QStringLiteral("org.freedesktop.portal.ScreenCast"), QStringLiteral("SelectSources"),
                  {QVariant::fromValue(session)}, {{QStringLiteral("types"), 1u}});
    const QVariantMap started =
        requests.Call(kRemoteDesktop, QStringLiteral("Start"), {QVariant::fromValue(session), QString()}, {});
    const SStream stream = FirstStream(started.value(QStringLiteral("streams")));

    platform::UsePreciseTimersOnThisThread();
    std::optional<QDBusPendingCall> previous;
    const auto await = [&] {
        if (!previous)
            return;
        previous->waitForFinished();
        if (previous->isError())
            Fail(previous->error().message());
        previous.reset();
    };
    const auto post = [&](const char* method, const QList<QVariant>& args) {
        await();
        QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kRemoteDesktop, QLatin1String(method));
        QList<QVariant> all{QVariant::fromValue(session), QVariantMap()};
        all.append(args);
        call.setArguments(all);
        previous.emplace(bus.asyncCall(call));
    };
    const auto move = [&](long n) {
        const SBenchPoint p = BenchClickPosition(static_cast<int>(n), rect);
        post("NotifyPointerMotionAbsolute", {stream.node, double(p.x - stream.x), double(p.y - stream.y)});
    };
    const auto started_at = std::chrono::steady_clock::now();
    auto since = started_at;
    for (long n = 0; n < count; ++n) {
        if (delayMs > 0) {
            move(n);
            await();
            const auto deadline = since + std::chrono::milliseconds(delayMs);
            std::this_thread::sleep_until(deadline - std::chrono::microseconds(200));
            while (std::chrono::steady_clock::now() < deadline) {
            }
        } else {
            move(n);
        }
        post("NotifyPointerButton", {kLeftButton, 1u});
        post("NotifyPointerButton", {kLeftButton, 0u});
        since = std::chrono::steady_clock::now();
    }
    await();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started_at).count();
    std::fprintf(stderr, "bench_portal_raw_clicks: %ld clicks in %.3f s\n", count, seconds);
    return 0;
}

#include "portal_raw_clicks.moc"
