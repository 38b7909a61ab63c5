#pragma once
// The recent-file list of the File menu: ten paths, most recent first, kept in the profile.

#include <QString>
#include <QStringList>

class CRecentFileList {
public:
    static constexpr int kSize = 10;

    // Reads the list from the profile section "Recent File List" (File1 to File10).
    void Load();
    void Save() const;

    // Puts path first, removing an earlier entry of it and pushing the oldest out beyond ten.
    void Add(const QString& path);
    void Remove(const QString& path);
    const QStringList& Paths() const { return m_paths; }

private:
    QStringList m_paths;
};
