#!/usr/bin/env bash
# Sets everything up, builds the release tree and runs the whole test suite through CTest.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/bootstrap.sh
cmake --preset release >/dev/null
cmake --build --preset release
ctest --preset release -j2
