#!/usr/bin/env bash
# Runs the command-line cases of one area: every folder below AREA_DIR that
# holds an `args` file is a case.
#
#   args            one command-line argument per line (the program name is
#                   "pubforge" and is not listed)
#   stdin           standard input (default: empty)
#   expected.stdout expected standard output (default: empty)
#   expected.stderr expected standard error (default: empty)
#   expected.status expected exit status (default: 0)
#   expected-files/ files the run must leave in its working folder, byte for byte
#   setup           optional shell script run in the working folder first
#   every other file is copied into the working folder before the run.
#
# Usage: run-cases.sh PUBFORGE AREA_DIR [CASE_NAME...]
set -u
pubforge=$(realpath "$1")
area=$(realpath "$2")
shift 2

failed=0
passed=0
work_root=$(mktemp -d)
trap 'rm -rf "$work_root"' EXIT

run_case() {
  local case_dir=$1 name
  name=$(basename "$case_dir")
  local work="$work_root/$name"
  mkdir -p "$work"
  local f
  for f in "$case_dir"/* "$case_dir"/.[!.]*; do
    [ -e "$f" ] || continue
    case "$(basename "$f")" in
      args|stdin|setup|expected.stdout|expected.stderr|expected.status|expected-files) ;;
      *) cp -R "$f" "$work/" ;;
    esac
  done
  local -a args=()
  if [ -s "$case_dir/args" ]; then
    mapfile -t args < "$case_dir/args"
  fi
  local stdin_file=/dev/null
  [ -f "$case_dir/stdin" ] && stdin_file="$case_dir/stdin"
  if [ -f "$case_dir/setup" ]; then
    (cd "$work" && bash "$case_dir/setup") || { echo "FAIL $name: setup failed"; return 1; }
  fi
  local status
  (cd "$work" && exec -a pubforge "$pubforge" "${args[@]}" < "$stdin_file" > "$work_root/$name.stdout" 2> "$work_root/$name.stderr")
  status=$?

  local ok=1 expected_status=0
  [ -f "$case_dir/expected.status" ] && expected_status=$(tr -d ' \n' < "$case_dir/expected.status")
  if [ "$status" != "$expected_status" ]; then
    echo "FAIL $name: exit status $status, expected $expected_status"
    ok=0
  fi
  local stream
  for stream in stdout stderr; do
    local expected="$case_dir/expected.$stream"
    [ -f "$expected" ] || expected=/dev/null
    if ! cmp -s "$expected" "$work_root/$name.$stream"; then
      echo "FAIL $name: $stream differs (--- expected, +++ actual)"
      diff -u --label expected --label actual -a "$expected" "$work_root/$name.$stream" | head -n 60
      ok=0
    fi
  done
  if [ -d "$case_dir/expected-files" ]; then
    local exp rel
    while IFS= read -r -d '' exp; do
      rel=${exp#"$case_dir/expected-files/"}
      if [ ! -f "$work/$rel" ]; then
        echo "FAIL $name: output file $rel was not written"
        ok=0
      elif ! cmp -s "$exp" "$work/$rel"; then
        echo "FAIL $name: output file $rel differs (--- expected, +++ actual)"
        diff -u --label expected --label actual -a "$exp" "$work/$rel" | head -n 60
        ok=0
      fi
    done < <(find "$case_dir/expected-files" -type f -print0 | sort -z)
  fi
  [ $ok = 1 ]
}

cases=()
if [ $# -gt 0 ]; then
  for n in "$@"; do cases+=("$area/$n"); done
else
  while IFS= read -r -d '' a; do cases+=("$(dirname "$a")"); done \
    < <(find "$area" -mindepth 2 -maxdepth 2 -name args -print0 | sort -z)
fi

for c in "${cases[@]}"; do
  if run_case "$c"; then passed=$((passed + 1)); else failed=$((failed + 1)); fi
done
echo "$(basename "$area"): $passed passed, $failed failed"
[ $failed = 0 ]
