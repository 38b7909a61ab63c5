#pragma once
// Windows virtual-key codes, which script files store for the start/stop shortcut, against Qt's keys and
// the names a user reads.

#include <QString>
#include <cstdint>

namespace platform {

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
// The registration modifiers (MOD_*) of hotkey-control flags; other bits are ignored.
unsigned HotKeyFlagsToModifiers(uint16_t hotKeyFlags);

}  // namespace platform
