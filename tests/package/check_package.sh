#!/bin/sh
# Checks a built Debian package: the program, the desktop entry, the MIME type and the icons are in it,
# owned by root; its control fields are ours; its Depends (from dpkg-shlibdeps) name the Qt and X11
# libraries the program links, so installing it pulls them in; and it carries no maintainer scripts, since
# dpkg triggers of the desktop packages register the MIME type, the entry and the icons.
# Usage: check_package.sh PACKAGE.deb VERSION
set -eu

deb=$1
version=$2

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

[ -f "$deb" ] || fail "no package at $deb"
contents=$(dpkg-deb -c "$deb") || fail "dpkg-deb cannot read $deb"
has() {
    echo "$contents" | grep -Eq "^$1 root/root +[0-9]+ [0-9-]+ [0-9:]+ \./usr/$2\$" ||
        fail "$deb lacks /usr/$2 ($1, root/root)"
}
has -rwxr-xr-x bin/vantrell
has -rw-r--r-- share/applications/vantrell.desktop
has -rw-r--r-- share/mime/packages/vantrell-mime.xml
has -rw-r--r-- share/doc/vantrell/copyright
has -rw-r--r-- share/doc/vantrell/changelog.gz
has -rw-r--r-- share/man/man1/vantrell.1.gz
has -rw-r--r-- share/icons/hicolor/scalable/apps/vantrell.svg
for size in 16 32 48 64 256; do
    has -rw-r--r-- "share/icons/hicolor/${size}x$size/apps/vantrell.png"
done
# Nothing of the build or the tests rides along.
extra=$(echo "$contents" | grep -v '/$' | grep -Ev '\./usr/(bin/vantrell|share/(applications|mime/packages|icons/hicolor|doc/vantrell|man/man1)/)' || true)
[ -z "$extra" ] || fail "unexpected files in $deb: $extra"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = vantrell ] || fail "Package is '$(field Package)'"
[ "$(field Version)" = "$version" ] || fail "Version is '$(field Version)', not $version"
[ "$(field Maintainer)" = "Orlenby <support@orlenby.org>" ] || fail "Maintainer is '$(field Maintainer)'"
[ "$(field Section)" = utils ] || fail "Section is '$(field Section)'"
[ "$(field Architecture)" = "$(dpkg --print-architecture)" ] || fail "Architecture is '$(field Architecture)'"
field Description | sed -n 2p | grep -q . || fail "no long description"

depends=$(field Depends)
names=$(echo "$depends" | tr ',|' '\n\n' | sed 's/(.*)//; s/ //g')
for lib in libqt6core6 libqt6gui6 libqt6widgets6 libqt6dbus6 libx11-6 libxtst6 libc6 libstdc++6 qt6-wayland; do
    echo "$names" | grep -qxF "$lib" || fail "Depends does not name $lib: $depends"
done

scripts=$(mktemp -d)
trap 'rm -rf "$scripts"' EXIT
dpkg-deb -e "$deb" "$scripts/DEBIAN"
for script in preinst postinst prerm postrm triggers; do
    [ ! -e "$scripts/DEBIAN/$script" ] || fail "$deb has a $script, which the desktop packages' triggers make needless"
done

echo "PASS: $deb"
echo "  Depends: $depends"
