#!/usr/bin/env bash
# Installs the Debian 12 packages the build and the tests need, when any is missing.
# Idempotent and quiet; needs root (or sudo) only when something must be installed.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config clang-format locales
  libgtest-dev libbenchmark-dev
  libcli11-dev
  python3 python3-ezdxf
  librsvg2-dev libcairo2-dev fonts-ipafont-gothic
  # The DXF corpus the reader is tested on (LibreCAD's parts library and patterns).
  librecad-data
  # The PDF print's checks (pdfinfo, pdftotext, pdffonts; pdftoppm for the README's picture).
  poppler-utils
  g++-mingw-w64-x86-64-posix
  # The Windows build's tests under Wine, on a virtual X display, with Japanese fonts.
  wine wine64 fonts-wine xvfb xauth imagemagick fonts-ipafont-gothic
)

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
for loc in ja_JP de_DE; do
  if ! locale -a 2>/dev/null | grep -qix "$loc.utf8"; then
    "${sudo_cmd[@]}" localedef -i "$loc" -f UTF-8 "$loc.UTF-8"
  fi
done
