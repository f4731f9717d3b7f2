#!/usr/bin/env bash
# Every message marked for translation in the sources has a Spanish translation that is neither
# missing nor fuzzy. After a new message: build the target velmorante-update-catalogue and
# translate what it leaves empty in packaging/po/es.po.
# Usage: check-catalogue.sh SOURCE_DIR
set -euo pipefail
source_dir=$1
template=$(mktemp --suffix=.pot)
trap 'rm -f "$template"' EXIT
"$source_dir/packaging/po/update-catalogue.sh" "$source_dir" "$template"
msgcmp "$source_dir/packaging/po/es.po" "$template"
