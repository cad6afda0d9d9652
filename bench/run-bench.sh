#!/usr/bin/env bash
# Whole-conversion benchmark against the byte-moving floor.
#
#   bench/run-bench.sh BUILD_DIR [N...]
#
# For each N (default 100) a block of N x N x N nodes is generated, once,
# into $BENCH_DATA/nN (default ${TMPDIR:-/tmp}/cor2tavik-bench), its reals
# with 17 significant digits, or with DIGITS=7 with 7 (into nNd7). On a warm
# page cache, ROUNDS (default 7) alternating rounds then time
#   (a) the whole Cor2TavikCmd process, and
#   (b) the floor: cat of the four input files to /dev/null, then writing an
#       output-sized file from /dev/zero, and
#   (c) Cor2TavikCmd on one thread (COR2TAVIK_THREADS=1), for what the
#       formatter thread buys, and
#   (d) the floor with the output's data synced to the disk at the end, as
#       the converter syncs its own before it takes the old file's place, and
#   (e) with BASELINE=/path/to/an/older/Cor2TavikCmd, that program, for a
#       before-and-after in the same rounds, and
#   (w) with WINE_X64=/path/to/Cor2TavikCmd.exe (and WINE_X86= for the
#       32-bit build), the Windows builds under Wine in a prefix of their own
#       (WINEPREFIX, default $BENCH_DATA/wineprefix), its server kept running
#       through the rounds; reported as ratios to (a).
# Before each, untimed, the previous outputs are removed and everything is
# synced: neither pays for freeing an old file or for the other's write-back.
# The peak resident memory comes from wait4(); the phase times from the
# converter itself (COR2TAVIK_PHASE_TIMES). A size whose data would leave
# less than 20 GB free is skipped.
set -euo pipefail

build=${1:?usage: run-bench.sh BUILD_DIR [N...]}
shift
sizes=("$@")
[ ${#sizes[@]} -eq 0 ] && sizes=(100)
rounds=${ROUNDS:-7}
baseline=${BASELINE:+$(realpath "$BASELINE")}
data_root=${BENCH_DATA:-${TMPDIR:-/tmp}/cor2tavik-bench}
digits=${DIGITS:-17}
case $digits in 7) suffix=d7 ;; 17) suffix= ;; *) echo "run-bench: DIGITS must be 7 or 17" >&2; exit 2 ;; esac

cmd=$(realpath "$build/cli/Cor2TavikCmd")
generate=$(realpath "$build/bench/GenerateModel")
timed=$(realpath "$build/bench/RunTimed")
inputs=(model.dat3 Displacement.dat Stress.dat Strain.dat)

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
minimum() { sort -g | head -1; }
maximum() { sort -g | tail -1; }
field() { sed -n "s/.*$1=\([0-9.]*\).*/\1/p"; }

