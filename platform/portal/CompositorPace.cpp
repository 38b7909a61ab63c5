#include "platform/portal/CompositorPace.h"

#include <poll.h>
#include <wayland-client.h>

#include <QtGlobal>
#include <cerrno>

#include "platform/Wait.h"

namespace platform {

namespace {

// How often a wait looks at the stop.
constexpr int kStopPollMs = 50;

}  // namespace

const wl_callback_listener CCompositorPace::kDoneListener{&CCompositorPace::OnDone};

void CCompositorPace::OnDone(void* data, wl_callback* callback, uint32_t) {
    auto* self = static_cast<CCompositorPace*>(data);
    wl_callback_destroy(callback);
    self->m_pending = nullptr;
}

CCompositorPace::~CCompositorPace() {
    Drop();
}

void CCompositorPace::Drop() {
    if (m_pending)
        wl_callback_destroy(m_pending);
    m_pending = nullptr;
    if (m_display)
        wl_display_disconnect(m_display);
    m_display = nullptr;
}

void CCompositorPace::Press(const CStopSignal* stop) {
    if (++m_iPresses < kPressesPerRoundTrip)
        return;
    m_iPresses = 0;
    if (!m_bTried) {
        m_bTried = true;
        // WAYLAND_DISPLAY, as any client of the session finds its compositor; without it libwayland would
        // try a default name, which may be another session's.
        if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
            m_display = wl_display_connect(nullptr);
    }
    if (!m_display)
        return;
    // The round trip before this one must be answered; this one is answered while the next clicks go.
    AwaitPending(stop);
    if (!m_display)
        return;
    m_pending = wl_display_sync(m_display);
    wl_callback_add_listener(m_pending, &kDoneListener, this);
    if (wl_display_flush(m_display) < 0 && errno != EAGAIN)
        Drop();
}

void CCompositorPace::AwaitPending(const CStopSignal* stop) {
    const int fd = wl_display_get_fd(m_display);
    // A connection that fails ends the pacing, not the run.
    const auto fail = [this] { Drop(); };
    while (m_pending) {
        if (stop && stop->IsRaised()) {
            Drop();
            m_bTried = false;  // a later run connects again
            return;
        }
        while (wl_display_prepare_read(m_display) != 0) {
            if (wl_display_dispatch_pending(m_display) < 0)
                return fail();
        }
        if (!m_pending) {
            wl_display_cancel_read(m_display);
            break;
        }
        // What is not sent yet goes out first; a compositor that does not read is waited for.
        const bool unsent = wl_display_flush(m_display) < 0 && errno == EAGAIN;
        pollfd pfd{fd, static_cast<short>(POLLIN | (unsent ? POLLOUT : 0)), 0};
        const int ready = poll(&pfd, 1, kStopPollMs);
        if (ready > 0 && (pfd.revents & POLLIN) != 0) {
            if (wl_display_read_events(m_display) < 0 || wl_display_dispatch_pending(m_display) < 0)
                return fail();
        } else {
            wl_display_cancel_read(m_display);
            if ((ready < 0 && errno != EINTR) || (ready > 0 && (pfd.revents & (POLLERR | POLLHUP)) != 0))
                return fail();
        }
        if (wl_display_get_error(m_display) != 0)
            return fail();
    }
}

}  // namespace platform
