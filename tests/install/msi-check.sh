#!/usr/bin/env bash
# The Windows installer, read and then installed, installed again and
# removed under Wine, in a prefix of its own:
#   msi-check.sh PACKAGE.msi BIN_DIR ICON EXAMPLES_DIR WORK_DIR WINEARCH REBUILT.msi NEXT.msi
# BIN_DIR holds the built Cor2Tavik.exe, Cor2TavikCmd.exe and README.txt
# the package must install; ICON is the icon file compiled into
# Cor2Tavik.exe. WINEARCH (win64 or win32) is the prefix's Windows: a
# 32-bit package on a 64-bit one goes to "Program Files (x86)". REBUILT is
# the same source built again (another product code, as the other
# architecture's package has), NEXT the same at the next version: each must
# replace what is installed, and PACKAGE must then refuse to replace NEXT.
set -euo pipefail
msi=$(realpath "$1") bin=$(realpath "$2") icon=$(realpath "$3") examples=$(realpath "$4")
work=$(realpath -m "$5") arch=$6 rebuilt=$(realpath "$7") next=$(realpath "$8")
here=$(cd "$(dirname "$0")" && pwd)
# The upgrade code of every version and both architectures: a package with
# another one would install beside the versions before it.
upgrade_code='{6B6C2A3E-0D5C-4F43-9B1E-2E7C0A1D9F41}'

fail() { echo "msi-check: $*" >&2; exit 1; }
# column TABLE KEY N: column N of the row KEY of an exported table
column() { msiinfo export "$msi" "$1" | tr -d '\r' | awk -F'\t' -v key="$2" -v n="$3" 'NR > 3 && $1 == key { print $n }'; }

platform=$(msiinfo suminfo "$msi" | sed -n 's/^Template: \([^;]*\);.*/\1/p')
case $platform/$arch in
    x64/win64) folder="Program Files" ;;
    Intel/win64) folder="Program Files (x86)" ;;
    Intel/win32) folder="Program Files" ;;
    *) fail "a $platform package in a $arch prefix" ;;
esac

mkdir -p "$work"
export WINEPREFIX=$work/prefix WINEARCH=$arch WINEDEBUG=-all
# No desktop menu entries on this machine for the shortcuts Wine sees made.
export WINEDLLOVERRIDES='mscoree,mshtml=;winemenubuilder.exe=d'
# A run that stopped half-way leaves its package installed: start anew.
[ ! -e "$work/installed" ] || rm -rf "$WINEPREFIX" "$WINEPREFIX.stamp"
"$here/../../scripts/wine-prefix" "$WINEPREFIX" "$arch"
trap 'wineserver -k 2>/dev/null || true' EXIT
wineserver -p >/dev/null 2>&1
# Both registry views of a 64-bit Windows: the list is read from both.
views=("")
[ "$arch" = win32 ] || views=(/reg:64 /reg:32)
winpath() { echo "Z:$1" | tr / '\\'; }
c=$WINEPREFIX/drive_c

