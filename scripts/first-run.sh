#!/usr/bin/env bash
# The first run without a display: the desktop program against the simulated
# head on a virtual display takes a picture of its window, while sondrel-record
# records a second simulated head driving the same survey (the sewer scenario,
# its crawler sped up so the whole 60 m pass in seconds) with the crawler's
# distance, and sondrel-convert turns the recording into XYZ text and a table
# of the pipe's geometry along it.
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
table=$out/first-run.csv
rm -f "$picture" "$recording" "$points" "$table"

# The scenarios beside the programs, as installed and in the build tree.
scenario=$bin/../share/sondrel/scenarios/sewer-600.scn
[[ -f $scenario ]] || scenario=$root/scenarios/sewer-600.scn

# The head the recorder listens to, one ping every 20 ms, and its crawler on a
# pseudo-terminal; it ends with this script, however it ends.
coproc headsim {
  exec "$bin/sondrel-headsim" --port 0 --quiet --scenario "$scenario" --orientation-pty \
    --orientation-hz 50 --delay-ms 20
}
headsim_in=${headsim[1]}
trap 'echo quit >&"$headsim_in" 2>/dev/null || true; wait "$headsim_PID" 2>/dev/null || true' EXIT
port= instrument=
while read -r -t 10 line <&"${headsim[0]}"; do
  case $line in
    "listening tcp 127.0.0.1 "*) port=${line##* } ;;
    "orientation-pty "*) instrument=${line#orientation-pty } ;;
    ready) break ;;
  esac
done
if [[ -z $port || -z $instrument ]]; then
  echo "sondrel-headsim did not start." >&2
  exit 1
fi
echo "crawler-speed 5" >&"$headsim_in"

# The recorder reads the crawler's sentences through a COM number of its own;
# the geometry is measured against the sewer's nominal diameter.
printf '%s\r\n' "[System Settings]" EnablePRDInput=1 PRDComPort=9 PRDComPortBaud=38400 \
  SentenceType=0 "[COM Ports]" "COM9=$instrument" "[Pipe Geometry]" \
  "Nominal Diameter=0.600" >"$out/record.INI"
"$bin/sondrel-record" --settings "$out/record.INI" --type Q --ip 127.0.0.1 --port "$port" \
  --seconds 18 --quiet --overwrite -o "$recording" >"$out/record.log" 2>&1 &
recorder=$!

# The window's own settings file, so the operator's is left alone; its
# simulated head plays the same sewer, the crawler starting in the sediment.
sed -e 's/^crawler .*/crawler speed=0.10 start=36.5/' "$scenario" >"$out/window.scn"
xvfb-run -a -s "-screen 0 1280x900x24" "$bin/sondrel" --simulate --scenario "$out/window.scn" \
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
"$bin/sondrel-convert" -q --settings "$out/record.INI" --geometry "$table" "$recording" \
  >>"$out/convert.log" 2>&1 || {
  echo "The geometry table failed; see $out/convert.log." >&2
  exit 1
}

cat <<EOF
The desktop program ran against the simulated head on a virtual display:
  picture of its window:  $picture
  recorded pings:         $recording (the sewer scenario, 60 m)
  their XYZ points:       $points
  the pipe along them:    $table
On a machine with a display, scripts/run.sh opens the window itself.
EOF
