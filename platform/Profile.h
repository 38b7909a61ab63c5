#pragma once
// The per-user application profile: 32-bit integers and texts by section and entry name, in the INI file
// that QSettings uses in its native format ($XDG_CONFIG_HOME/O r l e n b y/Vantrell by Orlenby.conf), in
// its syntax. Only the program's own entries are read and written: the file is read once and again only
// when it changed on disk, a section the program never asks for is never parsed, a write changes only the
// lines of its entries (every other byte stays as it was) and writes nothing when the values are there.

#include <QList>
#include <QString>
#include <optional>
#include <utility>

namespace platform {

inline constexpr char16_t kProfileOrganization[] = u"O r l e n b y";
inline constexpr char16_t kProfileApplication[] = u"Vantrell by Orlenby";

// The stored value, or def when the entry is missing or does not hold a 32-bit integer.
int GetProfileInt(const QString& section, const QString& entry, int def);
// Stores value; false when the profile could not be written.
bool WriteProfileInt(const QString& section, const QString& entry, int value);

QString GetProfileString(const QString& section, const QString& entry, const QString& def = {});
bool WriteProfileString(const QString& section, const QString& entry, const QString& value);
// Removes an entry; a missing one is no error.
void RemoveProfileEntry(const QString& section, const QString& entry);
// Sets several entries of a section in one write of the file: each to its value, or removed when it has
// none. False when the profile could not be written.
bool WriteProfileEntries(const QString& section,
                         const QList<std::pair<QString, std::optional<QString>>>& entries);

}  // namespace platform
