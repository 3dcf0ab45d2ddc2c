#!/usr/bin/env bash
# Installs the Debian 12 packages Trivane needs, when any is missing. Idempotent and quiet; needs
# root (or sudo) only when something must be installed or added.
#
#   scripts/deps.sh build   what building the command line and running the demo need
#   scripts/deps.sh test    that and everything the test suite needs (the default): the test
#                           tools, clang for fuzzing, MinGW-w64 and Wine for the Windows stage,
#                           Debian's source packages (GEOS's source for the Windows build) and the
#                           locales the tests use
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
  libgeos-dev
  libcli11-dev
  # The PNG picture: librsvg renders the SVG, with Japanese glyphs from the IPA fonts.
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
  # The clang build and the fuzz targets (libFuzzer is in clang's runtime package).
  clang
  libclang-rt-14-dev
  # GEOS for the Windows build is compiled from Debian's source package (scripts/mingw-geos.sh).
  g++-mingw-w64-x86-64-posix
  # The Windows build's tests under Wine, on a virtual X display, with Japanese fonts.
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

# Prints a deb-src entry for the machine's own Debian archive: the one its binary packages of this
# release come from, as its apt sources name it (deb822 .sources files or one-line entries). Prints
# nothing when there is none.
source_entry() {
  local codename
  codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
  [ -n "$codename" ] || return 0
  local files=()
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] && files+=("$f")
  done
  if ((${#files[@]})); then
    # Paragraphs of "Field: value" lines; the first enabled "deb" one whose suites hold the
    # release's own suite.
    awk -v codename="$codename" '
      function flush() {
        if (!done && types ~ /(^| )deb( |$)/ && enabled != "no" && (" " suites " ") ~ (" " codename " ")) {
          print "Types: deb-src"
          print "URIs: " uris
          print "Suites: " codename
          print "Components: " components
          if (signed != "") print "Signed-By: " signed
          done = 1
        }
        types = uris = suites = components = signed = enabled = ""
      }
      /^[[:space:]]*#/ { next }
      /^[[:space:]]*$/ { flush(); next }
      {
        field = tolower($1); sub(/:$/, "", field)
        value = $0; sub(/^[^:]*:[[:space:]]*/, "", value)
        if (field == "types") types = value
        else if (field == "uris") uris = value
        else if (field == "suites") suites = value
        else if (field == "components") components = value
        else if (field == "signed-by") signed = value
        else if (field == "enabled") enabled = tolower(value)
      }
      END { flush() }
    ' "${files[@]}"
  fi
  if [ -f /etc/apt/sources.list ]; then
    # deb [options] URI suite components...
    awk -v codename="$codename" '
      $1 == "deb" && !done {
        i = 2; options = ""
        if ($2 ~ /^\[/) { while (i <= NF && $i !~ /\]$/) { options = options $i " "; i++ } options = options $i " "; i++ }
        if ($(i + 1) == codename) {
          line = "deb-src " options $i " " codename
          for (j = i + 2; j <= NF; j++) line = line " " $j
          print "#one-line"
          print line
          done = 1
        }
      }
    ' /etc/apt/sources.list
  fi
}

updated=0
if [ "$what" = test ] &&
  ! grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ &&
  ! grep -qs '^deb-src' /etc/apt/sources.list /etc/apt/sources.list.d/*.list; then
  entry=$(source_entry | head -n 6)
  if [ -z "$entry" ]; then
    echo "No Debian archive found in the apt sources for source packages (deb-src); add one" >&2
    exit 1
  fi
  echo "Adding Debian's source packages to apt (deb-src, from the archive the machine uses)"
  if [ "$(head -n 1 <<<"$entry")" = "#one-line" ]; then
    sed -n 2p <<<"$entry" | "${sudo_cmd[@]}" tee /etc/apt/sources.list.d/trivane-deb-src.list >/dev/null
  else
    sed '/^#one-line$/,$d' <<<"$entry" |
      "${sudo_cmd[@]}" tee /etc/apt/sources.list.d/trivane-deb-src.sources >/dev/null
  fi
  "${sudo_cmd[@]}" apt-get update -qq
  updated=1
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  if ((!updated)); then "${sudo_cmd[@]}" apt-get update -qq; fi
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
