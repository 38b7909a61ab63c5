#include "platform/wayland/WlrootsInput.h"

#include <poll.h>
#include <wayland-client.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/wayland/VirtualPointerProtocol.h"
#include "xdg-output-unstable-v1-client-protocol.h"

namespace platform {

namespace {

using Clock = std::chrono::steady_clock;

const char* const kManagerName = "zwlr_virtual_pointer_manager_v1";
// How long a pointer that has just appeared is given before its first press: clients learn from their seat
// that there is a pointer now and bind to it, and a press before that reaches nobody.
constexpr auto kNewPointerSettle = std::chrono::milliseconds(150);
// How long a full socket, or an unanswered sync, may last before the compositor counts as gone.
constexpr int kWriteTimeoutMs = 5000;
// Presses that come faster than the pace go out in bursts of this many, in one write, and the next burst
// waits until the pace allows it. The compositor then passes a burst on to the receiving window in one
// write too: the kernel counts a socket's buffer in writes as much as in bytes, so a window that is not
// scheduled for a while holds five times as many clicks unread before the compositor gives up on it and
// cuts it off (bench/sway_pacing). 32 clicks stay inside the compositor's 4 KiB buffer of a client. A sync
// goes out with every burst, and a burst waits while the one before the last is unanswered: the compositor
// never has more than two bursts of ours unread, so it never reads a long backlog at once.
constexpr int kPressesPerBurst = 32;

QString LostText() { return QStringLiteral("the Wayland compositor connection was lost"); }

// Where the display is, for messages; the check that there is one at all.
bool DisplayNamed(QString* name, QString* why) {
    const char* display = std::getenv("WAYLAND_DISPLAY");
    const char* socket = std::getenv("WAYLAND_SOCKET");
    if ((!display || !*display) && (!socket || !*socket)) {
        if (why)
            *why = QStringLiteral("WAYLAND_DISPLAY is not set, so there is no Wayland compositor to connect to.");
        return false;
    }
    *name = QString::fromLocal8Bit(display && *display ? display : socket);
    return true;
}

wl_display* Connect(QString* why) {
    QString name;
    if (!DisplayNamed(&name, why))
        return nullptr;
    wl_display* display = wl_display_connect(nullptr);
    if (!display && why)
        *why = QStringLiteral("Cannot connect to the Wayland compositor at %1: %2.")
                   .arg(name, QString::fromLocal8Bit(std::strerror(errno)));
    return display;
}

QString NotOffered() {
    return QStringLiteral("The Wayland compositor offers no virtual pointer (%1), so Vantrell cannot make clicks "
                          "there; this needs a wlroots compositor such as sway.")
        .arg(QLatin1String(kManagerName));
}

struct SRect {
    int32_t x = 0, y = 0, w = 0, h = 0;
    bool Valid() const { return w > 0 && h > 0; }
};

// One output and its logical rectangle, as xdg-output reports it.
struct SOutput {
    uint32_t name = 0;
    wl_output* output = nullptr;
    zxdg_output_v1* xdg = nullptr;
    SRect rect;
};

// The shared connection and pointer. Every member is used under m_mutex; the listeners run inside Pump,
// which only ever runs under it too.
class CPointerConnection {
public:
    static std::shared_ptr<CPointerConnection> Open(QString* error);
    ~CPointerConnection();

    std::mutex m_mutex;
    bool SetCursorPos(int x, int y, bool bFlush);
    // One button event and its frame; a press waits for its turn first.
    bool Button(uint32_t button, bool bPress);
    bool FlushLocked();
    QString ErrorLocked() const;
    bool IsLost() {
        std::lock_guard lock(m_mutex);
        return IsLostLocked();
    }
    bool IsLostLocked() const { return m_bLost; }
    // How many outputs have gone so far, after reading what the compositor has sent.
    uint64_t OutputsRemovedLocked() {
        Pump();
        return m_nOutputsRemoved;
    }
    const QByteArray& DisplayName() const { return m_displayName; }

private:
    CPointerConnection() = default;
    // Reads and handles what the compositor has sent, without waiting.
    bool Pump();
    bool MarkLost();
    // Waits (reading what comes) until at most `most` syncs are unanswered.
    bool AwaitSyncs(int most);
    void AddOutput(uint32_t name, uint32_t version);
    void WatchOutput(SOutput& output);
    bool Bounds(SRect* box) const;