# The tables. The version is the one the built converter prints.
version=$(wine "$bin/Cor2TavikCmd.exe" --version | tr -d '\r')
version=${version#Cor2TavikCmd }
[ "$(column Property ProductName 2)" = Cor2Tavik ] || fail "ProductName is not Cor2Tavik"
[ "$(column Property ProductVersion 2)" = "$version" ] || fail "ProductVersion is not $version"
[ "$(column Property UpgradeCode 2)" = "$upgrade_code" ] || fail "UpgradeCode is not $upgrade_code"
[ "$(column Property ALLUSERS 2)" = 1 ] || fail "not a per-machine package (ALLUSERS)"
[ "$(column Shortcut MenuShortcut 2)/$(column Shortcut MenuShortcut 3)" = ProgramMenuFolder/Cor2Tavik ] ||
    fail "no shortcut Cor2Tavik in the Start menu's Programs"
[ "$(column Shortcut MenuShortcut 5)" = '[INSTALLDIR]Cor2Tavik.exe' ] || fail "the shortcut does not start Cor2Tavik.exe"
shortcut_icon=$(column Shortcut MenuShortcut 9)
[ -n "$shortcut_icon" ] && [ "$(column Property ARPPRODUCTICON 2)" = "$shortcut_icon" ] ||
    fail "the shortcut and the installed programs list have not the same icon"
rm -rf "$work/icon" && mkdir "$work/icon"
msiinfo extract "$msi" "Icon.$shortcut_icon" >"$work/icon/package.ico"
cmp -s "$work/icon/package.ico" "$icon" || fail "the package's icon is not the program's"

# What the built converter writes for the example.
rm -rf "$work/run" && mkdir -p "$work/run/built" "$work/run/installed"
cp "$examples"/* "$work/run/built/"; cp "$examples"/* "$work/run/installed/"
wine "$bin/Cor2TavikCmd.exe" "$(winpath "$work/run/built/model1.dat3")" || fail "built Cor2TavikCmd.exe: status $?"

# installed_files WHEN VERSION: the files, the shortcut and the one entry of
# the installed programs list, at VERSION.
installed_files() {
    for f in Cor2Tavik.exe Cor2TavikCmd.exe README.txt; do
        cmp -s "$bin/$f" "$c/$folder/Cor2Tavik/$f" || fail "$1: $folder\\Cor2Tavik\\$f is not the built $f"
    done
    # Windows puts a per-machine package's shortcut among all users'
    # programs; Wine among the installing user's.
    lnk=
    for l in "$c/ProgramData/Microsoft/Windows/Start Menu/Programs/Cor2Tavik.lnk" "$c"/users/*/AppData/Roaming/Microsoft/Windows/"Start Menu"/Programs/Cor2Tavik.lnk; do
        [ ! -e "$l" ] || lnk=$l
    done
    [ -n "$lnk" ] || fail "$1: no Cor2Tavik.lnk in the Start menu"
    strings -a "$lnk" | grep -q -x -F "C:\\$folder\\Cor2Tavik\\Cor2Tavik.exe" ||
        fail "$1: the shortcut does not lead to C:\\$folder\\Cor2Tavik\\Cor2Tavik.exe"
    # The installed programs list: name and version. (Its icon and the
    # shortcut's are the package's, checked in its tables above.)
    uninstall=$(for view in "${views[@]}"; do
                    wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s $view
                done | tr -d '\r')
    entries=$(echo "$uninstall" | grep -c -E "DisplayName +REG_SZ +Cor2Tavik$" || true)
    [ "$entries" = 1 ] || fail "$1: $entries entries Cor2Tavik in the installed programs"
    echo "$uninstall" | grep -q -E "DisplayVersion +REG_SZ +$2$" || fail "$1: no version $2 in the installed programs"
}

touch "$work/installed"
start=$SECONDS
wine msiexec /i "$(winpath "$msi")" /qn || fail "msiexec /i: status $?"
installed_files "installed" "$version"
echo "msi-check: installed in $((SECONDS - start)) s into C:\\$folder\\Cor2Tavik, shortcut ${lnk#"$c/"}"
(cd "$work/run/installed" &&
 wine "$c/$folder/Cor2Tavik/Cor2TavikCmd.exe" model1.dat3) || fail "installed Cor2TavikCmd.exe: status $?"
cmp <(sed 2d "$work/run/installed/model1.std") <(sed 2d "$work/run/built/model1.std") ||
    fail "the installed Cor2TavikCmd.exe writes other bytes than the built one"

wine msiexec /i "$(winpath "$msi")" /qn || fail "msiexec /i a second time: status $?"
installed_files "installed again" "$version"

wine msiexec /i "$(winpath "$rebuilt")" /qn || fail "msiexec /i of the rebuilt package: status $?"
installed_files "rebuilt package installed" "$version"
next_version=$(msi=$next column Property ProductVersion 2)
wine msiexec /i "$(winpath "$next")" /qn || fail "msiexec /i of the next version: status $?"
installed_files "next version installed" "$next_version"
if wine msiexec /i "$(winpath "$msi")" /qn; then fail "the older package replaced the newer one"; fi
installed_files "older package refused" "$next_version"

wine msiexec /x "$(winpath "$next")" /qn || fail "msiexec /x: status $?"
wineserver -k
left=$(cd "$c" && find . -ipath '*cor2tavik*')
[ -z "$left" ] || fail "left after removal: $left"
left=$(grep -i -l 'cor2tavik' "$WINEPREFIX"/*.reg || true)
[ -z "$left" ] || fail "left in the registry after removal: $(grep -i -h cor2tavik "$WINEPREFIX"/*.reg | head -3)"
rm -f "$work/installed"
echo "msi-check: installed, installed again, replaced by a rebuild and by $next_version, older refused, removed; nothing left"
