#!/usr/bin/env bash
# The .deb installed as a new user would, into a minimal Debian 12 with
# apt's defaults, and tried there:
#   clean-debian.sh BUILD_DIR EXAMPLES_DIR
# The minimal system is made once (debootstrap --variant=minbase) into
# BUILD_DIR/clean-debian/base and kept; each run installs into an overlay on
# it, so the base stays clean, and keeps the downloaded packages for the
# next run. Status 77 (skipped) where the archive cannot be reached. With
# COR2TAVIK_SHOTS=DIR, the dialog is also shown on an Xvfb display shared
# into the system and a screenshot saved to DIR/clean-debian-dialog.png.
set -euo pipefail
build=$(cd "$1" && pwd) examples=$(cd "$2" && pwd)
work=$build/clean-debian base=$build/clean-debian/base
mirror=${COR2TAVIK_DEBIAN_MIRROR:-http://deb.debian.org/debian}
shots=${COR2TAVIK_SHOTS:-}
fail() { echo "clean-debian: $*" >&2; exit 1; }
skip() { echo "clean-debian: skipped: $*"; exit 77; }

[ "$(id -u)" = 0 ] || skip "needs root (debootstrap, mounts, chroot)"
command -v debootstrap >/dev/null || skip "debootstrap is not installed"
# The rest runs in a mount namespace of its own: the overlay and the mounts
# inside it go when the script ends.
if [ -z "${CLEAN_DEBIAN_INSIDE:-}" ]; then
    exec env CLEAN_DEBIAN_INSIDE=1 unshare --mount --propagation private bash "$0" "$build" "$examples"
fi
mkdir -p "$work/archives" "$work/lists"

if [ ! -e "$work/base.done" ]; then
    rm -rf "$base"
    start=$SECONDS
    if ! debootstrap --variant=minbase bookworm "$base" "$mirror" >"$work/debootstrap.log" 2>&1; then
        if grep -q -E "Failed getting release file|Couldn't download|Could not resolve|Connection refused|Network is unreachable" "$work/debootstrap.log"; then
            skip "debootstrap cannot reach $mirror (see $work/debootstrap.log)"
        fi
        tail -5 "$work/debootstrap.log" >&2
        fail "debootstrap failed (see $work/debootstrap.log)"
    fi
    echo "clean-debian: minimal Debian made in $((SECONDS - start)) s"
    touch "$work/base.done"
fi

# The package, built here as tests/package.sh builds it.
rm -rf "$work/pkg"
cpack --config "$build/CPackConfig.cmake" -B "$work/pkg" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log"; fail "cpack failed"; }
deb=$(ls "$work"/pkg/cor2tavik_*.deb)

# The expected output: the built converter on the example.
rm -rf "$work/expected" && mkdir "$work/expected"
cp "$examples"/* "$work/expected/"
(cd "$work/expected" && "$build/cli/Cor2TavikCmd" model1.dat3)

root=$work/root
rm -rf "$work/upper" "$work/overlay-work" && mkdir -p "$work/upper" "$work/overlay-work" "$root"
mount -t overlay overlay -o "lowerdir=$base,upperdir=$work/upper,workdir=$work/overlay-work" "$root"
mount -t proc proc "$root/proc"
mount --rbind /dev "$root/dev"
mount --bind "$work/archives" "$root/var/cache/apt/archives"
mount --bind "$work/lists" "$root/var/lib/apt/lists"
cp -L /etc/resolv.conf "$root/etc/resolv.conf"
in_root() { (exec_in_root "$@"); }
exec_in_root() { exec chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 "$@"; }

cp "$deb" "$root/tmp/"
start=$SECONDS
in_root apt-get update -q >"$work/apt.log" 2>&1 ||
    { tail -5 "$work/apt.log"; skip "apt-get update cannot reach the archive (see $work/apt.log)"; }
in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "/tmp/$(basename "$deb")" >>"$work/apt.log" 2>&1 ||
    { tail -20 "$work/apt.log" >&2; fail "apt-get install failed (see $work/apt.log)"; }
echo "clean-debian: installed with its dependencies in $((SECONDS - start)) s"

version=$(dpkg-deb -f "$deb" Version)
[ "$(in_root Cor2TavikCmd --version)" = "Cor2TavikCmd $version" ] || fail "Cor2TavikCmd --version"

mkdir "$root/tmp/example"
cp "$examples"/* "$root/tmp/example/"
in_root Cor2TavikCmd /tmp/example/model1.dat3 || fail "Cor2TavikCmd on the example: status $?"
cmp <(sed 2d "$root/tmp/example/model1.std") <(sed 2d "$work/expected/model1.std") ||
    fail "the installed Cor2TavikCmd writes other bytes than the built one"

# fc-list is in fontconfig, which the package does not need: it comes after
# the package's own installation, only to ask.
in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q fontconfig >>"$work/apt.log" 2>&1 ||
    fail "cannot install fontconfig for fc-list"
fonts=$(in_root fc-list :lang=ja file)
[ -n "$fonts" ] || fail "no Japanese font: fc-list :lang=ja lists nothing"
echo "clean-debian: Japanese fonts: $(echo "$fonts" | wc -l)"

# The dialog, headless: it runs until closed, so it counts as started when
# after a few seconds it is still running and has loaded the offscreen
# platform and a font file that fc-list :lang=ja names (both mapped in its
# memory).
exec_in_root QT_QPA_PLATFORM=offscreen Cor2Tavik >"$work/dialog.log" 2>&1 &
app=$!
started=
for _ in $(seq 100); do
    kill -0 $app 2>/dev/null || break
    if grep -q libqoffscreen "/proc/$app/maps" 2>/dev/null &&
       grep -q -F -f <(echo "$fonts" | sed 's/: *$//') "/proc/$app/maps" 2>/dev/null; then
        started=1; break
    fi
    sleep 0.1
done
kill $app 2>/dev/null || { cat "$work/dialog.log" >&2; fail "Cor2Tavik ended by itself"; }
wait $app || true
[ -n "$started" ] || { cat "$work/dialog.log" >&2; fail "Cor2Tavik did not show its dialog in a Japanese font"; }

if [ -n "$shots" ]; then
    mkdir -p "$shots" "$root/tmp/.X11-unix"
    Xvfb -displayfd 5 -screen 0 1024x768x24 -nolisten tcp 5>"$work/display" >/dev/null 2>&1 &
    xvfb=$!
    trap 'kill $xvfb 2>/dev/null || true' EXIT
    for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
    display=:$(cat "$work/display")
    mount --bind /tmp/.X11-unix "$root/tmp/.X11-unix"
    exec_in_root DISPLAY=$display Cor2Tavik >>"$work/dialog.log" 2>&1 &
    app=$!
    for _ in $(seq 100); do
        DISPLAY=$display xdotool search --onlyvisible --name '^Cor2Tavik$' >/dev/null 2>&1 && break
        sleep 0.1
    done
    sleep 1
    DISPLAY=$display import -window root "$shots/clean-debian-dialog.png"
    kill $app 2>/dev/null || true
    echo "clean-debian: screenshot $shots/clean-debian-dialog.png"
fi
echo "clean-debian: passed"
