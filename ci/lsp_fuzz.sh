#!/usr/bin/env bash
# Fuzzes the language server: builds fuzz/lsp_fuzzer with clang, libFuzzer,
# AddressSanitizer and UndefinedBehaviorSanitizer in build/fuzz (the build of
# ci/fuzz.sh, which installs the tools; run that first on a fresh machine),
# then feeds it message streams for the given number of seconds (default
# 30) from the seeds in fuzz/lsp_corpus. Fails on a crash, a leak, undefined
# behaviour or a hang; the input is left in build/fuzz/lsp_artifacts/.
#
#   ci/lsp_fuzz.sh [SECONDS]
set -euo pipefail

seconds=${1:-30}
case "$seconds" in
  '' | *[!0-9]*)
    echo "usage: $0 [SECONDS]" >&2
    exit 2
    ;;
esac
cd "$(dirname "$0")/.."
root=$(pwd)
build="$root/build/fuzz"

cmake -S "$root" -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DSCENARIO_BUILDER_TESTS=OFF -DSCENARIO_BUILDER_FUZZ=ON >/dev/null
cmake --build "$build" --target lsp_fuzzer -j2

mkdir -p "$build/lsp_corpus" "$build/lsp_artifacts"
echo "lsp fuzz: running for $seconds s"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
if ! "$build/fuzz/lsp_fuzzer" \
  -max_total_time="$seconds" \
  -max_len=65536 \
  -timeout=30 \
  -rss_limit_mb=2048 \
  -print_final_stats=1 \
  -dict="$root/fuzz/keywords.dict" \
  -artifact_prefix="$build/lsp_artifacts/" \
  "$build/lsp_corpus" "$root/fuzz/lsp_corpus"; then
  echo "lsp fuzz: FAILED: the input is in $build/lsp_artifacts/" >&2
  ls -l "$build/lsp_artifacts" >&2
  exit 1
fi
echo "lsp fuzz: no failure in $seconds s"
