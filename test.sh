#!/usr/bin/env bash
# Installs what is missing, builds and runs every test. Non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
./scripts/build.sh
# Bounded fuzzing of the file readers first, so the unit tests' summary closes the output.
./scripts/run-fuzzers.sh
# The streaming's threads under ThreadSanitizer, bounded in time.
./scripts/run-tsan.sh

# The editors the tests start keep their model pictures here, not in the user's cache.
export XDG_CACHE_HOME="$PWD/build/test-cache"
ctest_cmd=(ctest --test-dir build --output-on-failure --timeout 300 -j"$(nproc)")
if [[ -z "${DISPLAY:-}" ]]; then
  # Tests that open real windows need an X server.
  xvfb-run -a -s "-screen 0 1920x1080x24" "${ctest_cmd[@]}"
else
  "${ctest_cmd[@]}"
fi
