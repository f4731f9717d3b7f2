#!/usr/bin/env bash
# Builds the Debian package: build/velmorante_<version>_<arch>.deb. Installs what is missing,
# configures build/ for /usr, builds the programs and the files they install (not the tests),
# and lets CPack make the package.
# Then: sudo apt-get install ./build/velmorante_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr >/dev/null
targets=(velmorante velmorante-cli velmorante-logger velmorante_install_files)
cmake --build build -j"$(nproc)" --target "${targets[@]}"
rm -f build/velmorante_*.deb
(cd build && cpack -G DEB >/dev/null)
package=$(ls build/velmorante_*.deb)
echo "Package: $package ($(du -h "$package" | cut -f1))"
