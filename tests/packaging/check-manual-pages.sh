#!/usr/bin/env bash
# Every option that a program's --help lists, in English and in Spanish, is on its manual page of
# that language, and both the help and the page say what the exit statuses mean.
# Usage: check-manual-pages.sh PAGE_DIR PROGRAM...   (Spanish through LOCPATH and
# VELMORANTE_LOCALEDIR from the environment)
set -uo pipefail
pages=$1
shift
failed=0
for program in "$@"; do
  name=$(basename "$program")
  for language in en es; do
    page=$pages/$language/$name.1
    if [[ $language == en ]]; then
      help=$(env -u DISPLAY LC_ALL=C.UTF-8 LANGUAGE= "$program" --help)
    else
      help=$(env -u DISPLAY LC_ALL=es_ES.UTF-8 LANGUAGE=es "$program" --help)
    fi
    # The window program's help is in Spanish whatever the language.
    heading=$(grep -oiE -m1 'exit status|estado de salida' <<<"$help" | head -n 1)
    if [[ -z $heading ]]; then
      echo "FAIL: '$name --help' ($language) does not say what the exit statuses mean"
      failed=1
    fi
    if [[ ! -s $page ]]; then
      echo "FAIL: $page is missing or empty"
      failed=1
      continue
    fi
    # help2man writes "-" as "\-" in the page's source.
    text=$(sed 's/\\-/-/g' "$page")
    for option in $(grep -oE -- '--[a-z][a-z0-9-]*' <<<"$help" | sort -u); do
      if ! grep -qF -- "$option" <<<"$text"; then
        echo "FAIL: $option of '$name --help' ($language) is not on $page"
        failed=1
      fi
    done
    if [[ -n $heading ]] && ! grep -qiF -- "$heading" <<<"$text"; then
      echo "FAIL: $page does not say what the exit statuses mean ('$heading')"
      failed=1
    fi
  done
done
exit $failed
