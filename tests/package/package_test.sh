#!/usr/bin/env bash
# Builds the .deb from the build tree, unpacks it into a scratch root (no installation) and runs
# orvo-admin from there.
set -euo pipefail
BUILD_DIR="$1"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
cpack --config "$BUILD_DIR/CPackConfig.cmake" -G DEB -B "$scratch/out" >"$scratch/cpack.log" 2>&1 || { cat "$scratch/cpack.log"; exit 1; }
deb="$(ls "$scratch"/out/*.deb)"
dpkg-deb -f "$deb" Depends | tee "$scratch/depends"
grep -q 'libqt6sql6-odbc' "$scratch/depends"
grep -q 'tdsodbc' "$scratch/depends"
root="$scratch/root"
dpkg -x "$deb" "$root"
for p in orvo-senhas orvo-admin sql-standin; do
  test -x "$root/opt/orvo-senhas/$p"
  test "$(readlink "$root/usr/bin/$p")" = "/opt/orvo-senhas/$p"
done
test "$(readlink "$root/opt/orvo-senhas/orvo-senhas.INI")" = "/etc/orvo-senhas/orvo-senhas.INI"
test -f "$root/etc/orvo-senhas/orvo-senhas.INI"
grep -q '^Icon=orvo-senhas$' "$root/usr/share/applications/orvo-senhas.desktop"
test -f "$root/usr/share/icons/hicolor/scalable/apps/orvo-senhas.svg"
test -f "$root/opt/orvo-senhas/fixtures/orvo-base.sql"
dpkg-deb --ctrl-tarfile "$deb" | tar -xO ./conffiles | grep -qx '/etc/orvo-senhas/orvo-senhas.INI'
help="$("$root/opt/orvo-senhas/orvo-admin" --help)"
echo "$help" | grep -q 'status'
echo "pacote: $(basename "$deb"), $(du -k "$deb" | cut -f1) KiB"
