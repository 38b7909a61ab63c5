#include "ui/HotKeyCtrl.h"

CHotKeyCtrl::CHotKeyCtrl(QWidget* parent) : QLineEdit(parent) {
    setReadOnly(true);
    setText(tr("None"));
}

void CHotKeyCtrl::SetHotKey(uint16_t vk, uint16_t modifiers) {
    m_vk = vk;
    m_modifiers = modifiers;
    QStringList parts;
    if (modifiers & 0x02)
        parts << tr("Ctrl");
    if (modifiers & 0x01)
        parts << tr("Shift");
    if (modifiers & 0x04)
        parts << tr("Alt");
    if (modifiers & 0x08)
        parts << tr("Super");
    if (vk != 0)
        parts << QStringLiteral("0x%1").arg(vk, 2, 16, QLatin1Char('0'));
    setText(vk == 0 ? tr("None") : parts.join(QStringLiteral(" + ")));
}
