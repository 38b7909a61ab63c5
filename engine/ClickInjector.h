#pragma once
// Performs one action of a script: places the cursor, then presses and releases the buttons of its click type
// with random pauses between them, whose bounds are the user's click-timing settings.
//
// The pauses draw from the run's generator in the order they happen (hold, and for a double click gap, then
// hold again). The caller owns the generator and resets it at the start of every run, so that every run draws
// the same series of pauses.
//
// A stop reaches the injector through the wait: once a pause is cut short, the rest of the action goes on
// without pausing. A button that was pressed is always released, and an action whose first press went out
// completes all its button events, so a run never leaves a button down. Not starting another action after a
// stop is the caller's job.
//
// An injection that fails (the X server went away) ends the action's pauses at once; the events still due
// are tried, so a button that did go down is released wherever that is still possible, and PerformAction
// answers false. The input's ErrorText says why.

#include <atomic>
#include <cstdint>

#include "platform/CrtRandom.h"
#include "platform/Input.h"
#include "platform/Wait.h"
#include "script/MouseAction.h"
#include "settings/Settings.h"

class CClickInjector {
public:
    CClickInjector(platform::IInput& input, platform::IWait& wait, platform::CCrtRandom& random,
                   const CSettings& settings = g_settings);

    // False when an injection failed; the caller stops the run then.
    bool PerformAction(const CMouseAction& action);
    // One complete click: press, random hold, release. An action is made of these.
    void SendLeftClick();
    void SendMiddleClick();
    void SendRightClick();

    // A pause in milliseconds from the smaller bound up to, not including, the larger one. Equal bounds give
    // that value without a draw. The arithmetic is that of 32-bit words: the span is |upper - lower| as a
    // wrapped signed difference and the base is the smaller bound as an unsigned number, so negative bounds
    // mean very long pauses, which a stop still cuts short. The result never exceeds the base plus 32767.
    uint32_t RandomDelay(int lower, int upper);

private:
    class CScope;
    struct ButtonFlags {
        uint32_t down;
        uint32_t up;
    };

    // The clicks of a double with the gap between them.
    void DoubleClickWith(void (CClickInjector::*click)());
    void Click(ButtonFlags flags);
    void Fail();
    // Draws a pause between the two settings, read now, and waits it unless an earlier pause of the same
    // action was cut short.
    void Pause(const std::atomic<int>& lower, const std::atomic<int>& upper);
    void Inject(uint32_t flags);

    platform::IInput& m_input;
    platform::IWait& m_wait;
    platform::CCrtRandom& m_random;
    const CSettings& m_settings;
    // Of the action under way.
    int m_iDepth = 0;
    bool m_bCutShort = false;
    bool m_bFailed = false;
};
