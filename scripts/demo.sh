#!/usr/bin/env bash
# The main job on a fresh Debian 12 machine: installs what is missing, builds the command line in
# Release (build/release) and runs the demo, which splits and numbers a sample parcel, builds its
# area table and writes demo-out/demo.dxf and demo-out/demo.svg (and demo.png).
# An argument names another folder for the demo's files.
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-demo-out}
jobs=$(nproc 2>/dev/null || echo 2)

bash scripts/deps.sh build
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DTRIVANE_TESTS=OFF >/dev/null
cmake --build build/release -j "$jobs" --target trivane
build/release/cli/trivane demo --out "$out"
