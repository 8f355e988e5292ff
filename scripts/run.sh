#!/usr/bin/env bash
# Builds the viewer and starts it from its program folder. Without a display it runs
# under a virtual one (xvfb-run).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
source scripts/env.sh
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" build/AppDir/ruvudar "$@"
fi
exec build/AppDir/ruvudar "$@"
