#!/usr/bin/env bash
# Builds everything and runs every test (unit and end-to-end; the window tests run on
# Qt's offscreen platform).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
source scripts/env.sh
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure -j "$(nproc)"
