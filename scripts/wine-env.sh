# Wine for the Windows tests: a private prefix inside the build tree, one Xvfb display for the
# whole run, and a wineserver kept alive so that ctest does not hang on Wine's background services.
#
#   source scripts/wine-env.sh
#   wine_env_start build/mingw     # exports WINEPREFIX, WINEARCH, WINEDEBUG, WINEDLLOVERRIDES, DISPLAY
#   trap wine_env_stop EXIT         # ends this prefix's Wine processes and the Xvfb it started
#   ... build (gtest discovery runs the tests under Wine) and ctest ...
#
# Facts this relies on (Wine 8, Debian 12):
# - Xvfb must run before the first Wine process of the prefix: a wineserver first started without
#   a display keeps a headless desktop, and later dialogs fail with error 1400.
# - ctest can hang when Wine's background services inherit the first test's stdout pipe; starting
#   a persistent wineserver (-p) and running wineboot once beforehand avoids it.
# - Japanese glyphs need font replacements for the fonts Windows programs ask for.
# - Without a window manager, destroying a shown top-level window takes Wine about 2 s; inside a
#   virtual desktop (one X window holding all Windows windows, framed by Wine) it takes
#   milliseconds, and foreground and activation behave the same in every run.
# Set TRIVANE_WINE_LOCALE=ja_JP.UTF-8 for a Japanese system (code page 932, LCID 0x411).

_wine_env_xvfb_pid=

# The X display to use: an existing one given in TRIVANE_WINE_DISPLAY, or a new Xvfb.
_wine_env_start_xvfb() {
  if [ -n "${TRIVANE_WINE_DISPLAY:-}" ]; then
    export DISPLAY=$TRIVANE_WINE_DISPLAY
    return 0
  fi
  if ! command -v Xvfb >/dev/null; then
    echo "wine-env: Xvfb is not installed" >&2
    return 1
  fi
  local fifo
  fifo=$(mktemp -u "${TMPDIR:-/tmp}/trivane-xvfb.XXXXXX")
  mkfifo "$fifo"
  # -displayfd: Xvfb picks a free display number and writes it to fd 3 once it accepts clients.
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
  _wine_env_xvfb_pid=$!
  local number=
  if ! read -r -t 20 number <"$fifo"; then number=; fi
  rm -f "$fifo"
  if [ -z "$number" ]; then
    echo "wine-env: Xvfb did not start" >&2
    kill "$_wine_env_xvfb_pid" 2>/dev/null || true
    _wine_env_xvfb_pid=
    return 1
  fi
  export DISPLAY=:$number
}

_wine_env_reg() {
  wine reg add "$1" /v "$2" /t REG_SZ /d "$3" /f </dev/null >/dev/null 2>&1
}

# Once per prefix: Japanese font replacements and the virtual desktop.
_wine_env_configure() {
  local fonts='HKCU\Software\Wine\Fonts\Replacements'
  local pair
  for pair in "ＭＳ Ｐゴシック=IPAPGothic" "ＭＳ ゴシック=IPAGothic" "MS PGothic=IPAPGothic" \
    "MS Gothic=IPAGothic" "MS UI Gothic=IPAPGothic"; do
    _wine_env_reg "$fonts" "${pair%%=*}" "${pair#*=}" || return 1
  done
  _wine_env_reg 'HKCU\Software\Wine\Explorer' Desktop Default || return 1
  _wine_env_reg 'HKCU\Software\Wine\Explorer\Desktops' Default "${TRIVANE_WINE_DESKTOP:-1280x1024}"
}

# wine_env_start <build dir>: prepares the prefix <build dir>/wineprefix and the display.
wine_env_start() {
  local build=$1
  mkdir -p "$build"
  export WINEPREFIX
  WINEPREFIX=$(cd "$build" && pwd)/wineprefix
  export WINEARCH=win64
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  if [ -n "${TRIVANE_WINE_LOCALE:-}" ]; then export LC_ALL=$TRIVANE_WINE_LOCALE; fi

  # A wineserver left over from an interrupted run (or the previous stage) would keep the display it
  # started with. -k only asks it to end: wait until it has, or the persistent server started below
  # finds the old one still holding the prefix's lock and exits at once (status 2, silently).
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  _wine_env_start_xvfb || return 1
  if [ ! -f "$WINEPREFIX/.trivane-configured" ]; then
    wineboot -i </dev/null >/dev/null 2>&1
    if ! _wine_env_configure; then
      echo "wine-env: could not configure $WINEPREFIX" >&2
      return 1
    fi
    # Restart, so that the desktop comes up as configured.
    wineserver -k 2>/dev/null || true
    wineserver -w
    touch "$WINEPREFIX/.trivane-configured"
  fi
  if ! wineserver -p; then
    echo "wine-env: the wineserver of $WINEPREFIX did not start" >&2
    return 1
  fi
  if ! wine wineboot </dev/null >/dev/null 2>&1; then
    echo "wine-env: wineboot failed in $WINEPREFIX" >&2
    return 1
  fi
}

# Ends the Wine processes of this prefix (only) and the Xvfb started by wine_env_start.
wine_env_stop() {
  if [ -n "${WINEPREFIX:-}" ] && command -v wineserver >/dev/null; then
    wineserver -k 2>/dev/null || true
    wineserver -w 2>/dev/null || true
  fi
  if [ -n "$_wine_env_xvfb_pid" ]; then
    kill "$_wine_env_xvfb_pid" 2>/dev/null || true
    wait "$_wine_env_xvfb_pid" 2>/dev/null || true
    _wine_env_xvfb_pid=
  fi
}

# Configures <build dir> as the MinGW-w64 cross build with tests: the portable layers, the
# Windows program and the built-in host (for the COM host server).
mingw_configure() {
  local build=$1
  local root
  root=$(pwd)
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" -DTRIVANE_PORTABLE_ONLY=ON \
    -DTRIVANE_HOST=ON \
    -DTRIVANE_TESTS=ON >/dev/null
}
