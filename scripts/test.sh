#!/usr/bin/env bash
# Quick start: install what is missing, build, and run every test; a skipped test fails the run.
# Usage: scripts/test.sh [CTEST ARGUMENTS]   (build folder: $BUILD_DIR or build; arguments such as
# -R, -L or -j go to ctest after the defaults)
# Run as root or as a user with sudo: it makes the local accounts the tests need (see
# scripts/test-accounts.sh) and removes them when it ends. Without a session message bus the
# tests run inside one of their own, so that the desktop notifications are tested too.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${BUILD_DIR:-build}"
scripts/install-deps.sh
scripts/build.sh "$build"
source scripts/test-accounts.sh
# The central archive's tests must find a PostgreSQL server here, not skip.
export VELMORANTE_TEST_REQUIRE_POSTGRESQL=1

bus=()
if [[ -z ${DBUS_SESSION_BUS_ADDRESS:-} ]]; then
  bus=(dbus-run-session --)
fi
# Most tests wait on pseudo-terminals, processes and servers: twice as many as there are cores.
jobs=$(($(nproc) * 2))
# Checking another account's password needs root: a user runs that test apart, through sudo.
pam_test=Signatures.RightPasswordSigns
apart=()
pam_apart=false
if ((${#as_root[@]} > 0)); then
  apart=(-E "^${pam_test//./\\.}\$")
  if (cd "$build" && ctest -N "$@") | grep -q " ${pam_test//./\\.}\$"; then
    pam_apart=true
  fi
fi

# Long tests first, so that the others run beside them: ctest orders by the times it kept from
# earlier runs; a new build folder has none, and there the tests labelled "soak" (minutes of a
# station under load) are named as the longest.
cost="$build/Testing/Temporary/CTestCostData.txt"
if [[ ! -s $cost ]]; then
  mkdir -p "$(dirname "$cost")"
  (cd "$build" && ctest -N -L soak) | sed -n 's/^ *Test *#[0-9]*: \(.*\)$/\1 1 600/p' >"$cost"
fi

log=$(mktemp)
status=0
(cd "$build" && QT_QPA_PLATFORM=offscreen "${bus[@]}" \
  ctest --output-on-failure -j"$jobs" --timeout 300 "$@" "${apart[@]}") 2>&1 | tee "$log" ||
  status=$?
if ((status == 0)) && $pam_apart; then
  # The program itself, not ctest, so that nothing in the build folder comes to belong to root.
  "${as_root[@]}" env VELMORANTE_TEST_PAM_USER="$VELMORANTE_TEST_PAM_USER" \
    VELMORANTE_TEST_PAM_PASSWORD="$VELMORANTE_TEST_PAM_PASSWORD" \
    ASAN_OPTIONS="${ASAN_OPTIONS:-}" UBSAN_OPTIONS="${UBSAN_OPTIONS:-}" \
    TSAN_OPTIONS="${TSAN_OPTIONS:-}" "$build/tests/archive/signature_test" --gtest_filter="$pam_test" 2>&1 | tee -a "$log" ||
    status=$?
fi
# ctest counts a skipped test as passed; here it fails the run.
if grep -Eq '\((Skipped|Disabled)\)|\[  SKIPPED \]' "$log"; then
  echo "test.sh: tests were skipped:" >&2
  grep -E '\((Skipped|Disabled)\)|\[  SKIPPED \]' "$log" >&2
  status=1
fi
rm -f "$log"
# Where the time goes: the slowest tests (ctest's own record, averaged over its runs here).
if [[ -f $cost ]]; then
  echo "Slowest tests:"
  sed '/^---$/,$d' "$cost" | sort -k3 -gr | awk 'NR <= 8 { printf "%8.1f s  %s\n", $3, $1 }'
fi
exit "$status"
