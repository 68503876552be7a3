#!/usr/bin/env bash
# Builds the fuzz targets with clang in build-fuzz (libFuzzer with AddressSanitizer and
# UndefinedBehaviorSanitizer, optimised lightly so that the runs are quick; only the targets and
# the libraries they use) and runs each for a fixed number of inputs grown from its saved corpus
# with a fixed seed, so that every run tries the same inputs, as many targets at a time as there
# are processors. The inputs found go to a scratch folder; a crashing one is kept in
# build-fuzz/crashes/. TIVOR_FUZZ_RUNS sets the number of inputs per target.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build="$top/build-fuzz"
runs=${TIVOR_FUZZ_RUNS:-500}
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=Debug "-DCMAKE_CXX_FLAGS_DEBUG=-O1 -gline-tables-only" \
  -DTIVOR_SANITIZE=ON -DTIVOR_FUZZ=ON -DTIVOR_TESTS=OFF >/dev/null
cmake --build "$build" --target fuzz -j "$(nproc)"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$build/crashes"

# One target in its own folder (the generators write their scratch files into the working
# directory); its output goes to a log that is shown when it fails.
run() {
  local name=$1 start=$SECONDS
  mkdir -p "$scratch/$name/found"
  cd "$scratch/$name"
  if ! "$build/tests/fuzz/fuzz_$name" -runs="$runs" -seed=1 -timeout=60 -rss_limit_mb=4096 \
    -artifact_prefix="$build/crashes/$name-" found "$top/tests/fuzz/corpus/$name" >log 2>&1; then
    tail -n 60 log
    echo "fuzz_$name failed; the input is in $build/crashes/"
    return 1
  fi
  echo "fuzz_$name: $runs runs in $((SECONDS - start)) s"
}

export -f run
export top build scratch runs
find "$top/tests/fuzz/corpus" -mindepth 1 -maxdepth 1 -type d -printf '%f\n' | sort |
  xargs -P "$(nproc)" -I{} bash -c 'run {}'
