#include "settings/Settings.h"

#include "platform/Profile.h"

CSettings g_settings;

namespace {

void LoadInt(const QString& section, const QString& name, int& field) {
    field = platform::GetProfileInt(section, name, field);
}

void LoadInt(const QString& section, const QString& name, std::atomic<int>& field) {
    field.store(platform::GetProfileInt(section, name, field.load()));
}

}  // namespace

void CSettings::Load() {
    LoadInt(m_strSection, QStringLiteral("m_bAutoShortcut"), m_bAutoShortcut);
    LoadInt(m_strSection, QStringLiteral("m_bDeletionConfirmation"), m_bDeletionConfirmation);
    LoadInt(m_strSection, QStringLiteral("m_iTimeUpdateInterval"), m_iTimeUpdateInterval);
    LoadInt(m_strSection, QStringLiteral("m_iMdMuMin"), m_iMdMuMin);
    LoadInt(m_strSection, QStringLiteral("m_iMdMuMax"), m_iMdMuMax);
    LoadInt(m_strSection, QStringLiteral("m_iDcMin"), m_iDcMin);
    LoadInt(m_strSection, QStringLiteral("m_iDcMax"), m_iDcMax);
    LoadInt(m_strSection, QStringLiteral("m_iDefaultTimeDelay"), m_iDefaultTimeDelay);
}

void CSettings::Save() const {
    using platform::WriteProfileInt;
    WriteProfileInt(m_strSection, QStringLiteral("m_bAutoShortcut"), m_bAutoShortcut);
    WriteProfileInt(m_strSection, QStringLiteral("m_bDeletionConfirmation"), m_bDeletionConfirmation);
    WriteProfileInt(m_strSection, QStringLiteral("m_iTimeUpdateInterval"), m_iTimeUpdateInterval);
    WriteProfileInt(m_strSection, QStringLiteral("m_iMdMuMin"), m_iMdMuMin.load());
    WriteProfileInt(m_strSection, QStringLiteral("m_iMdMuMax"), m_iMdMuMax.load());
    WriteProfileInt(m_strSection, QStringLiteral("m_iDcMin"), m_iDcMin.load());
    WriteProfileInt(m_strSection, QStringLiteral("m_iDcMax"), m_iDcMax.load());
    WriteProfileInt(m_strSection, QStringLiteral("m_iDefaultTimeDelay"), m_iDefaultTimeDelay);
}
