#!/usr/bin/env bash
# Sets everything up, builds the release tree and starts the desktop program.
# Without arguments it runs against the simulated head on this machine
# (sondrel --simulate), so a live profile appears without any hardware; with
# arguments they go to sondrel as they are (for example --settings FILE to use
# a real head).
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
if (($# == 0)); then
  set -- --simulate
fi

if [[ -z ${DISPLAY:-} && -z ${WAYLAND_DISPLAY:-} ]]; then
  cat >&2 <<EOF
No display to show the window on. To run the program on a virtual display:

  xvfb-run -a $program $*

and to see what it shows, let it take a picture of its window and close:

  xvfb-run -a $program --simulate --screenshot sondrel.png --screenshot-after 5

(xvfb-run comes with the xvfb package, which scripts/bootstrap.sh installs.)
EOF
  exit 2
fi
exec "$program" "$@"
