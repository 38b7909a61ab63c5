#pragma once
// Mouse input on wlroots compositors (sway, Hyprland, river, labwc, Wayfire) through their virtual pointer
// protocol. Positions are the compositor's logical layout coordinates, the space in which its outputs have
// their positions; negative values are legal and reach outputs left of or above the origin.
//
// Every instance of the process shares one Wayland connection and one virtual pointer, made on first use:
// a compositor may drop the first clicks of a pointer that has just appeared, so it lives as long as the
// compositor does. A mutex guards it, so the user-interface thread and each run's worker may each hold an
// instance. The connection follows the outputs' logical rectangles (xdg-output) as they come and go.

#include <QString>
#include <memory>

#include "platform/Input.h"

namespace platform {

// The input service (an InputFactory). Returns nullptr and one line for the user (when error is given) if
// WAYLAND_DISPLAY is not set or cannot be reached, or the compositor offers no virtual pointers.
std::unique_ptr<IInput> CreateWlrootsInput(QString* error);

// Whether the compositor of WAYLAND_DISPLAY offers virtual pointers: connects, reads the list of globals
// and disconnects, making nothing. When not, why says so in one line.
bool WlrootsPointerOffered(QString* why);

// Zero-delay runs are paced, so that no receiving program has its event buffer filled and is cut off by
// the compositor: presses go out no faster than one per this many microseconds on average, in bursts of 32
// written at once, and the connection waits for the compositor to have read all but the latest burst
// (WlrootsInput.cpp). That caps a run at about 6,600 clicks per second; a delay of 1 ms or more never waits
// for it. Measured with bench/sway_pacing (docs/PERFORMANCE.md): unpaced floods cut a Qt window off in
// most runs.
constexpr int kWlrootsClickSpacingUs = 150;

}  // namespace platform
