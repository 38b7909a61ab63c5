#include "ui/HotKeyCtrl.h"

#include <QKeyEvent>

#include "platform/VirtualKeys.h"

using namespace platform;

namespace {

uint16_t FlagsOf(Qt::KeyboardModifiers modifiers) {
    uint16_t flags = 0;
    if (modifiers & Qt::ShiftModifier)
        flags |= HOTKEYF_SHIFT;
    if (modifiers & Qt::ControlModifier)
        flags |= HOTKEYF_CONTROL;
    if (modifiers & Qt::AltModifier)
        flags |= HOTKEYF_ALT;
    if (modifiers & Qt::MetaModifier)
        flags |= HOTKEYF_EXT;
    return flags;
}

bool IsModifierKey(int key) {
    return key == Qt::Key_Shift || key == Qt::Key_Control || key == Qt::Key_Alt || key == Qt::Key_Meta ||
           key == Qt::Key_Super_L || key == Qt::Key_Super_R || key == Qt::Key_AltGr;
}

}  // namespace

CHotKeyCtrl::CHotKeyCtrl(QWidget* parent) : QLineEdit(parent) {
    setReadOnly(true);
    setPlaceholderText(tr("None"));
    setContextMenuPolicy(Qt::NoContextMenu);
}

void CHotKeyCtrl::SetHotKey(uint16_t vk, uint16_t flags) {
    m_vk = vk;
    m_flags = vk == 0 ? 0 : flags;
    ShowHeld();
}

void CHotKeyCtrl::ShowHeld() {
    setText(HotKeyText(m_vk, m_flags));
}

void CHotKeyCtrl::ShowPending(Qt::KeyboardModifiers modifiers) {
    const QString text = HotKeyText(1, FlagsOf(modifiers));
    // Only the modifiers so far, as "Ctrl + Shift + ".
    setText(text.left(text.lastIndexOf(QStringLiteral(" + ")) + 3));
}

// Every key belongs to the field while it has the focus, so shortcuts of the window do not fire.
bool CHotKeyCtrl::event(QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (!(key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) ||
            key->modifiers() != Qt::NoModifier) {
            event->accept();
            return true;
        }
    }
    return QLineEdit::event(event);
}

void CHotKeyCtrl::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if ((key == Qt::Key_Tab || key == Qt::Key_Backtab) && modifiers == Qt::NoModifier) {
        QLineEdit::keyPressEvent(event);  // moves the focus on
        return;
    }
    event->accept();
    if (key == Qt::Key_Backspace && modifiers == Qt::NoModifier) {
        SetHotKey(0, 0);
        return;
    }
    if (IsModifierKey(key)) {
        ShowPending(modifiers);
        return;
    }
    const unsigned vk = QtKeyToVirtualKey(key, event->modifiers() & Qt::KeypadModifier);
    if (vk == 0)
        return;
    SetHotKey(uint16_t(vk), FlagsOf(modifiers));
}

void CHotKeyCtrl::keyReleaseEvent(QKeyEvent* event) {
    event->accept();
    if (IsModifierKey(event->key()) && event->modifiers() == Qt::NoModifier)
        ShowHeld();
}

void CHotKeyCtrl::focusOutEvent(QFocusEvent* event) {
    ShowHeld();
    QLineEdit::focusOutEvent(event);
}
