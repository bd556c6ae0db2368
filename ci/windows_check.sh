#!/usr/bin/env bash
# The Windows check. Cross-builds scenario-builder.exe (windowed) and
# scenario-builder.com (its console companion) with MinGW-w64 and packs them
# into the Windows zip; runs both from the zip under Wine inside a virtual X
# display from directories whose names have accented letters, and requires
# every file the one-shot runs leave to be byte for byte the file that the
# Linux build leaves; runs the authors' tools from a batch file under Wine's
# cmd, with their output sent to files and a pipe, and checks the output and
# the exit statuses against the Linux program's; then takes pictures of the
# waiting window and of the errore message box and checks what they show.
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
command -v x86_64-w64-mingw32-g++-posix >/dev/null || missing+=(g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix)
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

# Warnings are not errors here, whatever an earlier configure of the folder
# left in its cache: MinGW's GCC 12 reports -Wrestrict inside its own
# <string> (char_traits.h) where the native GCC does not.
cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DSCENARIO_BUILDER_TESTS=OFF -DSCENARIO_BUILDER_WERROR=OFF >/dev/null
cmake --build "$build" -j2
exe="$build/bin/scenario-builder.exe"
com="$build/bin/scenario-builder.com"
preview="$build/preview/waiting-window-preview.exe"

# The .exe is a windowed program, the .com a console program.
subsystem() { x86_64-w64-mingw32-objdump -p "$1" | sed -n 's/^Subsystem[[:space:]]*[0-9a-fA-F]*[[:space:]]*//p'; }
[ "$(subsystem "$exe")" = "(Windows GUI)" ] || fail "scenario-builder.exe: subsystem $(subsystem "$exe")"
[ "$(subsystem "$com")" = "(Windows CUI)" ] || fail "scenario-builder.com: subsystem $(subsystem "$com")"
say "subsystems: scenario-builder.exe $(subsystem "$exe"), scenario-builder.com $(subsystem "$com")"

# Statically linked: nothing but the system's own libraries is imported.
for f in "$exe" "$com" "$preview"; do
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

# --- The Windows zip ---------------------------------------------------------------

rm -f "$build"/scenario-builder-*-windows-x86_64.zip
(cd "$build" && cpack -G ZIP >"$work/cpack.log") || fail "cpack: $(cat "$work/cpack.log")"
zip=$(ls "$build"/scenario-builder-*-windows-x86_64.zip)
top=$(basename "$zip" .zip)
mkdir -p "$work/zip"
(cd "$work/zip" && cmake -E tar xf "$zip")
shipped=("scenario-builder.exe" "scenario-builder.com" "README.md")
while IFS= read -r f; do shipped+=("docs/$f"); done < <(cd "$root/docs" && find . -type f -printf '%P\n')
for f in "${shipped[@]}"; do
  [ -f "$work/zip/$top/$f" ] || fail "$(basename "$zip") lacks $f"
done
say "$(basename "$zip"): $(cd "$work/zip/$top" && find . -type f | wc -l) files, the .exe, the .com and the docs"
# From here on, the programs as they are shipped.
exe="$work/zip/$top/scenario-builder.exe"
com="$work/zip/$top/scenario-builder.com"

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

# --- The console program -----------------------------------------------------------

# Its one-shot run leaves the same files, and writes nothing to standard
# output; "Attendere" is for a console only, and standard error here is a file.
console_dir=$(printf '%b' "$work/console/Linea \xc3\xa8 citt\xc3\xa0")
mkdir -p "$console_dir"
cp "$com" "$console_dir/"
console_rc=0
(cd "$work" && timeout 120 "$wine" "$console_dir/scenario-builder.com" >"$work/console.out" 2>"$work/console.err") ||
  console_rc=$?
[ "$console_rc" -eq "$linux_rc" ] ||
  fail "scenario-builder.com: exit status $console_rc under Wine, $linux_rc on Linux"
[ ! -s "$work/console.out" ] || fail "scenario-builder.com wrote to standard output: $(cat "$work/console.out")"
! grep -q Attendere "$work/console.err" || fail "scenario-builder.com wrote Attendere to a file"
compare "$linux_dir" "$console_dir" "scenario-builder.com one-shot run"

# A file it cannot write is reported on standard error, with no message box,
# and the run ends with status 4: a directory stands where the track plan goes.
failure_dir="$work/console-failure"
mkdir -p "$failure_dir/BORGOLUCE_linea.dat"
cp "$com" "$failure_dir/"
failure_rc=0
(cd "$work" && timeout 60 "$wine" "$failure_dir/scenario-builder.com" >/dev/null 2>"$work/failure.err") ||
  failure_rc=$?
[ "$failure_rc" -eq 4 ] || fail "scenario-builder.com with an unwritable file: status $failure_rc, not 4 (124: it waited)"
grep -q '^scenario-builder: .*BORGOLUCE_linea\.dat' "$work/failure.err" ||
  fail "scenario-builder.com did not report the file on standard error: $(cat "$work/failure.err")"
say "scenario-builder.com: a file that cannot be written: status 4, on standard error: $(tr -d '\r' <"$work/failure.err")"

# --- The tools from cmd ----------------------------------------------------------------

