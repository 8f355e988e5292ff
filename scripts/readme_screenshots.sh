#!/usr/bin/env bash
# Makes the README's pictures (docs/welcome.png, docs/settings_folders.png, docs/results.png,
# docs/preview.png) from the real program under Xvfb: the new-user end-to-end test indexes
# the fixtures with the real indexer and grabs the windows on its way.
# Usage: scripts/readme_screenshots.sh [build-dir]   (default build; needs scripts/build.sh)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${1:-$root/build}")
test_bin="$build/tests/e2e_new_user/new_user_test"
cmake --build "$build" --target new_user_test
[ "$(id -u)" -ne 0 ] || export QTWEBENGINE_DISABLE_SANDBOX=1
mkdir -p "$root/docs"
RUVUDAR_SCREENSHOT_DIR="$root/docs" QT_QPA_PLATFORM=xcb \
  xvfb-run -a -s "-screen 0 1280x1024x24" \
  "$test_bin" --gtest_filter='*IndexesChosenFolders*' >/dev/null
ls -l "$root"/docs/*.png
