#include "tests/support/Sway.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QDeadlineTimer>
#include <QStandardPaths>
#include <QTest>

namespace testsupport {

namespace {

// The first entry of dir whose name matches, as an absolute path.
QString FindEntry(const QString& dir, const QString& pattern, const QString& notEndingWith = {}) {
    const QStringList names = QDir(dir).entryList({pattern}, QDir::System | QDir::Files | QDir::Hidden);
    for (const QString& name : names) {
        if (notEndingWith.isEmpty() || !name.endsWith(notEndingWith))
            return dir + QLatin1Char('/') + name;
    }
    return {};
}

}  // namespace

bool CSway::Installed() {
    return !QStandardPaths::findExecutable(QStringLiteral("sway")).isEmpty() &&
           !QStandardPaths::findExecutable(QStringLiteral("swaymsg")).isEmpty();
}

bool CSway::Start(QString* error, int width, int height) {
    Stop();
    if (!Prepare(QStringLiteral("sway"), error))
        return false;
    m_runtime = Path(QStringLiteral("runtime"));
    m_clientRuntime = Path(QStringLiteral("client-runtime"));
    const QString config = Path(QStringLiteral("config"));
    if (!PrivateFolder(m_runtime, true) || !PrivateFolder(m_clientRuntime, false) ||
        !WriteFile(config, QStringLiteral("output HEADLESS-1 mode %1x%2 position 0 0\n"
                                          "xwayland disable\n"
                                          "default_border none\n"
                                          "default_floating_border none\n"
                                          "focus_follows_mouse no\n")
                               .arg(width)
                               .arg(height)
                               .toUtf8())) {
        *error = QStringLiteral("cannot prepare sway's folder %1").arg(Path({}));
        return false;
    }
    QStringList environment;
    const QProcessEnvironment system = QProcessEnvironment::systemEnvironment();
    for (const QString& key : system.keys()) {
        if (key != QLatin1String("WAYLAND_DISPLAY") && key != QLatin1String("DISPLAY") &&
            key != QLatin1String("XDG_RUNTIME_DIR") && key != QLatin1String("SWAYSOCK") &&
            !key.startsWith(QLatin1String("WLR_")))
            environment << key + QLatin1Char('=') + system.value(key);
    }
    environment << QStringLiteral("WLR_BACKENDS=headless") << QStringLiteral("WLR_LIBINPUT_NO_DEVICES=1")
                << QStringLiteral("WLR_RENDERER=pixman") << QStringLiteral("XDG_RUNTIME_DIR=") + m_runtime;
    m_pid = Spawn(QStringLiteral("sway"), {QStringLiteral("sway"), QStringLiteral("-c"), config}, environment,
                  true, nullptr, error);
    // Up once both sockets exist and it answers a request.
    const auto up = [this] {
        if (m_socket.isEmpty())
            m_socket = FindEntry(m_runtime, QStringLiteral("wayland-*"), QStringLiteral(".lock"));
        if (m_ipc.isEmpty())
            m_ipc = FindEntry(m_runtime, QStringLiteral("sway-ipc.*.sock"));
        return !m_socket.isEmpty() && !m_ipc.isEmpty() && Command(QStringLiteral("nop"));
    };
    if (m_pid > 0 && WaitFor(QStringLiteral("sway"), up, m_pid, error, 15000))
        return true;
    Stop();
    return false;
}

bool CSway::Command(const QString& command, QString* output) {
    if (m_ipc.isEmpty())
        return false;
    QProcess swaymsg;
    swaymsg.start(QStringLiteral("swaymsg"), {QStringLiteral("-s"), m_ipc, QStringLiteral("--"), command});
    const bool bDone = swaymsg.waitForFinished(10000);
    if (output)
        *output = QString::fromUtf8(swaymsg.readAllStandardOutput() + swaymsg.readAllStandardError()).trimmed();
    return bDone && swaymsg.exitStatus() == QProcess::NormalExit && swaymsg.exitCode() == 0;
}

QList<QPair<QString, QRect>> CSway::Outputs() {
    QList<QPair<QString, QRect>> outputs;
    if (m_ipc.isEmpty())
        return outputs;
    QProcess swaymsg;
    swaymsg.start(QStringLiteral("swaymsg"), {QStringLiteral("-s"), m_ipc, QStringLiteral("-r"),
                                             QStringLiteral("-t"), QStringLiteral("get_outputs")});
    if (!swaymsg.waitForFinished(10000))
        return outputs;
    const QJsonArray list = QJsonDocument::fromJson(swaymsg.readAllStandardOutput()).array();
    for (const QJsonValue& value : list) {
        const QJsonObject output = value.toObject();
        const QJsonObject rect = output.value(QLatin1String("rect")).toObject();
        outputs.append({output.value(QLatin1String("name")).toString(),
                        QRect(rect.value(QLatin1String("x")).toInt(), rect.value(QLatin1String("y")).toInt(),
                              rect.value(QLatin1String("width")).toInt(),
                              rect.value(QLatin1String("height")).toInt())});
    }
    return outputs;
}

QString CSway::AddOutput(const QRect& logical, int scale) {
    QStringList before;
    for (const auto& output : Outputs())
        before.append(output.first);
    if (!Command(QStringLiteral("create_output")))
        return {};
    QString name;
    for (const auto& output : Outputs()) {
        if (!before.contains(output.first))
            name = output.first;
    }
    if (name.isEmpty() ||
        !Command(QStringLiteral("output %1 mode %2x%3 position %4 %5 scale %6")
                     .arg(name)
                     .arg(logical.width() * scale)
                     .arg(logical.height() * scale)
                     .arg(logical.x())
                     .arg(logical.y())
                     .arg(scale)))
        return {};
    return name;
}

QProcessEnvironment CSway::ClientEnvironment() const {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("WAYLAND_DISPLAY"), m_socket);
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_clientRuntime);
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));
    environment.remove(QStringLiteral("DISPLAY"));
    return environment;
}

