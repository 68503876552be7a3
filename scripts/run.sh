#!/usr/bin/env bash
# Builds the workbench, its picture converter gfview and its file converter tivor-export, and
# starts it in run/, a working directory holding the help files and the sample data files (one
# sub-directory per class code, as the program expects). Arguments go to tivor.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh"
cmake -S "$top" -B "$top/build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTIVOR_TESTS=OFF >/dev/null
cmake --build "$top/build" --target tivor gfview tivor-export
work="$top/run"
mkdir -p "$work"/{buf,images,lbr,hlp}
cp -f "$top"/hlp/*.hlp "$work/hlp/"
# Samples are copied without overwriting files the user has edited since.
for dir in "$top"/examples/*/; do
  [ -d "$dir" ] || continue
  mkdir -p "$work/$(basename "$dir")"
  cp -n "$dir"* "$work/$(basename "$dir")/" 2>/dev/null || true
done
exec "$top/build/app/tivor" --workdir "$work" "$@"
