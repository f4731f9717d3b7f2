#!/usr/bin/env bash
# A station service watching the logger emulator: the CPU it spends while the logger answers once a
# second and nothing is due, and how its resident memory grows while a month of logging passes
# (the emulator's clock running fast). Prints the figures.
# Usage: bench/station-watch.sh [BUILD_DIR] [IDLE_SECONDS] [MONTH_SECONDS]  (defaults: build, 120, 120)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
idle=${2:-120}
month=${3:-120}
cmake --build "$build" -j2 --target velmorante-cli velmorante-logger >/dev/null
cli="$build/cli/velmorante-cli"
logger="$build/sim/velmorante-logger"
work=$(mktemp -d)
pids=()
trap 'kill "${pids[@]}" 2>/dev/null || true; wait 2>/dev/null || true; cp "$work"/*.log /tmp/ 2>/dev/null || true; rm -rf "$work"' EXIT
export LC_ALL=C VELMORANTE_ARCHIVE="$work/archivo.sqlite"

ticks=$(getconf CLK_TCK)
# User plus system CPU of a process, in clock ticks.
cpu() { awk '{print $14 + $15}' "/proc/$1/stat"; }
rss() { awk '/^VmRSS/ {print $2}' "/proc/$1/status"; }
# Waits until the station's status shows a reply.
wait_connected() {
  for _ in $(seq 300); do
    "$cli" station status "$1" --json 2>/dev/null | grep -q '"connected": *true' && return 0
    sleep 0.1
  done
  echo "station-watch: the station never connected" >&2
  exit 1
}

# Watching: a logger whose next download is a day away.
"$logger" --link "$work/idle" --samples 10 --rate 2 >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do [[ -e $work/idle ]] && break; sleep 0.1; done
"$cli" station add idle --port "$work/idle" >/dev/null
"$cli" station run idle 2>"$work/idle.log" &
station=$!
pids+=($station)
wait_connected idle
sleep 5  # the first download is done and archived; from here it only watches
start=$(cpu $station)
sleep "$idle"
used=$(($(cpu $station) - start))
awk -v t="$used" -v hz="$ticks" -v s="$idle" \
  'BEGIN { printf "watching: %.3f %% of a core over %d s (goal <= 0.05 %%)\n", 100 * t / hz / s, s }'

# A month at 5-minute samples in MONTH_SECONDS: the memory fills, is downloaded and emptied again.
speed=$((30 * 86400 / month))
"$logger" --link "$work/month" --samples 0 --rate 2 --speed "$speed" >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do [[ -e $work/month ]] && break; sleep 0.1; done
"$cli" station add month --port "$work/month" --reset-at 1500 >/dev/null
"$cli" station run month 2>"$work/month.log" &
station=$!
pids+=($station)
wait_connected month
# Measured from the end of a warm-up (a quarter of the run): the archive's page caches are full.
sleep $((month / 4))
first=$(rss $station)
peak=$first
for _ in $(seq $((month - month / 4))); do
  sleep 1
  now=$(rss $station)
  ((now > peak)) && peak=$now
done
last=$(rss $station)
resets=$(grep -c ': reset:' "$work/month.log" || true)
downloads=$(grep -c ': downloaded:' "$work/month.log" || true)
echo "a month at --speed $speed: resident memory ${first} KB at start, ${last} KB at the end," \
  "peak ${peak} KB (growth $((last - first)) KB after the warm-up; goal <= 1024 KB);" \
  "$downloads downloads, $resets resets"
