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
    QList<std::pair<QString, std::optional<QString>>> entries;
    for (int i = 0; i < kSize; ++i)
        entries.append({Entry(i), i < m_paths.size() ? std::optional(m_paths[i]) : std::nullopt});
    platform::WriteProfileEntries(kSection, entries);
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
