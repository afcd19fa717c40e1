#!/usr/bin/env bash
# The first run without a display: the desktop program against the simulated
# head on a virtual display takes a picture of its window, while sondrel-record
# records 200 pings of a second simulated head of the same model pipe and
# sondrel-convert turns them into XYZ text.
#
#   scripts/first-run.sh [BIN_DIR [OUT_DIR [SECONDS]]]
#
# BIN_DIR defaults to build/release/bin, OUT_DIR to build/first-run, SECONDS
# (when to take the picture) to 4.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin=${1:-$root/build/release/bin}
out=${2:-$root/build/first-run}
seconds=${3:-4}

mkdir -p "$out"
picture=$out/sondrel.png
recording=$out/first-run.qzr
points=$out/first-run.xyz
rm -f "$picture" "$recording" "$points"

# The head the recorder listens to; it ends with this script, however it ends.
coproc headsim { exec "$bin/sondrel-headsim" --port 0 --quiet; }
headsim_in=${headsim[1]}
trap 'echo quit >&"$headsim_in" 2>/dev/null || true; wait "$headsim_PID" 2>/dev/null || true' EXIT
port=
while read -r -t 10 line <&"${headsim[0]}"; do
  if [[ $line == "listening tcp 127.0.0.1 "* ]]; then
    port=${line##* }
    break
  fi
done
if [[ -z $port ]]; then
  echo "sondrel-headsim did not start." >&2
  exit 1
fi

# The simulator answers as fast as it is asked, so the recording is bounded by
# a count of pings rather than by time.
"$bin/sondrel-record" --type Q --ip 127.0.0.1 --port "$port" --count 200 --seconds 30 \
  --quiet --overwrite -o "$recording" >"$out/record.log" 2>&1 &
recorder=$!

# The window's own settings file, so the operator's is left alone.
xvfb-run -a -s "-screen 0 1280x900x24" "$bin/sondrel" --simulate \
  --settings "$out/Sondrel.INI" --screenshot "$picture" --screenshot-after "$seconds" \
  >"$out/sondrel.log" 2>&1 || {
  echo "The desktop program failed; see $out/sondrel.log." >&2
  exit 1
}
if ! wait "$recorder"; then
  echo "The recording failed; see $out/record.log." >&2
  exit 1
fi
"$bin/sondrel-convert" -q -o "$points" "$recording" >"$out/convert.log" 2>&1 || {
  echo "The conversion failed; see $out/convert.log." >&2
  exit 1
}

cat <<EOF
The desktop program ran against the simulated head on a virtual display:
  picture of its window:  $picture
  recorded pings:         $recording
  their XYZ points:       $points
On a machine with a display, scripts/run.sh opens the window itself.
EOF
