#!/usr/bin/env bash
# Holds the SARIF logs of the tools against the SARIF 2.1.0 JSON schema: the
# log of sample diagnostics printed by sarif_sample (tests/tools/sarif_sample.cpp)
# and, when `compile --format sarif` is there, the program's own logs for a
# source with mistakes and for the built-in sources.
#
#   ci/validate_sarif.sh SCENARIO_BUILDER [SARIF_SAMPLE]
#
# SARIF_SAMPLE defaults to tests/sarif_sample of the build that holds
# SCENARIO_BUILDER (build/test/bin/scenario-builder -> build/test/tests/sarif_sample).
#
# The schema is not kept in the repository: each run takes it from the npm
# package @microsoft/jest-sarif (MIT licence), which ships it. Validation is
# by Debian's python3-jsonschema, with python3-rfc3987 so that URIs are
# checked too; both are installed when missing.
set -euo pipefail

if [ $# -lt 1 ] || [ $# -gt 2 ]; then
  echo "usage: $0 SCENARIO_BUILDER [SARIF_SAMPLE]" >&2
  exit 2
fi
exe=$(realpath "$1")
sample=$(realpath -m "${2:-$(dirname "$exe")/../tests/sarif_sample}")
for program in "$exe" "$sample"; do
  if [ ! -x "$program" ]; then
    echo "validate_sarif: $program is not a built program" >&2
    exit 1
  fi
done

# Debian's Python, where Debian's packages install (another python3 may come
# first on PATH).
python=/usr/bin/python3
missing=()
[ -x "$python" ] && "$python" -c 'import jsonschema' >/dev/null 2>&1 ||
  missing+=(python3 python3-jsonschema)
[ -x "$python" ] && "$python" -c 'import rfc3987' >/dev/null 2>&1 || missing+=(python3-rfc3987)
command -v npm >/dev/null || missing+=(npm)
if [ ${#missing[@]} -gt 0 ]; then
  apt-get update
  DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

package=@microsoft/jest-sarif@1.0.0-beta.0
schema_member=package/lib/schemas/sarif-2.1.0-rtm.5.json
tarball=$(cd "$work" && npm pack --silent "$package" | tail -n 1)
tar -xzf "$work/$tarball" -C "$work" "$schema_member"
schema=$work/$schema_member

# The sample, twice: the same diagnostics must give the same bytes.
"$sample" >"$work/sample.sarif"
"$sample" >"$work/sample-again.sarif"
if ! cmp -s "$work/sample.sarif" "$work/sample-again.sarif"; then
  echo "validate_sarif: sarif_sample printed different logs for the same diagnostics" >&2
  exit 1
fi
logs=("$work/sample.sarif=any")

compile_help=$("$exe" compile --help 2>&1 || true)
if [[ $compile_help == *sarif* ]]; then
  # Compiles with `--format sarif`, which must end with status 0 or 1 (no
  # error, or recorded codes) and print the log on standard output.
  compile_sarif() {
    local out=$1
    shift
    local status=0
    "$exe" compile --format sarif "$@" -o "$work/out" >"$out" || status=$?
    if [ "$status" -gt 1 ]; then
      echo "validate_sarif: compile --format sarif $* ended with status $status" >&2
      exit 1
    fi
  }

  # Mistakes, in a folder whose name needs percent-encoding: two signs on one
  # cell (code 6), and a warning of rows out of order.
  mistakes="$work/città sources"
  mkdir -p "$mistakes"
  printf '%s\r\n' '[generale]' 'lunghezza percorso,    40000' '[cartelli]' \
    'cartello_indicatore,  27725,   (A)' \
    'cartello_indicatore,  27750,   (P.L.      )(AUTOMATICO)' '[fine]' \
    >"$mistakes/PROVA_linea.txt"
  printf '%s\r\n' '[generale]' 'velocita,   0,    80' 'velocita, 5000, 90' 'velocita, 4000, 70' \
    '[fine]' >"$mistakes/PROVA_12-.txt"
  compile_sarif "$work/mistakes.sarif" "$mistakes/PROVA_linea.txt" "$mistakes/PROVA_12-.txt"

  "$exe" sources -o "$work/builtin" >/dev/null
  compile_sarif "$work/builtin.sarif" "$work/builtin/BORGOLUCE_linea.txt" \
    "$work/builtin/BORGOLUCE_5127-.txt"
  logs+=("$work/mistakes.sarif=errors" "$work/builtin.sarif=clean")
else
  echo "validate_sarif: $exe has no 'compile --format sarif' yet: only the sample log is checked"
fi

"$python" - "$schema" "${logs[@]}" <<'EOF'
import json
import os
import sys

import jsonschema
from jsonschema import validators

schema_path, *logs = sys.argv[1:]
with open(schema_path, encoding="utf-8") as f:
    schema = json.load(f)
# The draft the schema declares (draft-04), whose format checker knows no
# "uri-reference": formats are checked with the later draft's checker.
validator_class = validators.validator_for(schema)
validator_class.check_schema(schema)
formats = getattr(jsonschema.Draft7Validator, "FORMAT_CHECKER", None)
if formats is None:
    formats = jsonschema.draft7_format_checker
if formats.conforms("a b", "uri-reference"):
    sys.exit("validate_sarif: URIs would not be checked (is python3-rfc3987 installed?)")
validator = validator_class(schema, format_checker=formats)

failed = False
for arg in logs:
    path, expected = arg.rsplit("=", 1)
    name = os.path.basename(path)
    problems = []
    try:
        with open(path, "rb") as f:
            log = json.loads(f.read().decode("utf-8"))
    except ValueError as e:
        print(f"validate_sarif: {name}: not a JSON text in UTF-8: {e}")
        failed = True
        continue
    violations = sorted(validator.iter_errors(log), key=lambda e: list(map(str, e.absolute_path)))
    for e in violations[:20]:
        where = "/".join(map(str, e.absolute_path))
        problems.append(f"schema violation at /{where}: {e.message}")
    if len(violations) > 20:
        problems.append(f"and {len(violations) - 20} more schema violations")
    if not problems:
        results = []
        for run in log["runs"]:
            rules = run["tool"]["driver"].get("rules", [])
            ids = [r["id"] for r in rules]
            if len(set(ids)) != len(ids):
                problems.append("two rules share an id")
            for i, result in enumerate(run.get("results", [])):
                index = result.get("ruleIndex", -1)
                if index >= 0 and (index >= len(rules) or rules[index]["id"] != result.get("ruleId")):
                    problems.append(f"result {i} ({result.get('ruleId')}) points at rule {index}")
                results.append(result)
        errors = sum(1 for r in results if r.get("level", "warning") == "error")
        if expected == "errors" and errors == 0:
            problems.append("a source with mistakes gave no error result")
        if expected == "clean" and errors != 0:
            problems.append(f"the built-in sources gave {errors} error results")
    for p in problems:
        print(f"validate_sarif: {name}: {p}")
    if problems:
        failed = True
    else:
        print(f"{name}: valid SARIF 2.1.0, {len(results)} results, {errors} errors")
sys.exit(1 if failed else 0)
EOF
echo "validate_sarif: every log is valid SARIF 2.1.0"
