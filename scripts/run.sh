#!/usr/bin/env bash
# Sets everything up, builds the release tree and starts the program's main job.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/bootstrap.sh
cmake --preset release >/dev/null
cmake --build --preset release
if [[ ! -x build/release/bin/sondrel ]]; then
  echo "The desktop program is not built yet: only the core library and its tests exist so far."
  exit 1
fi
exec build/release/bin/sondrel "$@"
