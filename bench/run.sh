#!/usr/bin/env bash
# Times whole runs of Pubforge on large generated bibliographies and prints
# one table: wall time (median of several runs), throughput and peak memory,
# for 10,000 and 100,000 entries, in non-interactive mode writing BibTeX
# (-n -B), RFC 2629 XML (-n -X) and CSL-JSON (-n -J) and printing through the default template
# (-n -C, and as plain text with -n -C -P), in command mode with empty standard input, in command mode
# with a script that cites every entry and exports once, and in command mode
# selecting by a condition of three comparisons (citeWhere), which may take
# at most 0.3 s more than reading alone.  See
# bench/README.md.
#
# Usage (from the repository root):  bench/run.sh [RUNS]
#                                     bench/run.sh instructions
#                                     bench/run.sh urlcheck
#   RUNS        timed runs per size and mode (default 5, or $RUNS)
#   instructions  instead, count the instructions of every mode on 10,000
#               entries with valgrind --tool=callgrind (they do not depend on
#               the load of the machine) and print them per input byte and
#               as a ratio to -n -B
#   BIG=0       skip the 1,000,000-entry file (≈760 MB, generated for the
#               growth check and deleted after it)
#   urlcheck    instead, time the URL check of 200 entries against the local
#               test server (200 ms a response, four loopback host names)
#               with -j 1 and with -j 8: -j 8 must take at most a fifth of
#               the time, with the same reports and the same written items
#   PUBFORGE=…  time this binary instead of building bench/out/build/pubforge
#
# Exit status: 0 when every run succeeded and every target was met,
# 1 when a run failed or a target was missed, 2 when the set-up failed.
set -euo pipefail
export LC_ALL=C   # "." as decimal point in $EPOCHREALTIME, awk and sort

cd "$(dirname "${BASH_SOURCE[0]}")/.."
mode_arg=${1:-}
if [[ $mode_arg == urlcheck || $mode_arg == instructions ]]; then set --; fi
runs=${1:-${RUNS:-5}}
out=bench/out
build=$out/build
sizes=(10000 100000)
big=1000000

# Targets, all ratios so that they mean the same on every machine:
max_cp_ratio=10        # -n -B of 100,000 entries / cp of the same file
max_instr_per_byte=25  # -n -B of 10,000 entries, instructions per input byte
max_peak_ratio=1.5     # peak resident set / file size, every mode
max_mode_ratio=1.3     # every mode / -n -B, same size
max_growth=1.1         # time per entry of a size / that of the size ten times smaller
max_select_extra=0.3   # seconds that selecting by condition adds to reading 100,000 entries

die() { echo "run.sh: $*" >&2; exit 2; }

[[ $runs =~ ^[1-9][0-9]*$ ]] || die "RUNS must be a positive number, not '$runs'"
[[ -x /usr/bin/time ]] || die "/usr/bin/time is missing; install the Debian package 'time'"
command -v python3 >/dev/null || die "python3 is missing"
mkdir -p "$out"

if [[ -n ${PUBFORGE:-} ]]; then
  bin=$PUBFORGE
else
  echo "Building pubforge (Release) in $build; log in $out/build.log"
  if ! { cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DPUBFORGE_TESTS=OFF &&
         cmake --build "$build" -j2 --target pubforge; } >"$out/build.log" 2>&1; then
    tail -n 20 "$out/build.log" >&2
    die "the build failed; see $out/build.log"
  fi
  bin=$build/pubforge
fi
[[ -x $bin ]] || die "no executable at $bin"

# Instruction counts of every mode on 10,000 entries.
count_instructions() {  # mode input -> instructions
  local mode=$1 input=$2 cg=$out/callgrind.out args
  case $mode in
    "-n -B") args=(-n -B "$out/out-cg.bib" "$input") ;;
    "-n -X") args=(-n -X "$out/out-cg.xml" "$input") ;;
    "-n -J") args=(-n -J "$out/out-cg.json" "$input") ;;
    "-n -C") args=(-n -C list "$input") ;;
    "-n -C -P") args=(-n -C list -P "$input") ;;
    *) args=("$input") ;;
  esac
  local stdin=/dev/null
  [[ $mode == script ]] && stdin=$out/cite-10000.cmd
  [[ $mode == select ]] && stdin=$out/select.cmd
  rm -f "$cg"
  valgrind --tool=callgrind --callgrind-out-file="$cg" "$bin" "${args[@]}" \
    <"$stdin" >"$out/stdout-cg.txt" 2>"$out/stderr-cg.txt" || return 1
  awk '/^summary:/ {print $2}' "$cg"
}

