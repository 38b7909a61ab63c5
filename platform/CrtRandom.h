#pragma once
// The pseudo-random series of the Microsoft C runtime's rand(). Every run starts it afresh, so every run
// draws the same pauses, as the program always has on Windows, where each run gets a new thread.

#include <cstdint>

namespace platform {

class CCrtRandom {
public:
    static constexpr int kRandMax = 0x7FFF;

    void Reset() { m_state = 1; }
    int Next() {
        m_state = m_state * 214013u + 2531011u;
        return static_cast<int>((m_state >> 16) & 0x7FFFu);
    }

private:
    uint32_t m_state = 1;
};

}  // namespace platform
