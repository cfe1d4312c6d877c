#!/usr/bin/env bash
# Installs what is missing, builds, prepares the demo field and starts the editor in it.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
./scripts/build.sh

demo=build/demo-field
mkdir -p "$demo"
if [[ -x build/bin/demofield ]]; then
  build/bin/demofield "$demo"
fi

if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
  echo "run.sh: no display to open the editor on (DISPLAY is not set)." >&2
  echo "Start it under a virtual X server instead:  xvfb-run -a -s '-screen 0 1920x1080x24' ./run.sh" >&2
  exit 2
fi
# Qt and the Vulkan WSI want a private runtime folder; root shells often have none.
if [[ -z "${XDG_RUNTIME_DIR:-}" ]]; then
  export XDG_RUNTIME_DIR="/tmp/runtime-$(id -u)"
  mkdir -p -m 700 "$XDG_RUNTIME_DIR"
fi
cd "$demo"
exec ../bin/quorvane
