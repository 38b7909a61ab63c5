#include "app/Backend.h"

#include <QtGlobal>

#include "platform/wayland/WlrootsInput.h"
#include "platform/x11/X11Input.h"

namespace {

const QString kNoPortal = QStringLiteral(
    "this Wayland desktop offers no virtual pointer, and the desktop-portal back end that GNOME and KDE "
    "need is not in this version of Vantrell. Under XWayland (vantrell --backend x11) it can click on X11 "
    "programs only.");

bool WaylandSession() {
    return !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           qEnvironmentVariable("XDG_SESSION_TYPE") == QLatin1String("wayland");
}

CBackendChoice X11Choice() {
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        return {EBackend::X11, QStringLiteral("the X11 back end needs an X display (DISPLAY is not set).")};
    return {EBackend::X11, {}};
}

CBackendChoice WlrootsChoice() {
    QString why;
    if (!platform::WlrootsPointerOffered(&why))
        return {EBackend::Wlroots, why};
    return {EBackend::Wlroots, {}};
}

}  // namespace

QString BackendName(EBackend kind) {
    switch (kind) {
        case EBackend::X11: return QStringLiteral("x11");
        case EBackend::Wlroots: return QStringLiteral("wlroots");
        case EBackend::Portal: return QStringLiteral("portal");
    }
    return {};
}

QString BackendDescription(EBackend kind) {
    switch (kind) {
        case EBackend::X11: return QStringLiteral("X11 (XTest)");
        case EBackend::Wlroots: return QStringLiteral("Wayland (wlroots virtual pointer)");
        case EBackend::Portal: return QStringLiteral("Wayland (desktop portal)");
    }
    return {};
}

CBackendChoice ChooseBackend(const QString& forced) {
    if (forced == QLatin1String("x11"))
        return X11Choice();
    if (forced == QLatin1String("wlroots"))
        return WlrootsChoice();
    if (forced == QLatin1String("portal"))
        return {EBackend::Portal, QStringLiteral("the desktop-portal back end is not in this version of Vantrell.")};
    if (!forced.isEmpty())
        return {EBackend::X11,
                QStringLiteral("unknown back end \"%1\" (choose x11, wlroots or portal).").arg(forced)};
    // Asked to run on XWayland: today's X11 behaviour, with its limits.
    if (qEnvironmentVariable("QT_QPA_PLATFORM").startsWith(QLatin1String("xcb")) &&
        !qEnvironmentVariableIsEmpty("DISPLAY"))
        return X11Choice();
    if (WaylandSession()) {
        CBackendChoice wlroots = WlrootsChoice();
        if (wlroots.Ok())
            return wlroots;
        return {EBackend::Portal, kNoPortal};
    }
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        return {EBackend::X11, QStringLiteral("no display: Vantrell needs an X11 or a Wayland session (neither "
                                              "DISPLAY nor WAYLAND_DISPLAY is set).")};
    return X11Choice();
}

void SelectQtPlatform(EBackend kind) {
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        return;
    qputenv("QT_QPA_PLATFORM", kind == EBackend::X11 ? "xcb" : "wayland");
}

platform::InputFactory InputFactoryFor(EBackend kind) {
    switch (kind) {
        case EBackend::X11: return platform::CreateX11Input;
        case EBackend::Wlroots: return platform::CreateWlrootsInput;
        case EBackend::Portal: break;
    }
    return [](QString* error) -> std::unique_ptr<platform::IInput> {
        if (error)
            *error = QStringLiteral("the desktop-portal back end is not in this version of Vantrell.");
        return nullptr;
    };
}

bool ReadsPointer(EBackend kind) {
    return kind == EBackend::X11;
}

bool HasGlobalKeys(EBackend kind) {
    return kind == EBackend::X11;
}
