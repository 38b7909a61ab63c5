#pragma once
// Windows virtual-key codes, which script files store for the start/stop shortcut, against Qt's keys and
// the names a user reads.

#include <QString>
#include <cstdint>

namespace platform {

// The virtual-key codes this program names. Letters, digits, keypad digits and function keys run in order
// from their first code (VK_A + 5 is F, VK_F1 + 5 is F6).
constexpr unsigned VK_BACK = 0x08, VK_TAB = 0x09, VK_RETURN = 0x0D, VK_PAUSE = 0x13, VK_ESCAPE = 0x1B;
constexpr unsigned VK_SPACE = 0x20, VK_PRIOR = 0x21, VK_NEXT = 0x22, VK_END = 0x23, VK_HOME = 0x24;
constexpr unsigned VK_LEFT = 0x25, VK_UP = 0x26, VK_RIGHT = 0x27, VK_DOWN = 0x28;
constexpr unsigned VK_SNAPSHOT = 0x2C, VK_INSERT = 0x2D, VK_DELETE = 0x2E;
constexpr unsigned VK_0 = 0x30, VK_9 = 0x39, VK_A = 0x41, VK_Z = 0x5A, VK_APPS = 0x5D;
constexpr unsigned VK_NUMPAD0 = 0x60, VK_NUMPAD9 = 0x69, VK_MULTIPLY = 0x6A, VK_ADD = 0x6B;
constexpr unsigned VK_SEPARATOR = 0x6C, VK_SUBTRACT = 0x6D, VK_DECIMAL = 0x6E, VK_DIVIDE = 0x6F;
constexpr unsigned VK_F1 = 0x70, VK_F6 = 0x75, VK_F12 = 0x7B, VK_F13 = 0x7C, VK_F24 = 0x87;
constexpr unsigned VK_SCROLL = 0x91;
// Punctuation, by its place on the US layout: ; = , - . / ` [ \ ] ' and the extra key left of Z on ISO
// keyboards.
constexpr unsigned VK_OEM_1 = 0xBA, VK_OEM_PLUS = 0xBB, VK_OEM_COMMA = 0xBC, VK_OEM_MINUS = 0xBD;
constexpr unsigned VK_OEM_PERIOD = 0xBE, VK_OEM_2 = 0xBF, VK_OEM_3 = 0xC0, VK_OEM_4 = 0xDB, VK_OEM_5 = 0xDC;
constexpr unsigned VK_OEM_6 = 0xDD, VK_OEM_7 = 0xDE, VK_OEM_8 = 0xDF, VK_OEM_102 = 0xE2;

// Hotkey-control modifier flags, as script files store them.
constexpr uint16_t HOTKEYF_SHIFT = 0x01;
constexpr uint16_t HOTKEYF_CONTROL = 0x02;
constexpr uint16_t HOTKEYF_ALT = 0x04;
constexpr uint16_t HOTKEYF_EXT = 0x08;  // carried as the Windows (Super) key

// The virtual-key code of a Qt key (keypad keys told apart by the flag), or 0 when it has none.
unsigned QtKeyToVirtualKey(int qtKey, bool keypad);
// "F9", "A", "Num 5", "Page Up", ...; a hexadecimal code for keys without a name.
QString VirtualKeyName(unsigned vk);
// "Ctrl + Shift + F" for a shortcut; the empty text for none.
QString HotKeyText(uint16_t vk, uint16_t hotKeyFlags);
// True for a key that types something (a letter, digit, punctuation, a keypad digit or operator, Space,
// Enter, Tab, Backspace), which taken system-wide without a modifier stops that typing everywhere.
bool IsTypingKey(unsigned vk);
// The trigger of a shortcut as the desktop portal takes it: registration modifiers (MOD_*) and the key's
// xkbcommon keysym name joined by "+", as in "CTRL+SHIFT+F11", "ALT+a", "LOGO+KP_5". Empty for a key
// without a keysym name.
QString ShortcutTrigger(unsigned modifiers, unsigned vk);
// The registration modifiers (MOD_*) of hotkey-control flags; other bits are ignored.
unsigned HotKeyFlagsToModifiers(uint16_t hotKeyFlags);

}  // namespace platform
