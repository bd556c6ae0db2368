#!/usr/bin/env bash
# The viewer in a real browser: builds the page of the built-in scenario and
# of a generated 1000 km one, opens each in headless Chromium and checks that
# it loads with no error (none recorded by the page, none in the browser's
# console log), that it draws (each canvas of a screenshot holds a drawing)
# and that it opens on the stretch its address's fragment names. Prints the
# page sizes and the time each page took to be ready. Installs Debian's
# chromium and python3 when missing.
#
#   ci/view_check.sh PROGRAM WRITE_GENERATED_SOURCES
#
# PROGRAM is scenario-builder, WRITE_GENERATED_SOURCES the program of that
# name the test build makes (build/test/bench/write_generated_sources).
# VIEW_CHECK_KEEP=DIR keeps the pages, screenshots and logs in DIR.
set -euo pipefail

exe=$(realpath "${1:?usage: $0 PROGRAM WRITE_GENERATED_SOURCES}")
generator=$(realpath "${2:?usage: $0 PROGRAM WRITE_GENERATED_SOURCES}")
cd "$(dirname "$0")/.."
missing=()
command -v chromium >/dev/null || missing+=(chromium)
command -v python3 >/dev/null || missing+=(python3)
if [ ${#missing[@]} -gt 0 ]; then
  apt-get update
  DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
fi

if [ -n "${VIEW_CHECK_KEEP:-}" ]; then
  work=$(realpath -m "$VIEW_CHECK_KEEP")
  rm -rf "$work" && mkdir -p "$work"
else
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
fi

# The two scenarios, compiled by the program itself.
"$exe" sources -o "$work/builtin-src" >/dev/null
"$exe" compile "$work/builtin-src/BORGOLUCE_linea.txt" "$work/builtin-src/BORGOLUCE_5127-.txt" \
  -o "$work/builtin" >/dev/null
"$generator" "$work/gen-src" 1000000 >/dev/null
"$exe" compile "$work/gen-src/GEN1000_linea.txt" "$work/gen-src/GEN1000_9000-.txt" \
  -o "$work/gen1000" >/dev/null
"$exe" view "$work/builtin" -o "$work/builtin.html"
"$exe" view "$work/gen1000" -o "$work/gen1000.html"
# And one without its track plan, which must still load and draw its profile.
mkdir "$work/noplan"
cp "$work/builtin/BORGOLUCE_5127.dat" "$work/builtin/BORGOLUCE_5127.sim" "$work/noplan/"
"$exe" view "$work/noplan" -o "$work/noplan.html" 2>/dev/null

browse() {  # browse LOG URL CHROMIUM_OPTIONS...: runs Chromium once, afresh
  local log=$1 url=$2 profile
  shift 2
  profile=$(mktemp -d)
  timeout 120 chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
    --disable-background-networking --disable-component-update --disable-sync \
    --user-data-dir="$profile" --virtual-time-budget=10000 --window-size=1400,1800 \
    --force-device-scale-factor=1 --hide-scrollbars --enable-logging=stderr --v=0 \
    "$@" "$url" 2>"$log"
  rm -rf "$profile"
}

# An attribute of the <html> element of a dumped DOM, newlines and all.
attribute() {
  python3 - "$1" "$2" <<'PY'
import html, re, sys
dom = open(sys.argv[1], encoding="utf-8").read()
m = re.search(r"<html\b[^>]*?\s" + re.escape(sys.argv[2]) + r'="([^"]*)"', dom, re.S)
print(html.unescape(m.group(1)) if m else "(missing)")
PY
}

failures=0
fail() {
  echo "view check: $*" >&2
  failures=$((failures + 1))
}

check() {  # check NAME PAGE FRAGMENT EXPECTED_KM (a pattern)
  local name=$1 page=$2 fragment=$3 expected=$4
  local url="file://$page$fragment" dom="$work/$name.dom.html" shot="$work/$name.png"
  browse "$work/$name.dom.log" "$url" --dump-dom >"$dom"
  browse "$work/$name.shot.log" "$url" --screenshot="$shot"
  local ready errors visible drawings load
  ready=$(attribute "$dom" data-ready)
  errors=$(attribute "$dom" data-errors)
  visible=$(attribute "$dom" data-visible-km)
  drawings=$(attribute "$dom" data-drawings)
  load=$(attribute "$dom" data-load-ms)
  [ "$ready" = 1 ] || fail "$name: the page never got ready (data-ready: $ready)"
  [ -z "$errors" ] || fail "$name: the page recorded errors: $errors"
  if grep -h 'CONSOLE' "$work/$name.dom.log" "$work/$name.shot.log"; then
    fail "$name: the browser's console has messages (above)"
  fi
  # shellcheck disable=SC2053
  [[ "$visible" == $expected ]] || fail "$name: $fragment opens on km $visible, not $expected"
  if [ "$name" = noplan ]; then
    # No plan to draw: the page says why instead, and the other two draw.
    grep -q 'id="plan-note" class="missing">No track plan: BORGOLUCE_linea.dat' "$dom" ||
      fail "$name: the page does not say why the plan is missing"
    drawings=$(tr ' ' '\n' <<<"$drawings" | grep -v '^plan:' | tr '\n' ' ')
  fi
  python3 ci/screenshot_check.py "$shot" "$drawings" | sed "s/^/$name: /" ||
    fail "$name: a drawing is blank in $shot"
  echo "$name: $(stat -c %s "$page") bytes, ready after $load ms, km $visible"
}

check builtin "$work/builtin.html" "#km=40-60" "40.000-60.000"
# Without a fragment, the whole line: to its end, or to an element beyond it.
check builtin-whole "$work/builtin.html" "" "0.000-162.*"
check gen1000 "$work/gen1000.html" "#km=500-503.5" "500.000-503.500"
check gen1000-whole "$work/gen1000.html" "" "0.000-100[0-9].*"
check noplan "$work/noplan.html" "#km=12-20" "12.000-20.000"
# The interactions, driven in the browser by ci/view_interaction.js appended
# to a copy of the built-in page.
python3 - "$work/builtin.html" ci/view_interaction.js "$work/interaction.html" <<'PY'
import sys
page = open(sys.argv[1], encoding="utf-8").read()
driver = open(sys.argv[2], encoding="utf-8").read()
at = page.rindex("</body>")
open(sys.argv[3], "w", encoding="utf-8").write(page[:at] + "<script>" + driver + "</script>\n" + page[at:])
PY
browse "$work/interaction.log" "file://$work/interaction.html#km=0-20" --dump-dom >"$work/interaction.dom.html"
attribute "$work/interaction.dom.html" data-interaction >"$work/interaction.json"
attribute "$work/interaction.dom.html" data-errors >"$work/interaction.errors"
[ ! -s "$work/interaction.errors" ] || [ "$(cat "$work/interaction.errors")" = "" ] ||
  fail "interaction: the page recorded errors: $(cat "$work/interaction.errors")"
python3 - "$work/interaction.json" <<'PY' || fail "interaction: see above"
import json, sys
r = json.load(open(sys.argv[1]))
def km(text):
    a, b = (float(v) for v in text.split("-"))
    return a, b
problems = []
def expect(ok, what):
    if not ok:
        problems.append(what)
expect("exception" not in r, "the driver failed: %s" % r.get("exception"))
expect(r.get("notFound", "").startswith("No station named"), "an unknown name is not said: %r" % r.get("notFound"))
a, b = km(r["search"])
expect(a < 110.7 < b and "CASCINE ROSSE" in r["searchResult"], "the search does not go to CASCINE ROSSE: %r" % r)
za, zb = km(r["zoomIn"])
expect(abs((zb - za) - (b - a) / 2) < 1e-3, "zoom in does not halve the stretch")
wa, wb = km(r["wheel"])
expect(wb - wa > zb - za, "the wheel does not zoom out")
ka, kb = km(r["key"])
expect(ka > wa and abs((kb - ka) - (wb - wa)) < 1e-3, "the arrow key does not move along the line")
expect(r.get("signal") and "km " in r["signal"] and "sx" in r["signal"] and "speed" in r["signal"],
       "no signal's tooltip with its kilometre and values: %r" % r.get("signal"))
expect(r.get("graph") and "km/h" in r["graph"] and "\u2030" in r["graph"], "no values over the profile: %r" % r.get("graph"))
fa, fb = km(r["final"])
expect(r.get("hash") == "#km=%s-%s" % (("%.3f" % fa).rstrip("0").rstrip("."), ("%.3f" % fb).rstrip("0").rstrip(".")),
       "the address does not follow the stretch: %r, %r" % (r.get("hash"), r.get("final")))
for p in problems:
    print("interaction: " + p)
print("interaction: " + json.dumps(r, ensure_ascii=False)[:400])
sys.exit(1 if problems else 0)
PY

echo "route file of 1000 km: $(stat -c %s "$work/gen1000/GEN1000_9000.dat") bytes;" \
  "its track plan: $(stat -c %s "$work/gen1000/GEN1000_linea.dat") bytes"

if [ "$failures" -gt 0 ]; then
  echo "view check: $failures failures" >&2
  exit 1
fi
echo "view: the pages load in Chromium with no error, draw, and open on the stretch their address names"
