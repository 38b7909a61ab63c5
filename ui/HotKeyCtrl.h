#pragma once
// The start/stop shortcut field: press a key with any of Shift, Ctrl, Alt and Super to choose it. It
// holds the key as a Windows virtual-key code with the hotkey flags 0x01 Shift, 0x02 Control, 0x04 Alt
// and 0x08 extended (Super), as script files store them. Backspace alone empties it.

#include <QLineEdit>
#include <cstdint>

class CHotKeyCtrl : public QLineEdit {
    Q_OBJECT

public:
    explicit CHotKeyCtrl(QWidget* parent = nullptr);

    void SetHotKey(uint16_t vk, uint16_t flags);
    uint16_t GetKeyCode() const { return m_vk; }
    uint16_t GetModifiers() const { return m_flags; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void ShowPending(Qt::KeyboardModifiers modifiers);
    void ShowHeld();

    uint16_t m_vk = 0;
    uint16_t m_flags = 0;
};
