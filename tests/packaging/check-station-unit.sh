#!/usr/bin/env bash
# The stations' service unit is one the user's service manager takes: systemd-analyze verifies it
# (its program among the rest) without an error or a warning, for an instance as it will be
# started. Skipped (77) where systemd-analyze is not installed.
# Usage: check-station-unit.sh UNIT_FILE
set -uo pipefail
unit=$1
command -v systemd-analyze >/dev/null || {
  echo "systemd-analyze is not installed: skipped"
  exit 77
}
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
# The user's manager needs a runtime folder; a test run may have none.
export XDG_RUNTIME_DIR=$folder
name=$(basename "$unit")
cp "$unit" "$folder/$name"
ln -s "$name" "$folder/${name/@./@camara1.}"
failed=0
for file in "$folder/$name" "$folder/${name/@./@camara1.}"; do
  messages=$(systemd-analyze verify --user --man=no --generators=no "$file" 2>&1)
  status=$?
  if ((status != 0)) || [[ -n $messages ]]; then
    echo "FAIL: systemd-analyze verify $(basename "$file") (status $status): $messages"
    failed=1
  fi
done
# What the service must do on a stop and after a failure.
for setting in "Restart=on-failure" "RestartSec=5" "KillSignal=SIGTERM" "TimeoutStopSec=30"; do
  grep -qx "$setting" "$unit" || {
    echo "FAIL: $name has no $setting"
    failed=1
  }
done
grep -q '^ExecStart=.*velmorante-cli station run %i$' "$unit" || {
  echo "FAIL: $name does not run 'velmorante-cli station run %i'"
  failed=1
}
exit $failed
