#include "engine/ClickInjector.h"

#include <algorithm>

namespace {

struct ButtonFlags {
    uint32_t down;
    uint32_t up;
};

// An action's requests go out together, each pause sending what came before it.
class CBatch {
public:
    explicit CBatch(platform::IInput& input) : m_input(input) { m_input.BeginBatch(); }
    CBatch(const CBatch&) = delete;
    CBatch& operator=(const CBatch&) = delete;
    ~CBatch() { m_input.EndBatch(); }

private:
    platform::IInput& m_input;
};

}  // namespace

CClickInjector::CClickInjector(platform::IInput& input, platform::IWait& wait, platform::CCrtRandom& random,
                               const CSettings& settings)
    : m_input(input), m_wait(wait), m_random(random), m_settings(settings) {}

bool CClickInjector::PerformAction(const CMouseAction& action) {
    m_bFailed = false;
    bool bCutShort = false;
    {
        CBatch batch(m_input);
        // Placed once: the button records carry no position, so both clicks of a double land here.
        if (!m_input.SetCursorPos(action.m_iX, action.m_iY))
            Fail(bCutShort);
        PerformClicks(action.m_iClickType, bCutShort);
    }
    // The end of the batch sent the last requests; a connection that broke there shows now.
    if (!m_input.ErrorText().isEmpty())
        m_bFailed = true;
    return !m_bFailed;
}

void CClickInjector::PerformClicks(int clickType, bool& bCutShort) {
    auto doubleClick = [&](Button button) {
        Click(button, bCutShort);
        Pause(m_settings.m_iDcMin, m_settings.m_iDcMax, bCutShort);
        Click(button, bCutShort);
    };
    switch (clickType) {
        case LeftClick:
            Click(Button::Left, bCutShort);
            break;
        case MiddleClick:
            Click(Button::Middle, bCutShort);
            break;
        case RightClick:
            Click(Button::Right, bCutShort);
            break;
        case DoubleClick:
            doubleClick(Button::Left);
            break;
        case DoubleMiddleClick:
            doubleClick(Button::Middle);
            break;
        case DoubleRightClick:
            doubleClick(Button::Right);
            break;
        default:
            // A type this version does not know: the cursor has moved, nothing is clicked.
            break;
    }
}

void CClickInjector::SendLeftClick() {
    CBatch batch(m_input);
    bool bCutShort = false;
    m_bFailed = false;
    Click(Button::Left, bCutShort);
}

void CClickInjector::SendMiddleClick() {
    CBatch batch(m_input);
    bool bCutShort = false;
    m_bFailed = false;
    Click(Button::Middle, bCutShort);
}

void CClickInjector::SendRightClick() {
    CBatch batch(m_input);
    bool bCutShort = false;
    m_bFailed = false;
    Click(Button::Right, bCutShort);
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

void CClickInjector::Click(Button button, bool& bCutShort) {
    ButtonFlags flags{};
    switch (button) {
        case Button::Left:
            flags = {platform::MOUSEEVENTF_LEFTDOWN, platform::MOUSEEVENTF_LEFTUP};
            break;
        case Button::Middle:
            flags = {platform::MOUSEEVENTF_MIDDLEDOWN, platform::MOUSEEVENTF_MIDDLEUP};
            break;
        case Button::Right:
            flags = {platform::MOUSEEVENTF_RIGHTDOWN, platform::MOUSEEVENTF_RIGHTUP};
            break;
    }
    Inject(flags.down, bCutShort);
    Pause(m_settings.m_iMdMuMin, m_settings.m_iMdMuMax, bCutShort);
    // Whatever the pause or the press did, the button goes up again.
    Inject(flags.up, bCutShort);
}

void CClickInjector::Fail(bool& bCutShort) {
    // Holding a button that may not be down, or waiting to click through a dead connection, helps no one.
    m_bFailed = true;
    bCutShort = true;
}

void CClickInjector::Pause(const std::atomic<int>& lower, const std::atomic<int>& upper, bool& bCutShort) {
    if (bCutShort)
        return;
    // Read at every draw: the settings dialog may change them while a run goes on.
    const uint32_t ms =
        RandomDelay(lower.load(std::memory_order_relaxed), upper.load(std::memory_order_relaxed));
    if (ms == 0)
        return;
    // The press before a hold must be at the server while the hold lasts.
    m_input.Flush();
    if (!m_input.ErrorText().isEmpty()) {
        Fail(bCutShort);
        return;
    }
    if (!m_wait.Sleep(ms))
        bCutShort = true;
}

void CClickInjector::Inject(uint32_t flags, bool& bCutShort) {
    platform::INPUT input;
    input.type = platform::INPUT_MOUSE;
    input.mi.dx = 0;
    input.mi.dy = 0;
    input.mi.mouseData = 0;
    input.mi.dwFlags = flags;
    input.mi.time = 0;
    input.mi.dwExtraInfo = platform::kInjectedExtraInfo;
    if (m_input.SendInput(1, &input, static_cast<int>(sizeof(platform::INPUT))) != 1)
        Fail(bCutShort);
}
