#!/usr/bin/env bash
# Takes a picture of the result page with Japanese hits in the real window under Xvfb.
# Usage: scripts/screenshot_results.sh [OUT.png]   (default build/result_page.png)
# Needs the build (scripts/build.sh) and the window test it drives.
set -euo pipefail
cd "$(dirname "$0")/.."
out="$(realpath -m "${1:-build/result_page.png}")"
build="${BUILD_DIR:-build}"
test_bin="$build/tests/e2e_search/window_search_test"
[ -x "$test_bin" ] || { echo "missing $test_bin: run scripts/build.sh first" >&2; exit 1; }
[ "$(id -u)" -ne 0 ] || export QTWEBENGINE_DISABLE_SANDBOX=1
RUVUDAR_SCREENSHOT="$out" QT_QPA_PLATFORM=xcb \
  xvfb-run -a -s "-screen 0 1280x1024x24" \
  "$test_bin" --gtest_filter='*WithIndex' >/dev/null
echo "$out"
