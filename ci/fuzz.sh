#!/usr/bin/env bash
# Fuzzes the compiler, or with `decode` the decoders of the compiled files and
# the dump, diff and decompiler that read them (fuzz/decode_fuzzer, seeds in
# fuzz/decode_corpus, no dictionary).
# Builds fuzz/compile_fuzzer with clang, libFuzzer,
# AddressSanitizer and UndefinedBehaviorSanitizer in build/fuzz, then runs it
# for the given number of seconds (default 60) from the seed corpus
# fuzz/corpus with the dictionary fuzz/keywords.dict. Fails when the fuzzer
# finds a crash, a leak, undefined behaviour or a violated invariant
# (fuzz/invariants.h); the input that did it is left in build/fuzz/artifacts/
# and belongs in tests/compiler/fuzz_regressions_test.cpp once mended.
#
#   ci/fuzz.sh [SECONDS] [compile|decode]
#
# Inputs found on the way are kept in build/fuzz/corpus/, so a later run goes
# on from where this one stopped. Installs clang and its fuzzer runtime from
# Debian's packages when they are missing.
set -euo pipefail

seconds=${1:-60}
which=${2:-compile}
case "$seconds" in
  '' | *[!0-9]*)
    echo "usage: $0 [SECONDS] [compile|decode]" >&2
    exit 2
    ;;
esac
case "$which" in
  compile | decode) ;;
  *)
    echo "usage: $0 [SECONDS] [compile|decode]" >&2
    exit 2
    ;;
esac
cd "$(dirname "$0")/.."
root=$(pwd)
build="$root/build/fuzz"

say() { echo "fuzz: $*"; }

# --- Tools -------------------------------------------------------------------

missing=()
command -v cmake >/dev/null || missing+=(cmake make)
command -v clang++ >/dev/null || missing+=(clang)
clang_rt_fuzzer() {
  compgen -G "$(clang++ -print-resource-dir 2>/dev/null)/lib/linux/libclang_rt.fuzzer-x86_64.a" \
    >/dev/null
}
{ command -v clang++ >/dev/null && clang_rt_fuzzer; } || missing+=(libclang-rt-14-dev)
[ -e /usr/include/CLI/CLI.hpp ] || missing+=(libcli11-dev)
[ -e /usr/include/nlohmann/json.hpp ] || missing+=(nlohmann-json3-dev)
if [ ${#missing[@]} -gt 0 ]; then
  say "installing ${missing[*]}"
  apt-get update
  DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
fi

# --- Build ---------------------------------------------------------------------

cmake -S "$root" -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DSCENARIO_BUILDER_TESTS=OFF -DSCENARIO_BUILDER_FUZZ=ON >/dev/null
cmake --build "$build" --target "${which}_fuzzer" -j2

# --- Run -------------------------------------------------------------------------

if [ "$which" = compile ]; then
  corpus="$build/corpus"
  seeds="$root/fuzz/corpus"
  dictionary=(-dict="$root/fuzz/keywords.dict")
else
  corpus="$build/decode_corpus"
  seeds="$root/fuzz/decode_corpus"
  dictionary=()
fi
mkdir -p "$corpus" "$build/artifacts"
say "running ${which}_fuzzer for $seconds s"
# New inputs go to the first corpus directory; the seeds stay as committed.
# The input cap must match kMassimoIngresso of fuzz/invariants.h.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
if ! "$build/fuzz/${which}_fuzzer" \
  -max_total_time="$seconds" \
  -max_len=65536 \
  -timeout=30 \
  -rss_limit_mb=2048 \
  -print_final_stats=1 \
  "${dictionary[@]}" \
  -artifact_prefix="$build/artifacts/" \
  "$corpus" "$seeds"; then
  echo "fuzz: FAILED: the input is in $build/artifacts/" >&2
  ls -l "$build/artifacts" >&2
  exit 1
fi
say "no failure in $seconds s"
