#!/usr/bin/env bash
# The bash completion of velmorante-cli offers the commands and each command's own options, read
# from the program's --help, and completes values after "--option" and "--option=".
# Usage: check-completion.sh COMPLETION_FILE VELMORANTE_CLI
set -uo pipefail
# shellcheck source=/dev/null
source "$1"
program=$2
failed=0

# Completes the words given (the last one is being typed); the offers land in COMPREPLY.
complete_words() {
  COMP_WORDS=("$program" "$@")
  COMP_CWORD=$#
  COMPREPLY=()
  _velmorante_cli
}

# expect "words..." -- offered... -- not offered...
expect() {
  local words=() wanted=() unwanted=() part=0 word
  for word in "$@"; do
    if [[ $word == "::" ]]; then
      ((part++))
      continue
    fi
    case $part in 0) words+=("$word") ;; 1) wanted+=("$word") ;; *) unwanted+=("$word") ;; esac
  done
  complete_words "${words[@]}"
  local offered=" ${COMPREPLY[*]} "
  for word in "${wanted[@]}"; do
    if [[ $offered != *" $word "* ]]; then
      echo "FAIL: '${words[*]}' does not offer $word (offers:$offered)"
      failed=1
    fi
  done
  for word in "${unwanted[@]}"; do
    if [[ $offered == *" $word "* ]]; then
      echo "FAIL: '${words[*]}' offers $word"
      failed=1
    fi
  done
}

folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
touch "$folder/capture.txt"

expect "" :: ports status download decode set-rate set-clock demo history export stats station record --help --version
expect "d" :: download decode demo :: status
expect download "--" :: --port --force --raw --out --timeout --help :: --json --count --version
expect status "--" :: --port --count --json --timeout :: --force --raw
expect decode "--" :: --out :: --port --timeout
expect stats "--" :: --json --limits-rh --limits-t :: --port --format
expect set-rate --port /dev/null "" :: 1 5 10 15 30 60
expect set-clock "--" :: --port --discard --archive --timeout :: --force
expect download --out "$folder/cap" :: "$folder/capture.txt"
expect download --raw = "$folder/cap" :: "$folder/capture.txt"
expect decode "$folder/cap" :: "$folder/capture.txt"
expect download "--" :: --archive --no-archive
expect history "" :: show verify
expect history "--" :: --json --archive :: --port
expect export "--" :: --format --out --history --archive :: --port
expect export --format "" :: csv csv-es json
expect export "--" :: --station --from --to :: --port
expect record "--" :: --format --from --to --out --archive :: --port --history
expect stats --archive "$folder/cap" :: "$folder/capture.txt"
expect station "" :: add set list remove run status
expect calibration "" :: set show
expect calibration set norte "--" :: --certificate --due --reason --t-gain --rh-offset --archive :: --port
expect calibration set norte --t-gain "" :: :: set
expect station add camara1 "--" :: --port --reset-at --download-every --archive --reason :: --force
expect station add camara1 --download-every "" :: :: add
expect alarms check "$folder/cap" "--" :: --t-low --rh-warn-high --delay --hysteresis --history --json :: --reason
expect rules set norte "--" :: --archive --t-low --reason :: --json
expect station add camara1 "--" :: --smtp --central :: --json
expect alarms "" :: ack check
expect rules "" :: set show

# Each command's offers are exactly the options its parser takes, among every option the help
# names. An option is given to the command with a value and followed by an option nobody takes:
# the parser reports the first mistake on the line, so the unknown option is named only when the
# one before it was taken (a switch is taken and refuses the value), and no command runs.
universe=$(LC_ALL=C "$program" --help | grep -o -- '--[a-z][a-z0-9-]*' | sort -u | grep -vx -- --help)
keys=$(LC_ALL=C "$program" --help | awk '/^Commands:/ { inside = 1; next }
  /^[^ ]/ { inside = 0 }
  inside && /^  [a-z]/ { key = $1; if (match($0, /^  [a-z-]+ [a-z]+( |$)/)) key = $1 " " $2; print key }' |
  sort -u)
while IFS= read -r key; do
  # shellcheck disable=SC2086  # the key is the command and its subcommand, two words
  complete_words $key "--"
  offered=" ${COMPREPLY[*]} "
  for option in $universe; do
    # shellcheck disable=SC2086
    err=$(LC_ALL=C "$program" $key "$option=x" --velmorante-no-such-option 2>&1 >/dev/null </dev/null)
    taken=0
    [[ $err == *"unknown option --velmorante-no-such-option"* || $err == *"$option takes no value"* ]] &&
      taken=1
    if ((taken)) && [[ $offered != *" $option "* ]]; then
      echo "FAIL: '$key' takes $option but the completion does not offer it"
      failed=1
    elif ((!taken)) && [[ $offered == *" $option "* ]]; then
      echo "FAIL: '$key' refuses $option but the completion offers it"
      failed=1
    fi
  done
done <<<"$keys"
exit $failed
