#pragma once
// The application's icon for window captions, the About box and the tray.

#include <QIcon>

namespace res {

// Built from the PNGs rendered from vantrell.svg, so it shows without Qt's SVG plugin.
QIcon AppIcon();

}  // namespace res
