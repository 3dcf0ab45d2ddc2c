#!/usr/bin/env bash
# Runs the fuzz targets (tests/fuzz/) with libFuzzer for a chosen time each, one after the other,
# on one core: builds them with clang under AddressSanitizer + UndefinedBehaviorSanitizer in
# build/fuzz, starts each from its seed corpus (tests/fuzz/corpus/<name>) and keeps what it finds
# new in build/fuzz/corpus/<name>. A crash, leak or sanitizer report stops that target and leaves
# the input beside its log in build/fuzz/findings/<name>/; copy it into the seed corpus once it is
# fixed, so that the normal test suite replays it.
#
#   scripts/fuzz.sh [SECONDS] [TARGET...]     (default: 600 seconds, every target)
#   targets: dxf settings script target_cad_list
#
# Exit status 0 when every target ran its time without a finding.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
seconds=${1:-600}
shift || true
targets=("$@")
if ((${#targets[@]} == 0)); then
  targets=(dxf settings script target_cad_list)
fi

bash scripts/deps.sh test

# TRIVANE_FUZZ_BUILD names another build folder (configured the same way; its tests run too).
build=${TRIVANE_FUZZ_BUILD:-build/fuzz}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DTRIVANE_FUZZ=ON -DTRIVANE_SANITIZE=ON >/dev/null
cmake --build "$build" -j 2 --target "${targets[@]/#/fuzz_}"

export ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$root/scripts/lsan-suppressions.txt

status=0
for name in "${targets[@]}"; do
  corpus=$build/corpus/$name
  findings=$build/findings/$name
  mkdir -p "$corpus" "$findings"
  echo "== fuzz_$name for $seconds s"
  start=$SECONDS
  # Inputs grow to 64 KB (a DXF file worth reading); one input may take 10 s at most.
  if "$build/tests/fuzz/fuzz_$name" "$corpus" "tests/fuzz/corpus/$name" \
    -max_total_time="$seconds" -max_len=65536 -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$findings/" -print_final_stats=1 >"$findings/log.txt" 2>&1; then
    result=ok
  else
    result="FOUND SOMETHING (see $findings)"
    status=1
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$findings/log.txt" | tail -n 1)
  echo "   $result: ${runs:-?} runs in $((SECONDS - start)) s, corpus $(ls "$corpus" | wc -l) inputs"
done
exit $status