    static void OnGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface,
                         uint32_t version);
    static void OnGlobalRemove(void* data, wl_registry* registry, uint32_t name);
    static void OnLogicalPosition(void* data, zxdg_output_v1*, int32_t x, int32_t y);
    static void OnLogicalSize(void* data, zxdg_output_v1*, int32_t w, int32_t h);
    static void OnXdgDone(void*, zxdg_output_v1*) {}
    static void OnXdgName(void*, zxdg_output_v1*, const char*) {}
    static void OnXdgDescription(void*, zxdg_output_v1*, const char*) {}

    static void OnSyncDone(void* data, wl_callback* callback, uint32_t);

    static const wl_registry_listener kRegistryListener;
    static const wl_callback_listener kSyncListener;
    static const zxdg_output_v1_listener kXdgOutputListener;

    QByteArray m_displayName;
    wl_display* m_display = nullptr;
    wl_registry* m_registry = nullptr;
    wl_proxy* m_manager = nullptr;
    wl_seat* m_seat = nullptr;
    zxdg_output_manager_v1* m_xdgManager = nullptr;
    wl_proxy* m_pointer = nullptr;
    std::vector<std::unique_ptr<SOutput>> m_outputs;
    bool m_bLost = false;
    uint64_t m_nOutputsRemoved = 0;
    // The earliest start of the next burst, and the presses of the current one; the first press of the
    // pointer starts a burst.
    Clock::time_point m_nextBurst;
    int m_iBurstPresses = kPressesPerBurst;
    int m_iSyncsUnanswered = 0;
};

const wl_registry_listener CPointerConnection::kRegistryListener = {&CPointerConnection::OnGlobal,
                                                                    &CPointerConnection::OnGlobalRemove};
const wl_callback_listener CPointerConnection::kSyncListener = {&CPointerConnection::OnSyncDone};
const zxdg_output_v1_listener CPointerConnection::kXdgOutputListener = {
    &CPointerConnection::OnLogicalPosition, &CPointerConnection::OnLogicalSize, &CPointerConnection::OnXdgDone,
    &CPointerConnection::OnXdgName, &CPointerConnection::OnXdgDescription};

void CPointerConnection::OnGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface,
                                  uint32_t version) {
    auto* self = static_cast<CPointerConnection*>(data);
    if (std::strcmp(interface, kManagerName) == 0 && !self->m_manager) {
        self->m_manager = static_cast<wl_proxy*>(wl_registry_bind(
            registry, name, &zwlr_virtual_pointer_manager_v1_interface, std::min(version, wlr::kManagerVersion)));
    } else if (std::strcmp(interface, wl_seat_interface.name) == 0 && !self->m_seat) {
        self->m_seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    } else if (std::strcmp(interface, zxdg_output_manager_v1_interface.name) == 0 && !self->m_xdgManager) {
        self->m_xdgManager = static_cast<zxdg_output_manager_v1*>(
            wl_registry_bind(registry, name, &zxdg_output_manager_v1_interface, std::min(version, 3u)));
        for (auto& output : self->m_outputs)
            self->WatchOutput(*output);
    } else if (std::strcmp(interface, wl_output_interface.name) == 0) {
        self->AddOutput(name, version);
    }
}

void CPointerConnection::OnSyncDone(void* data, wl_callback* callback, uint32_t) {
    wl_callback_destroy(callback);
    --static_cast<CPointerConnection*>(data)->m_iSyncsUnanswered;
}

void CPointerConnection::OnGlobalRemove(void* data, wl_registry*, uint32_t name) {
    auto* self = static_cast<CPointerConnection*>(data);
    auto it = std::find_if(self->m_outputs.begin(), self->m_outputs.end(),
                           [name](const auto& output) { return output->name == name; });
    if (it == self->m_outputs.end())
        return;
    if ((*it)->xdg)
        zxdg_output_v1_destroy((*it)->xdg);
    if (wl_output_get_version((*it)->output) >= WL_OUTPUT_RELEASE_SINCE_VERSION)
        wl_output_release((*it)->output);
    else
        wl_output_destroy((*it)->output);
    self->m_outputs.erase(it);
    ++self->m_nOutputsRemoved;
}

void CPointerConnection::AddOutput(uint32_t name, uint32_t version) {
    auto output = std::make_unique<SOutput>();
    output->name = name;
    output->output = static_cast<wl_output*>(
        wl_registry_bind(m_registry, name, &wl_output_interface, std::min(version, 3u)));
    WatchOutput(*output);
    m_outputs.push_back(std::move(output));
}

