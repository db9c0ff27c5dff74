#!/usr/bin/env bash
# Installs what is needed, builds everything (native core under sanitizers,
# the 64-bit and 32-bit Windows programs) and runs every test with one ctest.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps
cmake -S . -B build -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build -j"$(nproc)"
ctest --test-dir build --output-on-failure
