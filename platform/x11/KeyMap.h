#pragma once
// Windows virtual-key codes (as script files store shortcuts) to X keysyms. Pure functions: no
// display is needed, and callers outside platform/x11 get keysyms as plain numbers.

namespace platform {

// The keysym of a virtual-key code, or 0 (NoSymbol) when X has no equivalent. Letters give the lower-case
// keysym and punctuation the symbol of the US layout, which is what XKeysymToKeycode finds on level one.
unsigned long VirtualKeyToKeySym(unsigned vk);

}  // namespace platform
