#!/usr/bin/env bash
# A fresh clone of the committed tree, followed as its README says: scripts/run.sh builds the
# programs and starts the workbench (its window on SDL's dummy driver, the README's first task
# typed by fresh_clone.keys), then the README's export commands run exactly as they stand, and
# the files they write are checked by what they hold.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
git clone --quiet "$top" "$tmp/tivor"
cd "$tmp/tivor"

SDL_VIDEODRIVER=dummy scripts/run.sh --keys "$here/fresh_clone.keys"

sed -n '/^<!-- export commands/,/^<!-- end of export commands/p' README.md | sed -n 's/^    //p' \
  >"$tmp/commands"
[ "$(wc -l <"$tmp/commands")" -eq 5 ] || { echo "fresh clone: the README lists no export commands"; exit 1; }
while IFS= read -r command; do
  echo "+ $command"
  bash -c "$command" </dev/null
done <"$tmp/commands"

# Debian's own python, which has VTK's reader, even where another python3 comes first in PATH.
python=python3
[ -x /usr/bin/python3 ] && python=/usr/bin/python3
"$python" - "$here/../export/read_back.py" <<'PY'
import struct, subprocess, sys
def png_size(path):
    head = open(path, "rb").read(24)
    assert head[:8] == b"\x89PNG\r\n\x1a\n", path + " is not a PNG"
    return struct.unpack(">II", head[16:24])
# --crop keeps the page of the 1024 by 768 picture only.
width, height = png_size("square.png")
assert 0 < width < 1024 and 0 < height < 768, (width, height)
def gif_frames(path):
    data = open(path, "rb").read()
    assert data[:6] in (b"GIF87a", b"GIF89a"), path + " is not a GIF"
    at, frames = 13 + (3 << ((data[10] & 7) + 1) if data[10] & 0x80 else 0), 0
    while data[at] != 0x3B:
        if data[at] == 0x2C:
            frames += 1
            flags = data[at + 9]
            at += 10 + (3 << ((flags & 7) + 1) if flags & 0x80 else 0) + 1
        else:
            at += 2
        while data[at]:
            at += data[at] + 1
        at += 1
    return frames
assert gif_frames("film.gif") == 10, gif_frames("film.gif")
svg = open("square.svg").read()
assert "<svg" in svg and "<polygon" in svg, "square.svg holds no polygons"
msh = open("square.msh").read()
assert msh.startswith("$MeshFormat\n4.1") and "$PhysicalNames" in msh, "square.msh"
for name, expected in (("square.vtu", ("points 289", "point:conc1")), ("square.msh", ())):
    read = subprocess.run([sys.executable, sys.argv[1], name], capture_output=True, text=True)
    if read.returncode == 77:
        print("fresh clone: " + read.stdout.strip() + "; " + name + " not read back")
        continue
    assert read.returncode == 0, name + ": " + read.stdout + read.stderr
    for text in expected:
        assert text in read.stdout, name + ": no " + text
print("fresh clone: README commands and export commands passed")
PY
