#!/usr/bin/env bash
# Builds the libFuzzer harnesses (clang, ASan + UBSan) into build/fuzz and runs
# each for a bounded time, starting from its seeds in fuzz/corpus/<name>/.
# Non-zero on any crash, sanitizer report, leak or broken invariant.
#   QUORVANE_FUZZ_SECONDS  seconds per harness (default 10)
#   QUORVANE_FUZZ_BUILD    build directory (default build/fuzz)
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${QUORVANE_FUZZ_SECONDS:-10}
build_dir=${QUORVANE_FUZZ_BUILD:-build/fuzz}

CC=clang CXX=clang++ cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_CXX_COMPILER=clang++ -DQUORVANE_FUZZ=ON >/dev/null
cmake --build "$build_dir" --target fuzzers

# Every harness the fuzz/ folder declares (each is named fuzz_*).
mapfile -t harnesses < <(find "$build_dir/bin" -maxdepth 1 -type f -name 'fuzz_*' -perm -u+x | sort)
if [[ ${#harnesses[@]} -eq 0 ]]; then
  echo "run-fuzzers: no harness was built" >&2
  exit 1
fi

export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
failed=()
for harness in "${harnesses[@]}"; do
  name=$(basename "$harness")
  seeds="fuzz/corpus/$name"
  work=$(mktemp -d)   # new inputs go here, never into the repository
  artifacts="$build_dir/artifacts/$name/"
  mkdir -p "$artifacts"
  echo "run-fuzzers: $name for ${seconds}s"
  if ! "$harness" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=16384 \
      -print_final_stats=1 -artifact_prefix="$artifacts" "$work" "$seeds" >"$build_dir/$name.log" 2>&1; then
    failed+=("$name")
    tail -n 40 "$build_dir/$name.log" >&2
    echo "run-fuzzers: $name FAILED; reproducer in $artifacts" >&2
  else
    grep -E '^stat::number_of_executed_units' "$build_dir/$name.log" || true
  fi
  rm -rf "$work"
done

if [[ ${#failed[@]} -gt 0 ]]; then
  echo "run-fuzzers: failures in ${failed[*]}" >&2
  exit 1
fi
echo "run-fuzzers: all ${#harnesses[@]} harnesses clean"
