# The Debian package: `cpack -G DEB` in a build folder (tools/package does it and checks the result).
# dpkg-shlibdeps works out the runtime libraries from the program itself, so installing the package
# pulls in Qt and the X libraries it links. Registering the MIME type, the desktop entry and the icon
# needs no maintainer scripts: shared-mime-info, desktop-file-utils and hicolor-icon-theme watch those
# folders with dpkg triggers and update their caches themselves.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vantrell)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Orlenby)
set(CPACK_PACKAGE_CONTACT "Orlenby <support@orlenby.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "play back scripts of mouse clicks")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Orlenby <support@orlenby.org>")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://orlenby.github.io/vantrell/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's Wayland platform is a plug-in, which no library dependency names: without it the window cannot
# open in a Wayland session.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-wayland")
# Without these the files install but nothing tells the desktop about them.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "shared-mime-info, desktop-file-utils, hicolor-icon-theme")
# The long description; CPack puts the summary above it and indents it as Debian wants.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Vantrell plays back scripts of mouse clicks on X11 desktops, on Wayland
compositors built on wlroots (sway, Hyprland, river, labwc, Wayfire) and,
through the desktop portal, on GNOME and KDE. A script is a list
of left, middle or right clicks, single or double, each at a screen position
after a delay, with a comment, plus a repeat count, a system-wide start/stop
shortcut and an optional date and time to start on its own.

Scripts are edited in a window and saved as .Vantrell files, which open with
Vantrell from the file manager.")

include(CPack)
