#!/usr/bin/env bash
# Builds the Debian package build/package/ruvudar_<version>_amd64.deb: sets up and builds
# first (scripts/build.sh), then packs the programs with CPack.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
(cd build && cpack -G DEB)
ls build/package/ruvudar_*_amd64.deb