# The URL check: latency-bound, so the ratio of the two times means
# something even on a busy machine.
if [[ $mode_arg == urlcheck ]]; then
  command -v file >/dev/null && command -v pdfinfo >/dev/null || die "file and pdfinfo are needed"
  u=$out/urlcheck
  rm -rf "$u"
  mkdir -p "$u/docroot"
  python3 tests/urlcheck/http_server.py --lifetime 600 --docroot "$u/docroot" --delay 0.2 \
    --hosts 4 >"$u/port" &
  server=$!
  trap 'kill "$server" 2>/dev/null || true; wait "$server" 2>/dev/null || true' EXIT
  for _ in $(seq 100); do [[ -s $u/port ]] && break; sleep 0.1; done
  port=$(head -n 1 "$u/port")
  [[ -n $port ]] || die "the test server did not start"
  docs=(sample.txt sample.html sample.pdf)
  for ((i = 0; i < 200; i++)); do
    printf '@Misc{e%03d, author = {A. Kell}, title = {T}, year = 2020,\n  url = {http://127.0.0.%d:%d/doc/%s}}\n' \
      "$i" $((i % 4 + 1)) "$port" "${docs[i % 3]}"
  done >"$u/refs.bib"
  declare -A took
  for jobs in 1 8; do
    echo "Checking 200 URLs with -j $jobs ..."
    t0=$EPOCHREALTIME
    status=0
    "$bin" -n -U -j "$jobs" -B "$u/out-j$jobs.bib" "$u/refs.bib" 2>"$u/stderr-j$jobs.txt" || status=$?
    t1=$EPOCHREALTIME
    ((status == 0)) || { echo "-j $jobs: exit status $status; see $u/stderr-j$jobs.txt"; exit 1; }
    took[$jobs]=$(awk -v a="$t0" -v b="$t1" 'BEGIN {printf "%.2f", b - a}')
  done
  verdict=0
  if ! cmp -s "$u/stderr-j1.txt" "$u/stderr-j8.txt"; then
    echo "the reports of -j 1 and -j 8 differ"; verdict=1
  fi
  if ! cmp -s <(grep -v url.checked "$u/out-j1.bib") <(grep -v url.checked "$u/out-j8.bib"); then
    echo "the items written with -j 1 and -j 8 differ"; verdict=1
  fi
  oks=$(grep -c 'OK: ' "$u/stderr-j8.txt" || true)
  ((oks == 200)) || { echo "only $oks of 200 entries were checked"; verdict=1; }
  awk -v one="${took[1]}" -v many="${took[8]}" 'BEGIN {
    r = many / one
    printf "URL check of 200 entries: -j 1 %.2f s, -j 8 %.2f s, ratio %.3f (target <= 0.2): %s\n",
           one, many, r, (r <= 0.2 ? "met" : "MISSED")
    exit !(r <= 0.2) }' || verdict=1
  echo "Wall-clock times; reports and written files are in $u."
  exit "$verdict"
fi

# Inputs are generated once and kept until the generator changes.  The
# command script of each size cites every entry of its bibliography, in file
# order, and exports once through the default printing template.
generate() {
  local n=$1 f=$out/bib-$1.bib
  if [[ ! -s $f || bench/gen_bib.py -nt $f ]]; then
    echo "Generating $f"
    python3 bench/gen_bib.py "$n" >"$f.tmp"
    mv "$f.tmp" "$f"
  fi
  local s=$out/cite-$n.cmd
  if [[ ! -s $s || $f -nt $s ]]; then
    echo "Generating $s"
    python3 -c 'import re, sys
for line in open(sys.argv[1], encoding="utf-8"):
    m = re.match(r"@\w+\{([^,\s]+),", line)
    if m:
        print("cite " + m.group(1))
print("export")' "$f" >"$s.tmp"
    mv "$s.tmp" "$s"
  fi
}
for n in "${sizes[@]}"; do generate "$n"; done

modes=("-n -B" "-n -X" "-n -J" "-n -C" "-n -C -P" "command" "script" "select")
# A condition of three comparisons: a number, a regular expression on the
# authors in plain text, and the entry type.
printf '%s\n' 'citeWhere year >= 2000 and author : "m(u|ü)ller|^a" and $type != misc' \
  >"$out/select.cmd"

