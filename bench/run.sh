#!/usr/bin/env bash
# Benchmarks, each against a floor measured in the same run; prints ratios.
#   bash bench/run.sh [RUNS]    (RUNS: start-up runs per program, default 9)
# Builds its own trees (build-bench-*), runs the Windows side under Wine on a
# virtual display of its own, and the device layer natively.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-9}
bash scripts/install-deps >/dev/null 2>&1
win=$PWD/build-bench-win
native=$PWD/build-bench-native
# Configured once: CMake warns when a toolchain file is given again to a tree
# that has one.
[ -f "$win/CMakeCache.txt" ] ||
  cmake -S . -B "$win" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$win" -j"$(nproc)" --target juxa juxa-sim bench_floor bench_floor_libraries bench_floor_controls bench_launch juxa_bench_display >/dev/null
cmake -S . -B "$native" -DJUXA_WINDOWS=OFF -DJUXA_SANITIZE=OFF -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$native" -j"$(nproc)" --target juxa_bench_device >/dev/null

env=$PWD/scripts/wine-env
dir=$win/wine
unset DISPLAY
# Every Wine program and the wine server share one CPU. Each window call is a
# round trip to the server, and on a virtual machine a round trip between two
# CPUs waits for the other one to wake: the same start-up took 40 ms or 250 ms
# by where the scheduler put the two. On one CPU the figures are the
# program's own and stay within a few per cent from run to run.
pin() { taskset -c 0 "$@"; }
"$env" cleanup "$dir" >/dev/null 2>&1 || true
pin "$env" setup "$dir" >/dev/null
trap '"$env" cleanup "$dir"' EXIT
wine() { pin "$env" run "$dir" "$@" | tr -d '\r'; }

median() { sort -g | awk '{v[NR]=$1} END {print v[int((NR+1)/2)]}'; }

echo "== start-up: process start to the main window shown and idle (median of $runs runs) =="
wine "$win/bench_launch.exe" startup 1 "$win/bench_floor.exe" >/dev/null # warm the caches
wine "$win/bench_launch.exe" startup 1 "$win/juxa-sim.exe" >/dev/null
wine "$win/bench_launch.exe" startup 1 "$win/bench_floor_libraries.exe" >/dev/null
wine "$win/bench_launch.exe" startup 1 "$win/bench_floor_controls.exe" >/dev/null
# The four take turns, one start each, the order turning round every round:
# this machine's speed drifts by a tenth within a minute, and nine starts of
# one program after nine of another would measure the drift as well.
times=$(wine "$win/bench_launch.exe" startup "$runs" "$win/bench_floor.exe" "$win/juxa-sim.exe" \
  "$win/bench_floor_libraries.exe" "$win/bench_floor_controls.exe")
of() { awk -v p="$1" '$1 == p {print $2}' <<<"$times" | median; }
floor=$(of 0)
juxa=$(of 1)
libs=$(of 2)
ctls=$(of 3)
awk -v j="$juxa" -v f="$floor" -v l="$libs" -v c="$ctls" 'BEGIN {
  printf "  juxa-sim.exe %.1f ms, floor (one empty window) %.1f ms: %.2fx (target 1.3x)\n", j, f, j / f
  printf "  what bounds it: the empty window with the platform libraries juxa needs (common controls 6, rich edit) %.1f ms (%.2fx the floor);\n", l, l / f
  printf "    with the same controls as well (plain classes, nothing set in them) %.1f ms (%.2fx the floor); juxa is %.2fx of that\n", c, c / f, j / c
}'

echo "== result display =="
wine "$win/juxa_bench_display.exe" | sed 's/^/  /'
echo "  (targets: 65536 bytes at most 1.5x the floor; per-byte cost at 65536 within 1.5x of that at 4096)"

echo "== device layer, natively, simulated handheld =="
"$native/juxa_bench_device" | sed 's/^/  /'

echo "== executable =="
for exe in juxa.exe juxa-sim.exe; do
  size=$(stat -c %s "$win/$exe")
  dlls=$(x86_64-w64-mingw32-objdump -p "$win/$exe" | awk '/DLL Name:/ {print $3}' | sort -u | tr '\n' ' ')
  awk -v e="$exe" -v s="$size" -v d="$dlls" 'BEGIN {printf "  %s: %d bytes (%.2f MB; target under 1 MB); imports: %s\n", e, s, s / 1048576, d}'
done
system="KERNEL32.dll USER32.dll GDI32.dll COMCTL32.dll msvcrt.dll ADVAPI32.dll SHELL32.dll ole32.dll api-ms-win-crt"
for dll in $(x86_64-w64-mingw32-objdump -p "$win/juxa.exe" | awk '/DLL Name:/ {print $3}'); do
  case " $system " in *" $dll "*) ;; *) echo "  NOT A SYSTEM DLL: $dll" ;; esac
done

echo "== memory (Wine reports no private bytes of its own; its page-file figure stands for them) =="
read -r fp fpeak < <(wine "$win/bench_launch.exe" memory "$win/bench_floor.exe")
read -r jp jpeak < <(wine "$win/bench_launch.exe" memory "$win/juxa-sim.exe" send)
read -r cp cpeak < <(wine "$win/bench_launch.exe" memory "$win/bench_floor_controls.exe" fill)
awk -v fk="$fpeak" -v jk="$jpeak" -v ck="$cpeak" 'BEGIN {
  printf "  floor (one empty window): peak private %.1f MB\n", fk / 1048576
  printf "  juxa-sim.exe after a 65536-byte result: peak private %.1f MB: %.2fx the floor\n", jk / 1048576, jk / fk
  printf "  what bounds it: the plain controls with the same dump put into their rich edit by one call: %.1f MB (juxa %.2fx of that)\n", ck / 1048576, jk / ck
}'