void CSway::UseForThisProcess() const {
    qputenv("WAYLAND_DISPLAY", QFile::encodeName(m_socket));
    if (!qEnvironmentVariableIsSet("XDG_RUNTIME_DIR"))
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_clientRuntime));
}

void CSway::Stop() {
    EndAll();
    m_pid = -1;
    m_socket.clear();
    m_ipc.clear();
}

// --- The recorder ---------------------------------------------------------------------------------------

CWaylandRecorder::~CWaylandRecorder() {
    Stop();
}

bool CWaylandRecorder::Start(const CSway& sway, QString* error) {
    return Start(sway.ClientEnvironment(), error);
}

bool CWaylandRecorder::Start(QProcessEnvironment environment, QString* error) {
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));
    m_process.setProcessEnvironment(environment);
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start(QStringLiteral(VANTRELL_WAYLAND_RECORDER), {});
    if (!m_process.waitForStarted(10000)) {
        *error = QStringLiteral("the recorder did not start: %1").arg(m_process.errorString());
        return false;
    }
    const QDeadlineTimer deadline(15000);
    while (!deadline.hasExpired()) {
        if (!m_process.canReadLine() && !m_process.waitForReadyRead(100)) {
            if (m_process.state() == QProcess::NotRunning)
                break;
            continue;
        }
        while (m_process.canReadLine()) {
            const QList<QByteArray> words = m_process.readLine().trimmed().split(' ');
            if (words.value(0) == "screen" && words.size() == 6) {
                m_screens.append({QString::fromUtf8(words[1]), QRect(words[2].toInt(), words[3].toInt(),
                                                                     words[4].toInt(), words[5].toInt())});
            } else if (words.value(0) == "ready") {
                return true;
            }
        }
    }
    *error = QStringLiteral("the recorder did not cover the outputs: %1")
                 .arg(QString::fromLocal8Bit(m_process.readAllStandardError().trimmed()));
    Stop();
    return false;
}

void CWaylandRecorder::ReadLines() {
    m_pending += m_process.readAllStandardOutput();
    qsizetype end = 0;
    while ((end = m_pending.indexOf('\n')) >= 0) {
        const QList<QByteArray> words = m_pending.left(end).trimmed().split(' ');
        m_pending.remove(0, end + 1);
        if (words.size() == 2 && words[0] == "key") {
            m_keys.append(words[1].toInt(nullptr, 0));
            continue;
        }
        if (words.size() != 6 || (words[0] != "press" && words[0] != "release"))
            continue;
        SEvent event;
        event.bPress = words[0] == "press";
        event.button = words[1].toUInt(nullptr, 0);
        event.x = words[2].toInt();
        event.y = words[3].toInt();
        event.ns = words[4].toLongLong();
        event.ms = words[5].toULongLong();
        m_events.append(event);
    }
}

QList<CWaylandRecorder::SEvent> CWaylandRecorder::Events() {
    m_process.waitForReadyRead(0);
    ReadLines();
    return m_events;
}

bool CWaylandRecorder::WaitForEvents(int count, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        ReadLines();
        if (m_events.size() >= count)
            return true;
        if (deadline.hasExpired() || m_process.state() == QProcess::NotRunning)
            return false;
        m_process.waitForReadyRead(50);
    }
}

QList<int> CWaylandRecorder::KeyPresses() {
    m_process.waitForReadyRead(0);
    ReadLines();
    return m_keys;
}

void CWaylandRecorder::Clear() {
    ReadLines();
    m_events.clear();
    m_keys.clear();
}

bool CWaylandRecorder::IsRunning() {
    // Lets QProcess notice an end that the event loop has not seen yet.
    m_process.waitForFinished(0);
    return m_process.state() != QProcess::NotRunning;
}

void CWaylandRecorder::Stop() {
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(3000)) {
        m_process.kill();
        m_process.waitForFinished(3000);
    }
}

QStringList Described(const QList<CWaylandRecorder::SEvent>& events) {
    QStringList words;
    for (const auto& e : events)
        words << QStringLiteral("%1 0x%2 %3,%4")
                     .arg(e.bPress ? QStringLiteral("press") : QStringLiteral("release"))
                     .arg(e.button, 0, 16)
                     .arg(e.x)
                     .arg(e.y);
    return words;
}

QStringList Clicks(unsigned button, int x, int y, int times) {
    QList<CWaylandRecorder::SEvent> events;
    for (int i = 0; i < times; ++i)
        events << CWaylandRecorder::SEvent{true, button, x, y} << CWaylandRecorder::SEvent{false, button, x, y};
    return Described(events);
}

std::pair<QStringList, QStringList> StoppedRow(CWaylandRecorder& recorder, int x0, int y, int settleMs, int quietMs) {
    QTest::qWait(settleMs);
    const qsizetype stoppedAt = recorder.Events().size();
    QTest::qWait(quietMs);
    QStringList expected;
    for (qsizetype i = 0; i < (stoppedAt + 1) / 2; ++i)
        expected += Clicks(0x110, x0 + int(i % 20), y);
    return {Described(recorder.Events()), expected};
}

}  // namespace testsupport
