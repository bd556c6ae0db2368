#!/usr/bin/env bash
# The Windows check. Cross-builds scenario-builder.exe with MinGW-w64, runs it
# under Wine inside a virtual X display from a directory whose name has
# accented letters, and requires every file it leaves to be byte for byte the
# file that the Linux build leaves; then takes pictures of the waiting window
# and of the errore message box and checks what they show.
#
#   ci/windows_check.sh LINUX_EXECUTABLE     (e.g. build/test/bin/scenario-builder)
#
# Installs what it needs from Debian's packages when it is missing. Exits
# non-zero at the first difference or failed check. The pictures are kept in
# build/win/check/ for a look afterwards.
set -euo pipefail

if [ $# -ne 1 ] || [ ! -x "$1" ]; then
  echo "usage: $0 LINUX_EXECUTABLE" >&2
  exit 2
fi
linux_exe=$(realpath "$1")
cd "$(dirname "$0")/.."
root=$(pwd)
build="$root/build/win"

fail() {
  echo "windows check: FAILED: $*" >&2
  exit 1
}
say() { echo "windows check: $*"; }

# --- Tools -------------------------------------------------------------------

wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver
magick=/usr/bin/convert   # ImageMagick's own, whatever else is on PATH
missing=()
command -v cmake >/dev/null || missing+=(cmake make)
command -v x86_64-w64-mingw32-g++ >/dev/null || missing+=(g++-mingw-w64-x86-64)
[ -x "$wine" ] || missing+=(wine64)
# Wine's own fonts, among them the bitmap "MS Sans Serif" family.
[ -e /usr/share/wine/fonts/sserife.fon ] || missing+=(fonts-wine)
command -v Xvfb >/dev/null || missing+=(xvfb)
command -v xdotool >/dev/null || missing+=(xdotool)
{ [ -x "$magick" ] && [ -x /usr/bin/import ]; } || missing+=(imagemagick)
if [ ${#missing[@]} -gt 0 ]; then
  say "installing ${missing[*]}"
  apt-get update
  DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
fi

# --- Cross build ---------------------------------------------------------------

cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DSCENARIO_BUILDER_TESTS=OFF >/dev/null
cmake --build "$build" -j2
exe="$build/bin/scenario-builder.exe"
preview="$build/preview/waiting-window-preview.exe"

# Statically linked: nothing but the system's own libraries is imported.
for f in "$exe" "$preview"; do
  dlls=$(x86_64-w64-mingw32-objdump -p "$f" | sed -n 's/^\s*DLL Name: //p' | tr '[:upper:]' '[:lower:]' | sort -u)
  for d in $dlls; do
    case "$d" in
      kernel32.dll | user32.dll | gdi32.dll | shell32.dll | msvcrt.dll) ;;
      *) fail "$(basename "$f") needs $d beside it: it is not linked statically" ;;
    esac
  done
done

# --- Wine inside Xvfb ----------------------------------------------------------

work=$(mktemp -d)
xvfb_pid=""
cleanup() {
  if [ -n "${WINEPREFIX:-}" ]; then "$wineserver" -k >/dev/null 2>&1 || true; fi
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 1 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
DISPLAY=":$(tr -d '\n' <"$work/display")"
export DISPLAY

export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
timeout 300 "$wine" wineboot --init >"$work/wineboot.log" 2>&1 || fail "wineboot: $(tail -5 "$work/wineboot.log")"
"$wineserver" -w

# --- The run: the same files as on Linux ----------------------------------------

files_of() { (cd "$1" && find . -type f ! -name 'scenario-builder*' | sort); }

compare() {  # LINUX_DIR WINDOWS_DIR WHAT
  if ! diff <(files_of "$1") <(files_of "$2") >"$work/list.diff"; then
    fail "$3 leaves other files than the Linux run:"$'\n'"$(cat "$work/list.diff")"
  fi
  local n=0
  while IFS= read -r f; do
    cmp "$1/$f" "$2/$f" || fail "$3: $f differs from the Linux run"
    n=$((n + 1))
  done < <(files_of "$1")
  say "$3: $n files, byte for byte the same as on Linux"
}

linux_dir="$work/linux"
mkdir -p "$linux_dir"
cp "$linux_exe" "$linux_dir/scenario-builder"
linux_rc=0
(cd "$work" && "$linux_dir/scenario-builder") || linux_rc=$?

# Accented letters in the directory: the paths must go through the wide API.
windows_dir="$work/windows/Linea \xc3\xa8 citt\xc3\xa0"
windows_dir=$(printf '%b' "$windows_dir")
mkdir -p "$windows_dir"
cp "$exe" "$windows_dir/"
for pass in first second; do
  windows_rc=0
  (cd "$work" && timeout 120 "$wine" "$windows_dir/scenario-builder.exe") || windows_rc=$?
  "$wineserver" -w
  [ "$windows_rc" -eq "$linux_rc" ] ||
    fail "$pass run: exit status $windows_rc under Wine, $linux_rc on Linux"
  # The second run finds the files of the first and must replace them.
  compare "$linux_dir" "$windows_dir" "$pass run"
done

# --- Pictures --------------------------------------------------------------------

shots="$build/check"
rm -rf "$shots"
mkdir -p "$shots"
cp "$preview" "$work/"

wait_for_file() {  # FILE SECONDS
  for _ in $(seq 1 $(($2 * 10))); do [ -s "$1" ] && return 0; sleep 0.1; done
  return 1
}

# Pixels darker than half brightness in the area W x H + X + Y of a picture.
dark_pixels() {  # PICTURE W H X Y [extra convert options]
  local picture=$1 w=$2 h=$3 x=$4 y=$5
  shift 5
  "$magick" "$picture" -crop "${w}x${h}+${x}+${y}" +repage "$@" -colorspace Gray -threshold 50% \
    -negate -format '%[fx:round(mean*w*h)]' info:
}

# The waiting window: Form1 4200 x 2688 twips, Label1 at 960, 960, 2652 x 792.
# Wine's display has 96 dots per inch: 15 twips to a pixel.
(cd "$work" && timeout 120 "$wine" waiting-window-preview.exe 6 geometry.txt) &
preview_pid=$!
wait_for_file "$work/geometry.txt" 60 || fail "the waiting window did not open"
sleep 1
import -window root "$shots/waiting_window.png"
preview_rc=0
wait "$preview_pid" || preview_rc=$?
[ "$preview_rc" -eq 0 ] || fail "the preview ended with status $preview_rc"
read -r _ cl ct cr cb < <(grep '^client' "$work/geometry.txt" | tr -d '\r')
read -r _ ll lt lr lb < <(grep '^label' "$work/geometry.txt" | tr -d '\r')
say "client area $((cr - cl)) x $((cb - ct)) at $cl,$ct; label $((lr - ll)) x $((lb - lt)) at $((ll - cl)),$((lt - ct))"
[ "$((cr - cl))x$((cb - ct))" = "280x179" ] || fail "the client area is not 4200 x 2688 twips"
[ "$((ll - cl)),$((lt - ct)),$((lr - ll))x$((lb - lt))" = "64,64,177x53" ] ||
  fail "the label is not at 960, 960 twips, 2652 x 792 twips"
inside=$(dark_pixels "$shots/waiting_window.png" $((lr - ll)) $((lb - lt)) "$ll" "$lt")
outside=$(dark_pixels "$shots/waiting_window.png" $((cr - cl)) $((cb - ct)) "$cl" "$ct" \
  -fill white -draw "rectangle $((ll - cl)),$((lt - ct)) $((lr - cl - 1)),$((lb - ct - 1))")
say "waiting window: $inside dark pixels inside the label, $outside outside it"
[ "$inside" -ge 100 ] || fail "the label's text is not drawn in the label"
[ "$outside" -eq 0 ] || fail "the window shows dark pixels outside the label"

# errore: a message box with the text only (no icon) and one OK button; after
# OK the program ends with the fatal status.
(cd "$work" && timeout 120 "$wine" waiting-window-preview.exe 1 geometry2.txt errore 1251) &
preview_pid=$!
wait_for_file "$work/geometry2.txt" 60 || fail "the waiting window did not open before errore"
read -r _ cl ct _ < <(grep '^client' "$work/geometry2.txt" | tr -d '\r')
box=""
for _ in $(seq 1 300); do
  for id in $(xdotool search --onlyvisible --name '^scenario-builder$' 2>/dev/null); do
    eval "$(xdotool getwindowgeometry --shell "$id")"
    if [ "$X,$Y" != "$cl,$ct" ]; then box=$id; fi
  done
  [ -n "$box" ] && break
  sleep 0.1
done
[ -n "$box" ] || fail "errore showed no message box"
sleep 1
eval "$(xdotool getwindowgeometry --shell "$box")"
import -window root "$shots/errore.png"
text=$(dark_pixels "$shots/errore.png" "$WIDTH" "$HEIGHT" "$X" "$Y")
colour=$("$magick" "$shots/errore.png" -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage \
  -colorspace HSL -channel G -separate +channel -format '%[fx:round(maxima*100)]' info:)
say "errore box ${WIDTH} x ${HEIGHT}: $text dark pixels, saturation at most $colour%"
[ "$text" -ge 50 ] || fail "the errore message box shows no text"
[ "$colour" -le 10 ] || fail "the errore message box shows a coloured icon"
kill -0 "$preview_pid" 2>/dev/null || fail "the program did not wait for OK"
xdotool key --window "$box" Return 2>/dev/null || true
for _ in $(seq 1 300); do kill -0 "$preview_pid" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$preview_pid" 2>/dev/null; then
  # Some set-ups ignore keys sent to a window; type it into the focus instead.
  xdotool windowfocus "$box" key Return 2>/dev/null || true
fi
preview_rc=0
wait "$preview_pid" || preview_rc=$?
[ "$preview_rc" -eq 3 ] || fail "after OK the program ended with status $preview_rc, not 3"
say "errore: message box closed with OK, program ended with status 3"

say "passed"
