// The raw limit on a wlroots compositor: the virtual pointer requests that a run makes for a left click
// (absolute motion, press, release, each with its frame, one write per click) in a loop with nothing else
// in it, on a pointer of its own over one output.
//
//   bench_wayland_raw_clicks --count N [--rect X,Y,WxH] [--extent WxH] [--pause-us US] [--sync-every N]
//                            [--burst N]
//
// --extent is the size of the layout's bounding box (default 1280x1024, one output at the origin);
// --pause-us sends a press no sooner than that after the previous press, as the program's own back end
// paces its clicks, to find the pacing under which no receiving window is cut off by the compositor (0,
// the default: no pacing at all). --sync-every sends a sync with every N clicks and waits while more than
// one is unanswered, as the back end does, so the compositor never has a long backlog of ours to read.
// --burst writes N clicks at once and then waits until the pacing allows the next N (1, the default: a
// write per click), so the compositor passes them on to the window in one write instead of N.

#include <poll.h>
#include <wayland-client.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "bench/ClickPattern.h"
#include "platform/Wait.h"
#include "platform/wayland/VirtualPointerProtocol.h"

namespace {

struct SGlobals {
    wl_proxy* manager = nullptr;
    wl_seat* seat = nullptr;
};

void OnGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t version) {
    auto* globals = static_cast<SGlobals*>(data);
    if (std::strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0)
        globals->manager = static_cast<wl_proxy*>(wl_registry_bind(
            registry, name, &zwlr_virtual_pointer_manager_v1_interface, version < 2 ? version : 2));
    else if (std::strcmp(interface, wl_seat_interface.name) == 0 && !globals->seat)
        globals->seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
}

void OnGlobalRemove(void*, wl_registry*, uint32_t) {}

void OnSyncDone(void* data, wl_callback* callback, uint32_t) {
    wl_callback_destroy(callback);
    --*static_cast<int*>(data);
}

// A full socket is waited out, as the program's own back end does.
bool Flush(wl_display* display) {
    while (wl_display_flush(display) < 0) {
        if (errno != EAGAIN)
            return false;
        pollfd fd{wl_display_get_fd(display), POLLOUT, 0};
        if (poll(&fd, 1, 5000) <= 0)
            return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    long count = -1, pauseUs = 0, syncEvery = 0, burst = 1;
    SBenchRect rect{8, 8, 1264, 1008};
    unsigned extentW = 1280, extentH = 1024;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--count") == 0 && i + 1 < argc) {
            count = std::strtol(argv[++i], nullptr, 10);
        } else if (std::strcmp(argv[i], "--pause-us") == 0 && i + 1 < argc) {
            pauseUs = std::strtol(argv[++i], nullptr, 10);
        } else if (std::strcmp(argv[i], "--sync-every") == 0 && i + 1 < argc) {
            syncEvery = std::strtol(argv[++i], nullptr, 10);
        } else if (std::strcmp(argv[i], "--burst") == 0 && i + 1 < argc) {
            burst = std::strtol(argv[++i], nullptr, 10);
        } else if (std::strcmp(argv[i], "--extent") == 0 && i + 1 < argc &&
                   std::sscanf(argv[i + 1], "%ux%u", &extentW, &extentH) == 2) {
            ++i;
        } else if (std::strcmp(argv[i], "--rect") == 0 && i + 1 < argc && ParseBenchRect(argv[i + 1], &rect)) {
            ++i;
        } else {
            count = -1;
            break;
        }
    }
    if (count < 1 || count > 10'000'000 || pauseUs < 0 || syncEvery < 0 || burst < 1) {
        std::fprintf(stderr, "usage: bench_wayland_raw_clicks --count N [--rect X,Y,WxH] [--extent WxH] "
                             "[--pause-us US] [--sync-every N] [--burst N]\n");
        return 2;
    }
    wl_display* display = wl_display_connect(nullptr);
    if (!display) {
        std::fprintf(stderr, "bench_wayland_raw_clicks: cannot connect to the Wayland compositor\n");
        return 1;
    }
    SGlobals globals;
    static const wl_registry_listener kListener = {OnGlobal, OnGlobalRemove};
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &kListener, &globals);
    wl_display_roundtrip(display);
    if (!globals.manager) {
        std::fprintf(stderr, "bench_wayland_raw_clicks: the compositor offers no virtual pointer\n");
        return 1;
    }
    wl_proxy* pointer =
        platform::wlr::CreateVirtualPointer(globals.manager, reinterpret_cast<wl_proxy*>(globals.seat));
    wl_display_roundtrip(display);
    // Clients bind to the new pointer first; clicks before that reach nobody.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    // The pauses as precise as a run's.
    platform::UsePreciseTimersOnThisThread();
    const auto spacing = std::chrono::microseconds(pauseUs);
    auto nextPress = std::chrono::steady_clock::now();
    static const wl_callback_listener kSyncListener = {OnSyncDone};
    int unanswered = 0;
    for (long n = 0; n < count; ++n) {
        while (syncEvery > 0 && unanswered > 1) {
            if (!Flush(display) || wl_display_dispatch(display) < 0) {
                std::fprintf(stderr, "bench_wayland_raw_clicks: the compositor connection was lost\n");
                return 1;
            }
        }
        if (syncEvery > 0 && n % syncEvery == 0) {
            ++unanswered;
            wl_callback_add_listener(wl_display_sync(display), &kSyncListener, &unanswered);
        }
        if (pauseUs > 0 && n % burst == 0) {
            if (!Flush(display)) {
                std::fprintf(stderr, "bench_wayland_raw_clicks: the compositor connection was lost\n");
                return 1;
            }
            std::this_thread::sleep_until(nextPress);
            nextPress = std::max(nextPress + burst * spacing, std::chrono::steady_clock::now());
        }
        const SBenchPoint p = BenchClickPosition(int(n), rect);
        platform::wlr::MotionAbsolute(pointer, 0, uint32_t(p.x), uint32_t(p.y), extentW, extentH);
        platform::wlr::Frame(pointer);
        platform::wlr::Button(pointer, 0, platform::wlr::kBtnLeft, platform::wlr::kPressed);
        platform::wlr::Frame(pointer);
        platform::wlr::Button(pointer, 0, platform::wlr::kBtnLeft, platform::wlr::kReleased);
        platform::wlr::Frame(pointer);
        if ((n + 1) % burst == 0 && !Flush(display)) {
            std::fprintf(stderr, "bench_wayland_raw_clicks: the compositor connection was lost\n");
            return 1;
        }
    }
    if (wl_display_roundtrip(display) < 0) {
        std::fprintf(stderr, "bench_wayland_raw_clicks: the compositor connection was lost\n");
        return 1;
    }
    platform::wlr::DestroyPointer(pointer);
    wl_display_disconnect(display);
    return 0;
}
