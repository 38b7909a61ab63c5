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

CSettings& CSettings::operator=(const CSettings& other) {
    m_strSection = other.m_strSection;
    m_rcMainFrame = other.m_rcMainFrame;
    m_bAutoShortcut = other.m_bAutoShortcut;
    m_bDeletionConfirmation = other.m_bDeletionConfirmation;
    m_iTimeUpdateInterval = other.m_iTimeUpdateInterval;
    m_iMdMuMin = other.m_iMdMuMin.load();
    m_iMdMuMax = other.m_iMdMuMax.load();
    m_iDcMin = other.m_iDcMin.load();
    m_iDcMax = other.m_iDcMax.load();
    m_iDefaultTimeDelay = other.m_iDefaultTimeDelay;
    return *this;
}

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
