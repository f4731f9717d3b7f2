#!/usr/bin/env bash
# Peak memory of `stats` and `export` on a large saved table (about 60 MB, one sample a minute for
# three and a half years), against the size of the file. Prints, for each command, the peak
# resident set in MB and its ratio to the file's size; fails when a ratio is above 4.
# Usage: bench/saved-table-memory.sh [BUILD_DIR] [MEGABYTES]   (defaults: build, 60)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
megabytes=${2:-60}
cli="$build/cli/velmorante-cli"
[[ -x $cli ]] || { echo "saved-table-memory: build velmorante-cli first ($cli)" >&2; exit 2; }
[[ -x /usr/bin/time ]] || { echo "saved-table-memory: needs /usr/bin/time (GNU time)" >&2; exit 2; }

folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
table="$folder/tabla.txt"

# One sample a minute from 01/01/2020 00:00:30, the values stepping through the sensor's range.
python3 - "$table" "$megabytes" <<'PY'
import datetime, sys
path, megabytes = sys.argv[1], int(sys.argv[2])
line_bytes = len("01/01/2020  00:01:30  50,0  23,5\r\n")
count = megabytes * 1000 * 1000 // line_bytes
stamp = datetime.datetime(2020, 1, 1, 0, 0, 30)
step = datetime.timedelta(minutes=1)
with open(path, "w", newline="") as out:
    for k in range(count):
        stamp += step
        humidity = 20 + (k % 600) / 10
        temperature = -10 + (k % 450) / 10
        out.write("%s  %s  %s  %s\r\n" % (stamp.strftime("%d/%m/%Y"), stamp.strftime("%H:%M:%S"),
                                          ("%.1f" % humidity).replace(".", ","),
                                          ("%.1f" % temperature).replace(".", ",")))
PY
size=$(stat -c %s "$table")
echo "table: $((size / 1000000)) MB, $(wc -l <"$table") lines"

failed=0
# Runs the command given; prints its peak resident set and the ratio to the table's size.
measure() {
  local name=$1
  shift
  local peak
  peak=$(/usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -1)
  local ratio
  ratio=$(awk -v kb="$peak" -v bytes="$size" 'BEGIN { printf "%.2f", kb * 1024 / bytes }')
  echo "$name: peak $((peak / 1024)) MB, $ratio x the file"
  awk -v r="$ratio" 'BEGIN { exit !(r > 4) }' && failed=1
  return 0
}

measure "stats" "$cli" stats "$table"
measure "stats --json" "$cli" stats "$table" --json
measure "export csv" "$cli" export "$table" --format csv --out "$folder/tabla.csv"
measure "export json" "$cli" export "$table" --format json --out "$folder/tabla.json"
exit $failed
