#!/usr/bin/env bash
# Quick start: install what is missing, build, and run Velmorante on the built-in logger emulator.
# Without a display it says so and runs the command-line demo instead.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh build
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
  echo "No display found: running the command-line demo instead of the windows." >&2
  exec build/app/velmorante --demo --no-gui "$@"
fi
exec build/app/velmorante --demo "$@"
