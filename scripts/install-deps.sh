#!/usr/bin/env bash
# Installs the Debian 12 packages Velmorante needs to build, run and test, when any is missing.
# Usage: scripts/install-deps.sh [--ci]   (--ci adds clang and its sanitizer/fuzzer runtimes, and
# the tools that check the installed package)
# The tests need systemd-analyze (systemd) and the account tools (passwd) as well.
set -euo pipefail

packages=(
  cmake g++ make ninja-build lld ccache pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libsqlite3-dev libssl-dev nlohmann-json3-dev libcli11-dev libpam0g-dev libcurl4-openssl-dev
  python3-aiosmtpd dbus libpq-dev postgresql
  qt6-base-dev libqt6opengl6-dev qt6-translations-l10n libqcustomplot-dev libfontconfig-dev
  xvfb xauth fonts-liberation poppler-utils
  gettext help2man librsvg2-bin locales dpkg-dev file
  passwd systemd
)
if [[ "${1:-}" == "--ci" ]]; then
  packages+=(clang libclang-rt-14-dev desktop-file-utils appstream man-db)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]} == 0)); then
  exit 0
fi

sudo=""
if [[ $(id -u) -ne 0 ]]; then
  sudo="sudo"
fi
echo "Installing: ${missing[*]}" >&2
$sudo apt-get update
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
