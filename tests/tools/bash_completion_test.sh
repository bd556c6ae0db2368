#!/usr/bin/env bash
# The bash completion as bash runs it: the script that the program prints is
# loaded into bash, and the completions of a few command lines are what an
# author at the prompt would get.
#
#   bash_completion_test.sh PROGRAM
set -euo pipefail
program=$1
script=$(mktemp)
work=$(mktemp -d)
trap 'rm -rf "$script" "$work"' EXIT
"$program" completion bash >"$script"
# shellcheck disable=SC1090
source "$script"

failures=0
# complete WORD... : the completions of the last word.
complete_words() {
  COMP_WORDS=("$@")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMPREPLY=()
  _scenario_builder
  printf '%s\n' "${COMPREPLY[@]}" | sort
}
expect() {  # EXPECTED WORD... : the completions are exactly EXPECTED (words separated by spaces)
  local expected=$1
  shift
  local got
  got=$(complete_words "$@" | tr '\n' ' ' | sed 's/ $//')
  if [ "$got" != "$expected" ]; then
    echo "FAILED: '$*' completes to '$got', not '$expected'" >&2
    failures=$((failures + 1))
  fi
}

expect "check compile completion" scenario-builder c
expect "--format" scenario-builder check --fo
expect "json sarif text" scenario-builder check a_linea.txt --format ""
expect "sarif" scenario-builder compile --format s
expect "--write-on-error" scenario-builder compile --write
expect "--werror --write-on-error" scenario-builder compile x y --w
expect "--help --help-all --version" scenario-builder --
expect "bash" scenario-builder completion ""
# File names where a source is expected, and after an option that takes a path.
touch "$work/BORGOLUCE_linea.txt" "$work/BORGOLUCE_5127-.txt"
expect "$work/BORGOLUCE_5127-.txt $work/BORGOLUCE_linea.txt" scenario-builder check "$work/B"
expect "$work/BORGOLUCE_linea.txt" scenario-builder plot -o "$work/BORGOLUCE_l"
# Options of one subcommand are not offered for another.
expect "" scenario-builder dump --write

if [ "$failures" -ne 0 ]; then exit 1; fi
echo "bash completion: every case completes as expected"
