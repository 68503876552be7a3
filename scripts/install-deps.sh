#!/usr/bin/env bash
# Installs the Debian packages the build needs, when they are missing, with clang and its
# libFuzzer runtime for the fuzz targets, GNU parallel for the sweeps of batch runs and the
# multigrid library of the implicit solves (with the message-passing library it is built on). The
# readers the export tests use to read files back (VTK's python bindings, gmsh) are installed
# besides, unless TIVOR_NO_READERS is set; the tests skip with a message where a reader is
# missing.
set -euo pipefail
packages=(g++ cmake ninja-build pkg-config libsdl2-dev libpng-dev libgif-dev libgtest-dev
          libbenchmark-dev clang libclang-rt-14-dev parallel libhypre-dev)
[ -n "${TIVOR_NO_READERS:-}" ] || packages+=(python3-vtk9 gmsh)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "installing: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}"
fi
