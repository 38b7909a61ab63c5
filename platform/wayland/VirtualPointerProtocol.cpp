#include "platform/wayland/VirtualPointerProtocol.h"

#include <wayland-client-protocol.h>

// Signatures: u uint, i int, f fixed, o object, n new_id, a leading '?' for nullable, a leading number for
// the version a request first appeared in. types[] gives the interface of each argument that is an object
// or a new id, in order, nullptr for the others.
namespace {

// Not const: wl_message holds a pointer to non-const pointers.
const wl_interface* kTypes[] = {
    // 0: create_virtual_pointer(seat, id)
    &wl_seat_interface,
    &zwlr_virtual_pointer_v1_interface,
    // 2: create_virtual_pointer_with_output(seat, output, id)
    &wl_seat_interface,
    &wl_output_interface,
    &zwlr_virtual_pointer_v1_interface,
    // 5: five plain arguments, for every request without objects
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
};

const wl_message kManagerRequests[] = {
    {"create_virtual_pointer", "?on", kTypes + 0},
    {"destroy", "", kTypes + 5},
    {"create_virtual_pointer_with_output", "2?o?on", kTypes + 2},
};

const wl_message kPointerRequests[] = {
    {"motion", "uff", kTypes + 5},
    {"motion_absolute", "uuuuu", kTypes + 5},
    {"button", "uuu", kTypes + 5},
    {"axis", "uuf", kTypes + 5},
    {"frame", "", kTypes + 5},
    {"axis_source", "u", kTypes + 5},
    {"axis_stop", "uu", kTypes + 5},
    {"axis_discrete", "uufi", kTypes + 5},
    {"destroy", "", kTypes + 5},
};

}  // namespace

extern "C" {

const wl_interface zwlr_virtual_pointer_manager_v1_interface = {
    "zwlr_virtual_pointer_manager_v1", 2, 3, kManagerRequests, 0, nullptr,
};

const wl_interface zwlr_virtual_pointer_v1_interface = {
    "zwlr_virtual_pointer_v1", 2, 9, kPointerRequests, 0, nullptr,
};

}
