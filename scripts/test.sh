#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test (headless).
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
"$ROOT/scripts/install-deps.sh"
BUILD_DIR="${BUILD_DIR:-$ROOT/build}"
export BUILD_DIR
"$ROOT/scripts/build.sh"
export QT_QPA_PLATFORM=offscreen
status=0
if [ -x "$ROOT/scripts/fuzz.sh" ]; then
  "$ROOT/scripts/fuzz.sh" || status=1
fi
cd "$BUILD_DIR"
ctest --output-on-failure -j2 --timeout 600 || status=1
exit $status
