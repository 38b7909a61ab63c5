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
    {Qt::Key_Backspace, VK_BACK, "Backspace"},
    {Qt::Key_Tab, VK_TAB, "Tab"},
    {Qt::Key_Return, VK_RETURN, "Enter"},
    {Qt::Key_Enter, VK_RETURN, "Enter"},
    {Qt::Key_Pause, VK_PAUSE, "Pause"},
    {Qt::Key_Escape, VK_ESCAPE, "Esc"},
    {Qt::Key_Space, VK_SPACE, "Space"},
    {Qt::Key_PageUp, VK_PRIOR, "Page Up"},
    {Qt::Key_PageDown, VK_NEXT, "Page Down"},
    {Qt::Key_End, VK_END, "End"},
    {Qt::Key_Home, VK_HOME, "Home"},
    {Qt::Key_Left, VK_LEFT, "Left"},
    {Qt::Key_Up, VK_UP, "Up"},
    {Qt::Key_Right, VK_RIGHT, "Right"},
    {Qt::Key_Down, VK_DOWN, "Down"},
    {Qt::Key_Print, VK_SNAPSHOT, "Print Screen"},
    {Qt::Key_Insert, VK_INSERT, "Insert"},
    {Qt::Key_Delete, VK_DELETE, "Delete"},
    {Qt::Key_Menu, VK_APPS, "Menu"},
    {Qt::Key_ScrollLock, VK_SCROLL, "Scroll Lock"},
    {Qt::Key_Semicolon, VK_OEM_1, ";"},
    {Qt::Key_Colon, VK_OEM_1, ";"},
    {Qt::Key_Equal, VK_OEM_PLUS, "="},
    {Qt::Key_Plus, VK_OEM_PLUS, "="},
    {Qt::Key_Comma, VK_OEM_COMMA, ","},
    {Qt::Key_Less, VK_OEM_COMMA, ","},
    {Qt::Key_Minus, VK_OEM_MINUS, "-"},
    {Qt::Key_Underscore, VK_OEM_MINUS, "-"},
    {Qt::Key_Period, VK_OEM_PERIOD, "."},
    {Qt::Key_Greater, VK_OEM_PERIOD, "."},
    {Qt::Key_Slash, VK_OEM_2, "/"},
    {Qt::Key_Question, VK_OEM_2, "/"},
    {Qt::Key_QuoteLeft, VK_OEM_3, "`"},
    {Qt::Key_AsciiTilde, VK_OEM_3, "`"},
    {Qt::Key_BracketLeft, VK_OEM_4, "["},
    {Qt::Key_BraceLeft, VK_OEM_4, "["},
    {Qt::Key_Backslash, VK_OEM_5, "\\"},
    {Qt::Key_Bar, VK_OEM_5, "\\"},
    {Qt::Key_BracketRight, VK_OEM_6, "]"},
    {Qt::Key_BraceRight, VK_OEM_6, "]"},
    {Qt::Key_Apostrophe, VK_OEM_7, "'"},
    {Qt::Key_QuoteDbl, VK_OEM_7, "'"},
};

// Shifted digits on a US layout, as Qt reports them with Shift held.
constexpr char kShiftedDigits[] = ")!@#$%^&*(";

constexpr SKey kKeypad[] = {
    {Qt::Key_Asterisk, VK_MULTIPLY, "Num *"}, {Qt::Key_Plus, VK_ADD, "Num +"},
    {Qt::Key_Minus, VK_SUBTRACT, "Num -"},    {Qt::Key_Period, VK_DECIMAL, "Num ."},
    {Qt::Key_Slash, VK_DIVIDE, "Num /"},      {Qt::Key_Enter, VK_RETURN, "Enter"},
};

