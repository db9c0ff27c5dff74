#!/usr/bin/env bash
# Builds the release of the checked-out commit: juxa.exe for 64-bit and for
# 32-bit Windows in Release, each built a second time from a copy of the
# sources at another path and compared byte for byte (the script stops on a
# difference), then
#   dist/juxa-VERSION-win64.zip, dist/juxa-VERSION-win32.zip
#     (each: juxa.exe and README.txt; the demo build juxa-sim.exe is in neither)
#   dist/SHA256SUMS
# The zips are reproducible too: their entries come in a fixed order, with
# fixed modes and the commit's time as their date.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps
root=$PWD
version=$(sed -n 's/^project(Juxa VERSION \([0-9]*\.[0-9]*\.[0-9]*\).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || { echo "no version in CMakeLists.txt" >&2; exit 1; }
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  SOURCE_DATE_EPOCH=$(git log -1 --format=%ct 2>/dev/null) ||
    { echo "not a git checkout: set SOURCE_DATE_EPOCH to the commit's time" >&2; exit 1; }
fi
export SOURCE_DATE_EPOCH
if [ -n "$(git status --porcelain --untracked-files=no 2>/dev/null)" ]; then
  echo "note: the work tree has uncommitted changes; these zips are not those of the commit"
fi

out=$root/build-release
dist=$root/dist
rm -rf "$out"
mkdir -p "$out" "$dist"
rm -f "$dist"/juxa-*.zip "$dist/SHA256SUMS"

for arch in x86_64 i686; do
  case $arch in x86_64) width=win64 magic=PE32+ ;; i686) width=win32 magic=PE32 ;; esac
  echo "== juxa.exe for $arch"
  cmake -S . -B "$out/$arch" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-$arch.cmake" \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$out/$arch" -j"$(nproc)" --target juxa >/dev/null
  exe=$out/$arch/juxa.exe
  headers=$(x86_64-w64-mingw32-objdump -p "$exe")
  [[ $headers == *"($magic)"* ]] || { echo "$exe is not a $magic image" >&2; exit 1; }
  bash scripts/pe-load-config check "$exe"
  bash scripts/check-reproducible "$arch" "$exe" "$out/check-$arch" | sed 's/^/  /'

  stage=$out/zip-$width
  mkdir -p "$stage"
  cp "$exe" "$stage/juxa.exe"
  # Notepad of older Windows shows a text with bare LF line ends on one line.
  sed -e "s/@VERSION@/$version/g" -e 's/$/\r/' docs/README-windows.txt >"$stage/README.txt"
  chmod 0644 "$stage/juxa.exe" "$stage/README.txt"
  touch -d "@$SOURCE_DATE_EPOCH" "$stage/juxa.exe" "$stage/README.txt"
  # -X: no owner or extra time fields; zip writes each file's time as local
  # time, so the zone is fixed.
  zip=$dist/juxa-$version-$width.zip
  (cd "$stage" && TZ=UTC0 zip -X -D -9 -q "$zip" juxa.exe README.txt)
done

(cd "$dist" && sha256sum "juxa-$version-win64.zip" "juxa-$version-win32.zip" >SHA256SUMS)
echo "== dist/SHA256SUMS"
cat "$dist/SHA256SUMS"
echo "juxa.exe inside the zips:"
for arch in x86_64 i686; do
  echo "  $(sha256sum <"$out/$arch/juxa.exe" | cut -d' ' -f1)  juxa.exe ($arch)"
done
