#!/bin/sh
# Renders the pictures in docs/screenshots/ (English and Chinese) on the offscreen platform.
# Usage: scripts/screenshots.sh [BUILD-DIR]   (after a build of the project)
set -e
cd "$(dirname "$0")/.."
build=${1:-build}
cmake --build "$build" --target vantor-screenshots Artbank device_libraries config_files vantor_translations >/dev/null
export QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME="$(mktemp -d)"
for lang in en zh; do
  "$build/bin/vantor-screenshots" docs/screenshots "$lang" data/samples/blink.hex
done
rm -rf "$XDG_CONFIG_HOME"
