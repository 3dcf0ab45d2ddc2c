#!/usr/bin/env bash
# The Windows program's window tests on a Japanese Windows system under Wine (code page 932), and
# pictures of the tool window's four pages and of the target-CAD dialog.
#
#   scripts/windows-ui-tests.sh [build dir]          pictures go to <build dir>/screenshots
#   scripts/windows-ui-tests.sh [build dir] --docs   and replace the pictures in docs/
#
# The build dir is a MinGW-w64 cross build with tests (default build/mingw, as scripts/test.sh
# makes it); it is configured here when it is not yet.
set -euo pipefail
# A failing command names itself on both outputs, so that a CI log shows where the run stopped.
set -E
trap 'status=$?; echo "FAILED (exit $status) at ${BASH_SOURCE[0]}:$LINENO: $BASH_COMMAND"; echo "FAILED (exit $status) at ${BASH_SOURCE[0]}:$LINENO: $BASH_COMMAND" >&2' ERR
cd "$(dirname "$0")/.."
root=$(pwd)
build=${1:-build/mingw}
docs=0
if [ "${2:-}" = --docs ]; then docs=1; fi
jobs=$(nproc 2>/dev/null || echo 2)

source scripts/wine-env.sh
trap wine_env_stop EXIT
wine_env_start "$build"

# Wine draws the caption buttons with Marlett and the dialog in Tahoma; its own copies are found
# when they are in the prefix's font folder.
fonts=$WINEPREFIX/drive_c/windows/Fonts
for font in marlett.ttf tahoma.ttf tahomabd.ttf; do
  if [ -f "/usr/share/wine/fonts/$font" ] && [ ! -f "$fonts/$font" ]; then
    cp "/usr/share/wine/fonts/$font" "$fonts/"
  fi
done

if [ ! -f "$build/CMakeCache.txt" ]; then
  mingw_configure "$build"
fi
cmake --build "$build" -j "$jobs" --target trivane win32_tests win32_window_tests com_host_server

pictures=$(cd "$build" && pwd)/screenshots
rm -rf "$pictures"
mkdir -p "$pictures"
# A Japanese system for these runs only (LC_ALL: code page 932, LCID 0x411).
(
  cd "$build"
  env LC_ALL=ja_JP.UTF-8 wine tests/win32/win32_tests.exe --gtest_brief=1 </dev/null
  env LC_ALL=ja_JP.UTF-8 TRIVANE_SCREENSHOT_DIR="$(winepath -w "$pictures")" \
    wine tests/win32/win32_window_tests.exe --gtest_brief=1 </dev/null
)

for bmp in "$pictures"/*.bmp; do
  convert "$bmp" -strip "${bmp%.bmp}.png"
  rm "$bmp"
done
echo "   pictures: $(cd "$pictures" && ls ./*.png | tr '\n' ' ')"
if [ "$docs" = 1 ]; then
  mkdir -p docs
  cp "$pictures"/*.png docs/
  echo "   copied to docs/"
fi
