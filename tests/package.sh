#!/bin/sh
# Builds the Debian package from the build directory $1 into a scratch
# directory and checks it without installing it: the file list, the fields,
# the desktop entry, the manual pages and lintian. The programs in it are
# tried installed, by tests/install/clean-debian.sh.
set -eu
build=$(cd "$1" && pwd)
tmp=$(mktemp -d); trap 'rm -rf "$tmp"' EXIT
fail() { echo "package: $*" >&2; exit 1; }

cpack --config "$build/CPackConfig.cmake" -B "$tmp" >"$tmp/cpack.log" 2>&1 || { cat "$tmp/cpack.log"; fail "cpack failed"; }
version=$(dpkg-deb -f "$tmp"/*.deb Version)
deb="$tmp/cor2tavik_${version}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || fail "no $deb"
depends=$(dpkg-deb -f "$deb" Depends)
case $depends in
    "fonts-ipafont-gothic | fonts-japanese-gothic, "*"libqt6widgets6 (>= "*"libstdc++6 (>= "*) ;;
    *) fail "Depends is not a Japanese font and the libraries from dpkg-shlibdeps: $depends" ;;
esac
[ "$(dpkg-deb -f "$deb" Recommends)" = qt6-translations-l10n ] || fail "Recommends is not qt6-translations-l10n"

dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $6 }' | sort >"$tmp/files"
diff -u - "$tmp/files" <<'LIST' || fail "file list differs"
./usr/bin/Cor2Tavik
./usr/bin/Cor2TavikCmd
./usr/share/applications/cor2tavik.desktop
./usr/share/doc/cor2tavik/README.md
./usr/share/doc/cor2tavik/changelog.gz
./usr/share/doc/cor2tavik/copyright
./usr/share/doc/cor2tavik/docs/development.md
./usr/share/doc/cor2tavik/docs/formats.md
./usr/share/doc/cor2tavik/docs/performance.md
./usr/share/doc/cor2tavik/docs/reliability.md
./usr/share/doc/cor2tavik/docs/screenshots/clean-debian-dialog.png
./usr/share/doc/cor2tavik/docs/screenshots/cor2tavik-linux.png
./usr/share/doc/cor2tavik/docs/screenshots/cor2tavik-windows.png
./usr/share/doc/cor2tavik/docs/screenshots/linux-problems-box.png
./usr/share/doc/cor2tavik/docs/screenshots/wine-installed-programs.png
./usr/share/doc/cor2tavik/docs/screenshots/wine-output-held-open.png
./usr/share/doc/cor2tavik/docs/screenshots/wine-problems-box.png
./usr/share/doc/cor2tavik/docs/screenshots/wine-progress-caption.png
./usr/share/doc/cor2tavik/docs/windows.md
./usr/share/icons/hicolor/16x16/apps/cor2tavik.png
./usr/share/icons/hicolor/32x32/apps/cor2tavik.png
./usr/share/man/ja/man1/Cor2TavikCmd.1.gz
./usr/share/man/man1/Cor2Tavik.1.gz
./usr/share/man/man1/Cor2TavikCmd.1.gz
LIST

dpkg-deb -x "$deb" "$tmp/root"
for line in Exec=Cor2Tavik Icon=cor2tavik Type=Application; do
    grep -qx "$line" "$tmp/root/usr/share/applications/cor2tavik.desktop" || fail "cor2tavik.desktop lacks $line"
done
# Every relative link of the installed documentation leads to a file in it.
for page in $(find "$tmp/root/usr/share/doc/cor2tavik" -name '*.md'); do
    for target in $(grep -o '](\([^)#]*\)' "$page" | sed 's/^](//' | grep -v '^[a-z]*:'); do
        [ -e "$(dirname "$page")/$target" ] || fail "${page#"$tmp/root"} links $target, which is not installed"
    done
done
for page in "$tmp"/root/usr/share/man/man1/*.1.gz "$tmp"/root/usr/share/man/ja/man1/*.1.gz; do
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "$(basename "$page"): $warnings"
done
lintian --fail-on error "$deb" || fail "lintian reports errors"
