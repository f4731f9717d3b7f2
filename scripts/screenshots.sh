#!/usr/bin/env bash
# Runs Velmorante under a virtual display in demo mode: it connects to the built-in logger
# emulator, opens every window, downloads, and saves each window as a PNG picture.
# The tour archives its download, and writes a demonstration station, into an archive of its own.
# Usage: scripts/screenshots.sh [FOLDER]   (default docs/screenshots; build folder: $BUILD_DIR or build)
set -euo pipefail
cd "$(dirname "$0")/.."
out="${1:-docs/screenshots}"
build="${BUILD_DIR:-build}"
scripts/install-deps.sh
if [[ -f "$build/CMakeCache.txt" ]]; then
  cmake --build "$build" -j"$(nproc)" --target velmorante
else
  scripts/build.sh "$build"
fi
mkdir -p "$out"
tour_archive="$(mktemp -d)"
trap 'rm -rf "$tour_archive"' EXIT
export VELMORANTE_ARCHIVE="$tour_archive/archive.sqlite"
# The program drives itself and ends when every picture is saved; a time limit guards a hang.
timeout 600 xvfb-run -a -s "-screen 0 1280x1024x24" \
  "$build/app/velmorante" --demo --screenshots "$out"
# The reports' pages as pictures beside the windows: report.png for a download's one page, and
# report-station-1.png, -2.png... for every page of the station record's report.
if [[ -f "$out/report.pdf" ]]; then
  pdftoppm -png -r 80 -singlefile "$out/report.pdf" "$out/report"
  rm "$out/report.pdf"
fi
if [[ -f "$out/report-station.pdf" ]]; then
  pdftoppm -png -r 80 "$out/report-station.pdf" "$out/report-station"
  rm "$out/report-station.pdf"
fi
echo "Pictures in $out:" >&2
ls "$out"/*.png >&2