# The Windows builds, by name: x64 and x86.
declare -A windows=()
[ -n "${WINE_X64:-}" ] && windows[x64]=$(realpath "$WINE_X64")
[ -n "${WINE_X86:-}" ] && windows[x86]=$(realpath "$WINE_X86")
if [ ${#windows[@]} -gt 0 ]; then
  export WINEPREFIX=${WINEPREFIX:-$data_root/wineprefix} WINEDEBUG=-all
  "$(dirname "$0")/../scripts/wine-prefix" "$WINEPREFIX" win64
  wineserver -p > /dev/null 2>&1 || true  # already running is fine
  trap 'wineserver -k' EXIT
  wine cmd /c exit > /dev/null 2>&1
fi

summary=()
for n in "${sizes[@]}"; do
  case $n in '' | *[!0-9]*) echo "run-bench: N must be a number, not '$n'" >&2; exit 2 ;; esac
  dir=$data_root/n$n$suffix
  mkdir -p "$dir"
  # The 200^3 model's files and its outputs take some 12 GB.
  free_gb=$(($(df --output=avail -k "$dir" | tail -1) / 1000000))
  if [ "$free_gb" -lt 20 ]; then
    echo "run-bench: skipping $n x $n x $n: only $free_gb GB free in $dir, 20 GB wanted"
    continue
  fi
  if [ ! -f "$dir/stamp" ] || [ "$generate" -nt "$dir/stamp" ]; then
    echo "generating $n x $n x $n ($digits-digit reals) into $dir"
    "$generate" --digits "$digits" "$dir" "$n" > /dev/null
    touch "$dir/stamp"
  fi
  cd "$dir"
  nodes=$((n * n * n))
  elements=$(((n - 1) * (n - 1) * (n - 1)))
  in_bytes=$(cat "${inputs[@]}" | wc -c)

  # Warm the cache; the output's size sets the floor's.
  status=0
  "$cmd" model.dat3 || status=$?
  if [ $status -ne 0 ]; then echo "run-bench: Cor2TavikCmd exited with $status" >&2; exit 1; fi
  out_bytes=$(stat -c %s model.std)
  floor="cat ${inputs[*]} > /dev/null && head -c $out_bytes /dev/zero > floor.out"
  synced_floor="$floor && sync -d floor.out"
  sh -c "$floor"
  fresh() { rm -f model.std floor.out; sync; }

  : > a.times; : > b.times; : > c.times; : > d.times; : > e.times
  : > a.rss; : > e.rss; : > phases
  for w in "${!windows[@]}"; do : > "w-$w.times"; done
  for ((r = 0; r < rounds; r++)); do
    fresh
    line=$(COR2TAVIK_PHASE_TIMES=1 "$timed" "$cmd" model.dat3 2> stderr.txt) || {
      echo "run-bench: Cor2TavikCmd failed: $line" >&2; cat stderr.txt >&2; exit 1; }
    echo "$line" | field seconds >> a.times
    echo "$line" | field maxrss_kib >> a.rss
    grep '^phase times' stderr.txt >> phases || true
    fresh
    "$timed" sh -c "$floor" | field seconds >> b.times
    fresh
    COR2TAVIK_THREADS=1 "$timed" "$cmd" model.dat3 | field seconds >> c.times
    fresh
    "$timed" sh -c "$synced_floor" | field seconds >> d.times
    if [ -n "$baseline" ]; then
      fresh
      line=$("$timed" "$baseline" model.dat3)
      echo "$line" | field seconds >> e.times
      echo "$line" | field maxrss_kib >> e.rss
    fi
    for w in "${!windows[@]}"; do
      fresh
      "$timed" wine "${windows[$w]}" model.dat3 | field seconds >> "w-$w.times"
    done
  done

  a_med=$(median < a.times); b_med=$(median < b.times); d_med=$(median < d.times)
  c_med=$(median < c.times)
  ratio=$(awk -v a="$a_med" -v b="$b_med" 'BEGIN { printf "%.2f", a / b }')
  mbps=$(awk -v t="$a_med" -v s=$((in_bytes + out_bytes)) 'BEGIN { printf "%.0f", s / t / 1e6 }')
  rss_kib=$(maximum < a.rss)
  # What the job keeps: 4 bytes a node, 8 an element; the target allows
  # 16 MiB besides, and 8 bytes for each node and element.
  mib() { awk -v b="$1" 'BEGIN { printf "%.1f", b / 1048576 }'; }
  target_bytes=$((16 * 1048576 + 8 * (nodes + elements)))
  phase() { sed -n "s/.* $1 \([0-9.]*\).*/\1/p" phases | median; }
  saves() { awk -v from="$1" -v to="$2" 'BEGIN { printf "%.1f", 100 * (from - to) / from }'; }
  row() { printf '  %-28s %8.3f %8.3f %8.3f s\n' "$1" "$(median < "$2")" "$(minimum < "$2")" "$(maximum < "$2")"; }

  printf '\n%d x %d x %d, %d-digit reals: %d nodes, %d elements; input %.1f MB, output %.1f MB; %d rounds\n' \
    "$n" "$n" "$n" "$digits" "$nodes" "$elements" "$(awk -v b="$in_bytes" 'BEGIN { print b / 1e6 }')" \
    "$(awk -v b="$out_bytes" 'BEGIN { print b / 1e6 }')" "$rounds"
  printf '  %-28s %8s %8s %8s\n' "" median min max
  row "(a) Cor2TavikCmd" a.times
  row "(b) floor: cat + write" b.times
  row "(c) one thread" c.times
  row "(d) floor, output synced" d.times
  [ -n "$baseline" ] && row "(e) baseline" e.times
  printf '  %-28s %8s\n' "ratio (a)/(b)" "$ratio"
  printf '  %-28s %8s\n' "ratio (a)/(d)" "$(awk -v a="$a_med" -v d="$d_med" 'BEGIN { printf "%.2f", a / d }')"
  [ -n "$baseline" ] && printf '  %-28s %8s\n' "ratio (e)/(b)" "$(awk -v e="$(median < e.times)" -v b="$b_med" 'BEGIN { printf "%.2f", e / b }')"
  for w in x64 x86; do
    [ -n "${windows[$w]:-}" ] || continue
    row "(w) Windows $w under Wine" "w-$w.times"
    printf '  %-28s %8s\n' "ratio (w $w)/(a)" "$(awk -v w="$(median < "w-$w.times")" -v a="$a_med" 'BEGIN { printf "%.2f", w / a }')"
  done
  printf '  %-28s %8s %%\n' "formatter saves (c-a)/c" "$(saves "$c_med" "$a_med")"
  printf '  %-28s %8s MB/s (input + output)\n' "throughput (a)" "$mbps"
  printf '  %-28s %8s MiB (target: 16 MiB + 8 B a node and element = %s MiB)\n' "peak RSS (a)" \
    "$(awk -v k="$rss_kib" 'BEGIN { printf "%.1f", k / 1024 }')" "$(mib $target_bytes)"
  [ -n "$baseline" ] && printf '  %-28s %8s MiB\n' "peak RSS (e)" "$(awk -v k="$(maximum < e.rss)" 'BEGIN { printf "%.1f", k / 1024 }')"
  printf '  %-28s model %s s, results %s s, commit %s s (medians)\n' "phases (in-process)" \
    "$(phase 'model')" "$(phase 'results')" "$(phase 'commit')"
  summary+=("$(printf '  %4d^3 %10d nodes %8.3f s %8s MB/s  ratio %s  RSS %s MiB' "$n" "$nodes" "$a_med" "$mbps" \
    "$ratio" "$(awk -v k="$rss_kib" 'BEGIN { printf "%.1f", k / 1024 }')")")
  rm -f a.times b.times c.times d.times e.times w-*.times a.rss e.rss phases stderr.txt model.std floor.out
  cd - > /dev/null
done

if [ ${#summary[@]} -gt 1 ]; then
  printf '\nthroughput by size\n'
  printf '%s\n' "${summary[@]}"
fi
