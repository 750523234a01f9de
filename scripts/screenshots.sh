#!/usr/bin/env bash
# Renders every page of the main window and the connection dialog to PNG files in
# screenshots/ (offscreen), connected to the demo database when sql-standin is built.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD_DIR="${BUILD_DIR:-$ROOT/build}"
cmake -S "$ROOT" -B "$BUILD_DIR" >/dev/null
cmake --build "$BUILD_DIR" -j"$(nproc)" --target orvo_screenshots
OUT="${1:-$ROOT/screenshots}"
QT_QPA_PLATFORM=offscreen "$BUILD_DIR/tests/support/orvo_screenshots" "$OUT"
