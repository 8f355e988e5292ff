#!/usr/bin/env bash
# Renders the folder chooser and the stop confirmation as a Japanese desktop shows them
# (LANG=ja_JP.UTF-8, Qt's own translations) under Xvfb into PNG files.
# Usage: scripts/screenshot_dialogs.sh [build-dir] [output-dir]   (default output: docs/)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${1:-$root/build}")
out=$(realpath -m "${2:-$root/docs}")
cmake --build "$build" --target dialogs_screenshot
cd "$HOME"
LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 QT_QPA_PLATFORM=xcb \
  xvfb-run -a -s "-screen 0 1280x1024x24" "$build/tests/app/dialogs_screenshot" "$out"
ls -l "$out"/dialog_*.png
