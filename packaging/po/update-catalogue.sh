#!/usr/bin/env bash
# Extracts the marked messages (_("...") and N_("...")) of the command-line programs into a
# template and merges it into the Spanish catalogue.
# Usage: update-catalogue.sh SOURCE_DIR TEMPLATE [CATALOGUE]   (no CATALOGUE: template only)
set -euo pipefail
source_dir=$1
template=$2
catalogue=${3:-}
cd "$source_dir"
mapfile -t files < <(grep -rlE --include='*.cpp' --include='*.h' '\bN?_\("' cli sim app | sort)
# The messages' "%s" are filled by cli::Format, not printf: a lone "%" is plain text there.
xgettext --language=C++ --keyword=_ --keyword=N_ --from-code=UTF-8 --add-location=file \
  --flag=_:1:no-c-format --flag=N_:1:no-c-format --flag=ngettext:1:no-c-format \
  --flag=ngettext:2:no-c-format \
  --package-name=velmorante --msgid-bugs-address=ventas@velmorante.example \
  --output="$template" "${files[@]}"
if [[ -n "$catalogue" ]]; then
  msgmerge --quiet --update --backup=none --add-location=file "$catalogue" "$template"
fi
