#pragma once
// Paces a run through the desktop portal by the compositor itself. The portal's front end answers each
// pointer event before its desktop half has handed it on, so the answers say nothing about whether the
// compositor keeps up. When the compositor stops reading for a moment (a busy machine, a long frame), a
// run without pauses goes on filling the desktop half's Wayland socket, and the desktop half dies of it
// (KDE's did within a quarter of a second of kwin being stopped). A round trip on a Wayland connection of
// our own to the same compositor, every so many clicks, holds the run while the compositor does not read,
// so what waits is the run, not the desktop half.

#include <cstdint>

struct wl_callback;
struct wl_callback_listener;
struct wl_display;

namespace platform {

class CStopSignal;

class CCompositorPace {
public:
    // Clicks between two round trips: few enough that what the run sent before the compositor stopped
    // reading fits in the desktop half's socket.
    static constexpr int kPressesPerRoundTrip = 16;

    CCompositorPace() = default;
    CCompositorPace(const CCompositorPace&) = delete;
    CCompositorPace& operator=(const CCompositorPace&) = delete;
    ~CCompositorPace();

    // Counts a press; every kPressesPerRoundTrip presses, sends a round trip to the compositor and waits
    // until it has answered the one before, or until the stop (the press then goes out as it would have,
    // and the run ends after it). So a run gets at most twice kPressesPerRoundTrip clicks ahead of what the
    // compositor has read. Without a Wayland display to reach, or once the connection fails, it never
    // waits: the portal's own answers pace the run then.
    void Press(const CStopSignal* stop);

private:
    void AwaitPending(const CStopSignal* stop);
    void Drop();
    static void OnDone(void* data, wl_callback* callback, uint32_t serial);
    static const wl_callback_listener kDoneListener;

    wl_display* m_display = nullptr;
    wl_callback* m_pending = nullptr;  // the round trip under way
    bool m_bTried = false;
    int m_iPresses = 0;
};

}  // namespace platform
