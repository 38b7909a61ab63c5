#include "ui/AppHotKeys.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QWindow>
#include <algorithm>

#include "platform/VirtualKeys.h"

using namespace platform;

namespace {

unsigned ModifierFlags(Qt::KeyboardModifiers modifiers) {
    unsigned flags = 0;
    if (modifiers & Qt::AltModifier)
        flags |= MOD_ALT;
    if (modifiers & Qt::ControlModifier)
        flags |= MOD_CONTROL;
    if (modifiers & Qt::ShiftModifier)
        flags |= MOD_SHIFT;
    if (modifiers & Qt::MetaModifier)
        flags |= MOD_WIN;
    return flags;
}

}  // namespace

CAppHotKeys::CAppHotKeys() {
    QCoreApplication::instance()->installEventFilter(this);
}

CAppHotKeys::~CAppHotKeys() {
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeEventFilter(this);
}

bool CAppHotKeys::RegisterHotKey(IHotKeyOwner* owner, int id, unsigned modifiers, unsigned vk) {
    const auto clash = std::find_if(m_registrations.begin(), m_registrations.end(), [&](const Registration& r) {
        return (r.owner == owner && r.id == id) || (r.vk == vk && r.modifiers == modifiers);
    });
    if (clash != m_registrations.end()) {
        m_lastError = kHotKeyErrorTaken;
        return false;
    }
    m_registrations.push_back({owner, id, modifiers & (MOD_ALT | MOD_CONTROL | MOD_SHIFT | MOD_WIN), vk});
    m_lastError = kHotKeyErrorNone;
    return true;
}

bool CAppHotKeys::UnregisterHotKey(IHotKeyOwner* owner, int id) {
    const auto before = m_registrations.size();
    std::erase_if(m_registrations, [&](const Registration& r) { return r.owner == owner && r.id == id; });
    return m_registrations.size() != before;
}

void CAppHotKeys::UnregisterAll(IHotKeyOwner* owner) {
    std::erase_if(m_registrations, [&](const Registration& r) { return r.owner == owner; });
}

bool CAppHotKeys::eventFilter(QObject* watched, QEvent* event) {
    // Key events reach the application's filters once for the window and again for each widget on the
    // way to the focus; the window's turn is the one that counts.
    if (event->type() != QEvent::KeyPress || !watched->isWindowType())
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->isAutoRepeat())
        return false;
    const unsigned vk = QtKeyToVirtualKey(key->key(), key->modifiers().testFlag(Qt::KeypadModifier));
    const unsigned modifiers = ModifierFlags(key->modifiers());
    for (const Registration& r : m_registrations) {
        if (r.vk == vk && r.modifiers == modifiers) {
            // The owner may unregister (and so change the list) from its handler.
            IHotKeyOwner* owner = r.owner;
            const int id = r.id;
            owner->OnHotKey(id);
            return true;
        }
    }
    return false;
}
