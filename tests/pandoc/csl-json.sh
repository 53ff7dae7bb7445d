#!/usr/bin/env bash
# The CSL-JSON export checked by a real consumer: for every bibliography of
# the corpus that pandoc reads, the bibliography is rendered once from
# pandoc's own CSL-JSON (pandoc FILE -t csljson) and once from the export
# (pubforge -n -J), both with pandoc --citeproc -t plain and nocite '@*',
# and the renderings are compared entry by entry.
#
# Usage: tests/pandoc/csl-json.sh PUBFORGE CORPUS_DIR MINIMUM_SHARE
# Exit status 77 (skipped) when pandoc or the corpus is absent.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
pubforge=$(realpath "$1")
corpus=$2
minimum=$3

if ! command -v pandoc >/dev/null; then
  echo "pandoc is not installed (bash scripts/install-deps.sh): CSL-JSON comparison skipped"
  exit 77
fi
if [ ! -d "$corpus" ]; then
  echo "no corpus at $corpus: CSL-JSON comparison skipped"
  exit 77
fi

# The files pandoc reads; the others of the corpus it refuses (leading
# commas, parenthesised @String, Latin-1 text, a bare value), which the
# loop below reports.
readable=(
  biblatex-curated-strings-accents.bib biblatex-zotero-bbt-autoexport.bib
  group-bib-basel-ai-accents.bib group-pubs-hal-export-french.bib
  jabref-saved-authors-pubs.bib mathscinet-czech-author-preamble.bib
  thesis-dblp-export.bib zotero-betterbibtex-autoexport.bib zotero-native-export.bib
)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf -- "---\nnocite: '@*'\n---\n" > "$work/nocite.md"

# One file: both CSL-JSON files, then both renderings.
render() {
  local file=$1 name
  name=$(basename "$file" .bib)
  if ! pandoc "$file" -t csljson -o "$work/$name.pandoc.json" 2>"$work/$name.pandoc.err"; then
    echo "pandoc does not read $name.bib: $(grep -m1 . "$work/$name.pandoc.err" || true)" \
      >"$work/$name.unread"
    return 0
  fi
  "$pubforge" -q -n -J "$work/$name.ours.json" "$file" 2>"$work/$name.ours.err" || {
    echo "pubforge failed on $name.bib" >"$work/$name.failed"; return 0; }
  for side in pandoc ours; do
    pandoc --citeproc -t plain --wrap=none --bibliography="$work/$name.$side.json" \
      "$work/nocite.md" -o "$work/$name.$side.txt" 2>"$work/$name.$side.render.err" || {
      echo "pandoc could not render the $side CSL-JSON of $name.bib:" \
        "$(grep -m1 . "$work/$name.$side.render.err")" >"$work/$name.failed"; return 0; }
  done
}

# Two files at a time: pandoc takes most of the time.
pids=()
for file in "$corpus"/*.bib; do
  render "$file" &
  pids+=($!)
  if [ ${#pids[@]} -ge 2 ]; then wait "${pids[0]}"; pids=("${pids[@]:1}"); fi
done
wait

status=0
for f in "$work"/*.unread; do [ -e "$f" ] && cat "$f"; done
for name in "${readable[@]}"; do
  if [ -e "$work/${name%.bib}.unread" ]; then
    echo "FAIL: pandoc was expected to read $name"
    status=1
  fi
done
for f in "$work"/*.failed; do
  [ -e "$f" ] || continue
  echo "FAIL: $(cat "$f")"
  status=1
done

args=()
for f in "$work"/*.pandoc.txt; do
  name=$(basename "$f" .pandoc.txt)
  [ -e "$work/$name.ours.txt" ] && args+=("$name" "$f" "$work/$name.ours.txt")
done
python3 "$here/compare_renderings.py" "$minimum" "${args[@]}" || status=1
exit $status
