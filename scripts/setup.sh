#!/usr/bin/env bash
# Installs the Debian packages that building and testing Ruvudar need, when missing.
# Safe to run again: packages already present are not touched.
set -euo pipefail

PACKAGES=(
  # toolchain and test frameworks
  build-essential cmake ninja-build pkg-config libgtest-dev libgmock-dev libbenchmark-dev
  # viewer: Qt 6 widgets and the web view, ICU for case mapping and collation
  qt6-base-dev qt6-webengine-dev libqt6webenginecore6-bin libgl-dev libicu-dev
  # full-text index
  libgroonga-dev
  # indexer: one library per document format, charset detection
  libzip-dev libpugixml-dev libpoppler-cpp-dev libgumbo-dev libgmime-3.0-dev libgsf-1-dev
  libuchardet-dev
  # OCR of scanned pages and images: Tesseract with its Japanese (horizontal and vertical)
  # and English models; Leptonica reads the images
  libtesseract-dev libleptonica-dev tesseract-ocr-jpn tesseract-ocr-jpn-vert tesseract-ocr-eng
  # the fuzz build (fuzz preset): clang with its libFuzzer and sanitizer runtimes
  clang libclang-rt-14-dev
  # opening documents and links with the desktop's programs
  xdg-utils
  # running the viewer without a desktop, Japanese glyphs
  xvfb xauth fonts-noto-cjk
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  echo "Installing: ${missing[*]}"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
