#include "res/AppIcon.h"

#include <initializer_list>

// The resource lives in a static library; naming its initializer here keeps the linker from dropping it.
// Q_INIT_RESOURCE declares that initializer, so it must run outside any namespace.
static void InitResources() {
    Q_INIT_RESOURCE(vantrell);
}

namespace res {

QIcon AppIcon() {
    InitResources();
    QIcon icon;
    for (const int size : {16, 32, 48, 64, 256})
        icon.addFile(QStringLiteral(":/icons/vantrell-%1.png").arg(size), QSize(size, size));
    return icon;
}

}  // namespace res
