#!/usr/bin/env bash
# Takes a screenshot of the window showing the simulated handheld's Shift-JIS
# answer after "Output Format > SHIFTJIS_CHARSET", on a virtual display.
#   screenshot-shiftjis.sh [OUTPUT.png]   (default docs/shiftjis.png)
# The window test that checks this case drives the window and keeps the
# picture (JUXA_SHOT); the program itself has no switch for it.
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-docs/shiftjis.png}")
mkdir -p "$(dirname "$out")"
if [ ! -f build-run/CMakeCache.txt ]; then
  cmake -S . -B build-run -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build build-run -j"$(nproc)" --target juxa_win32_tests >/dev/null
env=$PWD/scripts/wine-env
dir=$PWD/build-run/shot-shiftjis
bmp=$dir/shiftjis.bmp
unset DISPLAY
"$env" setup "$dir" >/dev/null
rm -f "$bmp"
rc=0
JUXA_SHOT="Z:${bmp//\//\\}" "$env" run "$dir" "$PWD/build-run/juxa_win32_tests.exe" \
  --gtest_filter='MainWindowTest.ShiftJisBytesReadAsJapaneseInTheShiftJisFontOnly' >"$dir/test.log" || rc=$?
"$env" cleanup "$dir"
if [ $rc -ne 0 ] || [ ! -f "$bmp" ]; then
  cat "$dir/test.log"
  exit 1
fi
convert "$bmp" "$out"
echo "$out"
