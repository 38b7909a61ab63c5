#pragma once
// Mouse input and cursor service. The records keep the shape of the Windows input API so that the click
// logic above this layer (and its tests) does not depend on the window system behind it.

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

namespace platform {

class CStopSignal;

constexpr uint32_t INPUT_MOUSE = 0;

constexpr uint32_t MOUSEEVENTF_MOVE = 0x0001;
constexpr uint32_t MOUSEEVENTF_LEFTDOWN = 0x0002;
constexpr uint32_t MOUSEEVENTF_LEFTUP = 0x0004;
constexpr uint32_t MOUSEEVENTF_RIGHTDOWN = 0x0008;
constexpr uint32_t MOUSEEVENTF_RIGHTUP = 0x0010;
constexpr uint32_t MOUSEEVENTF_MIDDLEDOWN = 0x0020;
constexpr uint32_t MOUSEEVENTF_MIDDLEUP = 0x0040;
constexpr uint32_t MOUSEEVENTF_ABSOLUTE = 0x8000;

// The button events a record's flags ask for, in the order of the flag bits, so a record with both a down
// and an up flag presses before it releases. Each back end turns the button into its own code.
enum class EMouseButton { Left, Right, Middle };
struct SButtonEvent {
    uint32_t nFlag;
    EMouseButton button;
    bool bPress;
};
inline constexpr SButtonEvent kButtonEvents[] = {
    {MOUSEEVENTF_LEFTDOWN, EMouseButton::Left, true},     {MOUSEEVENTF_LEFTUP, EMouseButton::Left, false},
    {MOUSEEVENTF_RIGHTDOWN, EMouseButton::Right, true},   {MOUSEEVENTF_RIGHTUP, EMouseButton::Right, false},
    {MOUSEEVENTF_MIDDLEDOWN, EMouseButton::Middle, true}, {MOUSEEVENTF_MIDDLEUP, EMouseButton::Middle, false},
};
// The Linux input code of a button (BTN_LEFT, BTN_RIGHT, BTN_MIDDLE), which Wayland protocols carry.
constexpr uint32_t LinuxButtonCode(EMouseButton button) {
    return button == EMouseButton::Left ? 0x110 : button == EMouseButton::Right ? 0x111 : 0x112;
}

// Carried in every record this program injects, as its scripts have always marked their clicks. The X11
// back end has nowhere to put it, and nothing reads it.
constexpr uintptr_t kInjectedExtraInfo = 0x312;

struct MOUSEINPUT {
    int32_t dx = 0;
    int32_t dy = 0;
    uint32_t mouseData = 0;
    uint32_t dwFlags = 0;
    uint32_t time = 0;
    uintptr_t dwExtraInfo = 0;
};

struct INPUT {
    uint32_t type = INPUT_MOUSE;
    MOUSEINPUT mi;
};

struct POINT {
    int32_t x = 0;
    int32_t y = 0;
    friend bool operator==(const POINT&, const POINT&) = default;
};

// One instance serves one thread: the X11 implementation holds a display connection of its own, so every
// thread that injects creates its own instance through the service record's factory.
class IInput {
public:
    virtual ~IInput() = default;
    // Positions are physical root-window pixels; negative values reach monitors left of or above the primary.
    virtual bool SetCursorPos(int x, int y) = 0;
    virtual bool GetCursorPos(POINT* pt) = 0;
    // Injects the records in order and returns how many were injected.
    virtual unsigned SendInput(unsigned count, const INPUT* inputs, int cbSize) = 0;
    // Which lock keys are on: kCapsLock | kNumLock | kScrollLock.
    virtual unsigned GetLockKeys() { return 0; }
    // Why injecting no longer works, for the user ("the X server connection was lost"); empty while it
    // does. A failed call with no reason here was refused for its arguments.
    virtual QString ErrorText() const { return {}; }
    // Called by a run's worker before its first action: an input that needs something first (the user's
    // consent to a remote-control session, say) waits for it here, and a stop ends the wait. Before it
    // waits it calls waiting, once, with what it waits for ("the desktop to allow control of the
    // pointer"). False when it cannot inject (ErrorText says why) or the stop ended the wait.
    virtual bool Prepare(CStopSignal& stop, const std::function<void(const QString& what)>& waiting) {
        (void)stop;
        (void)waiting;
        return true;
    }

    // SetCursorPos and SendInput send their requests at once. Between BeginBatch and EndBatch they may hold
    // them back and send them together (one write to the X server per click instead of three, which makes
    // a run without pauses nearly twice as fast); Flush sends what is held, and EndBatch ends the batch and
    // sends it, or, for an input that paces runs without pauses, keeps it for its next pacing pause. Whoever
    // batches flushes before every wait and at the end, so no click is ever held back across a pause.
    virtual void BeginBatch() {}
    virtual void Flush() {}
    virtual void EndBatch() {}

    // The next action is at (x, y), after a pause of pauseMs that begins now. An input whose moves are
    // slow to take effect may move there now, so that the action itself starts at once when the pause
    // ends; its SetCursorPos to the same point then sends nothing. Nothing by default.
    virtual void MoveAhead(int x, int y, uint32_t pauseMs) {
        (void)x;
        (void)y;
        (void)pauseMs;
    }
};

// An input whose records become button events one at a time: the walk of the records is here, so every back
// end counts, fails and tracks held buttons alike, and a back end only says how it makes one press or
// release.
class CButtonInput : public IInput {
public:
    // Makes the button presses and releases of each INPUT_MOUSE record, in the order of the flag bits.
    // Records of other types are skipped and not counted; a move flag adds no event (positions are set with
    // SetCursorPos). The walk stops at the first event that fails: the records before it count, that one and
    // those after it do not. Then Deliver sends what the walk queued; when that finds the connection lost, no
    // record of the call counts, since none is known to have arrived. Returns 0 when cbSize is not
    // sizeof(INPUT), as Windows does.
    unsigned SendInput(unsigned count, const INPUT* inputs, int cbSize) override;

protected:
    // One press or release; false when it could not go out.
    virtual bool Button(EMouseButton button, bool bPress) = 0;
    // Called once at the end of every walk, also one that failed. False when what was sent is lost.
    virtual bool Deliver() { return true; }
    // Releases every button a call pressed and none released, so nothing stays down when the input goes.
    // For the back end's destructor, while Button still works; it sends what it queued itself.
    void ReleaseHeld();

private:
    unsigned m_uHeld = 0;  // bit per EMouseButton
};

constexpr unsigned kCapsLock = 0x1;
constexpr unsigned kNumLock = 0x2;
constexpr unsigned kScrollLock = 0x4;

// Makes the input of the calling thread (an X connection of its own, say), or nullptr with the reason.
using InputFactory = std::function<std::unique_ptr<IInput>(QString* error)>;

}  // namespace platform
