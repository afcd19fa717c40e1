#!/usr/bin/env bash
# Sets everything up, builds the release tree and starts the desktop program.
# Without arguments it runs against the simulated head on this machine
# (sondrel --simulate), so a live profile appears without any hardware; with
# arguments they go to sondrel as they are (for example --settings FILE to use
# a real head). Without a display it runs on a virtual one: with no arguments
# it leaves a picture of the window, a recording and its XYZ text in
# build/first-run/ (scripts/first-run.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/bootstrap.sh
cmake --preset release >/dev/null
cmake --build --preset release

program=build/release/bin/sondrel
if [[ ! -x $program ]]; then
  echo "The desktop program was not built; see the build output above." >&2
  exit 1
fi

if [[ -n ${DISPLAY:-} || -n ${WAYLAND_DISPLAY:-} ]]; then
  if (($# == 0)); then
    set -- --simulate
  fi
  exec "$program" "$@"
fi
# No display: the same job on a virtual one, leaving a picture, a recording and
# its XYZ text to look at; arguments run as given there.
if (($# == 0)); then
  exec scripts/first-run.sh
fi
exec xvfb-run -a "$program" "$@"
