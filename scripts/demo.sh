#!/usr/bin/env bash
# Installs what is missing, builds Pubforge and runs it on the bundled example
# bibliography: the publication list, printed through the default printing
# template, goes to standard output, the warnings about the entries to
# standard error.  Then the HTML publication list of the examples is written
# to build/publications.html.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build >/dev/null
cmake --build build -j2 --target pubforge
./build/pubforge -n -C stdout examples/example.bib
echo
echo "\$ ./build/pubforge -q examples/example.bib < examples/publications-html.cmd > build/publications.html"
./build/pubforge -q examples/example.bib < examples/publications-html.cmd > build/publications.html
echo "The HTML publication list, newest first with a heading per year, is in"
echo "build/publications.html: open it in a browser."
