#!/usr/bin/env bash
# Builds the streaming stress test (timer, loader, render and user threads on
# the editing core, no GPU) with ThreadSanitizer (clang) into build/tsan and
# runs it with a time limit. Non-zero on any race report or test failure.
#   QUORVANE_TSAN_BUILD    build directory (default build/tsan)
#   QUORVANE_TSAN_TIMEOUT  seconds the run may take (default 300)
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=${QUORVANE_TSAN_BUILD:-build/tsan}
limit=${QUORVANE_TSAN_TIMEOUT:-300}
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi

CC=clang CXX=clang++ cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++ -DQUORVANE_BUILD_GUI=OFF "${launcher[@]}" \
  -DCMAKE_CXX_FLAGS="-fsanitize=thread" -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=thread" >/dev/null
cmake --build "$build_dir" --target editor_streaming_stress_tests

export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1"
echo "run-tsan: editor_streaming_stress_tests (limit ${limit}s)"
if ! timeout "$limit" "$build_dir/bin/editor_streaming_stress_tests"; then
  echo "run-tsan: FAILED (race report, test failure or time limit)" >&2
  exit 1
fi
echo "run-tsan: clean"
