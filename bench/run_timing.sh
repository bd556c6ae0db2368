#!/usr/bin/env bash
# Times the Release program against the floor of writing the same bytes:
#
#  (a) the one-shot run against `cp` of its six output files into a fresh
#      directory;
#  (b) `compile` of a generated 1000 km scenario against `cp` of its three
#      outputs into a fresh directory;
#  (c) `compile` of the 1000 km scenario against `compile` of a 100 km one;
#  (d) `check` of the 1000 km scenario with 50 mistakes scattered over it
#      against a clean `compile` of it;
#  (e) `diff` of the compiled 1000 km scenario against a copy of itself
#      against `cmp` of its three files with the copy's;
#  (f) `decompile` of the compiled 1000 km scenario, which writes its two
#      sources after compiling them in memory and comparing the result with
#      the three files, against `compile` of the 1000 km sources.
#
# Each pair runs alternately RUNS times (default 200) through bench_timer,
# which prints the median times, the peak resident memory of each command and
# the median ratio of the pairs. The targets: (a) and (b) at most 1.5, the
# 1000 km compile under 64 MiB, (c) at most 12, (d) at most 3, (e) at most 3.
#
#   bench/run_timing.sh [RUNS]
#
# BUILD_DIR chooses the build directory (default build/bench, configured as a
# Release build with the benchmarks). Measure on a quiet machine: the load is
# printed first.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-200}
build=${BUILD_DIR:-$root/build/bench}

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DSCENARIO_BUILDER_BENCHMARKS=ON \
  -DSCENARIO_BUILDER_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target scenario-builder compile_benchmark bench_timer >/dev/null

program=$build/bin/scenario-builder
timer=$build/bench/bench_timer
work=$(mktemp -d /tmp/run_timing.XXXXXX)
trap 'rm -rf "$work"' EXIT

echo "machine: $(nproc) CPUs, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')," \
  "$(awk '/MemTotal/ {printf "%.1f GiB", $2 / 1048576}' /proc/meminfo) memory"
echo "load:   $(cut -d' ' -f1-3 /proc/loadavg)"
echo "runs:   $runs of each command, alternating"

# Runs bench_timer and keeps its report in $work/report for the summary.
compare() {
  echo
  echo "== $1"
  "$timer" "$runs" "$2" "$3" "$4" "$5" | tee "$work/report"
}
ratio() { awk '/median ratio/ {print $6}' "$work/report"; }
peak_a() { awk '/^A:/ {print $7}' "$work/report"; }

# (a) The one-shot run writes next to itself; its six files are removed
# before each run so that, like cp, it creates them anew.
mkdir "$work/run" "$work/run_files"
cp "$program" "$work/run/"
(cd "$work/run" && ./scenario-builder)
six=(BORGOLUCE_5127_note.txt BORGOLUCE_5127_rallentamenti.txt BORGOLUCE_5127_scheda_treno.txt
  BORGOLUCE_linea.dat BORGOLUCE_5127.sim BORGOLUCE_5127.dat)
for f in "${six[@]}"; do cp "$work/run/$f" "$work/run_files/"; done
compare "A: the one-shot run; B: cp of its six files" \
  "cd $work/run && rm -f ${six[*]}" "$work/run/scenario-builder" \
  "rm -rf $work/copy && mkdir $work/copy" \
  "cp $(printf "$work/run_files/%s " "${six[@]}")$work/copy/"
ratio_run=$(ratio)
peak_run=$(peak_a)

# (b) The 1000 km compile, against cp of its three outputs.
mkdir "$work/src" "$work/ref1000" "$work/ref100"
"$build/bench/compile_benchmark" --write "$work/src" 1000000 >/dev/null
"$build/bench/compile_benchmark" --write "$work/src" 100000 >/dev/null
compile1000="$program compile $work/src/GEN1000_linea.txt $work/src/GEN1000_9000-.txt -o"
compile100="$program compile $work/src/GEN100_linea.txt $work/src/GEN100_9000-.txt -o"
$compile1000 "$work/ref1000" >/dev/null
$compile100 "$work/ref100" >/dev/null
three=(GEN1000_linea.dat GEN1000_9000.sim GEN1000_9000.dat)
compare "A: compile of 1000 km; B: cp of its three files" \
  "rm -rf $work/out && mkdir $work/out" "$compile1000 $work/out" \
  "rm -rf $work/copy && mkdir $work/copy" \
  "cp $(printf "$work/ref1000/%s " "${three[@]}")$work/copy/"
