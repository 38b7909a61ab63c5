#include "engine/ClickInjector.h"

#include <algorithm>

// An action under way: its requests go out together (each pause sending what came before it), and a pause
// cut short skips the pauses after it. The clicks of a double, and the clicks an action is made of, join the
// scope of their action; a click on its own has one of its own.
class CClickInjector::CScope {
public:
    explicit CScope(CClickInjector& injector) : m_injector(injector) {
        if (m_injector.m_iDepth++ == 0) {
            m_injector.m_bCutShort = false;
            m_injector.m_bFailed = false;
            m_injector.m_input.BeginBatch();
        }
    }
    CScope(const CScope&) = delete;
    CScope& operator=(const CScope&) = delete;
    ~CScope() {
        if (--m_injector.m_iDepth == 0)
            m_injector.m_input.EndBatch();
    }

private:
    CClickInjector& m_injector;
};

CClickInjector::CClickInjector(platform::IInput& input, platform::IWait& wait, platform::CCrtRandom& random,
                               const CSettings& settings)
    : m_input(input), m_wait(wait), m_random(random), m_settings(settings) {}

bool CClickInjector::PerformAction(const CMouseAction& action) {
    {
        CScope scope(*this);
        // Placed once: the button records carry no position, so both clicks of a double land here.
        if (!m_input.SetCursorPos(action.m_iX, action.m_iY))
            Fail();
        switch (action.m_iClickType) {
            case LeftClick:
                SendLeftClick();
                break;
            case MiddleClick:
                SendMiddleClick();
                break;
            case RightClick:
                SendRightClick();
                break;
            case DoubleClick:
                DoubleClickWith(&CClickInjector::SendLeftClick);
                break;
            case DoubleMiddleClick:
                DoubleClickWith(&CClickInjector::SendMiddleClick);
                break;
            case DoubleRightClick:
                DoubleClickWith(&CClickInjector::SendRightClick);
                break;
            default:
                // A type this version does not know: the cursor has moved, nothing is clicked.
                break;
        }
    }
    // The end of the batch sent the last requests; a connection that broke there shows now.
    if (!m_input.ErrorText().isEmpty())
        m_bFailed = true;
    return !m_bFailed;
}

void CClickInjector::DoubleClickWith(void (CClickInjector::*click)()) {
    (this->*click)();
    Pause(m_settings.m_iDcMin, m_settings.m_iDcMax);
    (this->*click)();
}

void CClickInjector::SendLeftClick() {
    CScope scope(*this);
    Click({platform::MOUSEEVENTF_LEFTDOWN, platform::MOUSEEVENTF_LEFTUP});
}

void CClickInjector::SendMiddleClick() {
    CScope scope(*this);
    Click({platform::MOUSEEVENTF_MIDDLEDOWN, platform::MOUSEEVENTF_MIDDLEUP});
}

void CClickInjector::SendRightClick() {
    CScope scope(*this);
    Click({platform::MOUSEEVENTF_RIGHTDOWN, platform::MOUSEEVENTF_RIGHTUP});
}

uint32_t CClickInjector::RandomDelay(int lower, int upper) {
    if (lower == upper)
        return static_cast<uint32_t>(lower);

    // The difference wraps as a 32-bit word would; its magnitude is taken unsigned, so the most negative
    // difference gives 2^31 rather than overflowing.
    const uint32_t uLower = static_cast<uint32_t>(lower);
    const uint32_t uUpper = static_cast<uint32_t>(upper);
    const auto diff = static_cast<int32_t>(uUpper - uLower);
    const uint32_t span = diff < 0 ? 0u - static_cast<uint32_t>(diff) : static_cast<uint32_t>(diff);
    const uint32_t base = std::min(uLower, uUpper);
    if (span == 0)
        return base;
    // span never exceeds the unsigned distance between the bounds, so this cannot pass the larger one.
    return base + static_cast<uint32_t>(m_random.Next()) % span;
}

void CClickInjector::Click(ButtonFlags flags) {
    Inject(flags.down);
    Pause(m_settings.m_iMdMuMin, m_settings.m_iMdMuMax);
    // Whatever the pause or the press did, the button goes up again.
    Inject(flags.up);
}

void CClickInjector::Fail() {
    // Holding a button that may not be down, or waiting to click through a dead connection, helps no one.
    m_bFailed = true;
    m_bCutShort = true;
}

void CClickInjector::Pause(const std::atomic<int>& lower, const std::atomic<int>& upper) {
    if (m_bCutShort)
        return;
    // Read at every draw: the settings dialog may change them while a run goes on.
    const uint32_t ms =
        RandomDelay(lower.load(std::memory_order_relaxed), upper.load(std::memory_order_relaxed));
    if (ms == 0)
        return;
    // The press before a hold must be at the server while the hold lasts.
    m_input.Flush();
    if (!m_input.ErrorText().isEmpty()) {
        Fail();
        return;
    }
    if (!m_wait.Sleep(ms))
        m_bCutShort = true;
}

void CClickInjector::Inject(uint32_t flags) {
    platform::INPUT input;
    input.type = platform::INPUT_MOUSE;
    input.mi.dwFlags = flags;
    input.mi.dwExtraInfo = platform::kInjectedExtraInfo;
    if (m_input.SendInput(1, &input, static_cast<int>(sizeof(platform::INPUT))) != 1)
        Fail();
}
