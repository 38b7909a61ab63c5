#include "platform/x11/KeyMap.h"

#include <utility>

#include "platform/VirtualKeys.h"

#include <X11/X.h>
#include <X11/keysym.h>

namespace platform {

namespace {

// Codes outside the contiguous ranges handled in code below.
// clang-format off
constexpr std::pair<unsigned, unsigned long> kTable[] = {
    {VK_BACK, XK_BackSpace}, {VK_TAB, XK_Tab}, {VK_RETURN, XK_Return}, {VK_PAUSE, XK_Pause}, {VK_ESCAPE, XK_Escape},
    {VK_SPACE, XK_space}, {VK_SNAPSHOT, XK_Print}, {VK_APPS, XK_Menu}, {VK_SCROLL, XK_Scroll_Lock},
    // navigation and editing
    {VK_PRIOR, XK_Prior}, {VK_NEXT, XK_Next}, {VK_END, XK_End}, {VK_HOME, XK_Home},
    {VK_LEFT, XK_Left}, {VK_UP, XK_Up}, {VK_RIGHT, XK_Right}, {VK_DOWN, XK_Down}, {VK_INSERT, XK_Insert}, {VK_DELETE, XK_Delete},
    // numeric keypad operators
    {VK_MULTIPLY, XK_KP_Multiply}, {VK_ADD, XK_KP_Add}, {VK_SEPARATOR, XK_KP_Separator}, {VK_SUBTRACT, XK_KP_Subtract},
    {VK_DECIMAL, XK_KP_Decimal}, {VK_DIVIDE, XK_KP_Divide},
    // punctuation, as the US layout places it
    {VK_OEM_1, XK_semicolon}, {VK_OEM_PLUS, XK_equal}, {VK_OEM_COMMA, XK_comma}, {VK_OEM_MINUS, XK_minus}, {VK_OEM_PERIOD, XK_period},
    {VK_OEM_2, XK_slash}, {VK_OEM_3, XK_grave}, {VK_OEM_4, XK_bracketleft}, {VK_OEM_5, XK_backslash},
    {VK_OEM_6, XK_bracketright}, {VK_OEM_7, XK_apostrophe}, {VK_OEM_102, XK_less},
};
// clang-format on

}  // namespace

unsigned long VirtualKeyToKeySym(unsigned vk) {
    if (vk >= VK_0 && vk <= VK_9)
        return XK_0 + (vk - VK_0);
    if (vk >= VK_A && vk <= VK_Z)
        return XK_a + (vk - VK_A);
    if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD9)
        return XK_KP_0 + (vk - VK_NUMPAD0);
    if (vk >= VK_F1 && vk <= VK_F24)
        return XK_F1 + (vk - VK_F1);
    for (const auto& [code, keysym] : kTable) {
        if (code == vk)
            return keysym;
    }
    return NoSymbol;
}

}  // namespace platform