# The Linux program gives the expected output: the built-in sources, a clean
# compile and a compile of a source with an error (a `segnale` row without
# its last field).
expected="$work/tools-linux"
mkdir -p "$expected"
(
  cd "$expected"
  "$linux_exe" sources -o src >sources.txt 2>&1
  mkdir -p bad
  cp src/* bad/
  sed -i '0,/^segnale/{/^segnale/s/,[^,\r]*\(\r\?\)$/\1/}' bad/BORGOLUCE_5127-.txt
  rc=0
  "$linux_exe" compile src/BORGOLUCE_linea.txt src/BORGOLUCE_5127-.txt -o out >clean.txt 2>&1 || rc=$?
  echo "clean=$rc" >status.txt
  rc=0
  "$linux_exe" compile bad/BORGOLUCE_linea.txt bad/BORGOLUCE_5127-.txt -o outbad >error.txt 2>&1 || rc=$?
  echo "error=$rc" >>status.txt
)
grep -qx 'clean=0' "$expected/status.txt" || fail "the Linux compile of the built-in sources failed"
grep -qx 'error=1' "$expected/status.txt" || fail "the Linux compile of the source with an error did not give 1"
grep -q 'error' "$expected/error.txt" || fail "the Linux compile reported no error"

# Both programs side by side, as shipped: `scenario-builder` typed at the
# prompt is the .com, which the command search tries before the .exe.
tools_dir=$(printf '%b' "$work/tools/Linea \xc3\xa8 citt\xc3\xa0")
mkdir -p "$tools_dir/bad"
cp "$exe" "$com" "$tools_dir/"
cp "$expected/bad/"* "$tools_dir/bad/"
cat <<'BATCH' | sed 's/$/\r/' >"$tools_dir/tools.bat"
@echo off
scenario-builder sources -o src > sources.txt 2>&1
echo sources=%ERRORLEVEL% >> status.txt
scenario-builder compile src/BORGOLUCE_linea.txt src/BORGOLUCE_5127-.txt -o out > clean.txt 2>&1
echo clean=%ERRORLEVEL% >> status.txt
scenario-builder compile bad/BORGOLUCE_linea.txt bad/BORGOLUCE_5127-.txt -o outbad > error.txt 2>&1
echo error=%ERRORLEVEL% >> status.txt
scenario-builder --version | find "scenario-builder" > piped.txt
echo piped=%ERRORLEVEL% >> status.txt
scenario-builder.exe compile bad/BORGOLUCE_linea.txt bad/BORGOLUCE_5127-.txt -o outbad > exe-error.txt 2>&1
echo exe-error=%ERRORLEVEL% >> status.txt
scenario-builder.exe --version > exe-version.txt
echo exe-version=%ERRORLEVEL% >> status.txt
BATCH
(cd "$tools_dir" && timeout 300 "$wine" cmd /c tools.bat) >"$work/cmd.log" 2>&1 ||
  fail "wine cmd /c tools.bat: $(cat "$work/cmd.log")"
"$wineserver" -w
status=$(tr -d '\r ' <"$tools_dir/status.txt" | tr '\n' ' ')
say "cmd /c tools.bat: $status"
[ "$status" = "sources=0 clean=0 error=1 piped=0 exe-error=1 exe-version=0 " ] ||
  fail "the exit statuses under cmd are $status"
same_text() {  # LINUX_FILE WINDOWS_FILE WHAT: the same text, with CR LF for LF
  diff <(cat "$1") <(tr -d '\r' <"$2") >"$work/text.diff" ||
    fail "$3 differs from the Linux program's:"$'\n'"$(cat "$work/text.diff")"
}
# `sources` and `compile` name the files they wrote as the system writes paths.
same_text <(sed '/^wrote /s|/|\\|g' "$expected/sources.txt") "$tools_dir/sources.txt" "sources output"
same_text <(sed '/^wrote /s|/|\\|g' "$expected/clean.txt") "$tools_dir/clean.txt" "clean compile output"
same_text "$expected/error.txt" "$tools_dir/error.txt" "compile output with an error"
same_text "$expected/error.txt" "$tools_dir/exe-error.txt" "scenario-builder.exe compile output with an error"
version=$("$linux_exe" --version)
[ "$(tr -d '\r' <"$tools_dir/piped.txt")" = "$version" ] || fail "the piped --version is $(cat "$tools_dir/piped.txt")"
[ "$(tr -d '\r' <"$tools_dir/exe-version.txt")" = "$version" ] ||
  fail "scenario-builder.exe --version sent to a file is $(cat "$tools_dir/exe-version.txt")"
for f in src/BORGOLUCE_linea.txt src/BORGOLUCE_5127-.txt \
  out/BORGOLUCE_linea.dat out/BORGOLUCE_5127.sim out/BORGOLUCE_5127.dat; do
  cmp "$expected/$f" "$tools_dir/$f" || fail "cmd: $f differs from the Linux program's"
done
[ ! -e "$tools_dir/outbad" ] || [ -z "$(ls -A "$tools_dir/outbad")" ] || fail "compile with an error wrote files"
say "cmd: sources, compile and the error report byte for byte as on Linux, in files and through a pipe"
say "cmd: $(head -1 "$tools_dir/error.txt" | tr -d '\r')"

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
