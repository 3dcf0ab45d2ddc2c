#!/usr/bin/env bash
# GEOS for the MinGW-w64 cross build. Debian ships GEOS built for Linux only, so the Windows build
# compiles Debian's own source package of it (the same version as libgeos-dev) once, as a static
# library, into <prefix> (default build/mingw-deps/geos). A later run with the same version does
# nothing. Needs a deb-src entry for Debian's archive, which scripts/deps.sh adds.
#
#   scripts/mingw-geos.sh [prefix]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
prefix=$(realpath -m "${1:-build/mingw-deps/geos}")
jobs=$(nproc 2>/dev/null || echo 2)

version=$(dpkg-query -W -f='${source:Version}' libgeos-dev)
stamp="$prefix/.built-from-geos-$version"
if [ -f "$stamp" ]; then
  exit 0
fi

work=$(realpath -m "$prefix/../geos-build")
rm -rf "$work" "$prefix"
mkdir -p "$work"
echo "   GEOS $version for MinGW-w64: fetching Debian's source package"
(cd "$work" && apt-get source --download-only -qq "geos=$version" >/dev/null 2>&1) || {
  echo "cannot fetch the source package geos=$version (is a deb-src entry configured?)" >&2
  exit 1
}
tarball=$(ls "$work"/geos_*.orig.tar.*)
mkdir -p "$work/src"
tar -xf "$tarball" -C "$work/src" --strip-components=1

echo "   GEOS $version for MinGW-w64: building (a static library, once)"
start=$SECONDS
cmake -S "$work/src" -B "$work/build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DBUILD_SHARED_LIBS=OFF -DBUILD_TESTING=OFF -DBUILD_BENCHMARKS=OFF \
  -DBUILD_DOCUMENTATION=OFF -DBUILD_GEOSOP=OFF >"$work/configure.log" 2>&1 || {
  tail -20 "$work/configure.log" >&2
  exit 1
}
cmake --build "$work/build" -j "$jobs" >"$work/build.log" 2>&1 || {
  tail -40 "$work/build.log" >&2
  exit 1
}
cmake --install "$work/build" >/dev/null
rm -rf "$work"
touch "$stamp"
echo "   GEOS built in $((SECONDS - start)) s"
