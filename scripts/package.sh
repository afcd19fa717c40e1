#!/usr/bin/env bash
# Sets everything up and builds the Debian package of the release tree:
# build/release/package/sondrel_<version>_<arch>.deb, whose path it prints last.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/bootstrap.sh
cmake --preset release >/dev/null
cmake --build --preset release --target package >&2
version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' build/release/CPackConfig.cmake)
deb=build/release/package/sondrel_${version}_$(dpkg --print-architecture).deb
if [[ ! -f $deb ]]; then
  echo "The package $deb was not made; see the output above." >&2
  exit 1
fi
echo "$deb"
