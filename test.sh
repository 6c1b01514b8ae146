#!/usr/bin/env bash
# Installs what is missing, checks the format, builds everything with
# warnings as errors and runs the whole test suite; then the static analysis
# of the core library, the whole suite again under the address and
# undefined-behaviour sanitizers, and the fuzzers for a bounded time each.
# Any failure, warning or sanitizer report fails the run.
set -euo pipefail
STEPDOWN_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$STEPDOWN_ROOT/tools/bootstrap.sh"
stepdown_install_packages

FUZZ_SECONDS="${STEPDOWN_FUZZ_SECONDS:-20}"
# The netlist's tests run ngspice here, never skip for want of it.
export STEPDOWN_REQUIRE_NGSPICE=1
JOBS="$(nproc)"

stage_start=$SECONDS
stage() {
  echo "== $1 ($((SECONDS - stage_start)) s since start)"
}

# The project's own sources, for the format check.
project_sources() {
  cd "$STEPDOWN_ROOT"
  if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    git ls-files -- '*.cpp' '*.h'
  else
    find app bench cli common componentchoice control design designfile engine model netlist realparts report steadystate tests tools ui verification waveformplot waveformview -name '*.cpp' -o -name '*.h'
  fi
}

stage "format check"
(cd "$STEPDOWN_ROOT" && project_sources | xargs clang-format --dry-run --Werror)

stage "build and test"
stepdown_configure "$STEPDOWN_ROOT/build" -DSTEPDOWN_WERROR=ON -DCMAKE_EXPORT_COMPILE_COMMANDS=ON
cmake --build "$STEPDOWN_ROOT/build"
ctest --test-dir "$STEPDOWN_ROOT/build" --output-on-failure -j "$JOBS"

# One file of the core library; its output only when it has findings, as the
# compiler's own "N warnings generated" count concerns the system headers.
tidy_one() {
  local output
  if ! output="$(clang-tidy --quiet -p "$1" "$2" 2>&1)"; then
    echo "$output"
    return 1
  fi
}
export -f tidy_one

stage "static analysis of the core library"
(cd "$STEPDOWN_ROOT" && ls common/*.cpp model/*.cpp design/*.cpp engine/*.cpp steadystate/*.cpp \
  waveformplot/*.cpp realparts/*.cpp verification/*.cpp waveformview/*.cpp \
  componentchoice/*.cpp designfile/*.cpp report/*.cpp netlist/*.cpp control/*.cpp |
  xargs -P "$JOBS" -I{} bash -c 'tidy_one "$0" "$1"' "$STEPDOWN_ROOT/build" {})

# Sanitizer reports end the process with a failure instead of a message; the
# Qt GUI tests run offscreen as in the main build.
export ASAN_OPTIONS="detect_leaks=1:halt_on_error=1:abort_on_error=1:check_initialization_order=1:strict_init_order=1:detect_stack_use_after_return=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"

stage "build and test under the sanitizers"
stepdown_configure "$STEPDOWN_ROOT/build-asan" -DSTEPDOWN_WERROR=ON -DSTEPDOWN_SANITIZE=ON \
  -DSTEPDOWN_BUILD_BENCH=OFF
cmake --build "$STEPDOWN_ROOT/build-asan"
ctest --test-dir "$STEPDOWN_ROOT/build-asan" --output-on-failure -j "$JOBS"

if command -v clang++ >/dev/null 2>&1; then
  stage "fuzzers, ${FUZZ_SECONDS} s each"
  fuzz_dir="$STEPDOWN_ROOT/build-fuzz"
  stepdown_configure "$fuzz_dir" -DCMAKE_CXX_COMPILER=clang++ -DSTEPDOWN_FUZZ=ON \
    -DSTEPDOWN_WERROR=ON -DSTEPDOWN_BUILD_GUI=OFF -DSTEPDOWN_BUILD_TESTS=OFF \
    -DSTEPDOWN_BUILD_BENCH=OFF
  cmake --build "$fuzz_dir"
  for seeds in "$STEPDOWN_ROOT"/tests/fuzz/corpus/*/; do
    target="$(basename "$seeds")"
    # New inputs go to the build folder; the checked-in seeds stay as they are.
    mkdir -p "$fuzz_dir/corpus/$target" "$fuzz_dir/artifacts"
    # A target's own dictionary, where it has one, instead of the numbers.
    dict="$STEPDOWN_ROOT/tests/fuzz/$target.dict"
    [ -f "$dict" ] || dict="$STEPDOWN_ROOT/tests/fuzz/numbers.dict"
    echo "-- fuzz_$target"
    if ! "$fuzz_dir/bin/fuzz_$target" "$fuzz_dir/corpus/$target" "$seeds" \
        -dict="$dict" \
        -max_total_time="$FUZZ_SECONDS" -timeout=10 -print_final_stats=1 \
        -artifact_prefix="$fuzz_dir/artifacts/$target-" >"$fuzz_dir/fuzz_$target.log" 2>&1; then
      tail -n 60 "$fuzz_dir/fuzz_$target.log"
      echo "fuzz_$target failed; the input is in $fuzz_dir/artifacts/" >&2
      exit 1
    fi
    grep -E '^stat::(number_of_executed_units|average_exec_per_sec)' "$fuzz_dir/fuzz_$target.log"
  done
else
  stage "clang++ not found: fuzzers skipped"
fi

stage "all checks passed"
