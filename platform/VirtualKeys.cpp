#include "platform/VirtualKeys.h"

#include <QStringList>
#include <Qt>

#include "platform/HotKeys.h"

namespace platform {

namespace {

struct SKey {
    int qt;
    unsigned vk;
    const char* name;
};

// Keys that are not letters, digits, function keys or keypad keys.
constexpr SKey kKeys[] = {
    {Qt::Key_Backspace, 0x08, "Backspace"},
    {Qt::Key_Tab, 0x09, "Tab"},
    {Qt::Key_Return, 0x0D, "Enter"},
    {Qt::Key_Enter, 0x0D, "Enter"},
    {Qt::Key_Pause, 0x13, "Pause"},
    {Qt::Key_Escape, 0x1B, "Esc"},
    {Qt::Key_Space, 0x20, "Space"},
    {Qt::Key_PageUp, 0x21, "Page Up"},
    {Qt::Key_PageDown, 0x22, "Page Down"},
    {Qt::Key_End, 0x23, "End"},
    {Qt::Key_Home, 0x24, "Home"},
    {Qt::Key_Left, 0x25, "Left"},
    {Qt::Key_Up, 0x26, "Up"},
    {Qt::Key_Right, 0x27, "Right"},
    {Qt::Key_Down, 0x28, "Down"},
    {Qt::Key_Print, 0x2C, "Print Screen"},
    {Qt::Key_Insert, 0x2D, "Insert"},
    {Qt::Key_Delete, 0x2E, "Delete"},
    {Qt::Key_Menu, 0x5D, "Menu"},
    {Qt::Key_ScrollLock, 0x91, "Scroll Lock"},
    {Qt::Key_Semicolon, 0xBA, ";"},
    {Qt::Key_Colon, 0xBA, ";"},
    {Qt::Key_Equal, 0xBB, "="},
    {Qt::Key_Plus, 0xBB, "="},
    {Qt::Key_Comma, 0xBC, ","},
    {Qt::Key_Less, 0xBC, ","},
    {Qt::Key_Minus, 0xBD, "-"},
    {Qt::Key_Underscore, 0xBD, "-"},
    {Qt::Key_Period, 0xBE, "."},
    {Qt::Key_Greater, 0xBE, "."},
    {Qt::Key_Slash, 0xBF, "/"},
    {Qt::Key_Question, 0xBF, "/"},
    {Qt::Key_QuoteLeft, 0xC0, "`"},
    {Qt::Key_AsciiTilde, 0xC0, "`"},
    {Qt::Key_BracketLeft, 0xDB, "["},
    {Qt::Key_BraceLeft, 0xDB, "["},
    {Qt::Key_Backslash, 0xDC, "\\"},
    {Qt::Key_Bar, 0xDC, "\\"},
    {Qt::Key_BracketRight, 0xDD, "]"},
    {Qt::Key_BraceRight, 0xDD, "]"},
    {Qt::Key_Apostrophe, 0xDE, "'"},
    {Qt::Key_QuoteDbl, 0xDE, "'"},
};

// Shifted digits on a US layout, as Qt reports them with Shift held.
constexpr char kShiftedDigits[] = ")!@#$%^&*(";

constexpr SKey kKeypad[] = {
    {Qt::Key_Asterisk, 0x6A, "Num *"}, {Qt::Key_Plus, 0x6B, "Num +"},  {Qt::Key_Minus, 0x6D, "Num -"},
    {Qt::Key_Period, 0x6E, "Num ."},   {Qt::Key_Slash, 0x6F, "Num /"}, {Qt::Key_Enter, 0x0D, "Enter"},
};

}  // namespace

unsigned QtKeyToVirtualKey(int qtKey, bool keypad) {
    if (keypad) {
        if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)
            return 0x60 + unsigned(qtKey - Qt::Key_0);
        for (const SKey& k : kKeypad)
            if (k.qt == qtKey)
                return k.vk;
    }
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z)
        return 0x41 + unsigned(qtKey - Qt::Key_A);
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)
        return 0x30 + unsigned(qtKey - Qt::Key_0);
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24)
        return 0x70 + unsigned(qtKey - Qt::Key_F1);
    for (int d = 0; d < 10; ++d)
        if (qtKey == kShiftedDigits[d])
            return 0x30 + unsigned(d);
    for (const SKey& k : kKeys)
        if (k.qt == qtKey)
            return k.vk;
    return 0;
}

QString VirtualKeyName(unsigned vk) {
    if ((vk >= 0x41 && vk <= 0x5A) || (vk >= 0x30 && vk <= 0x39))
        return QString(QChar(char16_t(vk)));
    if (vk >= 0x70 && vk <= 0x87)
        return QStringLiteral("F%1").arg(vk - 0x70 + 1);
    if (vk >= 0x60 && vk <= 0x69)
        return QStringLiteral("Num %1").arg(vk - 0x60);
    for (const SKey& k : kKeypad)
        if (k.vk == vk && vk != 0x0D)
            return QString::fromLatin1(k.name);
    for (const SKey& k : kKeys)
        if (k.vk == vk)
            return QString::fromLatin1(k.name);
    return QStringLiteral("0x%1").arg(vk, 2, 16, QLatin1Char('0'));
}

QString HotKeyText(uint16_t vk, uint16_t hotKeyFlags) {
    if (vk == 0)
        return {};
    QStringList parts;
    if (hotKeyFlags & HOTKEYF_CONTROL)
        parts << QStringLiteral("Ctrl");
    if (hotKeyFlags & HOTKEYF_SHIFT)
        parts << QStringLiteral("Shift");
    if (hotKeyFlags & HOTKEYF_ALT)
        parts << QStringLiteral("Alt");
    if (hotKeyFlags & HOTKEYF_EXT)
        parts << QStringLiteral("Super");
    parts << VirtualKeyName(vk);
    return parts.join(QStringLiteral(" + "));
}

bool IsTypingKey(unsigned vk) {
    return vk == 0x08 || vk == 0x09 || vk == 0x0D || vk == 0x20 || (vk >= 0x30 && vk <= 0x39) ||
           (vk >= 0x41 && vk <= 0x5A) || (vk >= 0x60 && vk <= 0x6F) || (vk >= 0xBA && vk <= 0xC0) ||
           (vk >= 0xDB && vk <= 0xDF) || vk == 0xE2;
}

unsigned HotKeyFlagsToModifiers(uint16_t hotKeyFlags) {
    unsigned modifiers = 0;
    if (hotKeyFlags & HOTKEYF_SHIFT)
        modifiers |= MOD_SHIFT;
    if (hotKeyFlags & HOTKEYF_CONTROL)
        modifiers |= MOD_CONTROL;
    if (hotKeyFlags & HOTKEYF_ALT)
        modifiers |= MOD_ALT;
    if (hotKeyFlags & HOTKEYF_EXT)
        modifiers |= MOD_WIN;
    return modifiers;
}

}  // namespace platform
