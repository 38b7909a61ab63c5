#pragma once
// The eight user settings that tune click timing, the clock and the action list, kept in the per-user
// profile, section "Settings". Users read and write the fields directly.

#include <QString>
#include <atomic>

struct CRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
};

class CSettings {
public:
    CSettings() = default;
    CSettings(const CSettings& other) { *this = other; }
    CSettings& operator=(const CSettings& other);

    // Reads the eight values from the profile; a missing value keeps the field as it is.
    void Load();
    // Writes all eight values; a failed write is not reported.
    void Save() const;

    QString m_strSection = QStringLiteral("Settings");
    // The main frame's rectangle once the form has been fitted; never stored.
    CRect m_rcMainFrame;

    int m_bAutoShortcut = 1;
    int m_bDeletionConfirmation = 1;
    int m_iTimeUpdateInterval = 500;
    // The click pauses are read by the run's worker while the settings dialog may change them, so they are
    // atomic words; any pair of bounds is a valid pair, so no lock is needed.
    std::atomic<int> m_iMdMuMin{10};
    std::atomic<int> m_iMdMuMax{30};
    std::atomic<int> m_iDcMin{20};
    std::atomic<int> m_iDcMax{40};
    int m_iDefaultTimeDelay = 200;
};

extern CSettings g_settings;
