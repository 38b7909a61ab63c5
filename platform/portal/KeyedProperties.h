#pragma once
// The structure in which the portal lists its things: a key and a dictionary of properties, (ua{sv}) for a
// monitor stream of a screen cast, (sa{sv}) for a global shortcut.

#include <QDBusArgument>
#include <QMetaType>
#include <QString>
#include <QVariantMap>

namespace platform {

template <typename Key>
struct SKeyedProperties {
    Key key{};
    QVariantMap properties;
};

template <typename Key>
QDBusArgument& operator<<(QDBusArgument& arg, const SKeyedProperties<Key>& entry) {
    arg.beginStructure();
    arg << entry.key << entry.properties;
    arg.endStructure();
    return arg;
}

template <typename Key>
const QDBusArgument& operator>>(const QDBusArgument& arg, SKeyedProperties<Key>& entry) {
    arg.beginStructure();
    arg >> entry.key >> entry.properties;
    arg.endStructure();
    return arg;
}

using SStreamEntry = SKeyedProperties<uint>;
using SShortcutEntry = SKeyedProperties<QString>;

}  // namespace platform

Q_DECLARE_METATYPE(platform::SStreamEntry)
Q_DECLARE_METATYPE(platform::SShortcutEntry)
