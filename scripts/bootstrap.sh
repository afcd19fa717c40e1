#!/usr/bin/env bash
# Installs the Debian packages Sondrel needs to build, test and run, when any is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-serialport-dev qt6-charts-dev libqt6opengl6-dev qt6-image-formats-plugins
  qt6-declarative-dev qt6-quick3d-dev qt6-shadertools-dev qml6-module-qtquick qml6-module-quick3d
  libgif-dev libeigen3-dev libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth fonts-liberation2 poppler-utils clang-format git python3
  librsvg2-bin help2man dpkg-dev file lintian desktop-file-utils appstream
  clang libclang-rt-14-dev
  cloudcompare
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if ((${#missing[@]} == 0)); then
  exit 0
fi

echo "Installing: ${missing[*]}"
as_root=()
if [[ $(id -u) -ne 0 ]]; then
  as_root=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -qq
"${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
