// wayland_layout_server: a Wayland server of the tests' own that offers only what the wlroots back end
// reads and writes (a seat, screens described by wl_output and xdg-output, virtual pointers) and prints
// what the pointers do. It stands in for a compositor where a real one cannot do what a test needs:
// sway cannot unplug a headless output, this server can take a screen away in the middle of a run.
//
//   wayland_layout_server X,Y,WxH...   in XDG_RUNTIME_DIR; prints, one line each, flushed:
//     ready SOCKET                     listening on XDG_RUNTIME_DIR/SOCKET
//     motion X Y XEXTENT YEXTENT       an absolute motion
//     button CODE STATE                a button (Linux code, 1 pressed, 0 released)
//     removed N                        the screen N (from 0) has gone, after SIGUSR1 took the last one away
// SIGTERM ends it.

#include <wayland-server.h>

#include <csignal>
#include <cstdio>
#include <vector>

#include "platform/wayland/VirtualPointerProtocol.h"

extern "C" {
extern const struct wl_interface zxdg_output_manager_v1_interface;
extern const struct wl_interface zxdg_output_v1_interface;
}

namespace {

struct SScreen {
    int x = 0, y = 0, w = 0, h = 0;
    wl_global* global = nullptr;
};

std::vector<SScreen> g_screens;

// Every line goes out at once: the test reads them while the server runs.
void Flushed() { std::fflush(stdout); }

void DestroyResource(wl_client*, wl_resource* resource) { wl_resource_destroy(resource); }
void Ignore(wl_client*, wl_resource*, uint32_t) {}

// wl_output: release.
const struct {
    void (*release)(wl_client*, wl_resource*);
} kOutputImpl = {DestroyResource};

void BindOutput(wl_client* client, void* data, uint32_t version, uint32_t id) {
    auto* screen = static_cast<SScreen*>(data);
    wl_resource* resource = wl_resource_create(client, &wl_output_interface, static_cast<int>(version), id);
    wl_resource_set_implementation(resource, &kOutputImpl, screen, nullptr);
    wl_output_send_geometry(resource, screen->x, screen->y, 0, 0, WL_OUTPUT_SUBPIXEL_UNKNOWN, "test", "screen",
                            WL_OUTPUT_TRANSFORM_NORMAL);
    wl_output_send_mode(resource, WL_OUTPUT_MODE_CURRENT, screen->w, screen->h, 60000);
    if (version >= 2) {
        wl_output_send_scale(resource, 1);
        wl_output_send_done(resource);
    }
}

// xdg-output: the logical rectangle of a screen.
const struct {
    void (*destroy)(wl_client*, wl_resource*);
} kXdgOutputImpl = {DestroyResource};

void GetXdgOutput(wl_client* client, wl_resource* manager, uint32_t id, wl_resource* output) {
    const auto* screen = static_cast<const SScreen*>(wl_resource_get_user_data(output));
    wl_resource* resource = wl_resource_create(client, &zxdg_output_v1_interface, wl_resource_get_version(manager), id);
    wl_resource_set_implementation(resource, &kXdgOutputImpl, nullptr, nullptr);
    wl_resource_post_event(resource, 0, screen->x, screen->y);  // logical_position
    wl_resource_post_event(resource, 1, screen->w, screen->h);  // logical_size
    wl_resource_post_event(resource, 2);                         // done
    if (wl_resource_get_version(output) >= 2)
        wl_output_send_done(output);
}

const struct {
    void (*destroy)(wl_client*, wl_resource*);
    void (*getXdgOutput)(wl_client*, wl_resource*, uint32_t, wl_resource*);
} kXdgManagerImpl = {DestroyResource, GetXdgOutput};

void BindXdgManager(wl_client* client, void*, uint32_t version, uint32_t id) {
    wl_resource* resource = wl_resource_create(client, &zxdg_output_manager_v1_interface, static_cast<int>(version), id);
    wl_resource_set_implementation(resource, &kXdgManagerImpl, nullptr, nullptr);
}

// The seat is only named by virtual pointers; no device is ever handed out.
const struct {
    void (*getPointer)(wl_client*, wl_resource*, uint32_t);
    void (*getKeyboard)(wl_client*, wl_resource*, uint32_t);
    void (*getTouch)(wl_client*, wl_resource*, uint32_t);
} kSeatImpl = {Ignore, Ignore, Ignore};

void BindSeat(wl_client* client, void*, uint32_t version, uint32_t id) {
    wl_resource* resource = wl_resource_create(client, &wl_seat_interface, static_cast<int>(version), id);
    wl_resource_set_implementation(resource, &kSeatImpl, nullptr, nullptr);
    wl_seat_send_capabilities(resource, 0);
}

// zwlr_virtual_pointer_v1: what is printed is what a test checks.
void Motion(wl_client*, wl_resource*, uint32_t, wl_fixed_t, wl_fixed_t) {}
void MotionAbsolute(wl_client*, wl_resource*, uint32_t, uint32_t x, uint32_t y, uint32_t xExtent, uint32_t yExtent) {
    std::printf("motion %u %u %u %u\n", x, y, xExtent, yExtent);
    Flushed();
}
void Button(wl_client*, wl_resource*, uint32_t, uint32_t button, uint32_t state) {
    std::printf("button 0x%x %u\n", button, state);
    Flushed();
}
void Axis(wl_client*, wl_resource*, uint32_t, uint32_t, wl_fixed_t) {}
void Frame(wl_client*, wl_resource*) {}
void AxisStop(wl_client*, wl_resource*, uint32_t, uint32_t) {}
void AxisDiscrete(wl_client*, wl_resource*, uint32_t, uint32_t, wl_fixed_t, int32_t) {}

const struct {
    void (*motion)(wl_client*, wl_resource*, uint32_t, wl_fixed_t, wl_fixed_t);
    void (*motionAbsolute)(wl_client*, wl_resource*, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t);
    void (*button)(wl_client*, wl_resource*, uint32_t, uint32_t, uint32_t);
    void (*axis)(wl_client*, wl_resource*, uint32_t, uint32_t, wl_fixed_t);
    void (*frame)(wl_client*, wl_resource*);
    void (*axisSource)(wl_client*, wl_resource*, uint32_t);
    void (*axisStop)(wl_client*, wl_resource*, uint32_t, uint32_t);
    void (*axisDiscrete)(wl_client*, wl_resource*, uint32_t, uint32_t, wl_fixed_t, int32_t);
    void (*destroy)(wl_client*, wl_resource*);
} kPointerImpl = {Motion, MotionAbsolute, Button, Axis, Frame, Ignore, AxisStop, AxisDiscrete, DestroyResource};

void MakePointer(wl_client* client, wl_resource* manager, uint32_t id) {
    wl_resource* resource =
        wl_resource_create(client, &zwlr_virtual_pointer_v1_interface, wl_resource_get_version(manager), id);
    wl_resource_set_implementation(resource, &kPointerImpl, nullptr, nullptr);
}
void CreatePointer(wl_client* client, wl_resource* manager, wl_resource*, uint32_t id) { MakePointer(client, manager, id); }
void CreatePointerOnOutput(wl_client* client, wl_resource* manager, wl_resource*, wl_resource*, uint32_t id) {
    MakePointer(client, manager, id);
}

const struct {
    void (*create)(wl_client*, wl_resource*, wl_resource*, uint32_t);
    void (*destroy)(wl_client*, wl_resource*);
    void (*createWithOutput)(wl_client*, wl_resource*, wl_resource*, wl_resource*, uint32_t);
} kManagerImpl = {CreatePointer, DestroyResource, CreatePointerOnOutput};

void BindManager(wl_client* client, void*, uint32_t version, uint32_t id) {
    wl_resource* resource =
        wl_resource_create(client, &zwlr_virtual_pointer_manager_v1_interface, static_cast<int>(version), id);
    wl_resource_set_implementation(resource, &kManagerImpl, nullptr, nullptr);
}

int OnRemoveScreen(int, void*) {
    for (size_t i = g_screens.size(); i-- > 0;) {
        if (g_screens[i].global) {
            wl_global_destroy(g_screens[i].global);
            g_screens[i].global = nullptr;
            std::printf("removed %zu\n", i);
            Flushed();
            break;
        }
    }
    return 0;
}

int OnTerminate(int, void* display) {
    wl_display_terminate(static_cast<wl_display*>(display));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        SScreen screen;
        if (std::sscanf(argv[i], "%d,%d,%dx%d", &screen.x, &screen.y, &screen.w, &screen.h) != 4) {
            std::fprintf(stderr, "usage: wayland_layout_server X,Y,WxH...\n");
            return 2;
        }
        g_screens.push_back(screen);
    }
    wl_display* display = wl_display_create();
    const char* socket = display ? wl_display_add_socket_auto(display) : nullptr;
    if (!socket) {
        std::fprintf(stderr, "wayland_layout_server: cannot listen (is XDG_RUNTIME_DIR set?)\n");
        return 1;
    }
    wl_global_create(display, &wl_seat_interface, 1, nullptr, BindSeat);
    wl_global_create(display, &zxdg_output_manager_v1_interface, 3, nullptr, BindXdgManager);
    wl_global_create(display, &zwlr_virtual_pointer_manager_v1_interface, 2, nullptr, BindManager);
    for (SScreen& screen : g_screens)
        screen.global = wl_global_create(display, &wl_output_interface, 3, &screen, BindOutput);
    wl_event_loop* loop = wl_display_get_event_loop(display);
    wl_event_loop_add_signal(loop, SIGUSR1, OnRemoveScreen, nullptr);
    wl_event_loop_add_signal(loop, SIGTERM, OnTerminate, display);
    std::printf("ready %s\n", socket);
    Flushed();
    wl_display_run(display);
    wl_display_destroy_clients(display);
    wl_display_destroy(display);
    return 0;
}
