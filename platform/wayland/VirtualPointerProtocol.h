#pragma once
// The two interfaces of wlroots' virtual pointer protocol (version 2), described to libwayland by hand: no
// package of this system ships the protocol's description, so there is nothing for wayland-scanner to read.
// Only the requests this program makes have wrappers; the opcodes follow the wire order of the requests.

#include <wayland-client-core.h>

#include <cstdint>

extern "C" {
extern const struct wl_interface zwlr_virtual_pointer_manager_v1_interface;
extern const struct wl_interface zwlr_virtual_pointer_v1_interface;
}

namespace platform::wlr {

constexpr uint32_t kManagerVersion = 2;

// zwlr_virtual_pointer_manager_v1 requests.
enum : uint32_t { kManagerCreateVirtualPointer = 0, kManagerDestroy = 1, kManagerCreateWithOutput = 2 };
// zwlr_virtual_pointer_v1 requests.
enum : uint32_t {
    kPointerMotion = 0,
    kPointerMotionAbsolute = 1,
    kPointerButton = 2,
    kPointerAxis = 3,
    kPointerFrame = 4,
    kPointerAxisSource = 5,
    kPointerAxisStop = 6,
    kPointerAxisDiscrete = 7,
    kPointerDestroy = 8,
};

// Linux input codes and the wl_pointer button states.
constexpr uint32_t kBtnLeft = 0x110;
constexpr uint32_t kBtnRight = 0x111;
constexpr uint32_t kBtnMiddle = 0x112;
constexpr uint32_t kReleased = 0;
constexpr uint32_t kPressed = 1;

// A virtual pointer on the given seat (nullptr: the compositor's default seat).
inline wl_proxy* CreateVirtualPointer(wl_proxy* manager, wl_proxy* seat) {
    return wl_proxy_marshal_flags(manager, kManagerCreateVirtualPointer, &zwlr_virtual_pointer_v1_interface,
                                  wl_proxy_get_version(manager), 0, seat, nullptr);
}

inline void DestroyManager(wl_proxy* manager) {
    wl_proxy_marshal_flags(manager, kManagerDestroy, nullptr, wl_proxy_get_version(manager),
                           WL_MARSHAL_FLAG_DESTROY);
}

inline void MotionAbsolute(wl_proxy* pointer, uint32_t time, uint32_t x, uint32_t y, uint32_t xExtent,
                           uint32_t yExtent) {
    wl_proxy_marshal_flags(pointer, kPointerMotionAbsolute, nullptr, wl_proxy_get_version(pointer), 0, time, x,
                           y, xExtent, yExtent);
}

inline void Button(wl_proxy* pointer, uint32_t time, uint32_t button, uint32_t state) {
    wl_proxy_marshal_flags(pointer, kPointerButton, nullptr, wl_proxy_get_version(pointer), 0, time, button,
                           state);
}

inline void Frame(wl_proxy* pointer) {
    wl_proxy_marshal_flags(pointer, kPointerFrame, nullptr, wl_proxy_get_version(pointer), 0);
}

inline void DestroyPointer(wl_proxy* pointer) {
    wl_proxy_marshal_flags(pointer, kPointerDestroy, nullptr, wl_proxy_get_version(pointer),
                           WL_MARSHAL_FLAG_DESTROY);
}

}  // namespace platform::wlr
