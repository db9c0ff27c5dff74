#!/usr/bin/env bash
# Takes a screenshot of the demo window on a virtual display.
#   screenshot.sh [OUTPUT.png]   (default docs/screenshot.png)
# Expects the Windows build in build-run (scripts/run.sh makes it).
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-docs/screenshot.png}
mkdir -p "$(dirname "$out")"
if [ ! -f build-run/juxa-sim.exe ]; then
  cmake -S . -B build-run -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build build-run -j"$(nproc)" --target juxa-sim
fi
env=$PWD/scripts/wine-env
dir=$PWD/build-run/shot
unset DISPLAY
"$env" setup "$dir" >/dev/null
"$env" run "$dir" "$PWD/build-run/juxa-sim.exe" &
pid=$!
export DISPLAY=$(cat "$dir/display")
id=""
for _ in $(seq 150); do
  id=$(xwininfo -root -tree 2>/dev/null | awk '/"Juxa for Windows by Orrinvale - Version 0.5 BETA"/ {print $1; exit}')
  [ -n "$id" ] && break
  sleep 0.2
done
sleep 1.5
if [ -n "$id" ]; then
  import -window root -crop "$(xwininfo -id "$id" | awk '/Width:/ {w=$2} /Height:/ {h=$2} /Absolute upper-left X:/ {x=$4} /Absolute upper-left Y:/ {y=$4} END {print w "x" h "+" x "+" y}')" +repage "$out"
else
  import -window root "$out"
fi
"$env" cleanup "$dir"
wait $pid 2>/dev/null || true
echo "$out"
