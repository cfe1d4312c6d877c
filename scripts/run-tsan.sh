#!/usr/bin/env bash
# Builds the streaming stress test (timer, loader, render and user threads on
# the editing core, no GPU), the editing core's thread scenarios (placing and
# writing while the render thread undoes) and the journal writer's tests with
# ThreadSanitizer (clang) into build/tsan and runs them with a time limit.
# Non-zero on any race report or test failure.
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
targets=(editor_streaming_stress_tests editor_threads_tests editor_journal_writer_tests)
cmake --build "$build_dir" --target "${targets[@]}"

export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1"
for target in "${targets[@]}"; do
  echo "run-tsan: $target (limit ${limit}s)"
  if ! timeout "$limit" "$build_dir/bin/$target"; then
    echo "run-tsan: FAILED in $target (race report, test failure or time limit)" >&2
    exit 1
  fi
done
echo "run-tsan: clean"