void CPointerConnection::WatchOutput(SOutput& output) {
    if (!m_xdgManager || output.xdg)
        return;
    output.xdg = zxdg_output_manager_v1_get_xdg_output(m_xdgManager, output.output);
    zxdg_output_v1_add_listener(output.xdg, &kXdgOutputListener, &output);
}

void CPointerConnection::OnLogicalPosition(void* data, zxdg_output_v1*, int32_t x, int32_t y) {
    auto* output = static_cast<SOutput*>(data);
    output->rect.x = x;
    output->rect.y = y;
}

void CPointerConnection::OnLogicalSize(void* data, zxdg_output_v1*, int32_t w, int32_t h) {
    auto* output = static_cast<SOutput*>(data);
    output->rect.w = w;
    output->rect.h = h;
}

std::shared_ptr<CPointerConnection> CPointerConnection::Open(QString* error) {
    wl_display* display = Connect(error);
    if (!display)
        return nullptr;
    std::shared_ptr<CPointerConnection> self(new CPointerConnection);
    self->m_displayName = qgetenv("WAYLAND_DISPLAY");
    self->m_display = display;
    self->m_registry = wl_display_get_registry(display);
    wl_registry_add_listener(self->m_registry, &kRegistryListener, self.get());
    // The globals, then the outputs' first descriptions.
    if (wl_display_roundtrip(display) < 0 || wl_display_roundtrip(display) < 0) {
        if (error)
            *error = QStringLiteral("The Wayland compositor closed the connection while Vantrell was starting.");
        return nullptr;
    }
    if (!self->m_manager) {
        if (error)
            *error = NotOffered();
        return nullptr;
    }
    if (!self->m_xdgManager) {
        if (error)
            *error = QStringLiteral("The Wayland compositor does not describe its screens' layout "
                                    "(zxdg_output_manager_v1), so Vantrell cannot place its clicks.");
        return nullptr;
    }
    self->m_pointer = wlr::CreateVirtualPointer(self->m_manager, reinterpret_cast<wl_proxy*>(self->m_seat));
    if (wl_display_roundtrip(display) < 0) {
        if (error)
            *error = QStringLiteral("The Wayland compositor refused Vantrell's virtual pointer.");
        return nullptr;
    }
    self->m_nextBurst = Clock::now() + kNewPointerSettle;
    return self;
}

CPointerConnection::~CPointerConnection() {
    for (auto& output : m_outputs) {
        if (output->xdg)
            zxdg_output_v1_destroy(output->xdg);
        wl_output_destroy(output->output);
    }
    if (m_pointer)
        wlr::DestroyPointer(m_pointer);
    if (m_manager)
        wlr::DestroyManager(m_manager);
    if (m_xdgManager)
        zxdg_output_manager_v1_destroy(m_xdgManager);
    if (m_seat)
        wl_seat_destroy(m_seat);
    if (m_registry)
        wl_registry_destroy(m_registry);
    if (m_display) {
        if (!m_bLost)
            wl_display_flush(m_display);
        wl_display_disconnect(m_display);
    }
}

bool CPointerConnection::MarkLost() {
    m_bLost = true;
    return false;
}

bool CPointerConnection::Pump() {
    if (m_bLost)
        return false;
    while (wl_display_prepare_read(m_display) != 0) {
        if (wl_display_dispatch_pending(m_display) < 0)
            return MarkLost();
    }
    pollfd fd{wl_display_get_fd(m_display), POLLIN, 0};
    if (poll(&fd, 1, 0) > 0) {
        if (wl_display_read_events(m_display) < 0)
            return MarkLost();
    } else {
        wl_display_cancel_read(m_display);
    }
    if (wl_display_dispatch_pending(m_display) < 0 || wl_display_get_error(m_display) != 0)
        return MarkLost();
    return true;
}

bool CPointerConnection::AwaitSyncs(int most) {
    while (m_iSyncsUnanswered > most) {
        if (!FlushLocked())
            return false;
        while (wl_display_prepare_read(m_display) != 0) {
            if (wl_display_dispatch_pending(m_display) < 0)
                return MarkLost();
        }
        pollfd fd{wl_display_get_fd(m_display), POLLIN, 0};
        const int ready = poll(&fd, 1, kWriteTimeoutMs);
        if (ready <= 0) {
            wl_display_cancel_read(m_display);
            if (ready < 0 && errno == EINTR)
                continue;
            return MarkLost();
        }
        if (wl_display_read_events(m_display) < 0 || wl_display_dispatch_pending(m_display) < 0)
            return MarkLost();
    }
    return true;
}