if [[ $mode_arg == instructions ]]; then
  command -v valgrind >/dev/null || die "valgrind is missing; install the Debian package 'valgrind'"
  bytes=$(stat -c %s "$out/bib-10000.bib")
  echo "Counting instructions on 10,000 entries ($bytes bytes) with callgrind ..."
  printf '%-9s %14s %9s %8s\n' mode instructions "per byte" "/ -n -B"
  verdict=0 base=""
  for mode in "${modes[@]}"; do
    if ! count=$(count_instructions "$mode" "$out/bib-10000.bib"); then
      printf '%-9s FAILED (%s)\n' "$mode" "$(tail -n 1 "$out/stderr-cg.txt" | cut -c1-60)"
      verdict=1
      continue
    fi
    [[ $mode == "-n -B" ]] && base=$count
    awk -v m="$mode" -v c="$count" -v b="$bytes" -v base="$base" 'BEGIN {
      printf "%-9s %14d %9.1f %8s\n", m, c, c / b, (base > 0 ? sprintf("%.2f", c / base) : "-") }'
  done
  awk -v c="$base" -v b="$bytes" -v t="$max_instr_per_byte" 'BEGIN {
    r = c / b
    printf "-n -B: %.1f instructions per input byte (target <= %s): %s\n", r, t, (r <= t ? "met" : "MISSED")
    exit !(r <= t) }' || verdict=1
  exit "$verdict"
fi

# One timed run.  Prints "wall_seconds cpu_seconds peak_kB status" (cpu is
# user + system time of the program itself); the program's standard
# output and standard error go to files named after the tag.
run_once() {
  local mode=$1 input=$2 tag=$3 t0 t1 status=0 rss cpu
  local tfile=$out/time-$tag.txt
  rm -f "$out/out-$tag.bib" "$out/out-$tag.xml" "$out/out-$tag.json"
  t0=$EPOCHREALTIME
  if [[ $mode == "-n -B" ]]; then
    /usr/bin/time -v -o "$tfile" "$bin" -n -B "$out/out-$tag.bib" "$input" \
      >"$out/stdout-$tag.txt" 2>"$out/stderr-$tag.txt" || status=$?
  elif [[ $mode == "-n -X" ]]; then
    /usr/bin/time -v -o "$tfile" "$bin" -n -X "$out/out-$tag.xml" "$input" \
      >"$out/stdout-$tag.txt" 2>"$out/stderr-$tag.txt" || status=$?
  elif [[ $mode == "-n -J" ]]; then
    /usr/bin/time -v -o "$tfile" "$bin" -n -J "$out/out-$tag.json" "$input" \
      >"$out/stdout-$tag.txt" 2>"$out/stderr-$tag.txt" || status=$?
  elif [[ $mode == "-n -C" ]]; then
    # The printed list goes to a file, as a user's redirection would send it.
    /usr/bin/time -v -o "$tfile" "$bin" -n -C list "$input" \
      >"$out/stdout-$tag.txt" 2>"$out/stderr-$tag.txt" || status=$?
  elif [[ $mode == "-n -C -P" ]]; then
    # The same list as plain text.
    /usr/bin/time -v -o "$tfile" "$bin" -n -C list -P "$input" \
      >"$out/stdout-$tag.txt" 2>"$out/stderr-$tag.txt" || status=$?
  elif [[ $mode == select ]]; then
    /usr/bin/time -v -o "$tfile" "$bin" "$input" <"$out/select.cmd" \
      >"$out/stdout-$tag.txt" 2>"$out/stderr-$tag.txt" || status=$?
  elif [[ $mode == script ]]; then
    /usr/bin/time -v -o "$tfile" "$bin" "$input" <"$out/cite-${tag%-*}.cmd" \
      >"$out/stdout-$tag.txt" 2>"$out/stderr-$tag.txt" || status=$?
  else
    /usr/bin/time -v -o "$tfile" "$bin" "$input" </dev/null \
      >"$out/stdout-$tag.txt" 2>"$out/stderr-$tag.txt" || status=$?
  fi
  t1=$EPOCHREALTIME
  rss=$(awk -F': *' '/Maximum resident set size/ {print $2}' "$tfile")
  cpu=$(awk -F': *' '/(User|System) time \(seconds\)/ {t += $2} END {print t + 0}' "$tfile")
  awk -v a="$t0" -v b="$t1" -v c="$cpu" -v r="${rss:-0}" -v s="$status" \
    'BEGIN {printf "%.4f %.2f %d %d\n", b - a, c, r, s}'
}

