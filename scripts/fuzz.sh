#!/usr/bin/env bash
# Builds the engine fuzzer with clang (libFuzzer + AddressSanitizer) in its own build directory
# and runs it for a fixed time over the committed seed corpus, with a dictionary of T-SQL words
# (procedural forms included). Fails on any crash, leak or hang (the engine runs each input on a
# step budget, so a runaway loop ends instead of tripping the timeout).
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
FUZZ_BUILD_DIR="${FUZZ_BUILD_DIR:-$ROOT/build-fuzz}"
FUZZ_SECONDS="${FUZZ_SECONDS:-45}"
if ! command -v clang++ >/dev/null 2>&1; then
  echo "fuzz.sh: clang++ not found" >&2
  exit 1
fi
cmake -S "$ROOT" -B "$FUZZ_BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DORVO_BUILD_APP=OFF -DORVO_BUILD_TESTS=OFF -DORVO_BUILD_BENCH=OFF -DORVO_FUZZ=ON \
  -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,address -fno-omit-frame-pointer" >/dev/null
cmake --build "$FUZZ_BUILD_DIR" -j"$(nproc)" --target engine_fuzzer
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
# New inputs go to the scratch directory; the committed seeds stay as they are. The fuzzer's
# progress lines go to a log; its closing figures (or the crash report) are printed.
LOG="$WORK/fuzz.log"
status=0
ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}" \
  "$FUZZ_BUILD_DIR/standin/engine/fuzz/engine_fuzzer" -max_total_time="$FUZZ_SECONDS" -max_len=4096 -timeout=20 \
  -dict="$ROOT/standin/engine/fuzz/tsql.dict" \
  -rss_limit_mb=2048 -artifact_prefix="$WORK/" -print_final_stats=1 "$WORK" "$ROOT/standin/engine/fuzz/corpus" \
  >"$LOG" 2>&1 || status=$?
if [ "$status" -ne 0 ]; then
  echo "fuzz.sh: the engine fuzzer failed (exit $status):" >&2
  tail -n 80 "$LOG" >&2
  for f in "$WORK"/crash-* "$WORK"/leak-* "$WORK"/timeout-*; do
    [ -e "$f" ] && { echo "input $f:" >&2; od -c "$f" | head -n 20 >&2; }
  done
  exit "$status"
fi
grep -E '^(Done|stat::)' "$LOG" || tail -n 5 "$LOG"