bool CPointerConnection::FlushLocked() {
    if (m_bLost)
        return false;
    for (;;) {
        if (wl_display_flush(m_display) >= 0)
            return true;
        if (errno != EAGAIN)
            return MarkLost();
        // The compositor has not read what we sent; wait until it does, a while.
        pollfd fd{wl_display_get_fd(m_display), POLLOUT, 0};
        const int ready = poll(&fd, 1, kWriteTimeoutMs);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0 || (fd.revents & (POLLERR | POLLHUP)) != 0)
            return MarkLost();
    }
}

QString CPointerConnection::ErrorLocked() const {
    if (m_bLost)
        return LostText();
    if (!Bounds(nullptr))
        return QStringLiteral("the Wayland compositor has no screen to click on");
    return {};
}

bool CPointerConnection::Bounds(SRect* box) const {
    int32_t left = std::numeric_limits<int32_t>::max(), top = left;
    int32_t right = std::numeric_limits<int32_t>::min(), bottom = right;
    bool bAny = false;
    for (const auto& output : m_outputs) {
        const SRect& r = output->rect;
        if (!r.Valid())
            continue;
        bAny = true;
        left = std::min(left, r.x);
        top = std::min(top, r.y);
        right = std::max(right, r.x + r.w);
        bottom = std::max(bottom, r.y + r.h);
    }
    if (bAny && box)
        *box = {left, top, right - left, bottom - top};
    return bAny;
}

uint32_t NowMs() {
    return static_cast<uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch()).count());
}

bool CPointerConnection::SetCursorPos(int x, int y, bool bFlush) {
    // Outputs may have come or gone since the last click.
    if (!Pump())
        return false;
    SRect box;
    if (!Bounds(&box))
        return false;
    // The point goes onto the output nearest to it, so it lands on no gap between outputs either.
    const SRect* best = nullptr;
    // Squares of distances up to 2^32 overflow 64 bits; a double tells them apart well enough.
    double bestDistance = std::numeric_limits<double>::infinity();
    int64_t bestX = 0, bestY = 0;
    for (const auto& output : m_outputs) {
        const SRect& r = output->rect;
        if (!r.Valid())
            continue;
        const int64_t cx = std::clamp<int64_t>(x, r.x, int64_t{r.x} + r.w - 1);
        const int64_t cy = std::clamp<int64_t>(y, r.y, int64_t{r.y} + r.h - 1);
        const auto dx = static_cast<double>(cx - x), dy = static_cast<double>(cy - y);
        const double distance = dx * dx + dy * dy;
        if (distance < bestDistance) {
            best = &r;
            bestDistance = distance;
            bestX = cx;
            bestY = cy;
        }
    }
    if (!best)
        return false;
    // Inside the box now, so the offsets are never negative.
    wlr::MotionAbsolute(m_pointer, NowMs(), static_cast<uint32_t>(bestX - box.x), static_cast<uint32_t>(bestY - box.y),
                        static_cast<uint32_t>(box.w), static_cast<uint32_t>(box.h));
    wlr::Frame(m_pointer);
    return !bFlush || FlushLocked();
}

bool CPointerConnection::Button(uint32_t button, bool bPress) {
    if (m_bLost)
        return false;
    if (bPress) {
        // A press needs somewhere to land; a release always goes out, so nothing stays down.
        if (!Bounds(nullptr))
            return false;
        if (m_iBurstPresses >= kPressesPerBurst) {
            // The burst is complete: it goes out with its sync, and the next waits for its turn.
            ++m_iSyncsUnanswered;
            wl_callback_add_listener(wl_display_sync(m_display), &kSyncListener, this);
            if (!FlushLocked() || !AwaitSyncs(1))
                return false;
            const Clock::time_point now = Clock::now();
            if (now < m_nextBurst)
                std::this_thread::sleep_until(m_nextBurst);
            m_nextBurst = std::max(now, m_nextBurst) + kPressesPerBurst * std::chrono::microseconds(kWlrootsClickSpacingUs);
            m_iBurstPresses = 0;
        }
        ++m_iBurstPresses;
    }
    wlr::Button(m_pointer, NowMs(), button, bPress ? wlr::kPressed : wlr::kReleased);
    wlr::Frame(m_pointer);
    return true;
}

// The connection of the process: kept while it works and WAYLAND_DISPLAY names the same display, replaced
// once it is lost (a compositor that was restarted is reached again).
std::shared_ptr<CPointerConnection> SharedConnection(QString* error) {
    static std::mutex s_mutex;
    static std::shared_ptr<CPointerConnection> s_connection;
    std::lock_guard lock(s_mutex);
    if (s_connection && !s_connection->IsLost() && s_connection->DisplayName() == qgetenv("WAYLAND_DISPLAY"))
        return s_connection;
    s_connection = CPointerConnection::Open(error);
    return s_connection;
}

