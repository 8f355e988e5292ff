#!/usr/bin/env bash
# Renders each tab of the settings dialog and the folder and application dialogs under Xvfb
# into PNG files, and reports controls that do not fit their captions or overlap.
# Usage: scripts/screenshot_settings.sh [build-dir] [output-dir]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
out=${2:-$build/screenshots}
cmake --build "$build" --target settings_screenshot
mkdir -p "$out"
xvfb-run -a -s "-screen 0 1280x1024x24" "$build/tests/settings/settings_screenshot" "$out"
ls "$out"
