#!/usr/bin/env bash
# The resources of a built Cor2Tavik.exe as the toolchain's windres
# decompiles them, against resources.rc beside this script:
#   check-resources.sh WINDRES Cor2Tavik.exe
# windres names a resource's language when it changes, so one LANGUAGE line
# at the top means all are Japanese. Of each icon image only its header row
# is kept (size and colour depth, not the artwork), and of the manifest only
# its id: each architecture's names its own processor.
set -euo pipefail
windres=$1 exe=$2
here=$(cd "$(dirname "$0")" && pwd)
listing=$("$windres" -i "$exe" -O rc)
awk '/RT_ICON|RT_MANIFEST/ { print; kind = $0 ~ /RT_ICON/ ? "icon" : "manifest"; row = 0; next }
     kind && $0 == "END" { kind = ""; print; next }
     kind && ++row <= (kind == "icon" ? 2 : 1) { print }
     kind { next }
     { print }' <<<"$listing" | diff -u "$here/resources.rc" - >&2 || {
  echo "FAIL: the resources of $exe differ from $here/resources.rc" >&2
  exit 1
}
echo "resources: as expected"
