#pragma once
// The eight user settings that tune click timing, the clock and the action list, kept in the per-user
// profile, section "Settings". Users read and write the fields directly.

#include <QString>
#include <climits>

#include "platform/CopyableAtomic.h"

struct CRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
};

// The values a setting may take. The settings dialog accepts no others, and a value read from the profile
// outside its range is replaced by the setting's built-in default, so a run never holds a button longer
// than the dialog allows and the clock never ticks faster than it allows.
struct CSettingRange {
    int min;
    int max;
    constexpr bool Contains(int value) const { return value >= min && value <= max; }
};
inline constexpr CSettingRange kFlagRange{0, 1};
// The click pauses and the default delay.
inline constexpr CSettingRange kMillisecondsRange{0, INT_MAX};
// The clock: 10 ms looks continuous, and a clock that ticks less than once a minute is no clock.
inline constexpr CSettingRange kClockIntervalRange{10, 60000};
// A list column's width in pixels, wider than any screen.
inline constexpr CSettingRange kColumnWidthRange{1, 32767};

class CSettings {
public:
    // Reads the eight values from the profile; a missing value keeps the field as it is. A field whose
    // value is then outside its range takes its built-in default.
    void Load();
    // Writes all eight values; a failed write is not reported.
    void Save() const;
    // A list column's width stored under name in this section, or def when it is missing or out of range.
    int LoadColumnWidth(const QString& name, int def) const;

    QString m_strSection = QStringLiteral("Settings");
    // The main frame's rectangle once the form has been fitted; never stored.
    CRect m_rcMainFrame;

    int m_bAutoShortcut = 1;
    int m_bDeletionConfirmation = 1;
    int m_iTimeUpdateInterval = 500;
    // The click pauses are read by the run's worker while the settings dialog may change them, so they are
    // atomic words; any pair of bounds is a valid pair, so no lock is needed.
    platform::CCopyableAtomic<int> m_iMdMuMin{10};
    platform::CCopyableAtomic<int> m_iMdMuMax{30};
    platform::CCopyableAtomic<int> m_iDcMin{20};
    platform::CCopyableAtomic<int> m_iDcMax{40};
    int m_iDefaultTimeDelay = 200;
};

extern CSettings g_settings;
