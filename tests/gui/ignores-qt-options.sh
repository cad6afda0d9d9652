#!/usr/bin/env bash
# Cor2Tavik takes no arguments, so none of Qt's own options reach Qt:
#   ignores-qt-options.sh Cor2Tavik
# Told to use a platform that does not exist, Qt would abort at once. The
# program instead comes up on the offscreen platform: once Qt's plugin log
# shows it looking for styles, the platform is up, and the program, waiting
# in its dialog, is stopped.
set -uo pipefail
exe=$1
log=$(mktemp)
QT_QPA_PLATFORM=offscreen QT_DEBUG_PLUGINS=1 "$exe" -platform no-such-platform 2>"$log" &
pid=$!
trap 'kill $pid 2>/dev/null; rm -f "$log"' EXIT
deadline=$((SECONDS + 60))
until grep -q 'plugins/styles' "$log"; do
  if ! kill -0 $pid 2>/dev/null; then
    wait $pid
    echo "FAIL: Cor2Tavik ended with status $? before its dialog came up:" >&2
    grep -v '^qt\.core\.\|^[ {}]\|^$' "$log" >&2
    exit 1
  fi
  ((SECONDS < deadline)) || { echo "FAIL: timed out" >&2; exit 1; }
  sleep 0.1
done
echo "Qt's options: ignored"
