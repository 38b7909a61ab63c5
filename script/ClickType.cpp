#include "script/ClickType.h"

QString GetClickTypeName(int iClickType) {
    switch (iClickType) {
        case LeftClick:
            return QStringLiteral("Left Click");
        case MiddleClick:
            return QStringLiteral("Middle Click");
        case RightClick:
            return QStringLiteral("Right Click");
        case DoubleClick:
            return QStringLiteral("Double Click");
        case DoubleMiddleClick:
            return QStringLiteral("Double Middle Click");
        case DoubleRightClick:
            return QStringLiteral("Double Right Click");
        default:
            return {};
    }
}
