#!/usr/bin/env bash
# Start-up of the program against a bare Qt window program (a label shown and closed after its first
# paint), both on one private Xvfb server, run alternately. Prints the medians of wall time, CPU time
# (user + system) and peak memory (maximum resident set) of each, and their ratios.
# Usage: bench/startup-ratio.sh [BUILD_DIR] [RUNS]   (defaults: build, 31; at least 11 runs; a
# virtual machine shared with others needs the many)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
runs=${2:-31}
((runs >= 11)) || { echo "startup-ratio: at least 11 runs" >&2; exit 2; }

cmake --build "$build" -j2 --target velmorante bare_window_bench >/dev/null
program="$build/app/velmorante"
bare="$build/bench/bare_window_bench"

# A display number nobody uses.
display=90
while [[ -e /tmp/.X$display-lock || -e /tmp/.X11-unix/X$display ]]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true' EXIT
for _ in $(seq 50); do [[ -e /tmp/.X11-unix/X$display ]] && break; sleep 0.1; done
export DISPLAY=":$display" XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
unset QT_QPA_PLATFORM

results=$(mktemp)
trap 'kill $xvfb 2>/dev/null || true; rm -f "$results"' EXIT

# The system's interpreter: a version manager's wrapper would run the programs in its own
# environment.
python=/usr/bin/python3
[[ -x $python ]] || python=python3

# One run: "<name> <wall ms> <cpu ms> <peak KB>". The child's own CPU time and peak memory come from
# getrusage, to the microsecond (the time command rounds CPU time to 10 ms).
measure() {
  local name=$1
  shift
  "$python" - "$name" "$@" <<'PY'
import resource, subprocess, sys, time
name, command = sys.argv[1], sys.argv[2:]
start = time.monotonic()
subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=False)
wall = (time.monotonic() - start) * 1000
usage = resource.getrusage(resource.RUSAGE_CHILDREN)
print(f"{name} {wall:.1f} {(usage.ru_utime + usage.ru_stime) * 1000:.1f} {usage.ru_maxrss}")
PY
}

# One untimed run of each: libraries and fonts in the page cache for both.
measure bare "$bare" >/dev/null
measure program "$program" --quit-after-show >/dev/null
for ((i = 0; i < runs; i++)); do
  # Alternate which goes first, so neither always follows the other.
  if ((i % 2 == 0)); then
    measure bare "$bare" >>"$results"
    measure program "$program" --quit-after-show >>"$results"
  else
    measure program "$program" --quit-after-show >>"$results"
    measure bare "$bare" >>"$results"
  fi
done

median() {  # name column
  awk -v n="$1" -v c="$2" '$1 == n { print $c }' "$results" | sort -g |
    awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
printf '%-10s %10s %10s %12s\n' "" "wall ms" "cpu ms" "peak KB"
for name in bare program; do
  printf '%-10s %10.1f %10.1f %12d\n' "$name" "$(median $name 2)" "$(median $name 3)" "$(median $name 4)"
done
awk -v bw="$(median bare 2)" -v pw="$(median program 2)" -v bc="$(median bare 3)" \
  -v pc="$(median program 3)" -v bm="$(median bare 4)" -v pm="$(median program 4)" -v n="$runs" \
  'BEGIN { printf "ratio      %10.2f %10.2f %12.2f   (medians of %d runs each; goal <= 1.3)\n",
           pw / bw, (bc > 0 ? pc / bc : 0), pm / bm, n }'
