#include "settings/Settings.h"

#include "platform/Profile.h"

CSettings g_settings;

namespace {

const CSettings kDefaults;

// The stored value, or current when there is none; def when that is out of range.
int ReadInt(const QString& section, const QString& name, int current, CSettingRange range, int def) {
    const int value = platform::GetProfileInt(section, name, current);
    return range.Contains(value) ? value : def;
}

void LoadInt(const QString& section, const QString& name, int& field, CSettingRange range, const int& def) {
    field = ReadInt(section, name, field, range, def);
}

void LoadInt(const QString& section, const QString& name, std::atomic<int>& field, CSettingRange range,
             const std::atomic<int>& def) {
    field.store(ReadInt(section, name, field.load(), range, def.load()));
}

}  // namespace

void CSettings::Load() {
    const CSettings& d = kDefaults;
    LoadInt(m_strSection, QStringLiteral("m_bAutoShortcut"), m_bAutoShortcut, kFlagRange, d.m_bAutoShortcut);
    LoadInt(m_strSection, QStringLiteral("m_bDeletionConfirmation"), m_bDeletionConfirmation, kFlagRange,
            d.m_bDeletionConfirmation);
    LoadInt(m_strSection, QStringLiteral("m_iTimeUpdateInterval"), m_iTimeUpdateInterval, kClockIntervalRange,
            d.m_iTimeUpdateInterval);
    LoadInt(m_strSection, QStringLiteral("m_iMdMuMin"), m_iMdMuMin, kMillisecondsRange, d.m_iMdMuMin);
    LoadInt(m_strSection, QStringLiteral("m_iMdMuMax"), m_iMdMuMax, kMillisecondsRange, d.m_iMdMuMax);
    LoadInt(m_strSection, QStringLiteral("m_iDcMin"), m_iDcMin, kMillisecondsRange, d.m_iDcMin);
    LoadInt(m_strSection, QStringLiteral("m_iDcMax"), m_iDcMax, kMillisecondsRange, d.m_iDcMax);
    LoadInt(m_strSection, QStringLiteral("m_iDefaultTimeDelay"), m_iDefaultTimeDelay, kMillisecondsRange,
            d.m_iDefaultTimeDelay);
}

void CSettings::Save() const {
    const auto number = [](int value) { return std::optional<QString>(QString::number(value)); };
    // One write of the profile for all eight.
    platform::WriteProfileEntries(
        m_strSection, {{QStringLiteral("m_bAutoShortcut"), number(m_bAutoShortcut)},
                       {QStringLiteral("m_bDeletionConfirmation"), number(m_bDeletionConfirmation)},
                       {QStringLiteral("m_iTimeUpdateInterval"), number(m_iTimeUpdateInterval)},
                       {QStringLiteral("m_iMdMuMin"), number(m_iMdMuMin.load())},
                       {QStringLiteral("m_iMdMuMax"), number(m_iMdMuMax.load())},
                       {QStringLiteral("m_iDcMin"), number(m_iDcMin.load())},
                       {QStringLiteral("m_iDcMax"), number(m_iDcMax.load())},
                       {QStringLiteral("m_iDefaultTimeDelay"), number(m_iDefaultTimeDelay)}});
}

int CSettings::LoadColumnWidth(const QString& name, int def) const {
    const int width = platform::GetProfileInt(m_strSection, name, def);
    return kColumnWidthRange.Contains(width) ? width : def;
}