median() {
  sort -g | awk '{v[NR] = $1}
    END {if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2}'
}

# The short name of a mode, in tags and file names.
short() {
  case $1 in
    "-n -B") echo nB ;;
    "-n -X") echo nX ;;
    "-n -J") echo nJ ;;
    "-n -C") echo nC ;;
    "-n -C -P") echo nCP ;;
    script) echo scr ;;
    select) echo sel ;;
    *) echo cmd ;;
  esac
}

declare -A med cpu peak failed
# Times one size and mode RUNS times, into med, cpu, peak or failed.
time_mode() {
  local n=$1 mode=$2 input=$out/bib-$1.bib tag r secs cpusecs kb status output
  tag=$n-$(short "$mode")
  printf 'Timing %-8s %7d entries, %d runs ...\n' "$mode" "$n" "$runs"
  local times=() cpus=() max_kb=0
  for ((r = 1; r <= runs; r++)); do
    read -r secs cpusecs kb status < <(run_once "$mode" "$input" "$tag")
    if ((status != 0)); then
      failed[$tag]="exit status $status: $(tail -n 1 "$out/stderr-$tag.txt" | cut -c1-70)"
      return
    fi
    case $mode in
      "-n -X") output=$out/out-$tag.xml ;;
      "-n -J") output=$out/out-$tag.json ;;
      "-n -C" | "-n -C -P") output=$out/stdout-$tag.txt ;;
      *) output=$out/out-$tag.bib ;;
    esac
    if [[ $mode == -n* && ! -s $output ]]; then
      failed[$tag]="exit status 0 but $output is empty or missing"
      return
    fi
    if [[ $mode == script && ! -s $out/stdout-$tag.txt ]]; then
      failed[$tag]="exit status 0 but the export printed nothing"
      return
    fi
    times+=("$secs")
    cpus+=("$cpusecs")
    if ((kb > max_kb)); then max_kb=$kb; fi
  done
  med[$tag]=$(printf '%s\n' "${times[@]}" | median)
  cpu[$tag]=$(printf '%s\n' "${cpus[@]}" | median)
  peak[$tag]=$max_kb
}

# cp of a file: the floor that reading and writing it can approach.
time_cp() {
  local n=$1 r t0 t1 times=()
  for ((r = 1; r <= runs; r++)); do
    rm -f "$out/cp-$n.bib"
    t0=$EPOCHREALTIME
    cp "$out/bib-$n.bib" "$out/cp-$n.bib"
    t1=$EPOCHREALTIME
    times+=("$(awk -v a="$t0" -v b="$t1" 'BEGIN {printf "%.4f", b - a}')")
  done
  rm -f "$out/cp-$n.bib"
  med[$n-cp]=$(printf '%s\n' "${times[@]}" | median)
}

for n in "${sizes[@]}"; do
  time_cp "$n"
  for mode in "${modes[@]}"; do time_mode "$n" "$mode"; done
done
all_sizes=("${sizes[@]}")
# The growth check goes on to 1,000,000 entries for -n -B only; that file
# (≈760 MB) and its outputs are deleted again.
if [[ ${BIG:-1} != 0 ]]; then
  generate "$big"
  time_cp "$big"
  time_mode "$big" "-n -B"
  rm -f "$out/bib-$big.bib" "$out/cite-$big.cmd" "$out/out-$big-nB.bib" "$out/stdout-$big-nB.txt"
  all_sizes+=("$big")
fi

# The table.  MB are 10^6 bytes; "median s" is wall time, "cpu s" the median
# user + system time; peak is the largest resident set of all runs; "/ -n -B"
# is the median time of the mode divided by that of -n -B of the same size,
# "/ cp" divided by that of cp of the same file.
declare -A size_bytes
size_bytes[10000]=$(stat -c %s "$out/bib-10000.bib")
size_bytes[100000]=$(stat -c %s "$out/bib-100000.bib")
size_bytes[$big]=$((size_bytes[100000] * 10))  # the file is gone: about ten times
verdict=0
echo
printf '%8s %7s  %-8s %8s %6s %7s %8s %9s %7s %6s\n' \
  entries MB mode "median s" "cpu s" "MB/s" "peak MB" peak/file "/ -n -B" "/ cp"
