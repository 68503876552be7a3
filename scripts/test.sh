#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer and runs every test.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh"
cmake -S "$top" -B "$top/build-test" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTIVOR_SANITIZE=ON >/dev/null
cmake --build "$top/build-test" -j "$(nproc)"
# The optimised program too: the run command must keep building without warnings.
cmake -S "$top" -B "$top/build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTIVOR_TESTS=OFF >/dev/null
cmake --build "$top/build" --target tivor gfview tivor-export -j "$(nproc)"
cd "$top/build-test"
ctest --output-on-failure -j "$(nproc)" --timeout 300
# The fuzz targets built with clang, each run for a short fixed number of inputs.
if [ "${TIVOR_SKIP_FUZZ:-0}" != 1 ]; then "$top/scripts/fuzz.sh"; fi
# Last, the README followed in a fresh clone of the committed tree.
if [ "${TIVOR_SKIP_FRESH_CLONE:-0}" != 1 ]; then "$top/tests/e2e/fresh_clone.sh"; fi
