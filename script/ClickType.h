#pragma once

#include <QString>

// The code is what a script file stores; the name is only shown.
enum ClickType : int {
    LeftClick = 0,
    MiddleClick = 1,
    RightClick = 2,
    DoubleClick = 3,
    DoubleMiddleClick = 4,
    DoubleRightClick = 5,
};

// The display name of a click type code; the empty text for any code outside 0 to 5.
QString GetClickTypeName(int iClickType);