class CWlrootsInput final : public CButtonInput {
public:
    explicit CWlrootsInput(std::shared_ptr<CPointerConnection> connection)
        : m_pConnection(std::move(connection)) {
        std::lock_guard lock(m_pConnection->m_mutex);
        m_nOutputsRemoved = m_pConnection->OutputsRemovedLocked();
    }
    // The connection outlives the input: nothing of ours stays held in it, and no button stays down.
    ~CWlrootsInput() override {
        std::lock_guard lock(m_pConnection->m_mutex);
        ReleaseHeld();
        m_pConnection->FlushLocked();
    }
    CWlrootsInput(const CWlrootsInput&) = delete;
    CWlrootsInput& operator=(const CWlrootsInput&) = delete;

    // The point is clamped onto the nearest output first. A screen that went away since this input was
    // made (or since the last such refusal) refuses the move once: the positions of a run made for the
    // old layout could now land on another screen, so the run stops.
    bool SetCursorPos(int x, int y) override {
        std::lock_guard lock(m_pConnection->m_mutex);
        const uint64_t removed = m_pConnection->OutputsRemovedLocked();
        m_bScreenGone = removed != m_nOutputsRemoved;
        m_nOutputsRemoved = removed;
        if (m_bScreenGone)
            return false;
        return m_pConnection->SetCursorPos(x, y, !m_bBatching);
    }
    // No Wayland client may read the pointer.
    bool GetCursorPos(POINT*) override { return false; }
    // One call's events go out together, with no other thread's between them.
    unsigned SendInput(unsigned count, const INPUT* inputs, int cbSize) override {
        std::lock_guard lock(m_pConnection->m_mutex);
        return CButtonInput::SendInput(count, inputs, cbSize);
    }
    QString ErrorText() const override {
        std::lock_guard lock(m_pConnection->m_mutex);
        const QString error = m_pConnection->ErrorLocked();
        if (error.isEmpty() && m_bScreenGone)
            return QStringLiteral("a screen was removed, so the positions could land on another screen");
        return error;
    }
    void BeginBatch() override { m_bBatching = true; }
    void Flush() override {
        std::lock_guard lock(m_pConnection->m_mutex);
        m_pConnection->FlushLocked();
    }
    // What a batch holds waits for the burst it belongs to: it goes out when the burst is complete, at
    // the run's next wait or at its end (Flush), whichever comes first.
    void EndBatch() override { m_bBatching = false; }

private:
    // Both under the connection's lock, which SendInput and the destructor hold.
    bool Button(EMouseButton button, bool bPress) override {
        return m_pConnection->Button(LinuxButtonCode(button), bPress);
    }
    bool Deliver() override {
        return m_bBatching ? !m_pConnection->IsLostLocked() : m_pConnection->FlushLocked();
    }

    std::shared_ptr<CPointerConnection> m_pConnection;
    bool m_bBatching = false;
    uint64_t m_nOutputsRemoved = 0;
    bool m_bScreenGone = false;
};

}  // namespace

std::unique_ptr<IInput> CreateWlrootsInput(QString* error) {
    std::shared_ptr<CPointerConnection> connection = SharedConnection(error);
    if (!connection)
        return nullptr;
    return std::make_unique<CWlrootsInput>(std::move(connection));
}

bool WlrootsPointerOffered(QString* why) {
    wl_display* display = Connect(why);
    if (!display)
        return false;
    bool bOffered = false;
    wl_registry* registry = wl_display_get_registry(display);
    static const wl_registry_listener kListener = {
        [](void* data, wl_registry*, uint32_t, const char* interface, uint32_t) {
            if (std::strcmp(interface, kManagerName) == 0)
                *static_cast<bool*>(data) = true;
        },
        [](void*, wl_registry*, uint32_t) {}};
    wl_registry_add_listener(registry, &kListener, &bOffered);
    const bool bAnswered = wl_display_roundtrip(display) >= 0;
    wl_registry_destroy(registry);
    wl_display_disconnect(display);
    if (!bAnswered) {
        if (why)
            *why = QStringLiteral("The Wayland compositor closed the connection before listing what it offers.");
        return false;
    }
    if (!bOffered && why)
        *why = NotOffered();
    return bOffered;
}

}  // namespace platform