ratio_compile=$(ratio)
peak_compile=$(peak_a)
for f in "${three[@]}"; do cmp "$work/out/$f" "$work/ref1000/$f"; done

# (c) Linear in the length: 1000 km against 100 km.
compare "A: compile of 1000 km; B: compile of 100 km" \
  "rm -rf $work/out && mkdir $work/out" "$compile1000 $work/out" \
  "rm -rf $work/out100 && mkdir $work/out100" "$compile100 $work/out100"
ratio_linear=$(ratio)

# (d) Every mistake in one run: check of 1000 km with 50 scattered errors,
# against the clean compile.
mkdir "$work/errors"
"$build/bench/compile_benchmark" --write "$work/errors" 1000000 50 >/dev/null
check1000="exit=1 $program check $work/errors/GEN1000_linea.txt $work/errors/GEN1000_9000-.txt"
mistakes=$( ($program check $work/errors/GEN1000_linea.txt $work/errors/GEN1000_9000-.txt 2>&1 || true) | tail -n 1)
echo "check of the scenario with mistakes: $mistakes"
compare "A: check of 1000 km with 50 mistakes; B: compile of 1000 km" \
  "true" "$check1000" \
  "rm -rf $work/out && mkdir $work/out" "$compile1000 $work/out"
ratio_check=$(ratio)

# (e) diff of the 1000 km scenario against a copy of itself, against cmp of
# the three files.
mkdir "$work/copy1000"
for f in "${three[@]}"; do cp "$work/ref1000/$f" "$work/copy1000/"; done
# The three cmp in one script, as an author would run them.
for f in "${three[@]}"; do echo "cmp $work/ref1000/$f $work/copy1000/$f || exit 1"; done >"$work/cmp3.sh"
cmp3="sh $work/cmp3.sh"
compare "A: diff of 1000 km against a copy of itself; B: cmp of its three files" \
  "true" "$program diff $work/ref1000 $work/copy1000" \
  "true" "$cmp3"
ratio_diff=$(ratio)

# (f) decompile of the 1000 km scenario, against its compile; each writes
# into a fresh directory.
compare "A: decompile of 1000 km; B: compile of 1000 km" \
  "rm -rf $work/back && mkdir $work/back" "$program decompile $work/ref1000 -o $work/back" \
  "rm -rf $work/out && mkdir $work/out" "$compile1000 $work/out"
ratio_decompile=$(ratio)

echo
echo "== targets"
awk -v r="$ratio_run" -v m="$peak_run" \
  'BEGIN {printf "one-shot run / cp:          %6.3f (at most 1.5)  %s; peak memory %d KiB\n", r, r <= 1.5 ? "met" : "MISSED", m}'
awk -v r="$ratio_compile" -v m="$peak_compile" \
  'BEGIN {printf "compile 1000 km / cp:       %6.3f (at most 1.5)  %s\n", r, r <= 1.5 ? "met" : "MISSED";
          printf "compile 1000 km peak memory: %5.1f MiB (under 64)  %s\n", m / 1024, m < 65536 ? "met" : "MISSED"}'
awk -v r="$ratio_linear" \
  'BEGIN {printf "compile 1000 km / 100 km:   %6.3f (at most 12)   %s\n", r, r <= 12 ? "met" : "MISSED"}'
awk -v r="$ratio_check" \
  'BEGIN {printf "check with 50 errors / compile: %6.3f (at most 3) %s\n", r, r <= 3 ? "met" : "MISSED"}'
awk -v r="$ratio_diff" \
  'BEGIN {printf "diff 1000 km / cmp:         %6.3f (at most 3)    %s\n", r, r <= 3 ? "met" : "MISSED"}'
awk -v r="$ratio_decompile" \
  'BEGIN {printf "decompile 1000 km / compile: %6.3f (at most 3)   %s\n", r, r <= 3 ? "met" : "MISSED"}'