// The xkbcommon keysym names of the keys that are not letters, digits, function keys or keypad digits.
struct SKeySym {
    unsigned vk;
    const char* name;
};
constexpr SKeySym kKeySyms[] = {
    {VK_BACK, "BackSpace"},      {VK_TAB, "Tab"},           {VK_RETURN, "Return"},      {VK_PAUSE, "Pause"},
    {VK_ESCAPE, "Escape"},       {VK_SPACE, "space"},       {VK_PRIOR, "Prior"},        {VK_NEXT, "Next"},
    {VK_END, "End"},             {VK_HOME, "Home"},         {VK_LEFT, "Left"},          {VK_UP, "Up"},
    {VK_RIGHT, "Right"},         {VK_DOWN, "Down"},         {VK_SNAPSHOT, "Print"},     {VK_INSERT, "Insert"},
    {VK_DELETE, "Delete"},       {VK_APPS, "Menu"},         {VK_SCROLL, "Scroll_Lock"}, {VK_MULTIPLY, "KP_Multiply"},
    {VK_ADD, "KP_Add"},          {VK_SEPARATOR, "KP_Separator"}, {VK_SUBTRACT, "KP_Subtract"},
    {VK_DECIMAL, "KP_Decimal"},  {VK_DIVIDE, "KP_Divide"},  {VK_OEM_1, "semicolon"},    {VK_OEM_PLUS, "equal"},
    {VK_OEM_COMMA, "comma"},     {VK_OEM_MINUS, "minus"},   {VK_OEM_PERIOD, "period"},  {VK_OEM_2, "slash"},
    {VK_OEM_3, "grave"},         {VK_OEM_4, "bracketleft"}, {VK_OEM_5, "backslash"},    {VK_OEM_6, "bracketright"},
    {VK_OEM_7, "apostrophe"},    {VK_OEM_102, "less"},
};

}  // namespace

QString ShortcutTrigger(unsigned modifiers, unsigned vk) {
    QString key;
    if (vk >= VK_A && vk <= VK_Z)
        key = QChar(char16_t(u'a' + (vk - VK_A)));
    else if (vk >= VK_0 && vk <= VK_9)
        key = QChar(char16_t(vk));
    else if (vk >= VK_F1 && vk <= VK_F24)
        key = QStringLiteral("F%1").arg(vk - VK_F1 + 1);
    else if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD9)
        key = QStringLiteral("KP_%1").arg(vk - VK_NUMPAD0);
    for (const SKeySym& k : kKeySyms) {
        if (key.isEmpty() && k.vk == vk)
            key = QString::fromLatin1(k.name);
    }
    if (key.isEmpty())
        return {};
    QStringList parts;
    if (modifiers & MOD_CONTROL)
        parts << QStringLiteral("CTRL");
    if (modifiers & MOD_ALT)
        parts << QStringLiteral("ALT");
    if (modifiers & MOD_SHIFT)
        parts << QStringLiteral("SHIFT");
    if (modifiers & MOD_WIN)
        parts << QStringLiteral("LOGO");
    parts << key;
    return parts.join(QLatin1Char('+'));
}

unsigned QtKeyToVirtualKey(int qtKey, bool keypad) {
    if (keypad) {
        if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)
            return VK_NUMPAD0 + unsigned(qtKey - Qt::Key_0);
        for (const SKey& k : kKeypad)
            if (k.qt == qtKey)
                return k.vk;
    }
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z)
        return VK_A + unsigned(qtKey - Qt::Key_A);
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)
        return VK_0 + unsigned(qtKey - Qt::Key_0);
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24)
        return VK_F1 + unsigned(qtKey - Qt::Key_F1);
    for (int d = 0; d < 10; ++d)
        if (qtKey == kShiftedDigits[d])
            return VK_0 + unsigned(d);
    for (const SKey& k : kKeys)
        if (k.qt == qtKey)
            return k.vk;
    return 0;
}

QString VirtualKeyName(unsigned vk) {
    if ((vk >= VK_A && vk <= VK_Z) || (vk >= VK_0 && vk <= VK_9))
        return QString(QChar(char16_t(vk)));
    if (vk >= VK_F1 && vk <= VK_F24)
        return QStringLiteral("F%1").arg(vk - VK_F1 + 1);
    if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD9)
        return QStringLiteral("Num %1").arg(vk - VK_NUMPAD0);
    for (const SKey& k : kKeypad)
        if (k.vk == vk && vk != VK_RETURN)
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
    return vk == VK_BACK || vk == VK_TAB || vk == VK_RETURN || vk == VK_SPACE || (vk >= VK_0 && vk <= VK_9) ||
           (vk >= VK_A && vk <= VK_Z) || (vk >= VK_NUMPAD0 && vk <= VK_DIVIDE) ||
           (vk >= VK_OEM_1 && vk <= VK_OEM_3) || (vk >= VK_OEM_4 && vk <= VK_OEM_8) || vk == VK_OEM_102;
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
