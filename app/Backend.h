#pragma once
// Which services click, take the shortcut keys and find positions: chosen once at start-up from the
// session, or forced with --backend.
//   x11      XTest clicks, XGrabKey shortcuts that work from any application, the pointer is read.
//   wlroots  the virtual pointer of wlroots compositors (sway, Hyprland, river, labwc, Wayfire); keys only
//            while a Vantrell window has the focus; positions are picked on an overlay.
//   portal   GNOME and KDE through the desktop portal's remote-control session, which asks the user's
//            consent when a run first needs it; keys and positions as with wlroots.

#include <QString>
#include <memory>

#include "platform/HotKeys.h"
#include "platform/Input.h"

enum class EBackend { X11, Wlroots, Portal };

struct CBackendChoice {
    EBackend kind = EBackend::X11;
    // Why no back end can start; empty when one can.
    QString error;
    bool Ok() const { return error.isEmpty(); }
};

// "x11", "wlroots", "portal".
QString BackendName(EBackend kind);
// For the About box and the status bar: "X11 (XTest)", "Wayland (wlroots virtual pointer)", ...
QString BackendDescription(EBackend kind);

// forced is --backend's value, empty for the session's choice. Looks at DISPLAY, WAYLAND_DISPLAY,
// XDG_SESSION_TYPE and QT_QPA_PLATFORM, and asks a Wayland compositor which protocols it offers. A Wayland
// session whose compositor offers no virtual pointer takes the portal back end when the session bus has a
// desktop portal with remote control (asked with a short time-out); without one that is an error with a
// way out, not a run that clicks nowhere.
CBackendChoice ChooseBackend(const QString& forced);

// Qt's platform plug-in for the back end's windows ("xcb", "wayland"), set unless the user chose one.
void SelectQtPlatform(EBackend kind);

// The input of the calling thread for the back end.
platform::InputFactory InputFactoryFor(EBackend kind);
// Whether the back end can read the pointer's position, and whether its shortcut keys work from any
// application (otherwise only while a window of this program has the focus).
bool ReadsPointer(EBackend kind);
bool HasGlobalKeys(EBackend kind);
