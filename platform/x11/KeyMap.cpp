#include "platform/x11/KeyMap.h"

#include <utility>

#include <X11/X.h>
#include <X11/keysym.h>

namespace platform {

namespace {

// Codes outside the contiguous ranges handled in code below.
// clang-format off
constexpr std::pair<unsigned, unsigned long> kTable[] = {
    {0x08, XK_BackSpace}, {0x09, XK_Tab}, {0x0D, XK_Return}, {0x13, XK_Pause}, {0x1B, XK_Escape},
    {0x20, XK_space}, {0x2C, XK_Print}, {0x5D, XK_Menu}, {0x91, XK_Scroll_Lock},
    // navigation and editing
    {0x21, XK_Prior}, {0x22, XK_Next}, {0x23, XK_End}, {0x24, XK_Home},
    {0x25, XK_Left}, {0x26, XK_Up}, {0x27, XK_Right}, {0x28, XK_Down}, {0x2D, XK_Insert}, {0x2E, XK_Delete},
    // numeric keypad operators
    {0x6A, XK_KP_Multiply}, {0x6B, XK_KP_Add}, {0x6C, XK_KP_Separator}, {0x6D, XK_KP_Subtract},
    {0x6E, XK_KP_Decimal}, {0x6F, XK_KP_Divide},
    // punctuation, as the US layout places it; 0xE2 is the extra key left of Z on ISO keyboards
    {0xBA, XK_semicolon}, {0xBB, XK_equal}, {0xBC, XK_comma}, {0xBD, XK_minus}, {0xBE, XK_period},
    {0xBF, XK_slash}, {0xC0, XK_grave}, {0xDB, XK_bracketleft}, {0xDC, XK_backslash},
    {0xDD, XK_bracketright}, {0xDE, XK_apostrophe}, {0xE2, XK_less},
};
// clang-format on

constexpr unsigned kVkDigit0 = 0x30, kVkDigit9 = 0x39;
constexpr unsigned kVkA = 0x41, kVkZ = 0x5A;
constexpr unsigned kVkNumpad0 = 0x60, kVkNumpad9 = 0x69;
constexpr unsigned kVkF1 = 0x70, kVkF24 = 0x87;

}  // namespace

unsigned long VirtualKeyToKeySym(unsigned vk) {
    if (vk >= kVkDigit0 && vk <= kVkDigit9)
        return XK_0 + (vk - kVkDigit0);
    if (vk >= kVkA && vk <= kVkZ)
        return XK_a + (vk - kVkA);
    if (vk >= kVkNumpad0 && vk <= kVkNumpad9)
        return XK_KP_0 + (vk - kVkNumpad0);
    if (vk >= kVkF1 && vk <= kVkF24)
        return XK_F1 + (vk - kVkF1);
    for (const auto& [code, keysym] : kTable) {
        if (code == vk)
            return keysym;
    }
    return NoSymbol;
}

unsigned KeySymToVirtualKey(unsigned long keysym) {
    if (keysym >= XK_0 && keysym <= XK_9)
        return kVkDigit0 + static_cast<unsigned>(keysym - XK_0);
    if (keysym >= XK_a && keysym <= XK_z)
        return kVkA + static_cast<unsigned>(keysym - XK_a);
    if (keysym >= XK_A && keysym <= XK_Z)
        return kVkA + static_cast<unsigned>(keysym - XK_A);
    if (keysym >= XK_KP_0 && keysym <= XK_KP_9)
        return kVkNumpad0 + static_cast<unsigned>(keysym - XK_KP_0);
    if (keysym >= XK_F1 && keysym <= XK_F24)
        return kVkF1 + static_cast<unsigned>(keysym - XK_F1);
    for (const auto& [code, sym] : kTable) {
        if (sym == keysym)
            return code;
    }
    return 0;
}

}  // namespace platform
