#!/usr/bin/env bash
# Builds the Debian package (orvo-senhas, orvo-admin, sql-standin) into build-package/packages/.
# Install it with: sudo apt install ./build-package/packages/orvo-senhas_*.deb
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD_DIR="${BUILD_DIR:-$ROOT/build-package}"
"$ROOT/scripts/install-deps.sh"
cmake -S "$ROOT" -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=Release -DORVO_BUILD_TESTS=OFF -DORVO_BUILD_BENCH=OFF >/dev/null
cmake --build "$BUILD_DIR" -j"$(nproc)"
(cd "$BUILD_DIR" && cpack -G DEB -B "$BUILD_DIR/packages")
ls -1 "$BUILD_DIR"/packages/*.deb
