#!/usr/bin/env bash
# Installs the Debian 12 packages Trivane needs, when any is missing. Idempotent and quiet; needs
# root (or sudo) only when something must be installed.
#
#   scripts/deps.sh build   what building the command line and running the demo need
#   scripts/deps.sh test    that and everything the test suite needs (the default): the test
#                           tools, clang for fuzzing, MinGW-w64 and Wine for the Windows stage,
#                           the DXF corpus, the PDF tools and the locales the tests use
#
# Packages come by name from the archives the machine's apt is already set up with.
set -euo pipefail

what=${1:-test}
case "$what" in
  build | test) ;;
  *)
    echo "usage: $0 [build|test]" >&2
    exit 2
    ;;
esac

# One package a line, so that lists changed on two branches merge cleanly.
build_packages=(
  cmake
  ninja-build
  g++
  pkg-config
  libcli11-dev
  # The PNG picture and the PDF print: librsvg renders the SVG onto cairo's surfaces, with
  # Japanese glyphs from the IPA fonts.
  librsvg2-dev
  libcairo2-dev
  fonts-ipafont-gothic
)

test_packages=(
  clang-format
  locales
  libgtest-dev
  libbenchmark-dev
  # The DXF checks against another reader.
  python3
  python3-ezdxf
  # The DXF corpus the reader is tested on (LibreCAD's parts library and patterns).
  librecad-data
  # The PDF print's checks (pdfinfo, pdftotext, pdffonts; pdftoppm for the README's picture).
  poppler-utils
  # The clang build and the fuzz targets (libFuzzer is in clang's runtime package).
  clang
  libclang-rt-14-dev
  # The Windows build, and its tests under Wine on a virtual X display, with Japanese fonts.
  g++-mingw-w64-x86-64-posix
  wine
  wine64
  fonts-wine
  xvfb
  xauth
  imagemagick
)

packages=("${build_packages[@]}")
if [ "$what" = test ]; then
  packages+=("${test_packages[@]}")
fi

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
export DEBIAN_FRONTEND=noninteractive

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Locales the tests use: Japanese (Wine runs the Windows tests on a Japanese system, file names
# included) and German (number parsing must ignore a locale's decimal comma).
if [ "$what" = test ]; then
  for loc in ja_JP de_DE; do
    if ! locale -a 2>/dev/null | grep -qix "$loc.utf8"; then
      "${sudo_cmd[@]}" localedef -i "$loc" -f UTF-8 "$loc.UTF-8"
    fi
  done
fi
