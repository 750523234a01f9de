#!/usr/bin/env bash
# Installs what is missing, builds, starts sql-standin with the demo ORVO database
# (login orvo / orvo on 127.0.0.1:14330) and opens orvo-senhas on it.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
"$ROOT/scripts/install-deps.sh"
BUILD_DIR="${BUILD_DIR:-$ROOT/build}"
export BUILD_DIR
"$ROOT/scripts/build.sh"

APP="$BUILD_DIR/src/app/orvo-senhas"
STANDIN="$(find "$BUILD_DIR" -type f -name sql-standin -perm -u+x | head -n 1)"
if [ -z "$STANDIN" ]; then
  echo "sql-standin não foi compilado (pasta standin/tds ausente?)." >&2
  exit 1
fi
FX="$ROOT/standin/fixtures"
RUN_DIR="$(mktemp -d)"
"$STANDIN" --listen 127.0.0.1:14330 --login orvo:orvo \
  --database "ORVO=$FX/orvo-base.sql" --database "ORVO=$FX/orvo-demo.sql" \
  --database "Vuzur=$FX/sister.sql" --database "zAraradovi=$FX/sister.sql" \
  --database "zAraradovi=$FX/sister-demo.sql" \
  --log "$RUN_DIR/standin.log" >"$RUN_DIR/standin.out" 2>"$RUN_DIR/standin.err" &
STANDIN_PID=$!
trap 'kill "$STANDIN_PID" 2>/dev/null || true' EXIT
for _ in $(seq 1 300); do
  grep -q "listening on" "$RUN_DIR/standin.out" 2>/dev/null && break
  if ! kill -0 "$STANDIN_PID" 2>/dev/null; then
    echo "sql-standin terminou ao iniciar:" >&2
    cat "$RUN_DIR/standin.err" >&2
    exit 1
  fi
  sleep 0.1
done
echo "sql-standin: $(head -n 1 "$RUN_DIR/standin.out") (registro das instruções em $RUN_DIR/standin.log)"
"$APP"
