#!/usr/bin/env bash
# The central archive end to end on a real PostgreSQL cluster made for the run (initdb in a
# temporary folder, loopback only, run by an unprivileged account: $VELMORANTE_TEST_PG_USER when
# run as root), stopped and removed at the end: velmorante-cli sets it up, pushes an archive filled
# from the logger emulator, reads it back, the station role is refused changes, then the figures
# of bench/CentralBench.cpp.
# Usage: bench/central-archive.sh [BUILD_DIR]   (default build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
cli=$PWD/$build/cli/velmorante-cli
logger=$PWD/$build/sim/velmorante-logger
bin=$(ls -d /usr/lib/postgresql/*/bin | sort -V | tail -n 1)
work=$(mktemp -d)
as=()
if [[ $(id -u) -eq 0 ]]; then
  [[ -n ${VELMORANTE_TEST_PG_USER:-} ]] || { echo "as root, set VELMORANTE_TEST_PG_USER" >&2; exit 1; }
  chown "$VELMORANTE_TEST_PG_USER" "$work"
  as=(runuser -u "$VELMORANTE_TEST_PG_USER" --)
fi
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
logger_pid=""
stop() {
  [[ -n $logger_pid ]] && kill "$logger_pid" 2>/dev/null || true
  "${as[@]}" "$bin/pg_ctl" -D "$work/data" stop -m fast -w >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap stop EXIT
"${as[@]}" "$bin/initdb" -A trust -U postgres -E UTF8 --no-locale -D "$work/data" >/dev/null
"${as[@]}" "$bin/pg_ctl" -D "$work/data" -l "$work/server.log" -w start \
  -o "-c listen_addresses=127.0.0.1 -p $port -c unix_socket_directories=$work" >/dev/null
admin="postgresql://postgres@127.0.0.1:$port/postgres"
psql_run() { psql -X -q -v ON_ERROR_STOP=1 "$@"; }
psql_run "$admin" -c "CREATE DATABASE velmorante"
url="postgresql://postgres@127.0.0.1:$port/velmorante"
station_url="postgresql://velmorante_station@127.0.0.1:$port/velmorante"

"$cli" central init "$url"
# A station's archive: three downloads from the emulator, then pushed as velmorante_station.
export LC_ALL=C VELMORANTE_ARCHIVE="$work/archivo.sqlite"
"$logger" --samples 40 --baud 0 >"$work/port" 2>/dev/null &
logger_pid=$!
for _ in $(seq 100); do [[ -s $work/port ]] && break; sleep 0.1; done
logger_port=$(head -n 1 "$work/port")
for _ in 1 2 3; do "$cli" download --port "$logger_port" --force >/dev/null; done
kill "$logger_pid"
logger_pid=""
"$cli" sync --central "$station_url" --json
"$cli" sync --central "$station_url" --json | grep -q '"complete":true'
[[ $("$cli" history --archive "$url" --json | python3 -c 'import json,sys; print(len(json.load(sys.stdin)))') -eq 3 ]]
"$cli" history verify --archive "$url"
"$cli" audit verify --archive "$url"
# The station role adds, and is refused any change.
if psql_run "$station_url" -c "DELETE FROM downloads" 2>"$work/refused"; then
  echo "velmorante_station deleted downloads" >&2
  exit 1
fi
grep -q "permission denied" "$work/refused"

"$PWD/$build/bench/velmorante_central_bench" "$admin" "${CENTRAL_BENCH_DOWNLOADS:-10000}" \
  "${CENTRAL_BENCH_SAMPLES:-1000}"
