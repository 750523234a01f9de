#!/usr/bin/env bash
# Installs the Debian packages the project needs to build, test and run. Safe to run again.
set -euo pipefail
PKGS=(
  build-essential cmake pkg-config git ccache
  qt6-base-dev qt6-base-dev-tools libqt6sql6-odbc libgl-dev qt6-translations-l10n
  unixodbc unixodbc-dev tdsodbc freetds-bin
  libssl-dev openssl dpkg-dev
  xvfb x11-utils
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  clang libclang-rt-14-dev
)
missing=()
for p in "${PKGS[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
echo "Instalando pacotes: ${missing[*]}"
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get update -qq
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
