#pragma once
// The start/stop shortcut field: shows one key with its modifiers, stored as a Windows virtual-key code and
// the hotkey flags 0x01 Shift, 0x02 Control, 0x04 Alt, 0x08 extended (Super).

#include <QLineEdit>
#include <cstdint>

class CHotKeyCtrl : public QLineEdit {
    Q_OBJECT

public:
    explicit CHotKeyCtrl(QWidget* parent = nullptr);

    void SetHotKey(uint16_t vk, uint16_t modifiers);
    uint16_t GetKeyCode() const { return m_vk; }
    uint16_t GetModifiers() const { return m_modifiers; }

private:
    uint16_t m_vk = 0;
    uint16_t m_modifiers = 0;
};
