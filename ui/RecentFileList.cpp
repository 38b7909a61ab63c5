#include "ui/RecentFileList.h"

#include <QFileInfo>

#include "platform/Profile.h"

namespace {
const QString kSection = QStringLiteral("Recent File List");
QString Entry(int i) {
    return QStringLiteral("File%1").arg(i + 1);
}
}  // namespace

void CRecentFileList::Load() {
    m_paths.clear();
    for (int i = 0; i < kSize; ++i) {
        const QString path = platform::GetProfileString(kSection, Entry(i));
        if (!path.isEmpty() && !m_paths.contains(path))
            m_paths << path;
    }
}

void CRecentFileList::Save() const {
    for (int i = 0; i < kSize; ++i) {
        if (i < m_paths.size())
            platform::WriteProfileString(kSection, Entry(i), m_paths[i]);
        else
            platform::RemoveProfileEntry(kSection, Entry(i));
    }
}

void CRecentFileList::Add(const QString& path) {
    const QString absolute = QFileInfo(path).absoluteFilePath();
    m_paths.removeAll(absolute);
    m_paths.prepend(absolute);
    while (m_paths.size() > kSize)
        m_paths.removeLast();
    Save();
}

void CRecentFileList::Remove(const QString& path) {
    m_paths.removeAll(path);
    Save();
}
