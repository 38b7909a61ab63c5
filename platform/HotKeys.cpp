#include "platform/HotKeys.h"

namespace platform {

QString HotKeyErrorText(uint32_t code) {
    switch (code) {
        case kHotKeyErrorNone:
            return {};
        case kHotKeyErrorTaken:
            return QStringLiteral("The key combination is already held by another application.");
        case kHotKeyErrorNoKeySym:
            return QStringLiteral("The key has no equivalent on X11.");
        case kHotKeyErrorNoKeyCode:
            return QStringLiteral("The key is not on this keyboard layout.");
        case kHotKeyErrorNoDisplay:
            return QStringLiteral("There is no X display to register the key on.");
        case kHotKeyErrorRefused:
            return QStringLiteral("The desktop did not accept the key as a shortcut for the whole desktop.");
        default:
            return QStringLiteral("The key combination could not be registered (error %1).").arg(code);
    }
}

}  // namespace platform
