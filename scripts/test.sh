#!/usr/bin/env bash
# The whole test suite: installs what is missing, checks formatting, builds and runs every test
# three times (plain, under AddressSanitizer + UndefinedBehaviorSanitizer, and with clang; each
# replays the fuzz targets over their corpora), and cross-compiles the portable layers and the COM
# backend for Windows and runs their tests under Wine. Exits non-zero on the first failure.
set -euo pipefail
# A failing command names itself on both outputs, so that a CI log shows where the run stopped.
set -E
trap 'status=$?; echo "FAILED (exit $status) at ${BASH_SOURCE[0]}:$LINENO: $BASH_COMMAND"; echo "FAILED (exit $status) at ${BASH_SOURCE[0]}:$LINENO: $BASH_COMMAND" >&2' ERR
cd "$(dirname "$0")/.."
root=$(pwd)
jobs=$(nproc 2>/dev/null || echo 2)

bash scripts/deps.sh test

echo "== format check"
mapfile -t sources < <(git ls-files '*.h' '*.cpp' 2>/dev/null || find . -name '*.h' -o -name '*.cpp')
if ((${#sources[@]})); then
  clang-format --dry-run -Werror "${sources[@]}"
fi

run_suite() {
  local dir=$1
  shift
  echo "== build $dir"
  cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
  echo "== test $dir"
  (cd "$dir" && ctest --output-on-failure -j "$jobs")
}

run_suite build/plain
# The benchmarks are built on demand only; that they still compile is checked here (not run).
echo "== build the benchmarks (build/plain)"
cmake --build build/plain -j "$jobs" --target triangle_search_bench split_bench extents_bench
export ASAN_OPTIONS=halt_on_error=1:detect_leaks=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export LSAN_OPTIONS=suppressions=$root/scripts/lsan-suppressions.txt
run_suite build/sanitize -DTRIVANE_SANITIZE=ON
# The tree builds and passes with clang as well (the fuzz targets need it; scripts/fuzz.sh).
run_suite build/clang -DCMAKE_CXX_COMPILER=clang++

# Windows: the portable layers, the COM backend and the built-in host (served over COM to the
# Windows build from a second process) cross-compiled with MinGW-w64, their tests run under Wine (gtest discovery at build time runs Wine too, so the whole stage runs inside the
# prepared Wine environment). TRIVANE_WINDOWS=0 skips the stage.
if [ "${TRIVANE_WINDOWS:-1}" != 0 ]; then
  echo "== Windows: cross-compile (MinGW-w64) and test under Wine"
  (
    start=$SECONDS
    source scripts/wine-env.sh
    trap wine_env_stop EXIT
    wine_env_start build/mingw
    echo "   Wine ready in $((SECONDS - start)) s (DISPLAY $DISPLAY, prefix build/mingw/wineprefix)"
    mingw_configure build/mingw
    cmake --build build/mingw -j "$jobs"
    # On a Japanese system, as the program's users have (code page 932: the marker files' layer
    # names, the list file); the settings and list-file tests once more on a Western one (1252).
    # A test under Wine once ended in 0.01 s with no output while two ran at once, and passed
    # alone: a failed test is run once more, and fails the stage only when it fails again.
    (cd build/mingw && env LC_ALL=ja_JP.UTF-8 ctest --output-on-failure -j "$jobs" \
      --repeat until-pass:2)
    (cd build/mingw && wine tests/win32/win32_tests.exe --gtest_brief=1 </dev/null)
    # The program needs only DLLs every Windows system has.
    for dll in $(x86_64-w64-mingw32-objdump -p build/mingw/app/win32/trivane.exe |
      sed -n 's/^\tDLL Name: //p'); do
      case "${dll,,}" in
        advapi32.dll | comctl32.dll | comdlg32.dll | gdi32.dll | imm32.dll | kernel32.dll | \
          msvcrt.dll | ole32.dll | oleaut32.dll | shell32.dll | user32.dll | uxtheme.dll) ;;
        *)
          echo "trivane.exe needs $dll, which is not a system DLL" >&2
          exit 1
          ;;
      esac
    done
    echo "   trivane.exe needs only system DLLs"
    echo "   Windows stage took $((SECONDS - start)) s"
  )
fi

# ---- Windows program (app/win32): its window tests once more on a Japanese system (code page
# 932), with pictures of the tool window and the target-CAD dialog in build/mingw/screenshots.
# TRIVANE_WINDOWS=0 skips it with the stage above.
if [ "${TRIVANE_WINDOWS:-1}" != 0 ]; then
  echo "== Windows program: window tests on a Japanese system, pictures"
  bash scripts/windows-ui-tests.sh build/mingw
fi
# ---- end of the Windows program block

echo "== all suites passed"
