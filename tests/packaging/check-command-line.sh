#!/usr/bin/env bash
# The programs' command-line conventions: --version prints the version and exits 0; a usage error
# goes to standard error, names the program and exits 2; velmorante-logger and velmorante take
# "--option=value" as well as "--option value"; velmorante-cli speaks Spanish under a Spanish
# locale and English under "C" (Spanish through LOCPATH and VELMORANTE_LOCALEDIR from the
# environment); a port the user may not open is reported with the way to get access (dialout).
# Usage: check-command-line.sh VERSION VELMORANTE_CLI VELMORANTE_LOGGER [VELMORANTE]
set -uo pipefail
version=$1
cli=$2
logger=$3
shift 3
failed=0
fail() {
  echo "FAIL: $*"
  failed=1
}

for program in "$cli" "$logger" "$@"; do
  name=$(basename "$program")
  out=$(env -u DISPLAY "$program" --version) || fail "$name --version exits $?"
  [[ $out == *"$version"* ]] || fail "$name --version prints '$out', not the version $version"
  err=$(env -u DISPLAY "$program" --no-such-option 2>&1 >/dev/null)
  status=$?
  [[ $status -eq 2 ]] || fail "$name --no-such-option exits $status, not 2"
  grep -q "^$name: " <<<"$err" || fail "$name's usage error has no line starting '$name: ': $err"
done

if [[ $# -gt 0 ]]; then
  env -u DISPLAY "$1" --port=/dev/null --version >/dev/null ||
    fail "$(basename "$1") does not take --port=/dev/null"
fi

folder=$(mktemp -d)
logger_pid=""
cleanup() {
  [[ -n $logger_pid ]] && kill "$logger_pid" 2>/dev/null
  rm -rf "$folder"
}
trap cleanup EXIT
"$logger" --samples=3 --baud=0 --status-period=200 --clock="2026-12-07 21:30:00" \
  --fault none >"$folder/port" 2>/dev/null &
logger_pid=$!
for _ in $(seq 50); do
  [[ -s $folder/port ]] && break
  sleep 0.1
done
port=$(head -n 1 "$folder/port")
[[ $port == /dev/* ]] || fail "velmorante-logger with --option=value options did not start"

english=$(LC_ALL=C LANGUAGE= "$cli" status --port="$port")
[[ $english == *"battery"*"memory 3 of 2000"*"rate 5 minutes"* ]] ||
  fail "status in English reads: $english"
spanish=$(LC_ALL=es_ES.UTF-8 LANGUAGE= "$cli" status --port "$port")
[[ $spanish == *"batería"*"memoria 3 de 2000"*"intervalo 5 minutos"* ]] ||
  fail "status in Spanish reads: $spanish"
err=$(LC_ALL=es_ES.UTF-8 LANGUAGE= "$cli" status --port "$port" --count=cero 2>&1 >/dev/null)
[[ $err == "velmorante-cli: --count debe ser"* ]] || fail "usage error in Spanish reads: $err"
# A port the user may not open: as root, run as "nobody" (the pty is root's, mode 600); otherwise
# take away the user's own access to the pty.
if [[ $(id -u) -eq 0 ]]; then
  err=$(setpriv --reuid=65534 --regid=65534 --clear-groups "$cli" status --port "$port" 2>&1)
else
  chmod 000 "$port"
  err=$("$cli" status --port "$port" 2>&1)
fi
status=$?
[[ $status -eq 1 && $err == *"dialout"* ]] || fail "a refused port (exit $status) reads: $err"
[[ $err != *"win error"* ]] || fail "a port error gives a number, not the system's reason: $err"

# Every command answers --help on standard output with its own entry, and exits 0.
for command in ports status download decode set-rate set-clock demo history "history show" \
  "history verify" export stats; do
  # shellcheck disable=SC2086
  out=$(LC_ALL=C LANGUAGE= "$cli" $command --help 2>&1)
  status=$?
  [[ $status -eq 0 && $out == *"  $command"* ]] || fail "$command --help (exit $status): $out"
done
# The Spanish catalogue of a build tree is found beside its programs, without the environment.
out=$(env -u VELMORANTE_LOCALEDIR LC_ALL=es_ES.UTF-8 LANGUAGE= "$cli" --help)
[[ $out == *"Modo de empleo"* ]] || fail "the build tree's program speaks: ${out%%$'\n'*}"
exit $failed
