#!/usr/bin/env bash
# Installs what is missing, then configures and builds everything into build/ (the program
# folder is build/AppDir).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
[ -f build/CMakeCache.txt ] || cmake --preset default
cmake --build build -j "$(nproc)"
