#include "platform/Input.h"

namespace platform {

namespace {

constexpr unsigned HeldBit(EMouseButton button) {
    return 1u << static_cast<unsigned>(button);
}

}  // namespace

unsigned CButtonInput::SendInput(unsigned count, const INPUT* inputs, int cbSize) {
    if (!inputs || cbSize != static_cast<int>(sizeof(INPUT)))
        return 0;
    unsigned injected = 0;
    for (unsigned i = 0; i < count; ++i) {
        if (inputs[i].type != INPUT_MOUSE)
            continue;
        bool bWhole = true;
        for (const SButtonEvent& event : kButtonEvents) {
            if ((inputs[i].mi.dwFlags & event.nFlag) == 0)
                continue;
            // A release that failed leaves the button held, so the destructor tries again.
            if (!Button(event.button, event.bPress)) {
                bWhole = false;
                break;
            }
            if (event.bPress)
                m_uHeld |= HeldBit(event.button);
            else
                m_uHeld &= ~HeldBit(event.button);
        }
        if (!bWhole)
            break;
        ++injected;
    }
    return Deliver() ? injected : 0;
}

void CButtonInput::ReleaseHeld() {
    for (const SButtonEvent& event : kButtonEvents) {
        if (!event.bPress && (m_uHeld & HeldBit(event.button)) != 0)
            Button(event.button, false);
    }
    m_uHeld = 0;
}

}  // namespace platform
