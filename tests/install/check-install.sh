#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks that the program,
# its manual page and its bash completion are in place and work there.
#
# Usage: check-install.sh BUILD_DIR
set -u
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
failed=0
fail() { echo "FAIL: $*"; failed=1; }

cmake --install "$build" --prefix "$prefix" >/dev/null || { echo "FAIL: cmake --install"; exit 1; }

bin=$prefix/bin/pubforge
[ -x "$bin" ] || fail "no executable $bin"
[ "$("$bin" -v 2>&1)" = "Pubforge 2.2.4" ] || fail "the installed program does not print its banner"

man=$prefix/share/man/man1/pubforge.1
[ -s "$man" ] || fail "no manual page $man"
grep -q '^\.TH PUBFORGE 1' "$man" || fail "the manual page has no title line"

completion=$prefix/share/bash-completion/completions/pubforge
[ -s "$completion" ] || fail "no bash completion $completion"
got=$(bash -c '
  source "$1"
  COMP_WORDS=(pubforge --export-to-b); COMP_CWORD=1; _pubforge
  echo "${COMPREPLY[*]}"
  COMP_WORDS=(pubforge --store); COMP_CWORD=1; _pubforge
  echo "${COMPREPLY[*]}"' _ "$completion")
expected=$'--export-to-bibtex\n--store-downloads'
[ "$got" = "$expected" ] || fail "completion gave '$got', expected '$expected'"

if [ $failed -eq 0 ]; then echo "install: 1 passed, 0 failed"; else echo "install: 0 passed, 1 failed"; fi
exit $failed
