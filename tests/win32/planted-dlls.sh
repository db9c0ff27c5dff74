#!/usr/bin/env bash
# Leaves a library beside a copy of the program under each name that the
# program, or a system library it uses, loads by name; starts the copy, waits
# for its window and closes it. Fails if any planted library ran (each writes
# <name>.dll.ran when loaded), or if the program did not come up and end
# normally with them there. Wine never takes the program's imports from its
# folder, so the load configuration that keeps Windows from doing so is
# checked in the file itself.
#   planted-dlls.sh WINE_DIR PROGRAM.exe PLANTED.dll REMOTE.exe WORK_DIR
# PLANTED.dll must have the program's width: one of the other width would
# only be passed over by the loader and prove nothing.
set -euo pipefail
wine_dir=$1 program=$2 planted=$3 remote=$4 work=$5
env=$(cd "$(dirname "$0")/../../scripts" && pwd)/wine-env

# What Wine's +loaddll shows the program loading up to its idle window, the
# names that the rich edit, the common controls and the window code load on
# Windows, and the core system libraries.
names="msftedit riched20 riched32 comctl32 uxtheme version dwmapi cryptbase
  imm32 msctf usp10 msimg32 textshaping ole32 oleaut32 combase rpcrt4 sechost
  advapi32 shell32 shlwapi shcore ucrtbase msvcrt zlib1 gdi32 user32 win32u
  kernelbase kernel32"

bash "$(dirname "$env")/pe-load-config" check "$program" ||
  { echo "FAIL: the program does not ask for its imports from the system folder only"; exit 1; }

rm -rf "$work"
mkdir -p "$work"
copy=$work/$(basename "$program")
cp "$program" "$copy"
count=0
for name in $names; do
  cp "$planted" "$work/$name.dll"
  count=$((count + 1))
done

rc=0
"$env" run "$wine_dir" "$remote" open "Z:${copy//\//\\}" || rc=$?
ran=$(cd "$work" && ls -- *.ran 2>/dev/null | sed 's/\.ran$//' | tr '\n' ' ' || true)
if [ -n "$ran" ]; then
  echo "FAIL: planted libraries ran in the program: $ran"
  exit 1
fi
if [ $rc -ne 0 ]; then
  echo "FAIL: the program did not come up and end normally beside $count planted libraries"
  exit 1
fi
echo "PASS: none of $count planted libraries ran; the program came up and ended normally"
