#!/usr/bin/env bash
# The viewer's page of the built-in scenario and of a generated 1000 km one:
# its size beside the route file's, and how long headless Chromium takes to
# have it drawn, as the page measures it (performance.now() from the start of
# the navigation to the end of its first drawing, and to the start of its
# script). Prints the medians of RUNS loads (default 11), each in a fresh
# browser profile.
#
#   bench/view_timing.sh PROGRAM WRITE_GENERATED_SOURCES [RUNS]
#
# PROGRAM is scenario-builder, WRITE_GENERATED_SOURCES the program of that
# name the test build makes (build/test/bench/write_generated_sources).
set -euo pipefail

exe=$(realpath "${1:?usage: $0 PROGRAM WRITE_GENERATED_SOURCES [RUNS]}")
generator=$(realpath "${2:?usage: $0 PROGRAM WRITE_GENERATED_SOURCES [RUNS]}")
runs=${3:-11}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$exe" sources -o "$work/builtin-src" >/dev/null
"$exe" compile "$work/builtin-src/BORGOLUCE_linea.txt" "$work/builtin-src/BORGOLUCE_5127-.txt" \
  -o "$work/builtin" >/dev/null 2>&1
"$generator" "$work/gen-src" 1000000 >/dev/null
"$exe" compile "$work/gen-src/GEN1000_linea.txt" "$work/gen-src/GEN1000_9000-.txt" \
  -o "$work/gen1000" >/dev/null 2>&1

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

echo "load:   $(cut -d' ' -f1-3 /proc/loadavg); $(nproc) CPUs; $(chromium --version 2>/dev/null)"
for name in builtin gen1000; do
  route=$(ls "$work/$name"/*_*.dat | grep -v _linea.dat)
  start=$(date +%s%N)
  "$exe" view "$work/$name" -o "$work/$name.html"
  made=$(( ($(date +%s%N) - start) / 1000000 ))
  : >"$work/ready" && : >"$work/script"
  for _ in $(seq "$runs"); do
    profile=$(mktemp -d)
    chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
      --disable-background-networking --disable-component-update --disable-sync \
      --user-data-dir="$profile" --virtual-time-budget=10000 --window-size=1400,1800 \
      --dump-dom "file://$work/$name.html" 2>/dev/null >"$work/dom"
    rm -rf "$profile"
    grep -o 'data-load-ms="[0-9.]*"' "$work/dom" | tr -dc '0-9.\n' >>"$work/ready"
    grep -o 'data-script-ms="[0-9.]*"' "$work/dom" | tr -dc '0-9.\n' >>"$work/script"
  done
  echo "$name: route file $(stat -c %s "$route") bytes, track plan" \
    "$(stat -c %s "$work/$name"/*_linea.dat) bytes; page $(stat -c %s "$work/$name.html") bytes," \
    "made in $made ms; in Chromium, script started after $(median <"$work/script") ms," \
    "drawn after $(median <"$work/ready") ms (medians of $runs)"
done
