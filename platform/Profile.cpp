#include "platform/Profile.h"

#include <QSettings>
#include <limits>

namespace platform {

namespace {

QSettings OpenProfile() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QString::fromUtf16(kProfileOrganization),
                     QString::fromUtf16(kProfileApplication));
}

QString Key(const QString& section, const QString& entry) {
    return section + u'/' + entry;
}

}  // namespace

int GetProfileInt(const QString& section, const QString& entry, int def) {
    const QVariant value = OpenProfile().value(Key(section, entry));
    if (!value.isValid())
        return def;
    bool ok = false;
    const qlonglong n = value.toLongLong(&ok);
    // A DWORD may have been written unsigned by another tool; anything wider is not ours.
    if (!ok || n < std::numeric_limits<int32_t>::min() || n > std::numeric_limits<uint32_t>::max())
        return def;
    return static_cast<int>(static_cast<uint32_t>(n));
}

bool WriteProfileInt(const QString& section, const QString& entry, int value) {
    QSettings profile = OpenProfile();
    profile.setValue(Key(section, entry), value);
    profile.sync();
    return profile.status() == QSettings::NoError;
}

QString GetProfileString(const QString& section, const QString& entry, const QString& def) {
    const QVariant value = OpenProfile().value(Key(section, entry));
    return value.isValid() ? value.toString() : def;
}

bool WriteProfileString(const QString& section, const QString& entry, const QString& value) {
    QSettings profile = OpenProfile();
    profile.setValue(Key(section, entry), value);
    profile.sync();
    return profile.status() == QSettings::NoError;
}

void RemoveProfileEntry(const QString& section, const QString& entry) {
    QSettings profile = OpenProfile();
    profile.remove(Key(section, entry));
    profile.sync();
}

}  // namespace platform
