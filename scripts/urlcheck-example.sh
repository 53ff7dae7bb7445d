#!/usr/bin/env bash
# Checks the urls of the bundled example bibliography against the local test
# server, so that nothing leaves this machine: the server is started on
# 127.0.0.1 (a free port), the example's urls are pointed at it, the check
# runs twice (the second run finds the stored download), and the server is
# stopped by its process id.
#
# Usage: scripts/urlcheck-example.sh [PUBFORGE]   (default: builds build/pubforge)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
pubforge=${1:-}
if [ -z "$pubforge" ]; then
  bash "$root/scripts/install-deps.sh"
  cmake -S "$root" -B "$root/build" >/dev/null
  cmake --build "$root/build" -j2 --target pubforge
  pubforge=$root/build/pubforge
fi
pubforge=$(realpath "$pubforge")

# The test server on 127.0.0.1, and a work folder; both go when this ends.
source "$root/tests/urlcheck/test-server.sh"

cd "$work"
sed "s#https://example.org/#http://127.0.0.1:$port/#g" "$root/examples/example.bib" > example.bib
echo "\$ pubforge -n -U -D downloads -B checked.bib example.bib"
"$pubforge" -n -U -D downloads -B checked.bib example.bib
echo "\$ grep url checked.bib"
grep url checked.bib
echo "\$ ls downloads"
ls downloads
echo "\$ pubforge -n -U -D downloads -B checked.bib checked.bib"
"$pubforge" -n -U -D downloads -B checked.bib checked.bib
