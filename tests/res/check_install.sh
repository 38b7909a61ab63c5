#!/bin/sh
# Installs the build into a temporary prefix and checks what the desktop needs from it: a valid desktop
# entry that opens script files with the installed program, a MIME type for *.Vantrell that
# shared-mime-info accepts, and the icon that the entry names.
# Usage: check_install.sh CMAKE BUILD_DIR
set -eu

cmake=$1
build=$2

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

for tool in desktop-file-validate xmllint update-mime-database; do
    command -v "$tool" >/dev/null || fail "$tool is not installed"
done

prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
"$cmake" --install "$build" --prefix "$prefix" >/dev/null || fail "cmake --install failed"
share=$prefix/share

# The desktop entry: valid without a single warning, starting the installed program with the file.
desktop=$share/applications/vantrell.desktop
[ -f "$desktop" ] || fail "no desktop entry at $desktop"
report=$(desktop-file-validate "$desktop" 2>&1) || fail "desktop-file-validate: $report"
[ -z "$report" ] || fail "desktop-file-validate: $report"
# A key's value in a group of the entry (the main one unless named).
value() { sed -n "/^\[${2:-Desktop Entry}\]\$/,/^\[/ s/^$1=//p" "$desktop"; }
[ "$(value Exec)" = "vantrell %f" ] || fail "Exec is '$(value Exec)'"
# Start and Stop in the entry's menu reach the running window.
[ "$(value Actions)" = "start;stop;" ] || fail "Actions is '$(value Actions)'"
for action in start stop; do
    [ "$(value Exec "Desktop Action $action")" = "vantrell --$action" ] ||
        fail "the $action action runs '$(value Exec "Desktop Action $action")'"
done
[ -x "$prefix/bin/vantrell" ] || fail "the program that Exec names is not installed"
mimetype=$(value MimeType | sed 's/;$//')
[ "$mimetype" = "application/x-vantrell-script" ] || fail "MimeType is '$(value MimeType)'"

# The MIME type: well formed, and compiled by shared-mime-info into the glob and the document type name.
package=$share/mime/packages/vantrell-mime.xml
[ -f "$package" ] || fail "no MIME package at $package"
xmllint --noout "$package" || fail "$package is not well formed"
update-mime-database "$share/mime" || fail "update-mime-database refused $package"
grep -qx "50:$mimetype:\*\.vantrell" "$share/mime/globs2" || fail "*.Vantrell is not bound to $mimetype"
grep -q "<comment>Vantrell script (Vantrell.Document)</comment>" "$share/mime/$mimetype.xml" ||
    fail "the type's comment does not name Vantrell.Document"

# The icon the entry names, scalable and at fixed sizes for desktops without SVG support.
icon=$(value Icon)
svg=$share/icons/hicolor/scalable/apps/$icon.svg
[ -f "$svg" ] || fail "no scalable icon at $svg"
xmllint --noout "$svg" || fail "$svg is not well formed"
for size in 16 32 48 64 256; do
    png=$share/icons/hicolor/${size}x$size/apps/$icon.png
    [ "$(head -c 4 "$png" | tail -c 3)" = "PNG" ] || fail "no PNG icon at $png"
done

echo "PASS: desktop entry, MIME type and icon installed under $prefix"
