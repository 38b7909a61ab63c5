#pragma once
// The ids under which a window holds its system-wide keys: the function key that captures the cursor (or
// adds a click at it), and the script's start/stop shortcut.

constexpr int HOTKEY_CAPTURE = 1;
constexpr int HOTKEY_START_STOP = 2;
