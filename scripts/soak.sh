#!/usr/bin/env bash
# A fault soak of the recorder against the simulated head (not part of CI's
# own steps; a two-minute run is one of the tests).
#
#   scripts/soak.sh [--seconds S] [--seed N] [--pace-ms MS] [--keep FOLDER] [--bin FOLDER]
#
# Builds the release preset first when no --bin folder is given. Prints the
# account of replies sent against records kept; exits 1 on any fault found.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

bin=
for ((i = 1; i <= $#; i++)); do
  if [[ ${!i} == --bin ]]; then
    j=$((i + 1))
    bin=${!j}
  fi
done
if [[ -z $bin ]]; then
  cmake --preset release -S "$root" >/dev/null
  cmake --build "$root/build/release" --target sondrel-record sondrel-headsim >/dev/null
  set -- --bin "$root/build/release/bin" "$@"
fi
exec python3 "$root/scripts/soak.py" "$@"
