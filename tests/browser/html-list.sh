#!/usr/bin/env bash
# Renders the HTML publication list of the examples in headless Chromium and
# checks the page the browser loaded: one heading per year of the example
# bibliography, newest first, one list item per entry with the citation key
# as its anchor, a link to every entry's URL and to every stored download.
# The URLs are checked first against the local test server (127.0.0.1 only),
# so that the stored downloads exist.  A screenshot and the page are kept in
# ARTIFACT_DIR.
#
# Usage: tests/browser/html-list.sh PUBFORGE ARTIFACT_DIR
# Exit status 77 (skipped) when chromium is not installed.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
pubforge=$(realpath "$1")
artifacts=$2

browser=$(command -v chromium || true)
if [ -z "$browser" ]; then
  echo "chromium is not installed (bash scripts/install-deps.sh --browser): browser test skipped"
  exit 77
fi

# The test server on 127.0.0.1, and a work folder; both go when this ends.
source "$root/tests/urlcheck/test-server.sh"

cd "$work"
sed "s#https://example.org/#http://127.0.0.1:$port/#g" "$root/examples/example.bib" > example.bib
"$pubforge" -q -U -D downloads example.bib < "$root/examples/publications-html.cmd" \
  > publications.html 2> pubforge.stderr || {
  echo "pubforge failed:" >&2; cat pubforge.stderr >&2; exit 1; }
stop_test_server

mkdir -p "$artifacts"
rm -rf "$artifacts/downloads"
cp -R publications.html downloads "$artifacts/"

# A fresh profile, no network of its own, bounded in time.
run_browser() {
  local profile
  profile=$(mktemp -d "$work/profile.XXXXXX")
  timeout -k 10 90 "$browser" --headless --no-sandbox --disable-gpu --disable-quic \
    --no-first-run --disable-background-networking --disable-component-update --disable-sync \
    --user-data-dir="$profile" "$@" "file://$work/publications.html"
}
run_browser --dump-dom > dom.html 2> browser.stderr || {
  echo "chromium failed:" >&2; cat browser.stderr >&2; exit 1; }
run_browser --window-size=1000,700 --screenshot="$artifacts/html-list.png" \
  > /dev/null 2>> browser.stderr || {
  echo "chromium failed to take the screenshot:" >&2; cat browser.stderr >&2; exit 1; }
[ -s "$artifacts/html-list.png" ] || { echo "no screenshot was written" >&2; exit 1; }
cp dom.html "$artifacts/dom.html"

python3 - example.bib dom.html <<'PY'
import os, re, sys
from html.parser import HTMLParser

bib_text = open(sys.argv[1], encoding="utf-8").read()
# The entries of the example bibliography: key, year and url.
entries = []
for m in re.finditer(r"@(\w+)\s*\{\s*([^,\s]+)\s*,(.*?)\n\}", bib_text, re.S):
    if m.group(1).lower() in ("string", "preamble", "comment"):
        continue
    body = m.group(3)
    year = re.search(r"(?i)\byear\s*=\s*[{\"]?(\d+)", body)
    url = re.search(r"(?i)\burl\s*=\s*[{\"]([^}\"]+)", body)
    entries.append((m.group(2), year.group(1) if year else None, url.group(1) if url else None))

class Page(HTMLParser):
    def __init__(self):
        super().__init__()
        self.headings = []     # (id, text)
        self.items = []        # (id, [hrefs])
        self.in_h2 = False
    def handle_starttag(self, tag, attrs):
        a = dict(attrs)
        if tag == "h2":
            self.in_h2 = True
            self.headings.append([a.get("id"), ""])
        elif tag == "li":
            self.items.append((a.get("id"), []))
        elif tag == "a" and self.items:
            self.items[-1][1].append(a.get("href"))
    def handle_endtag(self, tag):
        if tag == "h2":
            self.in_h2 = False
    def handle_data(self, data):
        if self.in_h2:
            self.headings[-1][1] += data

page = Page()
page.feed(open(sys.argv[2], encoding="utf-8").read())
problems = []

years = sorted({y for _, y, _ in entries if y}, reverse=True)
got_years = [text.strip() for _, text in page.headings]
if got_years != years:
    problems.append(f"year headings {got_years}, expected {years}")
for hid, text in page.headings:
    if hid != "year-" + text.strip():
        problems.append(f"heading {text!r} has the anchor {hid!r}")

if len(page.items) != len(entries):
    problems.append(f"{len(page.items)} list items, expected {len(entries)}")
items = dict(page.items)
stored = sorted(os.listdir("downloads")) if os.path.isdir("downloads") else []
if not stored:
    problems.append("the URL check stored no download")
for key, year, url in entries:
    if key not in items:
        problems.append(f"no list item with the anchor {key!r}")
        continue
    hrefs = items[key]
    if url and url not in hrefs:
        problems.append(f"{key}: no link to {url} in {hrefs}")
    for name in stored:
        if os.path.splitext(name)[0] == key and "downloads/" + name not in hrefs:
            problems.append(f"{key}: no link to its stored download downloads/{name} in {hrefs}")
    for href in hrefs:
        if href.startswith("downloads/") and not os.path.isfile(href):
            problems.append(f"{key}: the link {href} names no stored download")

for p in problems:
    print("FAIL", p)
if problems:
    sys.exit(1)
print(f"html-list: {len(years)} year headings, {len(entries)} entries, "
      f"{sum(len(h) for _, h in page.items)} links checked in the browser's DOM")
PY
echo "screenshot: $artifacts/html-list.png"
