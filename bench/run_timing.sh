#!/usr/bin/env bash
# Times the Release program against the floor of writing the same bytes:
#
#  (a) the one-shot run against `cp` of its six output files into a fresh
#      directory;
#  (b) `compile` of a generated 1000 km scenario against `cp` of its three
#      outputs into a fresh directory;
#  (c) `compile` of the 1000 km scenario against `compile` of a 100 km one.
#
# Each pair runs alternately RUNS times (default 200) through bench_timer,
# which prints the median times, the peak resident memory of each command and
# the median ratio of the pairs. The targets: (a) and (b) at most 1.5, the
# 1000 km compile under 64 MiB, (c) at most 12.
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
confronta() {
  echo
  echo "== $1"
  "$timer" "$runs" "$2" "$3" "$4" "$5" | tee "$work/report"
}
rapporto() { awk '/median ratio/ {print $6}' "$work/report"; }
picco_a() { awk '/^A:/ {print $7}' "$work/report"; }

# (a) The one-shot run writes next to itself; its six files are removed
# before each run so that, like cp, it creates them anew.
mkdir "$work/run" "$work/run_files"
cp "$program" "$work/run/"
(cd "$work/run" && ./scenario-builder)
sei=(BORGOLUCE_5127_note.txt BORGOLUCE_5127_rallentamenti.txt BORGOLUCE_5127_scheda_treno.txt
  BORGOLUCE_linea.dat BORGOLUCE_5127.sim BORGOLUCE_5127.dat)
for f in "${sei[@]}"; do cp "$work/run/$f" "$work/run_files/"; done
confronta "A: the one-shot run; B: cp of its six files" \
  "cd $work/run && rm -f ${sei[*]}" "$work/run/scenario-builder" \
  "rm -rf $work/copy && mkdir $work/copy" \
  "cp $(printf "$work/run_files/%s " "${sei[@]}")$work/copy/"
rapporto_run=$(rapporto)
picco_run=$(picco_a)

# (b) The 1000 km compile, against cp of its three outputs.
mkdir "$work/src" "$work/ref1000" "$work/ref100"
"$build/bench/compile_benchmark" --write "$work/src" 1000000 >/dev/null
"$build/bench/compile_benchmark" --write "$work/src" 100000 >/dev/null
compila1000="$program compile $work/src/GEN1000_linea.txt $work/src/GEN1000_9000-.txt -o"
compila100="$program compile $work/src/GEN100_linea.txt $work/src/GEN100_9000-.txt -o"
$compila1000 "$work/ref1000" >/dev/null
$compila100 "$work/ref100" >/dev/null
tre=(GEN1000_linea.dat GEN1000_9000.sim GEN1000_9000.dat)
confronta "A: compile of 1000 km; B: cp of its three files" \
  "rm -rf $work/out && mkdir $work/out" "$compila1000 $work/out" \
  "rm -rf $work/copy && mkdir $work/copy" \
  "cp $(printf "$work/ref1000/%s " "${tre[@]}")$work/copy/"
rapporto_compile=$(rapporto)
picco_compile=$(picco_a)
for f in "${tre[@]}"; do cmp "$work/out/$f" "$work/ref1000/$f"; done

# (c) Linear in the length: 1000 km against 100 km.
confronta "A: compile of 1000 km; B: compile of 100 km" \
  "rm -rf $work/out && mkdir $work/out" "$compila1000 $work/out" \
  "rm -rf $work/out100 && mkdir $work/out100" "$compila100 $work/out100"
rapporto_lineare=$(rapporto)

echo
echo "== targets"
awk -v r="$rapporto_run" -v m="$picco_run" \
  'BEGIN {printf "one-shot run / cp:          %6.3f (at most 1.5)  %s; peak memory %d KiB\n", r, r <= 1.5 ? "met" : "MISSED", m}'
awk -v r="$rapporto_compile" -v m="$picco_compile" \
  'BEGIN {printf "compile 1000 km / cp:       %6.3f (at most 1.5)  %s\n", r, r <= 1.5 ? "met" : "MISSED";
          printf "compile 1000 km peak memory: %5.1f MiB (under 64)  %s\n", m / 1024, m < 65536 ? "met" : "MISSED"}'
awk -v r="$rapporto_lineare" \
  'BEGIN {printf "compile 1000 km / 100 km:   %6.3f (at most 12)   %s\n", r, r <= 12 ? "met" : "MISSED"}'
