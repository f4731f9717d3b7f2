#!/usr/bin/env bash
# Every message marked for translation in the sources has a Spanish translation that is neither
# missing nor fuzzy, with as many "%s" as the English text. After a new message: build the target velmorante-update-catalogue and
# translate what it leaves empty in packaging/po/es.po.
# Usage: check-catalogue.sh SOURCE_DIR
set -euo pipefail
source_dir=$1
template=$(mktemp --suffix=.pot)
trap 'rm -f "$template"' EXIT
"$source_dir/packaging/po/update-catalogue.sh" "$source_dir" "$template"
msgcmp "$source_dir/packaging/po/es.po" "$template"
# msgexec hands each translation to the command, its English text in MSGEXEC_MSGID.
mismatched=$(msgexec -i "$source_dir/packaging/po/es.po" sh -c '
  [ -z "$MSGEXEC_MSGID" ] && exit 0
  english=$(printf "%s" "$MSGEXEC_MSGID" | grep -o "%s" | wc -l)
  spanish=$(grep -o "%s" | wc -l)
  [ "$english" = "$spanish" ] || printf "%s\n" "$MSGEXEC_MSGID"')
if [[ -n $mismatched ]]; then
  echo "translations with another number of %s than their English text:" >&2
  echo "$mismatched" >&2
  exit 1
fi