for n in "${all_sizes[@]}"; do
  bytes=${size_bytes[$n]}
  awk -v n="$n" -v b="$bytes" -v s="${med[$n-cp]}" 'BEGIN {
    printf "%8d %7.1f  %-8s %8.3f %6s %7.1f %8s %9s %7s %6s\n", n, b / 1e6, "cp", s, "-",
           (s > 0 ? b / 1e6 / s : 0), "-", "-", "-", "1.00" }'
  for mode in "${modes[@]}"; do
    tag=$n-$(short "$mode")
    [[ $n == "$big" && $mode != "-n -B" ]] && continue
    if [[ -n ${failed[$tag]:-} ]]; then
      printf '%8d %7.1f  %-8s FAILED (%s)\n' "$n" "$(awk -v b="$bytes" 'BEGIN {print b / 1e6}')" \
        "$mode" "${failed[$tag]}"
      verdict=1
      continue
    fi
    awk -v n="$n" -v b="$bytes" -v m="$mode" -v s="${med[$tag]}" -v c="${cpu[$tag]}" \
        -v k="${peak[$tag]}" -v nb="${med[$n-nB]:-}" -v cp="${med[$n-cp]}" 'BEGIN {
      printf "%8d %7.1f  %-8s %8.3f %6.2f %7.1f %8.1f %9.2f %7s %6.1f\n",
             n, b / 1e6, m, s, c, (s > 0 ? b / 1e6 / s : 0), k * 1024 / 1e6, k * 1024 / b,
             (nb > 0 ? sprintf("%.2f", s / nb) : "-"), (cp > 0 ? s / cp : 0) }'
  done
done

# One line per target: the ratio, its bound and the verdict.
check() {  # description value bound
  awk -v d="$1" -v v="$2" -v t="$3" 'BEGIN {
    ok = (v != "" && v <= t)
    printf "%-58s %7s (target <= %s): %s\n", d, (v == "" ? "n/a" : sprintf("%.2f", v)), t,
           (ok ? "met" : "MISSED")
    exit !ok }' || verdict=1
}
ratio() { awk -v a="${1:-}" -v b="${2:-}" 'BEGIN {if (a != "" && b > 0) printf "%.4f", a / b}'; }
echo
large=${sizes[-1]} small=${sizes[0]}
check "-n -B of $large entries / cp of the same file" "$(ratio "${med[$large-nB]:-}" "${med[$large-cp]}")" "$max_cp_ratio"
for n in "${sizes[@]}"; do
  for mode in "${modes[@]}"; do
    m=$(short "$mode")
    check "peak memory / file size, $mode, $n entries" \
      "$(ratio "$((${peak[$n-$m]:-0} * 1024))" "${size_bytes[$n]}")" "$max_peak_ratio"
    [[ $m == nB ]] && continue
    check "$mode / -n -B, $n entries" "$(ratio "${med[$n-$m]:-}" "${med[$n-nB]:-}")" "$max_mode_ratio"
  done
done
# Time per entry against the size ten times smaller.  The small file's
# time includes the start of the process, so a ratio below 1 is no fault:
# only growth faster than linear is one.
prev=""
for n in "${all_sizes[@]}"; do
  if [[ -n $prev ]]; then
    check "-n -B growth $prev -> $n entries, time / (10 x time)" \
      "$(ratio "${med[$n-nB]:-}" "$(awk -v t="${med[$prev-nB]:-}" 'BEGIN {if (t != "") print 10 * t}')")" \
      "$max_growth"
  fi
  prev=$n
done
if command -v valgrind >/dev/null; then
  echo "Counting the instructions of -n -B on $small entries with callgrind ..."
  if count=$(count_instructions "-n -B" "$out/bib-$small.bib"); then
    check "-n -B of $small entries, instructions per input byte ($count)" \
      "$(ratio "$count" "${size_bytes[$small]}")" "$max_instr_per_byte"
  else
    echo "the callgrind run failed; see $out/stderr-cg.txt"
    verdict=1
  fi
else
  echo "valgrind is missing: instructions per byte not counted"
  verdict=1
fi
# The selection by condition beyond reading alone (select against command).
if [[ -n ${med[$large-sel]:-} && -n ${med[$large-cmd]:-} ]]; then
  awk -v s="${med[$large-sel]}" -v r="${med[$large-cmd]}" -v t="$max_select_extra" \
      -v n="$large" 'BEGIN {
    printf "select : %d entries selected in %.3f s beyond reading (target <= %s s): %s\n",
           n, s - r, t, (s - r <= t ? "met" : "MISSED")
    exit !(s - r <= t) }' || verdict=1
fi
echo "Program messages are in $out/stderr-*.txt, timings in $out/time-*.txt."
exit "$verdict"
