#!/usr/bin/env bash
# Takes a screenshot of the demo window on a virtual display, once it shows
# the simulated handheld's answer to the INQUIRY preset in both output fields,
# or (with "format") while the window waits for the simulated format, its
# progress window in front.
#   screenshot.sh [OUTPUT.png [inquiry|format]]   (default docs/screenshot.png inquiry)
# The program itself takes no command line: juxa_remote.exe, run beside it
# in the same Wine prefix, presses "Send SCSI Query", checks the answer and
# names the program's X window. The display is always one of this script's
# own, whatever DISPLAY the caller has.
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-docs/screenshot.png}")
what=${2:-inquiry}
case "$what" in inquiry | format) ;; *) echo "usage: screenshot.sh [OUTPUT.png [inquiry|format]]" >&2; exit 2 ;; esac
mkdir -p "$(dirname "$out")"
if [ ! -f build-run/CMakeCache.txt ]; then
  cmake -S . -B build-run -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build build-run -j"$(nproc)" --target juxa-sim juxa_remote >/dev/null
env=$PWD/scripts/wine-env
dir=$PWD/build-run/shot
sim=$PWD/build-run/juxa-sim.exe
unset DISPLAY
"$env" setup "$dir" >/dev/null
trap '"$env" cleanup "$dir"' EXIT
if ! "$env" run "$dir" "$PWD/build-run/juxa_remote.exe" "$what" "Z:${sim//\//\\}" >"$dir/remote.log" 2>&1; then
  cat "$dir/remote.log" >&2
  exit 1
fi
# The window of the program that juxa_remote started, by its X window id:
# a window found by its title could be another program's.
id=$(sed -n 's/^X window: \(0x[0-9a-f]*\)\r\?$/\1/p' "$dir/remote.log")
if [ -z "$id" ]; then
  cat "$dir/remote.log" >&2
  echo "screenshot: juxa_remote did not say which X window the program has" >&2
  exit 1
fi
DISPLAY=$(cat "$dir/display")
export DISPLAY
geometry=$(xwininfo -id "$id" | awk '/Width:/ {w=$2} /Height:/ {h=$2} /Absolute upper-left X:/ {x=$4} /Absolute upper-left Y:/ {y=$4} END {print w "x" h "+" x "+" y}')
# The answer is in the fields once the click returns; give the window a
# moment to draw it. The simulated format lasts three seconds, and the
# progress window came up after one: it is taken at once.
if [ "$what" = inquiry ]; then sleep 1; else sleep 0.2; fi
import -window root -crop "$geometry" +repage "$out"
echo "$out"
