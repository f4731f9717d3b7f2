#!/usr/bin/env bash
# Configures and builds into the given folder (default build/). Extra arguments go to cmake.
# A new folder uses Ninja when it is installed; the build type defaults to RelWithDebInfo, and a
# folder keeps the type and options it was configured with unless they are given again.
set -euo pipefail
cd "$(dirname "$0")/.."
dir="${1:-build}"
shift || true
if [[ ! -f $dir/CMakeCache.txt && -z ${CMAKE_GENERATOR:-} ]] && command -v ninja >/dev/null; then
  export CMAKE_GENERATOR=Ninja
fi
cmake -S . -B "$dir" "$@" >/dev/null
cmake --build "$dir" -j"$(nproc)"
