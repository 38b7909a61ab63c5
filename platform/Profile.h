#pragma once
// The per-user application profile: 32-bit integers by section and entry name. Behind it is QSettings in
// its native format (an INI file under the XDG config directory on Linux, the registry on Windows).

#include <QString>

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

}  // namespace platform
