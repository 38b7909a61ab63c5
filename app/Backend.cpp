#include "app/Backend.h"

#include <QtGlobal>

#include "platform/portal/PortalInput.h"
#include "platform/wayland/WlrootsInput.h"
#include "platform/x11/X11Input.h"

namespace {

// The portal may have to be started by the bus first.
constexpr int kPortalProbeMs = 2000;

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

CBackendChoice PortalChoice() {
    QString why;
    if (!platform::PortalRemoteDesktopOffered(kPortalProbeMs, &why))
        return {EBackend::Portal, why};
    return {EBackend::Portal, {}};
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
        return PortalChoice();
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
        CBackendChoice portal = PortalChoice();
        if (!portal.Ok())
            portal.error = QStringLiteral("this Wayland desktop offers no virtual pointer, and %1 Under XWayland "
                                          "(vantrell --backend x11) Vantrell can click on X11 programs only.")
                               .arg(portal.error);
        return portal;
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
        case EBackend::Portal:
            return [](QString* error) { return platform::CreatePortalInput(error); };
    }
    return {};
}

bool ReadsPointer(EBackend kind) {
    return kind == EBackend::X11;
}

bool HasGlobalKeys(EBackend kind) {
    return kind == EBackend::X11;
}
